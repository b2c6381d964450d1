#pragma once
// A bundle: a folder of read-only resources with an information dictionary and
// strings tables, found by name, type and subfolder.
//
// The main bundle is the application's assets folder, looked for in order at
//   $SUNNYSIDE_RESOURCES, then <executable dir>/../share/sunnyside
// (the build tree links its assets there; installation copies them there).
// Any folder can be opened as a bundle (nested "X.bundle" folders, test trees).
//
// Look-ups give a null QString / empty list when nothing is found; they never
// log, since asking for a missing resource is an ordinary question. A type is
// a file extension without the dot; an empty type means `name` is the whole
// file name. Localized resources live in "<lang>.lproj" subfolders; English is
// the development language and the last fallback.
// Thread: main thread (the strings-table cache is not locked).

#include <QHash>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>

class Bundle {
public:
    // Opens the folder at `path`; isValid() is false when it is not a folder.
    explicit Bundle(const QString& path);

    // The application's bundle, made on first use and never freed. When no
    // assets folder is found it logs one "Error: " line and is not valid.
    static Bundle& mainBundle();

    // Where mainBundle() looks, for diagnostics and tests.
    static QString locateMainResources();

    bool isValid() const { return m_valid; }
    QString bundlePath() const { return m_path; }
    QString resourcePath() const { return m_path; }

    // "Info.plist" of the bundle's folder; empty when missing or malformed.
    QVariantMap infoDictionary() const;
    QVariant objectForInfoDictionaryKey(const QString& key) const;

    // The file "<name>.<type>" in `subdirectory` (none: top level), else in
    // "<lang>.lproj" of that folder for each preferred language. Null when
    // missing, and for any part with a ".." step (nothing outside the bundle).
    QString pathForResource(const QString& name, const QString& type,
                            const QString& subdirectory = {}) const;
    QUrl urlForResource(const QString& name, const QString& type,
                        const QString& subdirectory = {}) const;

    // Every file (or folder) of extension `type` in `subdirectory`, in byte
    // order of the file names, so listings are the same on every machine.
    // An empty type lists every entry.
    QStringList pathsForResources(const QString& type, const QString& subdirectory = {}) const;

    // The translation of `key` in table `table` ("Localizable" when empty):
    // the first preferred language that has the key, then English; when no
    // table has it, `value` when not empty, else the key itself.
    QString localizedString(const QString& key, const QString& value = {},
                            const QString& table = {}) const;

    // Languages tried, best first, in the user's order ("en" is appended when
    // the list lacks it). Defaults to the
    // user's UI languages; tests and the app's --lang may set them.
    static QStringList preferredLanguages();
    static void setPreferredLanguages(const QStringList& languages);

private:
    using Table = QHash<QString, QString>;
    // The parsed table, cached; an empty one when the file is missing.
    const Table& table(const QString& language, const QString& name) const;

    QString m_path;
    bool m_valid = false;
    mutable QHash<QString, Table> m_tables; // "<lang>/<table>" -> entries
};

// The bundle inside `parent` found as resource `name` of type "bundle", that is
// the folder "<name>.bundle"; nullptr when there is none.
std::unique_ptr<Bundle> nestedBundle(const Bundle& parent, const QString& name,
                                     const QString& subdirectory = {});
