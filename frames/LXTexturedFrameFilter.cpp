#include "frames/LXTexturedFrameFilter.h"

#include "filters/LXAdjustableBlendFilter.h"
#include "frames/FrameBand.h"
#include "frames/InnerShadow.h"
#include "frames/LXFrameCatalog.h"
#include "frames/LXFrameDescription.h"
#include "frames/LXTextureCatalog.h"
#include "frames/LXTexturizeFilter.h"
#include "graphics/ImageExtension.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Timer.h"
#include "platform/image/CIColor.h"
#include "platform/image/CIFilterShape.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CISampler.h"

#include <cmath>

namespace {

QRectF wholePixelsInside(const QRectF& r)
{
    const double x = std::ceil(r.x()), y = std::ceil(r.y());
    return {x, y, std::floor(r.width() - (x - r.x())), std::floor(r.height() - (y - r.y()))};
}

bool sameWholePixels(const QRectF& a, const QRectF& b)
{
    return std::round(a.x() - b.x()) == 0 && std::round(a.y() - b.y()) == 0
           && std::round(a.width() - b.width()) == 0 && std::round(a.height() - b.height()) == 0;
}

} // namespace

LXTexturedFrameFilter::LXTexturedFrameFilter(QObject* parent)
    : LXFilter(parent), m_texturize(std::make_unique<LXTexturizeFilter>())
{
    static const bool registered =
        (registerInputKeys(staticMetaObject, {"inputImage", "inputFrameName", "inputTextureName", "inputWidth",
                                              "inputTextureScale", "inputShadowWidth"}),
         registerForCopying(staticMetaObject, {"texturizeFilter.inputTextureName", "texturizeFilter.inputColor",
                                               "canvasProportion", "forceInside"}),
         true);
    Q_UNUSED(registered)
    m_texturize->imageIsMask = true;
}

LXTexturedFrameFilter::~LXTexturedFrameFilter()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    QObject::disconnect(m_frameGone);
    if (m_updateTimer)
        m_updateTimer->invalidate();
}

QObject* LXTexturedFrameFilter::texturizeFilter() const { return m_texturize.get(); }

// --- Inputs ----------------------------------------------------------------------

QVariant LXTexturedFrameFilter::inputImage() const
{
    return m_image.isNull() ? QVariant() : QVariant::fromValue(m_image);
}

void LXTexturedFrameFilter::setInputImage(const QVariant& value)
{
    CIImage image = imageValue(value);
    if (image == m_image)
        return;
    const QRectF e = image.extent();
    if (!image.isNull() && !CIGeometry::isInfinite(e) && wholePixelsInside(e) != e)
        image = image.imageByCroppingToRect(wholePixelsInside(e));
    m_image = image;
    if (m_image.isNull() || !sameWholePixels(m_image.extent(), m_cache.lastExtent))
        setCachedMask({});
}

void LXTexturedFrameFilter::setFrameDescription(LXFrameDescription* frame)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this);
    QObject::disconnect(m_frameGone);
    m_frame = frame;
    if (frame) {
        center.addObserver(this, kFrameTextureChangedNotification, frame, [this](const Notification&) {
            if (!m_frame)
                return;
            m_texturize->setInputTextureName(m_frame->textureName());
            m_texturize->textureFillMode = m_frame->textureFillMode();
            m_texturize->setInputColor(QVariant::fromValue(m_frame->textureColor()));
            m_cache.frame = {};
            scheduleUpdate();
        });
        center.addObserver(this, kFrameMaskChangedNotification, frame, [this](const Notification&) {
            // The next mask stored drops frame and shadow with it.
            m_cache.mask = {};
            scheduleUpdate();
        });
        center.addObserver(this, kFrameShadeChangedNotification, frame, [this](const Notification&) {
            m_cache.frame = {};
            scheduleUpdate();
        });
        m_frameGone = connect(frame, &QObject::destroyed, this, [this] { setFrameDescription(nullptr); });
        setInputTextureName(frame->textureName().isEmpty() ? QVariant() : QVariant(frame->textureName()));
        setInputColor(QVariant::fromValue(frame->textureColor()));
    }
    m_cache.dropAll();
}

void LXTexturedFrameFilter::setInputFrameName(const QVariant& name)
{
    m_frameName = name;
    if (name.isValid() && !name.toString().isNull())
        setFrameDescription(LXFrameCatalog::anyFrameWithName(name.toString()));
}

QVariant LXTexturedFrameFilter::inputTextureName() const { return m_texturize->inputTextureName(); }

