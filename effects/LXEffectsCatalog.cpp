#include "effects/LXEffectsCatalog.h"

#include "effects/LXEffect.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>

namespace {

const QString kName = QStringLiteral("name");
const QString kCIName = QStringLiteral("ciName");
const QString kDisplayName = QStringLiteral("displayName");

// Old effect name -> {"replaceName": new name, "replaceInputs": {old key: new key}}.
const QVariantMap& replacements()
{
    static const QVariantMap table{
        {QStringLiteral("LXColorMultiplyFilter"),
         QVariantMap{{QStringLiteral("replaceName"), QStringLiteral("LXGradientMultiplyFilter")},
                     {QStringLiteral("replaceInputs"),
                      QVariantMap{{QStringLiteral("inputColor"), QStringLiteral("inputGradient")}}}}},
    };
    return table;
}

// A string value of `map`, null for anything else.
QString stringValue(const QVariantMap& map, const QString& key)
{
    const QVariant value = map.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

// A value as one short line: {key = value; ...} and (item, ...).
QString describe(const QVariant& value)
{
    QStringList parts;
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            parts << it.key() + QLatin1String(" = ") + describe(it.value()) + QLatin1Char(';');
        return QLatin1Char('{') + parts.join(QLatin1Char(' ')) + QLatin1Char('}');
    }
    if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant& item : value.toList())
            parts << describe(item);
        return QLatin1Char('(') + parts.join(QLatin1String(", ")) + QLatin1Char(')');
    }
    return value.toString();
}

} // namespace

LXEffectsCatalog& LXEffectsCatalog::sharedEffectsCatalog()
{
    static LXEffectsCatalog* shared = [] {
        const QString path = Bundle::mainBundle().pathForResource(QStringLiteral("Effects"), QStringLiteral("plist"));
        QVariantList descriptions;
        if (path.isEmpty())
            Log::line(lcEffects, QStringLiteral("Warning: the bundle has no effects list; no effects"));
        else
            descriptions = descriptionsInList(PropertyList::read(path), path);
        return new LXEffectsCatalog(descriptions);
    }();
    return *shared;
}

LXEffectsCatalog::LXEffectsCatalog(const QVariantList& descriptions, QObject* parent)
    : QObject(parent)
{
    for (const QVariant& description : descriptions)
        addDescription(description.toMap());
    sortDisplayNames();
}

QVariantList LXEffectsCatalog::descriptionsInList(const QVariant& list, const QString& origin)
{
    if (list.typeId() != QMetaType::QVariantList) {
        Log::line(lcEffects, QStringLiteral("Warning: the effects list %1 is not an array; no effects").arg(origin));
        return {};
    }
    QVariantList descriptions;
    const QVariantList entries = list.toList();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].typeId() == QMetaType::QVariantMap)
            descriptions.append(entries[i]);
        else
            Log::line(lcEffects,
                      QStringLiteral("Warning: entry %1 of the effects list %2 is not a dictionary; skipped")
                          .arg(i)
                          .arg(origin));
    }
    return descriptions;
}

void LXEffectsCatalog::addEffectWithDescription(const QVariantMap& description)
{
    addDescription(description);
    sortDisplayNames();
}

void LXEffectsCatalog::addDescription(const QVariantMap& description)
{
    QString name = stringValue(description, kName);
    for (const QString& key : {kCIName, kDisplayName})
        if (name.isEmpty())
            name = stringValue(description, key);
    if (name.isEmpty()) {
        Log::line(lcEffects, QStringLiteral("Warning: No Name! Skipping Effect %1").arg(describe(description)));
        return;
    }
    QString displayName = stringValue(description, kDisplayName);
    if (displayName.isEmpty())
        displayName = name;
    displayName = Bundle::mainBundle().localizedString(displayName);

    // The name's old display name, and the display name's old effect, go.
    const QString oldDisplayName = m_catalog.value(name).toMap().value(kDisplayName).toString();
    if (m_displayNames.value(oldDisplayName) == name)
        m_displayNames.remove(oldDisplayName);
    const QString oldName = m_displayNames.value(displayName);
    if (!oldName.isEmpty() && oldName != name)
        m_catalog.remove(oldName);

    warnAboutRelativeKeys(name, description);
    QVariantMap entry = description;
    entry.insert(kName, name); // the effect needs one even when the list gave only a "ciName"
    entry.insert(kDisplayName, displayName);
    m_catalog.insert(name, entry);
    m_displayNames.insert(displayName, name);
}

