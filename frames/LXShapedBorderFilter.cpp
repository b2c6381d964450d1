#include "frames/LXShapedBorderFilter.h"

#include "frames/InnerShadow.h"
#include "frames/LXTextureCatalog.h"
#include "frames/LXTexturizeFilter.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/image/CIFilterShape.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

#include <cmath>

LXShapedBorderFilter::LXShapedBorderFilter(QObject* parent)
    : LXFilter(parent), m_texturize(std::make_unique<LXTexturizeFilter>())
{
    // inputWidth is copied too: a copy without it would draw no border.
    static const bool registered = (registerInputKeys(staticMetaObject, {"inputImage", "inputTextureName", "inputWidth",
                                                                         "inputTextureScale", "inputShadowWidth"}),
                                    registerForCopying(staticMetaObject, {"inputColor", "canvasProportion"}), true);
    Q_UNUSED(registered);
    m_texturize->imageIsMask = true;
}

LXShapedBorderFilter::~LXShapedBorderFilter() = default;

void LXShapedBorderFilter::setInputImage(const QVariant& value)
{
    const CIImage image = imageValue(value);
    if (image == m_image)
        return;
    m_image = image;
    setCachedMask({});
}

QVariant LXShapedBorderFilter::inputTextureName() const
{
    return m_texturize->inputTextureName();
}

void LXShapedBorderFilter::setInputTextureName(const QVariant& name)
{
    m_texturize->setInputTextureName(name);
    // Any name given, an empty one too: it clears the texture and whitens the colour.
    if (name.isValid())
        NotificationCenter::defaultCenter().post(LXFilterSettingsChangedNotification, this);
    m_cache.frame = {};
}

QVariant LXShapedBorderFilter::inputColor() const
{
    return m_texturize->inputColor();
}

void LXShapedBorderFilter::setInputColor(const QVariant& color)
{
    m_texturize->setInputColor(color);
    m_cache.frame = {};
}

void LXShapedBorderFilter::setInputWidth(const QVariant& width)
{
    m_cache.setWidth(width);
}

void LXShapedBorderFilter::setInputTextureScale(const QVariant& scale)
{
    m_cache.setTextureScale(scale);
}

void LXShapedBorderFilter::setInputShadowWidth(const QVariant& width)
{
    m_cache.setShadowWidth(width);
}

// The ring's width and the texture's size are measured in it.
void LXShapedBorderFilter::setCanvasProportion(const QVariant& proportion)
{
    m_cache.setCanvasProportion(proportion);
}

QList<LXShapedBorderFilter::RingPass> LXShapedBorderFilter::ringPasses(int n)
{
    QList<RingPass> passes;
    if (n < 1)
        return passes;
    double d = n;
    int reach = 0;
    // One pass even for n = 1, where halving would run none and draw nothing.
    do {
        d = n == 1 ? 1.0 : d / 2;
        const QString routine = d > 16 ? QStringLiteral("pixelRing32")
                                : d > 2 ? QStringLiteral("pixelRing16")
                                        : QStringLiteral("pixelRing4");
        passes.append({d, int(std::ceil(d)), routine});
        reach += passes.back().step;
    } while (d > 1);
    // Halving a power of two falls one pixel short of it.
    passes.front().step += std::max(0, n - reach);
    return passes;
}

int LXShapedBorderFilter::borderPixels() const
{
    const double pixels = m_cache.borderLength();
    if (!std::isfinite(pixels))
        return 0;
    return int(std::max(1.0, std::round(std::min(pixels, 1e6)))) - 1;
}

QRectF LXShapedBorderFilter::outerMaskRegionOf(int, const QRectF& destRect, const QVariant& userInfo)
{
    const double grow = userInfo.toDouble();
    return CIGeometry::outset(destRect, grow, grow);
}

QRectF LXShapedBorderFilter::innerMaskRegionOf(int sampler, const QRectF& destRect, const QVariant&)
{
    return sampler == 1 ? destRect : CIGeometry::outset(destRect, 1, 1);
}