void LXTexturedFrameFilter::setInputTextureName(const QVariant& name)
{
    m_texturize->setInputTextureName(name);
    // Any name given, an empty one too: it clears the texture and whitens the colour.
    if (name.isValid())
        NotificationCenter::defaultCenter().post(LXFilterSettingsChangedNotification, this);
    m_cache.frame = {};
}

QVariant LXTexturedFrameFilter::inputColor() const { return m_texturize->inputColor(); }

void LXTexturedFrameFilter::setInputColor(const QVariant& color)
{
    m_texturize->setInputColor(color);
    m_cache.frame = {};
}

void LXTexturedFrameFilter::setInputWidth(const QVariant& width) { m_cache.setWidth(width); }

void LXTexturedFrameFilter::setInputTextureScale(const QVariant& scale) { m_cache.setTextureScale(scale); }

void LXTexturedFrameFilter::setInputShadowWidth(const QVariant& width) { m_cache.setShadowWidth(width); }

void LXTexturedFrameFilter::setCanvasProportion(const QVariant& proportion)
{
    m_cache.setCanvasProportion(proportion);
}

void LXTexturedFrameFilter::setForceInside(const QVariant& inside) { m_cache.setBorderInput(m_forceInside, inside); }

// --- Geometry --------------------------------------------------------------------

namespace {

double finiteWidth(double width) { return std::isfinite(width) ? std::min(width, 1e6) : 1.0; }

} // namespace

double LXTexturedFrameFilter::exactBorderWidth() const { return finiteWidth(m_cache.borderLength()); }

double LXTexturedFrameFilter::borderWidth() const
{
    return std::max(1.0, std::round(exactBorderWidth()));
}

QRectF LXTexturedFrameFilter::maskRectFor(const QRectF& picture, double canvasProportion) const
{
    const double f = boolValue(m_forceInside) ? 1.0 : (m_frame ? m_frame->inset() : 0.0);
    const double grow = (1.0 - f) * std::max(1.0, std::round(finiteWidth(m_cache.borderLengthFor(canvasProportion))));
    return wholePixelsInside(CIGeometry::outset(picture, grow, grow));
}

QRectF LXTexturedFrameFilter::outputExtentFor(const QRectF& picture, double canvasProportion) const
{
    if (!m_frame || CIGeometry::isInfinite(picture) || CIGeometry::isEmpty(picture))
        return picture;
    const QRectF whole = wholePixelsInside(picture);
    return CIGeometry::unite(whole, maskRectFor(whole, canvasProportion));
}

CIVector LXTexturedFrameFilter::repeatsVectorForFrame(LXFrameImageDescription* d, const QSizeF& size, double scale)
{
    double factors[2] = {1.0, 1.0};
    if (!d)
        return CIVector(1, 1);
    const QSizeF picture = d->image().extent().size();
    const double c = d->cornerSize().width();
    const quint64 repeats[2] = {d->repeatX(), d->repeatY()};
    const double lengths[2] = {size.width(), size.height()}, sides[2] = {picture.width(), picture.height()};
    for (int i = 0; i < 2; ++i) {
        if (repeats[i] == 0)
            continue;
        const double middle = (sides[i] - 2 * c) * scale;
        if (!(middle > 0) || !std::isfinite(middle)) {
            Log::line(lcFrames, QStringLiteral("Warning: frame picture '%1' has no straight part between its "
                                               "corners; its pattern is stretched")
                                    .arg(d->name()));
            continue;
        }
        const double t = (lengths[i] - 2 * c * scale) / middle;
        factors[i] = std::max(1.0, std::round(double(repeats[i]) * t)) / double(repeats[i]);
    }
    return CIVector(factors[0], factors[1]);
}

QRectF LXTexturedFrameFilter::frameRegionOf(int, const QRectF&, const QVariant& userInfo)
{
    const CIImage picture = userInfo.value<CIImage>();
    return picture.isNull() ? QRectF() : picture.extent();
}

CIImage LXTexturedFrameFilter::drawFrame(LXFrameImageDescription* d, const CIImage& picture, const QRectF& rect,
                                         double scale, bool coverage) const
{
    const QSizeF corner = d->cornerSize();
    const QString routine = coverage ? QStringLiteral("drawMask") : QStringLiteral("drawFrame");
    return apply(kernelWithName(routine), rect, &LXTexturedFrameFilter::frameRegionOf,
                 {QVariant::fromValue(vectorForRect(rect)), sampler(picture),
                  QVariant::fromValue(CIVector(corner.width(), corner.height())), scale,
                  QVariant::fromValue(repeatsVectorForFrame(d, rect.size(), scale))},
                 {{kCIApplyOptionUserInfo, QVariant::fromValue(picture)},
                  {kCIApplyOptionDefinition, QVariant::fromValue(CIFilterShape::shapeWithRect(rect))}});
}

