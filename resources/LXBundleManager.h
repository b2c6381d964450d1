#pragma once
// Image files, free file names, random names and the per-user support folder;
// resource bundles and the stores that list them.
//
// Writing: the target's extension picks the type ("jpg"/"jpeg" JPEG, "png"
// PNG, anything else PNG when the picture has alpha, JPEG otherwise) and is
// rewritten in lower case ("photo.JPEG" is written as "photo.jpg"). JPEG is
// written at quality 90. Files are written atomically; a failed write shows
// the "Could not save File" alert once and returns false.
// Main thread (alerts are modal; the random sequence is process-wide).

#include "platform/image/CIImage.h"
#include "platform/ui/Picture.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>

class Bundle;
class QFile;

// A resource bundle is a folder: "Info.plist" (its description),
// "QuickLook/Preview.png" (or ".jpg") with "QuickLook/Thumbnail.<ext>" beside
// it, and resource files under relative paths. Its preview is also written
// as the folder's thumbnail where file managers look (Thumbnails.h).
//
// Stores: the shared store lists the bundles of the support folder in
// "BundleManager.plist" there (name -> {"filename": path relative to the
// support folder, "marked": bool, "modification_time": date}); a type store
// lists the application's resources of one extension (name -> file URL) and
// is read-only. Stores live for the whole process.
class LXBundleManager {
public:
    // ---- bundles

    // Writes the bundle at `url`: the folder (made when missing), entries of
    // an earlier write that are no longer among `resources` removed, Info.plist,
    // each resource (relative path -> value, see saveResource) not yet there,
    // the QuickLook thumbnail and the desktop thumbnails. Goes on past single
    // failures; false with the reasons in `error` (required) when any step
    // failed. Refuses, touching nothing, a file, or a folder that holds
    // files and is no bundle (has no Info.plist); resource paths that leave
    // the bundle are refused one by one. Links named Info.plist or QuickLook
    // are replaced, never written through, whatever `resources` holds.
    static bool writeBundleToURL(const QUrl& url, const QVariantMap& description, const QVariantMap& resources,
                                 QString* error);
    // Saves one value: a list of paths relative to the temporary folder
    // (copied into a folder at `url`), a std::shared_ptr<LXCachedImage>, a
    // Picture or a CIImage. Anything else shows the "Cannot save File" alert.
    // False with the reason in `error` (optional) when nothing, or not all,
    // was saved.
    static bool saveResource(const QVariant& value, const QUrl& url, QString* error = nullptr);
    // The bundle's "Preview" picture, else its "QuickLook/Preview", else the
    // application's "NoPreview.jpg".
    static Picture previewForBundle(const Bundle& bundle);
    // The bundle's Info.plist; empty after a "Warning: " line when unreadable.
    static QVariantMap decriptionForBundle(const Bundle& bundle);
    // The dictionary in the file "files" of the support folder, or empty.
    static QVariantMap shadowCopyDictionary();

    // ---- stores

    static LXBundleManager& sharedBundleManager();
    // The store of the first call for `type`, whatever `directory` is asked.
    static LXBundleManager& bundleManagerForType(const QString& type, const QString& directory = {});

    // A shared-store form on the property list at `path` (empty when missing
    // or unreadable).
    static std::unique_ptr<LXBundleManager> initForDictionaryPath(const QString& path);
    static std::unique_ptr<LXBundleManager> initForBundleType(const QString& type, const QString& directory);

    QStringList names() const; // ascending, case-sensitive
    // A type store's file URL; for the shared store the bundle the entry's
    // "filename" names inside the support folder. Empty when none.
    QUrl URLForName(const QString& name) const;
    // Null after a "Warning: " line when there is no such bundle.
    std::unique_ptr<Bundle> bundleForName(const QString& name) const;
    Picture previewForName(const QString& name) const;
    QVariantMap decriptionForName(const QString& name) const;
    // Sets the entry's mark and time and saves; unknown names change nothing.
    void setMarked(bool marked, const QString& name);
    // Deletes the entry's bundle (only a path inside the support folder,
    // never the folder itself) and the entry, and saves.
    void removeShadowWithName(const QString& name);
    // Writes the dictionary atomically; false after a "Warning: " line.
    bool saveShadowDictionary() const;

    const QVariantMap& shadowDictionary() const { return m_shadow; }
    QString savePath() const { return m_savePath; }

    // ---- image files and names

    static bool saveBitmapRep(const QImage& bitmap, const QUrl& url);
    static bool saveImage(const Picture& image, const QUrl& url); // null: false, no alert
    // Renders the whole image (its extent) and writes it as above.
    static bool saveCIImage(const CIImage& image, const QUrl& url);

    // The file actually written by saveBitmapRep for `url` and `bitmap`.
    static QUrl bitmapFileURL(const QImage& bitmap, const QUrl& url);

    // `name` in `directory` when free, else "base N.ext" (or "base N") for
    // the first free N = 1, 2, ...; only existence is tested.
    static QUrl uniqueFileURL(const QString& name, const QUrl& directory);

    // `length` characters of a-z, A-Z, 0-9, not equal to any of `compare`.
    static QString randomStringWithLength(int length, const QStringList& compare = {});

    // Writes `image` into the temporary folder (as "<random>.jpg", or as
    // "<random>/<name>", "jpg" appended unless the name ends in "jpg" or
    // "png"), registers it for deletion at quit and returns its URL. Empty
    // when nothing was written: a null image, a write that failed (alerted),
    // or a name that is not one plain file name (logged).
    static QUrl tempFileForImage(const Picture& image, const QString& name = {});

    // "<data folder>/sunnyside", created on every call; null after a
    // "Warning: " line when it cannot be made.
    static QString applicationSupportDirectory();

    // Folder kinds of the other desktop, as numbers: 14 application support,
    // 13 caches, 9 documents, 12 desktop, 15 downloads, 17 movies, 18 music,
    // 19 pictures. Domain 1 is the user's. The folder (with `component`
    // appended) is created; null when the kind is unknown (error untouched)
    // or creation fails (error set).
    static QString directoryPath(quint64 kind, quint64 domain, const QString& component, QString* error = nullptr);

private:
    LXBundleManager() = default;
    // The folder the shared store's file names are relative to.
    QString baseFolder() const;

    QVariantMap m_shadow;
    QStringList m_names; // type stores only
    QString m_savePath;
    bool m_typeStore = false;
};

// Creates the folder and its parents; false with the reason in `error`.
bool createDirectoryAtURL(const QUrl& url, bool withIntermediateDirectories, QString* error = nullptr);
