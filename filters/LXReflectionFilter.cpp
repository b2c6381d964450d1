#include "filters/LXReflectionFilter.h"

#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kHeight = 0.5, kIntensity = 0.4, kDistance = 0.0, kProportion = 1.0;
}

LXReflectionFilter::LXReflectionFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputIntensity",
                                                                         "inputProportion", "inputHeight",
                                                                         "inputDistance"}),
                                    true);
    Q_UNUSED(registered);
}

QVariantMap LXReflectionFilter::customAttributes() const
{
    return {
        {"inputHeight", QVariantMap{{kCIAttributeDefault, kHeight},
                                    {kCIAttributeSliderMin, 0.0},
                                    {kCIAttributeSliderMax, 1.0},
                                    {kCIAttributeType, kCIAttributeTypeDistance}}},
        {"inputIntensity",
         QVariantMap{{kCIAttributeDefault, kIntensity}, {kCIAttributeSliderMin, 0.0}, {kCIAttributeSliderMax, 1.0}}},
        {"inputDistance",
         QVariantMap{{kCIAttributeDefault, kDistance}, {kCIAttributeSliderMin, 0.0}, {kCIAttributeSliderMax, 1.0}}},
        {"inputProportion", QVariantMap{{kCIAttributeDefault, kProportion}}},
    };
}

QRectF LXReflectionFilter::reflectionROI(int, const QRectF& d, double y0, double gap)
{
    if (y0 <= d.y())
        return d;
    if (y0 >= d.y() + d.height())
        return QRectF(d.x(), 2 * y0 - (gap + d.y() + d.height()), d.width(), d.height());
    return QRectF(d.x(), y0, d.width(), std::max(std::abs(y0 - d.y() - gap), std::abs(d.y() + d.height() - y0)));
}

CIImage LXReflectionFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    const QRectF e = image.extent();
    // A picture without a bottom edge has nothing to mirror.
    if (CIGeometry::isInfinite(e) || CIGeometry::isEmpty(e))
        return image;
    const double hgt = numberValue(inputHeight, kHeight) * e.height();
    const double gap = numberValue(inputDistance, kDistance) * numberValue(inputProportion, kProportion);
    const double intensity = numberValue(inputIntensity, kIntensity);
    const double y0 = e.y();
    const QRectF r(e.x(), y0 - (hgt + gap), e.width(), e.height() + hgt + gap);

    const CIKernelPtr routine = kernel();
    if (!routine)
        return {};
    // Values taken now: a later change of the inputs leaves this image alone.
    routine->setROICallback([y0, gap](int index, const QRectF& dest, const QVariant&) {
        return reflectionROI(index, dest, y0, gap);
    });
    return apply(routine, {QVariant::fromValue(CISampler(image)), y0, intensity, hgt, gap},
                 {{kCIApplyOptionDefinition, QVariant::fromValue(CIFilterShape::shapeWithRect(r))},
                  {kCIApplyOptionExtent, arrayForRect(r)},
                  {kCIApplyOptionUserInfo, y0}});
}