// --- Caches ----------------------------------------------------------------------

QRect LXTexturedFrameFilter::clearMiddleOf(LXFrameImageDescription* d, const CIImage& picture, const QRectF& rect,
                                           double scale) const
{
    if (rect.toAlignedRect() != rect)
        return {};
    const QRect clear = transparentMiddle(pixelsOf(picture));
    const QSizeF n = picture.extent().size(), c = d->cornerSize();
    if (clear.isEmpty())
        return {};
    // The picture's rows run top down; the routine reads it y up.
    const auto [x0, x1] = clearPixelsOnSide(clear.left(), clear.right() + 1, n.width(), c.width(), scale, rect.width());
    const auto [y0, y1] = clearPixelsOnSide(n.height() - (clear.bottom() + 1), n.height() - clear.top(), n.height(),
                                            c.height(), scale, rect.height());
    if (x0 > x1 || y0 > y1)
        return {};
    return QRect(int(rect.x()) + x0, int(rect.y()) + y0, x1 - x0 + 1, y1 - y0 + 1);
}

CIImage LXTexturedFrameFilter::keptBitmap(const CIImage& image, const QRect& hole)
{
    // As fixedImage, with the bitmap kept for the inner shadow; drawn round
    // a hole known clear, unless what borders it is not clear after all.
    const QRect whole = image.extent().toAlignedRect();
    m_maskBitmap = hole.isEmpty() ? QImage() : bitmapAround(image, whole, hole);
    if (!m_maskBitmap.isNull()) {
        const QRect rows(hole.x() - whole.x() - 1, whole.bottom() - hole.bottom() - 1, hole.width() + 2, hole.height() + 2);
        if (!clearRim(m_maskBitmap, rows))
            m_maskBitmap = {};
    }
    if (m_maskBitmap.isNull())
        m_maskBitmap = newCGImage(image);
    m_maskKept = m_maskBitmap.isNull() ? CIImage() : CIImage::imageWithQImage(m_maskBitmap);
    const QPointF origin = image.extent().topLeft();
    if (!m_maskKept.isNull() && std::abs(origin.x()) + std::abs(origin.y()) > 0)
        m_maskKept = m_maskKept.imageByApplyingTransform(QTransform::fromTranslate(origin.x(), origin.y()));
    return m_maskKept;
}

CIImage LXTexturedFrameFilter::cachedMask()
{
    if (!m_cache.mask.isNull() || m_image.isNull() || !m_frame)
        return m_cache.mask;
    const QRectF r = maskRect();
    if (CIGeometry::isInfinite(r) || CIGeometry::isEmpty(r))
        return {};
    const double bw = borderWidth();
    const auto mask = m_frame->mask();
    const CIImage picture = mask ? mask->image() : CIImage();
    if (mask && !picture.isNull() && mask->width() > 0) {
        const double scale = bw / mask->width();
        // Drawn only round the part the picture's clear middle maps to.
        setCachedMask(keptBitmap(drawFrame(mask.get(), picture, r, scale, true), clearMiddleOf(mask.get(), picture, r, scale)));
        return m_cache.mask;
    }
    if (mask && !picture.isNull())
        Log::line(lcFrames, QStringLiteral("Warning: mask '%1' of frame '%2' has width 0; a plain border is drawn")
                                .arg(mask->name(), m_frame->name()));
    setCachedMask(keptLineBorder(r.toAlignedRect(), int(bw)));
    return m_cache.mask;
}

CIImage LXTexturedFrameFilter::keptLineBorder(const QRect& rect, int width)
{
    // Opaque white within `width` whole pixels of an edge, drawn here: a
    // pass over the whole rectangle and its read-back cost far more.
    m_maskBitmap = QImage(rect.size(), QImage::Format_RGBA8888_Premultiplied);
    m_maskKept = {};
    if (m_maskBitmap.isNull())
        return {};
    m_maskBitmap.fill(Qt::transparent);
    const int w = rect.width(), h = rect.height(), b = std::min(width, std::max(w, h));
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<quint32*>(m_maskBitmap.scanLine(y));
        if (y < b || y >= h - b) {
            std::fill(row, row + w, 0xffffffffu);
            continue;
        }
        std::fill(row, row + std::min(b, w), 0xffffffffu);
        std::fill(row + std::max(0, w - b), row + w, 0xffffffffu);
    }
    m_maskKept = CIImage::imageWithQImage(m_maskBitmap);
    if (rect.x() != 0 || rect.y() != 0)
        m_maskKept = m_maskKept.imageByApplyingTransform(QTransform::fromTranslate(rect.x(), rect.y()));
    return m_maskKept;
}

