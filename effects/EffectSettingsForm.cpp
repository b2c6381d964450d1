#include "effects/EffectSettingsForm.h"

#include "graphics/GradientStrings.h"
#include "platform/image/CIColor.h"
#include "platform/image/CIGeometry.h"
#include "platform/ui/Gradient.h"

#include <cmath>

namespace EffectSettingsForm {

bool isColorKey(const QString& key)
{
    return key == QLatin1String("inputColor") || key == QLatin1String("inputTargetColor");
}

bool isGradientKey(const QString& key) { return key == QLatin1String("inputGradient"); }

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

QVariant storedValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<CIColor>()) {
        const CIColor color = value.value<CIColor>();
        return color.isNull() ? QVariant() : QVariant(color.stringRepresentation());
    }
    if (value.metaType() == QMetaType::fromType<QColor>()) {
        const QColor color = value.value<QColor>();
        return color.isValid() ? QVariant(CIColor(color).stringRepresentation()) : QVariant();
    }
    if (value.metaType() == QMetaType::fromType<Gradient>())
        return stringRepresentation(value.value<Gradient>());
    return value;
}

QVariant filterValue(const QString& key, const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return value;
    if (isColorKey(key)) {
        const CIColor color = CIColor::colorWithString(value.toString());
        return color.isNull() ? QVariant() : QVariant::fromValue(color);
    }
    if (isGradientKey(key)) {
        const Gradient gradient = gradientWithString(value.toString());
        return gradient.isEmpty() ? QVariant() : QVariant::fromValue(gradient);
    }
    return value;
}

bool isSafeResourcePath(const QString& path)
{
    const QStringList parts = path.split(u'/');
    if (parts.size() != 2 || path.contains(u'\\'))
        return false;
    for (const QString& part : parts)
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    return true;
}

double referenceLength(double proportion, const QRectF& inputExtent, bool hasInput)
{
    if (proportion > 0 && std::isfinite(proportion))
        return proportion;
    if (hasInput && !inputExtent.isEmpty() && !CIGeometry::isInfinite(inputExtent)) {
        const double side = std::min(inputExtent.width(), inputExtent.height());
        if (std::isfinite(side) && side > 0)
            return side;
    }
    return 1;
}

} // namespace EffectSettingsForm
