#include "filters/LXGaussianBlurFilter.h"

#include "platform/image/CIGeometry.h"

#include <algorithm>

namespace {

double defaultRadius(const CIFilter& blur)
{
    return CIFilter::numberValue(blur.customAttributes().value(kCIInputRadiusKey).toMap().value(kCIAttributeDefault),
                                 10.0);
}

} // namespace

LXGaussianBlurFilter::LXGaussianBlurFilter(QObject* parent)
    : LXFilter(parent)
    , m_blur(CIFilter::filterWithName(QStringLiteral("CIGaussianBlur")))
    , m_clamp(CIFilter::filterWithName(QStringLiteral("CIAffineClamp")))
{
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputRadius"}), true);
    Q_UNUSED(registered);
    if (m_clamp) {
        m_clamp->setDefaults();
        m_clamp->setValue(QVariant::fromValue(QTransform()), kCIInputTransformKey);
    }
}

LXGaussianBlurFilter::~LXGaussianBlurFilter() = default;

QVariant LXGaussianBlurFilter::inputRadius() const
{
    return m_blur ? m_blur->valueForKey(kCIInputRadiusKey) : QVariant();
}

void LXGaussianBlurFilter::setInputRadius(const QVariant& radius)
{
    if (m_blur)
        m_blur->setValue(radius, kCIInputRadiusKey);
}

double LXGaussianBlurFilter::radius() const
{
    if (!m_blur)
        return 10.0;
    // A negative radius blurs by nothing and widens by nothing.
    return std::max(0.0, numberValue(inputRadius(), defaultRadius(*m_blur)));
}

QVariantMap LXGaussianBlurFilter::customAttributes() const
{
    return m_blur ? m_blur->customAttributes() : QVariantMap();
}

void LXGaussianBlurFilter::setDefaults()
{
    // The blur's defaults (its radius) are this filter's.
    if (m_blur)
        m_blur->setDefaults();
}

CIImage LXGaussianBlurFilter::outputImage()
{
    const CIImage image = imageValue(inputImage);
    if (image.isNull() || !m_blur || !m_clamp)
        return {};
    const double r = radius();
    const QRectF e = image.extent();
    // The owned blur gets r and the image for this call only: the inputs
    // read back as they were set, and no picture is held between renders.
    const QVariant keptRadius = inputRadius();
    auto blurred = [&](const CIImage& source) {
        m_blur->setValue(r, kCIInputRadiusKey);
        m_blur->setValue(QVariant::fromValue(source), kCIInputImageKey);
        const CIImage result = m_blur->outputImage();
        m_blur->setValue(QVariant(), kCIInputImageKey);
        m_blur->setValue(keptRadius, kCIInputRadiusKey);
        return result;
    };
    if (boolValue(forceInside, false)) {
        m_clamp->setValue(QVariant::fromValue(image), kCIInputImageKey);
        const CIImage clamped = m_clamp->outputImage();
        m_clamp->setValue(QVariant(), kCIInputImageKey);
        return blurred(clamped).imageByCroppingToRect(e);
    }
    const CIImage result = blurred(image);
    const QRectF b = result.extent();
    if (b.width() + b.height() >= 100000)
        return result.imageByCroppingToRect(CIGeometry::outset(e, 3 * r, 3 * r));
    return result;
}

std::shared_ptr<CIFilter> LXGaussianBlurFilter::copy() const
{
    std::shared_ptr<CIFilter> twin = LXFilter::copy();
    if (auto* f = qobject_cast<LXGaussianBlurFilter*>(twin.get()))
        f->forceInside = forceInside; // not an input key, so the platform copy leaves it
    return twin;
}