CIImage LXShapedBorderFilter::cachedMask()
{
    if (!m_cache.mask.isNull() || m_image.isNull())
        return m_cache.mask;
    const QRectF extent = m_image.extent();
    const int n = borderPixels();
    if (n < 1 || CIGeometry::isInfinite(extent) || CIGeometry::isEmpty(extent)) {
        Log::line(lcFrames, n < 1 ? QStringLiteral("Warning: shaped border narrower than one pixel; the picture "
                                                   "stays without a border")
                                  : QStringLiteral("Warning: shaped border needs a picture of finite size"));
        return {};
    }
    CIImage current = m_image;
    QRectF r = extent;
    for (const RingPass& pass : ringPasses(n)) {
        r = CIGeometry::outset(r, pass.step, pass.step);
        current = apply(kernelWithName(pass.routine), r, &LXShapedBorderFilter::outerMaskRegionOf,
                        {QVariant::fromValue(CISampler(current)), double(pass.step)},
                        {{kCIApplyOptionUserInfo, double(pass.step)},
                         {kCIApplyOptionDefinition, QVariant::fromValue(CIFilterShape::shapeWithRect(r))}});
        if (current.isNull())
            return {};
    }
    const QRectF rm = CIGeometry::outset(extent, n, n);
    const CIImage ring = apply(kernelWithName(QStringLiteral("maskByCuttingImage")), rm,
                               &LXShapedBorderFilter::innerMaskRegionOf,
                               {QVariant::fromValue(CISampler(current)), QVariant::fromValue(CISampler(m_image)), double(n)},
                               {{kCIApplyOptionDefinition, QVariant::fromValue(CIFilterShape::shapeWithRect(rm))}});
    // Drawn once: its passes are the costly part, and a new texture, colour
    // or shadow then redraws only what depends on them.
    setCachedMask(ring.isNull() ? CIImage() : fixedImage(ring));
    return m_cache.mask;
}

void LXShapedBorderFilter::setCachedMask(const CIImage& mask)
{
    m_cache.storeMask(mask, m_image.extent());
}

CIImage LXShapedBorderFilter::cachedShadow()
{
    const double width = numberValue(m_cache.shadowWidth, 0.0);
    if (!m_cache.shadow.isNull() || !(width > 0))
        return m_cache.shadow;
    const QRectF e = m_image.extent();
    m_cache.shadow =
        innerShadowOf(cachedMask(), QStringLiteral("CIGaussianBlur"), width * std::min(e.width(), e.height()), e);
    return m_cache.shadow;
}

CIImage LXShapedBorderFilter::cachedFrame()
{
    if (!m_cache.frame.isNull())
        return m_cache.frame;
    const CIImage ring = cachedMask();
    if (ring.isNull())
        return {};
    m_texturize->textureFillMode = 2;
    m_texturize->setInputTextureScale(numberValue(m_cache.textureScale, 1.0)
                                      * numberValue(m_cache.canvasProportion, 1.0));
    m_texturize->inputImage = QVariant::fromValue(ring);
    m_cache.frame = m_texturize->outputImage();
    return m_cache.frame;
}

QVariantMap LXShapedBorderFilter::customAttributes() const
{
    const QStringList textures = LXTextureCatalog::sharedTextureNames();
    return {
        {"inputTextureName", QVariantMap{{kLXAttributeChoices, textures}, {kCIAttributeDefault, textures.value(0)}}},
        {"inputWidth",
         QVariantMap{{kCIAttributeDefault, 0.0}, {kCIAttributeSliderMin, 0.0}, {kCIAttributeSliderMax, 0.2}}},
        {"inputTextureScale",
         QVariantMap{{kCIAttributeDefault, 1.0}, {kCIAttributeSliderMin, 0.1}, {kCIAttributeSliderMax, 1.9}}},
        {"inputShadowWidth", QVariantMap{{kCIAttributeDefault, 0.0}}},
    };
}

CIImage LXShapedBorderFilter::outputImage()
{
    if (m_image.isNull())
        return {};
    const CIImage frame = cachedFrame();
    if (frame.isNull())
        return m_image;
    CIImage base = m_image;
    if (const CIImage shadow = cachedShadow(); !shadow.isNull())
        base = apply(kernelWithName(QStringLiteral("innerMultiply")),
                     {QVariant::fromValue(CISampler(m_image)), QVariant::fromValue(CISampler(shadow))},
                     {{kCIApplyOptionDefinition, QVariant::fromValue(m_image.definition())},
                      {kCIApplyOptionExtent, arrayForRect(m_image.extent())}});
    const auto over = CIFilter::filterWithName(QStringLiteral("CISourceOverCompositing"));
    if (!over || base.isNull())
        return m_image;
    over->setValue(QVariant::fromValue(frame), kCIInputImageKey);
    over->setValue(QVariant::fromValue(base), kCIInputBackgroundImageKey);
    return over->outputImage();
}
