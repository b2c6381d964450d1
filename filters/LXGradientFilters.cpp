#include "filters/LXGradientFilters.h"

#include "graphics/GradientStrings.h"
#include "graphics/ImageExtension.h"
#include "platform/image/CISampler.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int kStripWidth = 1024;

Gradient gradientOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<Gradient>())
        return value.value<Gradient>();
    if (value.typeId() == QMetaType::QString)
        return gradientWithString(value.toString());
    return {};
}

// The strip of `value`, or of the declared default when it is unset.
CIImage stripOrDefault(const LXFilter& filter, const QVariant& value, CIImage& cached)
{
    if (cached.isNull())
        cached = gradientStrip(value.isValid() ? value : filter.attributeDefault(QStringLiteral("inputGradient")));
    return cached;
}

} // namespace

CIImage gradientStrip(const QVariant& value)
{
    const Gradient gradient = gradientOf(value);
    if (gradient.isEmpty())
        return {};
    // Pixels, not points: the same strip on every screen.
    QImage strip(kStripWidth, 1, QImage::Format_RGBA8888);
    bool opaque = true;
    for (int x = 0; x < kStripWidth; ++x) {
        const QColor c = gradient.colorAt((x + 0.5) / kStripWidth);
        strip.setPixelColor(x, 0, c);
        opaque = opaque && c.alpha() == 255;
    }
    // Known opaque, it keeps what it colours opaque.
    if (opaque)
        strip.reinterpretAsFormat(QImage::Format_RGBX8888);
    return CIImage::imageWithQImage(strip);
}

// --- Gradient map --------------------------------------------------------------

LXGradientMapFilter::LXGradientMapFilter(QObject* parent) : LXFilter(parent)
{
    static const bool registered =
        (registerInputKeys(staticMetaObject, {"inputImage", "inputColor", "inputGradient"}), true);
    Q_UNUSED(registered)
}

void LXGradientMapFilter::setInputGradient(const QVariant& gradient)
{
    m_gradient = gradient;
    m_gradientImage = gradientStrip(gradient);
}

double LXGradientMapFilter::curveOf(const CIColor& color)
{
    const double l = color.isNull() ? 0.0 : hsl(color).lightness;
    return (0.67 * (1.0 - l) + 0.165) * -4.0 + 2.0;
}

QVariantMap LXGradientMapFilter::customAttributes() const
{
    const Gradient gradient({{0.0, 0, 0, 0, 1}, {0.5, 0, 0.403921568627451, 0.6941176470588235, 1}, {1.0, 1, 1, 1, 1}});
    return {{"inputColor", QVariantMap{{kCIAttributeDefault, QVariant::fromValue(CIColor(0.5, 0.5, 0.5, 1.0))}}},
            {"inputGradient", QVariantMap{{kCIAttributeDefault, QVariant::fromValue(gradient)}}}};
}

CIImage LXGradientMapFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    const CIImage strip = stripOrDefault(*this, m_gradient, m_gradientImage);
    if (image.isNull() || strip.isNull())
        return {};
    const CIColor color = colorInput(inputColor, "inputColor");
    const HSVTriple tint = color.isNull() ? HSVTriple{} : hsv(color);
    const double k = curveOf(color);
    const QRectF stripExtent = strip.extent();
    // The strip is read anywhere along its length.
    auto roi = [stripExtent](int sampler, const QRectF& dest, const QVariant&) {
        return sampler == 1 ? stripExtent : dest;
    };
    QVariantMap options{{kCIApplyOptionDefinition, QVariant::fromValue(image.definition())},
                        {kCIApplyOptionExtent, arrayForRect(image.extent())}};
    if (strip.isOpaque()) // the photo's alpha times the strip's
        options.insert(kCIApplyOptionAlphaOf, 0);
    return apply(kernel(), image.extent(), roi,
                 {QVariant::fromValue(CISampler(image)),
                  QVariant::fromValue(CISampler(strip, CISampler::Wrap::Clamp, CISampler::Filter::Nearest)),
                  QVariant::fromValue(CIVector(tint.hue, tint.saturation, k, 1.0 - k))},
                 options);
}

// --- Gradient multiply ---------------------------------------------------------

LXGradientMultiplyFilter::LXGradientMultiplyFilter(QObject* parent)
    : LXFilter(parent), m_clampFilter(CIFilter::filterWithName(QStringLiteral("CIAffineClamp")))
{
    static const bool registered =
        (registerInputKeys(staticMetaObject, {"inputImage", "inputGradient", "inputAngle"}), true);
    Q_UNUSED(registered)
}

LXGradientMultiplyFilter::~LXGradientMultiplyFilter() = default;

void LXGradientMultiplyFilter::setInputGradient(const QVariant& gradient)
{
    m_gradient = gradient;
    if (m_clampFilter)
        m_clampFilter->setValue(QVariant::fromValue(gradientStrip(gradient)), kCIInputImageKey);
}

QTransform LXGradientMultiplyFilter::placement(const QRectF& extent, double angle)
{
    const double theta = (90.0 - angle) / 180.0 * std::numbers::pi;
    const double w = extent.width(), h = extent.height();
    const double length = std::max(std::abs(h * std::cos(theta) - w * std::sin(theta)),
                                   std::abs(w * std::sin(theta) + h * std::cos(theta)));
    // Row-vector order: the first step is applied first.
    QTransform t = QTransform::fromTranslate(-kStripWidth / 2.0, -0.5);
    t *= QTransform().rotate(-angle);
    t *= QTransform::fromScale(length / kStripWidth, length / kStripWidth);
    t *= QTransform::fromTranslate(extent.x() + 0.5 * extent.width(), extent.y() + 0.5 * extent.height());
    return t;
}

QVariantMap LXGradientMultiplyFilter::customAttributes() const
{
    return {{"inputGradient", QVariantMap{{kCIAttributeDefault, QVariant::fromValue(Gradient(Qt::black, Qt::white))}}},
            {"inputAngle", QVariantMap{{kCIAttributeDefault, 0.0},
                                       {kCIAttributeSliderMin, -90.0},
                                       {kCIAttributeSliderMax, 270.0},
                                       {kCIAttributeType, kCIAttributeTypeAngle}}}};
}

CIImage LXGradientMultiplyFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull() || !m_clampFilter)
        return {};
    if (!m_gradient.isValid() && imageValue(m_clampFilter->valueForKey(kCIInputImageKey)).isNull())
        m_clampFilter->setValue(QVariant::fromValue(gradientStrip(attributeDefault(QStringLiteral("inputGradient")))),
                                kCIInputImageKey);
    m_clampFilter->setValue(QVariant::fromValue(placement(image.extent(), numberInput(inputAngle, "inputAngle"))),
                            kCIInputTransformKey);
    const CIImage laid = m_clampFilter->outputImage();
    if (laid.isNull())
        return {};
    // The photo's alpha times the gradient's: kept where the gradient is opaque.
    const bool opaqueGradient = imageValue(m_clampFilter->valueForKey(kCIInputImageKey)).isOpaque();
    return applyOverImage(kernel(), image, {QVariant::fromValue(CISampler(image)), QVariant::fromValue(CISampler(laid))},
                          opaqueGradient);
}
