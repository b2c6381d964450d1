#pragma once
// The list of effects the application offers: the descriptions of the
// bundle's "Effects.plist" (an array of effect descriptions, see LXEffect.h),
// indexed by effect name and by localized display name, and the way back from
// stored settings to an effect.
//
// Effect names are stable identifiers (they are written into stored
// settings); display names are what the user reads and may change with the
// language. Every change to the catalog re-sorts the display names, drops
// mappings it made stale, bumps revision() and emits catalogChanged(), so a
// menu built from it can rebuild.
//
// Failures: a malformed list (not an array, an entry that is not a
// dictionary) and a description without any name are skipped with one
// "Warning: " line each; a relative setting without a default and a slider
// range between 0 and 1 is kept, with one "Warning: " line; stored settings
// without a string "name" give one "Warning: " line and no effect. Effects
// are returned as new objects owned by the caller; nullptr means no effect
// could be made.
// The shared catalog is made on first use and never freed. Main thread.

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class LXEffect;

class LXEffectsCatalog : public QObject {
    Q_OBJECT
public:
    // The catalog of the main bundle's "Effects.plist"; empty without one.
    static LXEffectsCatalog& sharedEffectsCatalog();

    // A catalog of `descriptions`, added in order.
    explicit LXEffectsCatalog(const QVariantList& descriptions = {}, QObject* parent = nullptr);

    // The descriptions of an effects list read from `origin` (named in the
    // warnings): the dictionaries of an array, anything else skipped.
    static QVariantList descriptionsInList(const QVariant& list, const QString& origin);

    // Adds (or replaces, by effect name or by display name) one effect.
    void addEffectWithDescription(const QVariantMap& description);

    std::shared_ptr<LXEffect> effectForName(const QString& name) const;

    // Stored settings upgraded from effects that newer ones replaced.
    static QVariantMap verifyEffectSettings(const QVariantMap& settings);
    // A new effect configured with stored settings (a settings file, a
    // command line): through the shared catalog, or through this one.
    static std::shared_ptr<LXEffect> effectForSettings(const QVariantMap& settings);
    std::shared_ptr<LXEffect> effectFromSettings(const QVariantMap& settings) const;

    // Effect name -> description whose "displayName" is the localized one.
    const QVariantMap& catalog() const { return m_catalog; }
    // The localized display names, case-insensitively sorted.
    const QStringList& sortedDisplayNames() const { return m_sortedDisplayNames; }
    // The effect name shown as `displayName`; null when none.
    QString effectNameForDisplayName(const QString& displayName) const { return m_displayNames.value(displayName); }
    // Counts the changes since creation.
    quint64 revision() const { return m_revision; }

signals:
    void catalogChanged();

private:
    void addDescription(const QVariantMap& description);
    void sortDisplayNames();
    static void warnAboutRelativeKeys(const QString& name, const QVariantMap& description);

    QVariantMap m_catalog;                  // effect name -> description
    QHash<QString, QString> m_displayNames; // localized display name -> effect name
    QStringList m_sortedDisplayNames;
    quint64 m_revision = 0;
};
