#include "app/LookSettings.h"

#include "effects/EffectSettingsForm.h"
#include "effects/LXEffect.h"
#include "effects/LXEffectsCatalog.h"
#include "filters/LXFilter.h"
#include "resources/LXLocalizeHelper.h"

#include <algorithm>
#include <cmath>

namespace {

// As the settings panel looks it up: the row, then the filter's attributes.
QVariant lookUp(const QVariantMap& row, const QVariantMap& attributes, const QStringList& keys)
{
    for (const QVariantMap* map : {&row, &attributes})
        for (const QString& key : keys)
            if (const auto found = map->constFind(key); found != map->cend() && found->isValid())
                return *found;
    return {};
}

QStringList entriesOf(const QStringList& choices)
{
    QStringList entries;
    for (const QString& choice : choices)
        if (!choice.isEmpty() && !choice.endsWith(u'-')) // separators and group headers
            entries << choice;
    return entries;
}

QString number(double value) { return QString::number(value, 'g', 10); }

LookSetting::Kind kindOfControl(int type, const QString& key)
{
    switch (type) {
    case LXEffect::Slider:
    case LXEffect::CircularSlider:
        return LookSetting::Number;
    case LXEffect::PopUp:
        return LookSetting::Choice;
    case LXEffect::ColorWell:
        return LookSetting::Colour;
    case LXEffect::CheckBox:
        return LookSetting::Switch;
    case LXEffect::GradientPicker:
        return LookSetting::Gradient;
    default:
        return EffectSettingsForm::isColorKey(key) ? LookSetting::Colour : LookSetting::Text;
    }
}

LookSetting::Kind kindOfValue(const QVariant& value, const QString& key)
{
    if (EffectSettingsForm::isColorKey(key))
        return LookSetting::Colour;
    if (EffectSettingsForm::isGradientKey(key))
        return LookSetting::Gradient;
    if (value.typeId() == QMetaType::Bool)
        return LookSetting::Switch;
    return EffectSettingsForm::isNumber(value) ? LookSetting::Number : LookSetting::Text;
}

} // namespace

QString LookSetting::problemWith(const QVariant& value) const
{
    const auto wrong = [this, &value] {
        const QString given = value.typeId() == QMetaType::QString ? value.toString()
                              : EffectSettingsForm::isNumber(value) || value.typeId() == QMetaType::Bool
                                  ? value.toString()
                                  : QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "nothing");
        return QStringLiteral("'%1' must be %2, not '%3'").arg(key, describe(), given);
    };
    switch (kind) {
    case Number: {
        if (!EffectSettingsForm::isNumber(value) || !std::isfinite(value.toDouble()))
            return wrong();
        const double x = value.toDouble();
        const double slack = 1e-9 * std::max(1.0, std::abs(max - min)); // texts of pi round
        return hasRange && (x < min - slack || x > max + slack) ? wrong() : QString();
    }
    case Switch:
        return value.typeId() == QMetaType::Bool ? QString() : wrong();
    case Choice:
        if (value.typeId() != QMetaType::QString)
            return wrong();
        return choices.isEmpty() || choices.contains(value.toString()) ? QString() : wrong();
    case Colour:
    case Gradient:
        if (value.typeId() != QMetaType::QString)
            return wrong();
        return EffectSettingsForm::filterValue(kind == Colour ? QStringLiteral("inputColor") : QStringLiteral("inputGradient"), value).isValid()
                   ? QString()
                   : wrong();
    case Text:
        return value.typeId() == QMetaType::QString ? QString() : wrong();
    }
    return {};
}

QVariant LookSetting::valueFromText(const QString& text) const
{
    switch (kind) {
    case Number: {
        bool ok = false;
        const double x = text.trimmed().toDouble(&ok);
        return ok ? QVariant(x) : QVariant();
    }
    case Switch: {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("yes") || t == QLatin1String("true") || t == QLatin1String("on") || t == QLatin1String("1"))
            return true;
        if (t == QLatin1String("no") || t == QLatin1String("false") || t == QLatin1String("off") || t == QLatin1String("0"))
            return false;
        return {};
    }
    case Choice:
        for (const QString& choice : choices) // typed in any case
            if (choice.compare(text, Qt::CaseInsensitive) == 0)
                return choice;
        return text;
    default:
        return text;
    }
}