void LXEffectsCatalog::warnAboutRelativeKeys(const QString& name, const QVariantMap& description)
{
    // A relative setting is a fraction of the picture; a length in pixels
    // here would be multiplied by the picture's size again.
    const QVariantMap defaults = description.value(QStringLiteral("defaultSettings")).toMap();
    const QVariantMap rows = description.value(QStringLiteral("settingsUI")).toMap();
    for (const QVariant& key : description.value(QStringLiteral("relative")).toList()) {
        const auto isFraction = [](const QVariant& value) {
            bool number = false;
            const double x = value.toDouble(&number);
            return number && x >= 0 && x <= 1;
        };
        bool ranged = false;
        for (const QVariant& row : rows)
            ranged = ranged || (row.toMap().value(QStringLiteral("inputName")) == key &&
                                isFraction(row.toMap().value(QStringLiteral("minValue"))) &&
                                isFraction(row.toMap().value(QStringLiteral("maxValue"))));
        if (!ranged || !isFraction(defaults.value(key.toString())))
            Log::line(lcEffects, QStringLiteral("Warning: Effect '%1' has no fractional default and range for its "
                                                "relative setting '%2'")
                                     .arg(name, key.toString()));
    }
}

void LXEffectsCatalog::sortDisplayNames()
{
    m_sortedDisplayNames = m_displayNames.keys();
    std::sort(m_sortedDisplayNames.begin(), m_sortedDisplayNames.end(), [](const QString& a, const QString& b) {
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    ++m_revision;
    emit catalogChanged();
}

std::shared_ptr<LXEffect> LXEffectsCatalog::effectForName(const QString& name) const
{
    const auto found = m_catalog.constFind(name);
    return found == m_catalog.constEnd() ? nullptr : LXEffect::effectWithDictionary(found->toMap());
}

QVariantMap LXEffectsCatalog::verifyEffectSettings(const QVariantMap& settings)
{
    const QVariantMap replacement = replacements().value(stringValue(settings, kName)).toMap();
    if (replacement.isEmpty())
        return settings;
    QVariantMap upgraded = settings;
    const QString newName = replacement.value(QStringLiteral("replaceName")).toString();
    if (!newName.isEmpty())
        upgraded.insert(kName, newName);
    const QVariantMap inputs = replacement.value(QStringLiteral("replaceInputs")).toMap();
    for (auto pair = inputs.constBegin(); pair != inputs.constEnd(); ++pair) {
        if (!upgraded.contains(pair.key()))
            continue;
        upgraded.insert(pair.value().toString(), upgraded.value(pair.key()));
        upgraded.remove(pair.key());
    }
    return upgraded;
}

std::shared_ptr<LXEffect> LXEffectsCatalog::effectForSettings(const QVariantMap& settings)
{
    return sharedEffectsCatalog().effectFromSettings(settings);
}

std::shared_ptr<LXEffect> LXEffectsCatalog::effectFromSettings(const QVariantMap& stored) const
{
    QVariantMap settings = verifyEffectSettings(stored);
    const QString name = stringValue(settings, kName);
    if (name.isEmpty()) {
        Log::line(lcEffects, QStringLiteral("Warning: stored effect settings without a name; no effect"));
        return nullptr;
    }
    QVariantMap description = m_catalog.value(name).toMap();
    if (description.isEmpty()) {
        const QString withSuffix = name + QLatin1String("Filter");
        description = m_catalog.value(withSuffix).toMap();
        if (description.isEmpty())
            description = QVariantMap{{kName, name}};
        else
            settings.insert(kName, withSuffix);
    }
    return LXEffect::effectWithDictionary(description, settings);
}