void LXTexturedFrameFilter::setCachedMask(const CIImage& mask)
{
    m_cache.storeMask(mask, m_image.extent());
}

CIImage LXTexturedFrameFilter::cachedShadow()
{
    const double width = numberValue(m_cache.shadowWidth, 0.0);
    if (!m_cache.shadow.isNull() || !(width > 0))
        return m_cache.shadow;
    const QRectF e = m_image.extent();
    const CIImage mask = cachedMask();
    if (mask.isNull() || CIGeometry::isInfinite(e) || CIGeometry::isEmpty(e))
        return {};
    // Blurred on the CPU from the mask's bitmap: a disc pass over the canvas costs far more.
    const QImage bitmap = mask == m_maskKept ? m_maskBitmap : newCGImage(mask);
    const QPoint origin = mask.extent().topLeft().toPoint();
    const QRect extent = e.toAlignedRect();
    const QImage shadow = discShadowBitmap(bitmap, origin, width * std::min(e.width(), e.height()), extent);
    if (shadow.isNull())
        return {};
    m_cache.shadow = CIImage::imageWithQImage(shadow).imageByApplyingTransform(
        QTransform::fromTranslate(extent.x(), extent.y()));
    // A pixel in from its edge: reads there see only clear texels.
    const QRect clear = transparentMiddle(shadow).adjusted(1, 1, -1, -1);
    m_shadowClear = clear.isEmpty() ? QRect()
                                    : QRect(extent.x() + clear.x(), extent.y() + shadow.height() - 1 - clear.bottom(),
                                            clear.width(), clear.height());
    m_shadowClearOf = m_cache.shadow.node();
    return m_cache.shadow;
}

CIImage LXTexturedFrameFilter::cachedFrame()
{
    if (!m_cache.frame.isNull() || !m_frame)
        return m_cache.frame;
    const CIImage mask = cachedMask();
    if (mask.isNull())
        return {};
    const QRectF m = mask.extent();
    const double bw = exactBorderWidth();
    const double scale = numberValue(m_cache.textureScale, 1.0);
    m_texturize->textureFillMode = m_frame->textureFillMode();
    double textureWidth = scale * numberValue(m_cache.canvasProportion, 1.0);
    const CIImage texture = imageValue(m_texturize->inputTexture());
    if (m_texturize->scaleTexture() && m_frame->textureFillMode() == 1 && !texture.isNull()
        && texture.extent().height() > 0)
        textureWidth = scale * bw / (texture.extent().height() / double(std::max<quint64>(1, m_texturize->textureSections())))
                       * texture.extent().width() * m_texturize->textureBaseRepeats();
    m_texturize->inputTextureWidth = textureWidth;
    // Texture and shades are laid over the whole rectangle at full strength;
    // the mask's coverage is applied once at the end, so antialiased edges
    // keep the frame's colour and the mask's alpha.
    const QVariant definition = QVariant::fromValue(CIFilterShape::shapeWithRect(m));
    m_texturize->inputImage =
        QVariant::fromValue(CIImage::imageWithColor(CIColor(1, 1, 1, 1)).imageByCroppingToRect(m));
    const CIImage textured = m_texturize->outputImage();
    if (textured.isNull())
        return {};
    CIImage base = apply(kernelWithName(QStringLiteral("opaqueFrame")), {sampler(textured)},
                         {{kCIApplyOptionDefinition, definition}, {kCIApplyOptionExtent, arrayForRect(m)}});
    if (base.isNull())
        return {};
    for (const auto& shade : m_frame->optimizedShades()) {
        const CIImage picture = shade->image();
        if (picture.isNull())
            continue;
        if (!(shade->width() > 0)) {
            Log::line(lcFrames, QStringLiteral("Warning: shade '%1' of frame '%2' has width 0 and is left out")
                                    .arg(shade->name(), m_frame->name()));
            continue;
        }
        const CIImage layer = drawFrame(shade.get(), picture, m, bw / shade->width());
        LXAdjustableBlendFilter blend;
        blend.inputImage = QVariant::fromValue(layer);
        blend.inputBackgroundImage = QVariant::fromValue(base);
        blend.inputBlendName = shade->blendMode();
        blend.inputIntensity = shade->intensity();
        base = blend.outputImage();
    }
    if (base.isNull())
        return {};
    const CIImage covered =
        apply(kernelWithName(QStringLiteral("coverFrame")), {sampler(base), sampler(textured), sampler(mask)},
              {{kCIApplyOptionDefinition, definition}, {kCIApplyOptionExtent, arrayForRect(m)}});
    // Drawn only round the mask's clear middle, where the frame is nothing.
    QRect hole;
    if (mask == m_maskKept) {
        const QRect clear = transparentMiddle(m_maskBitmap);
        if (!clear.isEmpty())
            hole = QRect(int(m.x()) + clear.x(), int(m.y()) + m_maskBitmap.height() - 1 - clear.bottom(), clear.width(),
                         clear.height());
    }
    m_cache.frame = renderedAround(covered, m.toAlignedRect(), hole);
    return m_cache.frame;
}

