#include "frames/LXShapedBorderFilter.h"

#include "frames/FrameBand.h"
#include "frames/InnerShadow.h"
#include "frames/LXTextureCatalog.h"
#include "frames/LXTexturizeFilter.h"
#include "frames/ShapeRing.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
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

int LXShapedBorderFilter::borderPixelsFor(double canvasProportion) const
{
    const double pixels = m_cache.borderLengthFor(canvasProportion);
    if (!std::isfinite(pixels))
        return 0;
    return int(std::max(1.0, std::round(std::min(pixels, 1e6)))) - 1;
}

QRectF LXShapedBorderFilter::outputExtentFor(const QRectF& picture, double canvasProportion) const
{
    const int n = borderPixelsFor(canvasProportion);
    const QRectF ring = CIGeometry::outset(picture, n, n);
    if (n < 1 || CIGeometry::isInfinite(picture) || CIGeometry::isEmpty(picture) || ring.width() > kMaxRingSide
        || ring.height() > kMaxRingSide)
        return picture;
    return ring;
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
    // The shape is a bitmap anyway: its exact distances on the CPU cost less
    // than one pass over the canvas. A picture known to be opaque (a photo)
    // is its rectangle: nothing to render and read back.
    QImage ring;
    if (m_image.isOpaque() && QRectF(CIGeometry::integral(extent)) == extent) {
        ring = opaqueShapeRing(extent.size().toSize(), n);
    } else {
        const QImage picture = newCGImage(m_image);
        if (picture.isNull())
            return {}; // the render said why
        ring = shapeRing(picture, n);
    }
    if (ring.isNull()) {
        Log::line(lcFrames, QStringLiteral("Warning: shaped border of %1 pixels round a picture of %2 x %3 is too "
                                           "large to draw; the picture stays without a border")
                                .arg(n + 1)
                                .arg(extent.width())
                                .arg(extent.height()));
        return {};
    }
    setCachedMask(CIImage::imageWithQImage(ring).imageByApplyingTransform(
        QTransform::fromTranslate(extent.x() - n, extent.y() - n)));
    m_ringBitmap = ring;
    m_ringKept = m_cache.mask;
    return m_cache.mask;
}

void LXShapedBorderFilter::setCachedMask(const CIImage& mask)
{
    if (mask != m_ringKept) {
        m_ringBitmap = {};
        m_ringKept = {};
    }
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
    const CIImage textured = m_texturize->outputImage();
    // Drawn once, only round the ring's clear middle: the texture over the
    // whole canvas costs far more than the band it shows in.
    const QRectF r = ring.extent();
    if (ring != m_ringKept || textured.isNull() || CIGeometry::isInfinite(r)) {
        m_cache.frame = textured;
        return m_cache.frame;
    }
    QRect hole;
    const QRect clear = transparentMiddle(m_ringBitmap);
    if (!clear.isEmpty())
        hole = QRect(int(r.x()) + clear.x(), int(r.y()) + m_ringBitmap.height() - 1 - clear.bottom(), clear.width(),
                     clear.height());
    m_cache.frame = renderedAround(textured, r.toAlignedRect(), hole);
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
        base = apply(kernel(),
                     {QVariant::fromValue(CISampler(m_image)), QVariant::fromValue(CISampler(shadow))},
                     {{kCIApplyOptionDefinition, QVariant::fromValue(m_image.definition())},
                      {kCIApplyOptionExtent, arrayForRect(m_image.extent())},
                      {kCIApplyOptionAlphaOf, 0}});
    const auto over = CIFilter::filterWithName(QStringLiteral("CISourceOverCompositing"));
    if (!over || base.isNull())
        return m_image;
    over->setValue(QVariant::fromValue(frame), kCIInputImageKey);
    over->setValue(QVariant::fromValue(base), kCIInputBackgroundImageKey);
    return over->outputImage();
}