QString LookSetting::describe() const
{
    switch (kind) {
    case Number:
        return hasRange ? QStringLiteral("a number from %1 to %2").arg(number(min), number(max)) : QStringLiteral("a number");
    case Switch:
        return QStringLiteral("yes or no");
    case Choice:
        return choices.isEmpty() ? QStringLiteral("a name") : QStringLiteral("one of: %1").arg(choices.join(QStringLiteral(", ")));
    case Colour:
        return QStringLiteral("a colour \"red green blue [alpha]\" from 0 to 1");
    case Gradient:
        return QStringLiteral("a gradient (five numbers per stop: position, red, green, blue, alpha)");
    case Text:
        return QStringLiteral("a text");
    }
    return {};
}

const LookSetting* LookEffectSettings::setting(const QString& key) const
{
    for (const LookSetting& s : settings)
        if (s.key == key)
            return &s;
    return nullptr;
}

LookEffectSettings lookEffectSettings(const QString& name)
{
    LookEffectSettings result;
    const QVariantMap description = LXEffectsCatalog::sharedEffectsCatalog().catalog().value(name).toMap();
    if (description.isEmpty())
        return result;
    const std::shared_ptr<LXEffect> effect = LXEffectsCatalog::sharedEffectsCatalog().effectForName(name);
    if (!effect)
        return result;
    result.found = true;
    result.name = name;
    result.displayName = LXLocalizeHelper::localizedString(effect->displayName());
    const auto* filter = dynamic_cast<const LXFilter*>(effect->filter().get());
    const QVariantMap allAttributes = effect->filter()->attributes();
    const auto attributesOf = [&](const QString& key) {
        QVariantMap attributes = allAttributes.value(key).toMap();
        if (filter) // current entries (frames a user added)
            attributes.insert(filter->settingsForKey(key).toMap());
        return attributes;
    };

    const QVariantMap ui = effect->settingsUIDict();
    for (const QString& rowName : effect->settingsKeys()) {
        const QVariantMap row = ui.value(rowName).toMap();
        LookSetting s;
        s.key = row.value(QStringLiteral("inputName")).toString();
        if (s.key.isEmpty() || result.setting(s.key))
            continue;
        s.row = rowName;
        s.kind = kindOfControl(row.value(QStringLiteral("type"), -1).toInt(), s.key);
        const QVariantMap attributes = attributesOf(s.key);
        if (s.kind == LookSetting::Number) {
            const QVariant lo = lookUp(row, attributes, {QStringLiteral("minValue"), kCIAttributeSliderMin, kCIAttributeMin});
            const QVariant hi = lookUp(row, attributes, {QStringLiteral("maxValue"), kCIAttributeSliderMax, kCIAttributeMax});
            s.hasRange = EffectSettingsForm::isNumber(lo) && EffectSettingsForm::isNumber(hi);
            s.min = lo.toDouble();
            s.max = hi.toDouble();
        } else if (s.kind == LookSetting::Choice) {
            s.choices = entriesOf(lookUp(row, attributes, {kLXAttributeChoices}).toStringList());
            s.customImage = row.value(QStringLiteral("customImage")).toBool();
        }
        result.settings << s;
    }
    const QVariantMap defaults = effect->baseSettings();
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        if (result.setting(it.key()))
            continue;
        LookSetting s;
        s.key = it.key();
        s.kind = kindOfValue(it.value(), it.key());
        result.settings << s;
    }
    return result;
}

QStringList lookEffectNames()
{
    QStringList names = LXEffectsCatalog::sharedEffectsCatalog().catalog().keys();
    names.sort();
    return names;
}