// --- Updates ---------------------------------------------------------------------

void LXTexturedFrameFilter::scheduleUpdate()
{
    if (m_updateDelay < 0) {
        update();
        return;
    }
    if (m_updateTimer)
        return;
    m_updateTimer = Timer::scheduled(m_updateDelay, false, [weak = QPointer(this)](Timer&) {
        if (weak)
            weak->update();
    });
}

void LXTexturedFrameFilter::update()
{
    if (m_updateTimer)
        m_updateTimer->invalidate();
    m_updateTimer.reset();
    NotificationCenter::defaultCenter().post(LXFilterUpdateNotification, this);
    NotificationCenter::defaultCenter().post(LXFilterSettingsChangedNotification, this);
}

// --- Attributes and output -------------------------------------------------------

QVariantMap LXTexturedFrameFilter::customAttributes() const
{
    const QStringList frames = LXFrameCatalog::allFrameNames();
    const QStringList textures = LXTextureCatalog::sharedTextureNames();
    return {
        {"inputFrameName", QVariantMap{{kLXAttributeChoices, frames}, {kCIAttributeDefault, frames.value(0)}}},
        {"inputTextureName", QVariantMap{{kLXAttributeChoices, textures}, {kCIAttributeDefault, textures.value(0)}}},
        {"inputWidth",
         QVariantMap{{kCIAttributeDefault, 0.0}, {kCIAttributeSliderMin, 0.0}, {kCIAttributeSliderMax, 0.2}}},
        {"inputTextureScale",
         QVariantMap{{kCIAttributeDefault, 1.0}, {kCIAttributeSliderMin, 0.1}, {kCIAttributeSliderMax, 1.9}}},
        {"inputShadowWidth", QVariantMap{{kCIAttributeDefault, 0.0}}},
    };
}

QVariant LXTexturedFrameFilter::settingsForKey(const QString& key) const
{
    if (key != QLatin1String("inputFrameName"))
        return LXFilter::settingsForKey(key);
    // Asked each time, so that new user frames appear.
    const QStringList frames = LXFrameCatalog::allFrameNames();
    return QVariantMap{{kLXAttributeChoices, frames}, {kCIAttributeDefault, frames.value(0)}};
}

CIImage LXTexturedFrameFilter::outputImage()
{
    if (m_image.isNull() || !m_frame)
        return m_image;
    // The mask first: storing a new one drops the frame and shadow built for the old.
    const CIImage mask = cachedMask();
    const CIImage frame = cachedFrame();
    if (mask.isNull() || frame.isNull())
        return m_image;
    CIImage base = m_image;
    if (const CIImage shadow = cachedShadow(); !shadow.isNull()) {
        const CIImage darkened =
            apply(kernelWithName(QStringLiteral("innerMultiply")), {sampler(m_image), sampler(shadow)},
                  {{kCIApplyOptionDefinition, QVariant::fromValue(m_image.definition())},
                   {kCIApplyOptionExtent, arrayForRect(m_image.extent())},
                   {kCIApplyOptionAlphaOf, 0}});
        if (darkened.isNull())
            return m_image;
        // Darkened only in the band the shadow reaches: the middle stays the
        // picture itself, which a last pass copies.
        const QRect clear = shadow.node() == m_shadowClearOf.lock() ? m_shadowClear : QRect();
        base = clear.isEmpty() ? darkened : m_image;
        const QRect e = m_image.extent().toAlignedRect();
        if (!clear.isEmpty())
            for (const QRect& strip : CIGeometry::stripsAround(e, clear))
                if (!strip.isEmpty())
                    base = darkened.imageByCroppingToRect(strip).imageByCompositingOverImage(base);
    }
    // The frame carries the mask's coverage already: laid over, not blended through the mask again.
    return frame.imageByCompositingOverImage(base);
}
