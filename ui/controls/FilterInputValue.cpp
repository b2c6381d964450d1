#include "ui/controls/FilterInputValue.h"

#include "platform/image/CIFilter.h"

#include <cmath>

namespace {

enum class Kind { kAsIs, kNumber, kBoolean, kColor, kVector };

Kind kindOf(const QVariantMap& attributes)
{
    const QString type = attributes.value(kCIAttributeType).toString();
    if (type == kCIAttributeTypeBoolean)
        return Kind::kBoolean;
    if (type == kCIAttributeTypeDistance || type == kCIAttributeTypeScalar || type == kCIAttributeTypeAngle)
        return Kind::kNumber;
    if (type == kCIAttributeTypeColor)
        return Kind::kColor;
    if (type == kCIAttributeTypeRectangle || type.startsWith(QStringLiteral("CIAttributeTypePosition")))
        return Kind::kVector;
    const QVariant fallback = attributes.value(kCIAttributeDefault);
    switch (fallback.metaType().id()) {
    case QMetaType::Bool:
        return Kind::kBoolean;
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return Kind::kNumber;
    default:
        break;
    }
    if (fallback.metaType() == QMetaType::fromType<CIColor>())
        return Kind::kColor;
    if (fallback.metaType() == QMetaType::fromType<CIVector>())
        return Kind::kVector;
    return Kind::kAsIs;
}

bool isText(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QString || value.metaType().id() == QMetaType::QByteArray;
}

} // namespace

std::optional<QVariant> filterInputValue(const QVariant& value, const QVariantMap& inputAttributes)
{
    if (!value.isValid())
        return std::nullopt;
    switch (kindOf(inputAttributes)) {
    case Kind::kNumber: {
        if (value.metaType().id() == QMetaType::Bool)
            return QVariant(value.toBool() ? 1.0 : 0.0);
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(number))
            return std::nullopt;
        return QVariant(number);
    }
    case Kind::kBoolean: {
        if (!isText(value))
            return value.canConvert<bool>() ? std::optional<QVariant>(QVariant(value.toBool())) : std::nullopt;
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("yes") || text == QLatin1String("true") || text == QLatin1String("1"))
            return QVariant(true);
        if (text == QLatin1String("no") || text == QLatin1String("false") || text == QLatin1String("0"))
            return QVariant(false);
        return std::nullopt;
    }
    case Kind::kColor: {
        CIColor color;
        if (value.metaType() == QMetaType::fromType<CIColor>())
            color = value.value<CIColor>();
        else if (value.metaType().id() == QMetaType::QColor)
            color = CIColor(value.value<QColor>());
        else if (isText(value))
            color = CIColor::colorWithString(value.toString().trimmed());
        return color.isNull() ? std::nullopt : std::optional<QVariant>(QVariant::fromValue(color));
    }
    case Kind::kVector: {
        CIVector vector;
        if (value.metaType() == QMetaType::fromType<CIVector>())
            vector = value.value<CIVector>();
        else if (value.metaType().id() == QMetaType::QRectF || value.metaType().id() == QMetaType::QRect)
            vector = CIVector::vectorWithCGRect(value.toRectF());
        else if (value.metaType().id() == QMetaType::QPointF || value.metaType().id() == QMetaType::QPoint)
            vector = CIVector::vectorWithCGPoint(value.toPointF());
        else if (isText(value))
            vector = CIVector::vectorWithString(value.toString().trimmed());
        return vector.isNull() ? std::nullopt : std::optional<QVariant>(QVariant::fromValue(vector));
    }
    case Kind::kAsIs:
        break;
    }
    return value;
}
