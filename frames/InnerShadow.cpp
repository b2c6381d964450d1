#include "frames/InnerShadow.h"

#include "platform/image/CIFilter.h"

CIImage innerShadowOf(const CIImage& mask, const QString& blurName, double radius, const QRectF& extent)
{
    if (mask.isNull())
        return {};
    const auto blur = CIFilter::filterWithName(blurName);
    const auto invert = CIFilter::filterWithName(QStringLiteral("CIColorInvert"));
    if (!blur || !invert)
        return {};
    blur->setValue(QVariant::fromValue(mask), kCIInputImageKey);
    blur->setValue(radius, kCIInputRadiusKey);
    invert->setValue(QVariant::fromValue(blur->outputImage()), kCIInputImageKey);
    return invert->outputImage().imageByCroppingToRect(extent);
}
