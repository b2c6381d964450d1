#include "filters/LXSimpleShadowFilter.h"

#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

#include <cmath>

namespace {

constexpr double kRadius = 5.0, kDistance = 2.0, kDirection = 135.0;
const CIColor kColor(0, 0, 0, 0.75);

// Rounding noise of cos and sin taken off, so that a whole-point move stays
// whole and costs no resampling.
double snapped(double v)
{
    const double r = std::round(v);
    return std::abs(v - r) < 1e-9 ? r : v;
}

} // namespace

LXSimpleShadowFilter::LXSimpleShadowFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputRadius", "inputDistance",
                                                                         "inputDirection", "inputColor"}),
                                    true);
    Q_UNUSED(registered);
}

QVariantMap LXSimpleShadowFilter::customAttributes() const
{
    return {
        {"inputRadius", QVariantMap{{kCIAttributeDefault, kRadius}, {kCIAttributeType, kCIAttributeTypeDistance}}},
        {"inputDistance", QVariantMap{{kCIAttributeDefault, kDistance},
                                      {kCIAttributeSliderMin, 0.0},
                                      {kCIAttributeSliderMax, 100.0},
                                      {kCIAttributeType, kCIAttributeTypeDistance}}},
        {"inputDirection",
         QVariantMap{{kCIAttributeDefault, kDirection}, {kCIAttributeSliderMin, 0.0}, {kCIAttributeSliderMax, 360.0}}},
        {"inputColor", QVariantMap{{kCIAttributeDefault, QVariant::fromValue(kColor)},
                                   {kCIAttributeType, kCIAttributeTypeColor}}},
    };
}

QPointF LXSimpleShadowFilter::offset(double distance, double direction)
{
    const double theta = (direction - 90.0) / 180.0 * -M_PI;
    return {snapped(distance * std::cos(theta)), snapped(distance * std::sin(theta))};
}

namespace {

// The blurred shadow's rectangle before its move.
QRectF spread(const QRectF& picture, double radius)
{
    return CIGeometry::outset(picture, 3 * radius, 3 * radius);
}

} // namespace

QRectF LXSimpleShadowFilter::outputExtentFor(const QRectF& picture, double radius, double distance, double direction)
{
    const QPointF move = offset(distance, direction);
    return CIGeometry::unite(picture, spread(picture, std::max(0.0, radius)).translated(move));
}

CIImage LXSimpleShadowFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull())
        return {};
    const double r = std::max(0.0, numberValue(inputRadius, kRadius));
    const QPointF move = offset(numberValue(inputDistance, kDistance), numberValue(inputDirection, kDirection));
    CIColor color = colorValue(inputColor);
    if (color.isNull())
        color = kColor;

    const CISampler sampler(image);
    // An opaque picture on whole pixels casts a rectangle of the colour,
    // whose blur the engine draws in closed form.
    const QRectF extent = image.extent();
    const CIImage silhouette =
        image.isOpaque() && !CIGeometry::isInfinite(extent) && QRectF(CIGeometry::integral(extent)) == extent
            ? CIImage::imageWithColor(color).imageByCroppingToRect(extent)
            : apply(kernel(), {QVariant::fromValue(sampler), QVariant::fromValue(color)},
                    {{kCIApplyOptionDefinition, QVariant::fromValue(sampler.definition())},
                     {kCIApplyOptionExtent, arrayForRect(sampler.extent())}});
    if (silhouette.isNull())
        return {};
    const auto blur = CIFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
    const auto over = CIFilter::filterWithName(QStringLiteral("CISourceOverCompositing"));
    if (!blur || !over)
        return {};
    blur->setValue(QVariant::fromValue(silhouette), kCIInputImageKey);
    blur->setValue(r, kCIInputRadiusKey);
    const CIImage shadow = blur->outputImage()
                               .imageByCroppingToRect(spread(silhouette.extent(), r))
                               .imageByApplyingTransform(QTransform::fromTranslate(move.x(), move.y()));
    over->setValue(QVariant::fromValue(image), kCIInputImageKey);
    over->setValue(QVariant::fromValue(shadow), kCIInputBackgroundImageKey);
    return over->outputImage();
}
