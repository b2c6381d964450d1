#pragma once
// A picture frame drawn round (or into) the input picture from a frame
// description: the frame's mask mapped onto the border rectangle (corners
// kept, straight parts stretched to whole pattern repeats), filled with the
// tinted texture, the shades blended over it at full strength, the mask's
// coverage applied once (a shade adds no alpha where the texture or the
// mask has none), an optional inner shadow on the picture, and the frame
// laid over the picture.
//
// Three caches (FrameCache), each a rendered bitmap (8-bit), so that a
// render after an edit redoes only what the edit touched: the mask (picture
// extent, frame, masks, inset, widths, canvas proportion, forceInside), the
// textured frame and the inner shadow (blurred on the CPU from the mask's
// bitmap, discShadowBitmap); the textured frame is drawn only round the
// mask's clear middle (renderedAround). The mask is built
// first in every render, so a render never pairs a new mask with an old
// frame. Frame notifications drop what they touch and schedule one
// "lxfilterupdate" + "lxfilterSettings" after updateDelay seconds
// (-1: at once), so a burst of edits gives one update.
//
// null: without a frame description the output is the input picture; a
// frame without masks gets a plain line border; a mask or shade of width 0
// is left out with one "Warning: " line. Ownership: owns its texturize
// filter; the frame description is held weakly. Thread: main thread.

#include "filters/LXFilter.h"
#include "frames/FrameCache.h"

#include <QImage>
#include <QPointer>

#include <memory>

class LXFrameDescription;
class LXFrameImageDescription;
class LXTexturizeFilter;
class Timer;

class LXTexturedFrameFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage READ inputImage WRITE setInputImage)
    Q_PROPERTY(QVariant inputFrameName READ inputFrameName WRITE setInputFrameName)
    Q_PROPERTY(QVariant inputTextureName READ inputTextureName WRITE setInputTextureName)
    Q_PROPERTY(QVariant inputColor READ inputColor WRITE setInputColor)
    Q_PROPERTY(QVariant inputWidth READ inputWidth WRITE setInputWidth)
    Q_PROPERTY(QVariant inputTextureScale READ inputTextureScale WRITE setInputTextureScale)
    Q_PROPERTY(QVariant inputShadowWidth READ inputShadowWidth WRITE setInputShadowWidth)
    Q_PROPERTY(QVariant canvasProportion READ canvasProportion WRITE setCanvasProportion)
    Q_PROPERTY(QVariant forceInside READ forceInside WRITE setForceInside)
    Q_PROPERTY(QObject* texturizeFilter READ texturizeFilter)
public:
    Q_INVOKABLE explicit LXTexturedFrameFilter(QObject* parent = nullptr);
    ~LXTexturedFrameFilter() override;

    // Cropped to the largest whole-pixel rectangle inside its extent.
    QVariant inputImage() const;
    void setInputImage(const QVariant& image);
    LXFrameDescription* frameDescription() const { return m_frame; }
    void setFrameDescription(LXFrameDescription* frame);
    // A frame name or identifier (LXFrameCatalog::anyFrameWithName); null
    // clears the name only.
    QVariant inputFrameName() const { return m_frameName; }
    void setInputFrameName(const QVariant& name);
    QVariant inputTextureName() const;
    void setInputTextureName(const QVariant& name);
    QVariant inputColor() const;
    void setInputColor(const QVariant& color);
    // A fraction of canvasProportion, at least 0.0001.
    QVariant inputWidth() const { return m_cache.width; }
    void setInputWidth(const QVariant& width);
    QVariant inputTextureScale() const { return m_cache.textureScale; }
    void setInputTextureScale(const QVariant& scale);
    QVariant inputShadowWidth() const { return m_cache.shadowWidth; }
    void setInputShadowWidth(const QVariant& width);
    QVariant canvasProportion() const { return m_cache.canvasProportion; }
    void setCanvasProportion(const QVariant& proportion);
    QVariant forceInside() const { return m_forceInside; }
    void setForceInside(const QVariant& inside);
    double updateDelay() const { return m_updateDelay; }
    void setUpdateDelay(double seconds) { m_updateDelay = seconds; }
    QObject* texturizeFilter() const;

    // Border width in whole pixels (at least 1), and unrounded.
    double borderWidth() const;
    double exactBorderWidth() const;
    // The rectangle the mask is drawn in.
    QRectF maskRect() const { return maskRectFor(m_image.extent(), numberValue(m_cache.canvasProportion, 1.0)); }
    // The output's extent for a picture of extent `picture` (whole pixels)
    // given `canvasProportion`, without rendering; the picture's own
    // without a frame description.
    QRectF outputExtentFor(const QRectF& picture, double canvasProportion) const;
    // Stretch factors that fit whole pattern repeats into `size`.
    static CIVector repeatsVectorForFrame(LXFrameImageDescription* description, const QSizeF& size, double scale);
    // The extent of the picture given as userInfo, whatever the sampler.
    static QRectF frameRegionOf(int sampler, const QRectF& destRect, const QVariant& userInfo);

    // A frame picture mapped onto `rect` (y up): corners at `scale`, the
    // straight parts holding whole repeats of its middle. With `coverage`
    // (a mask) each pixel reads what covers it, so edges on whole pixels stay hard.
    CIImage drawFrame(LXFrameImageDescription* description, const CIImage& picture, const QRectF& rect,
                      double scale, bool coverage = false) const;
    // Where drawFrame of `picture` over `rect` is clear for certain (y up):
    // where it reads only the picture's clear middle. Empty when unknown.
    QRect clearMiddleOf(LXFrameImageDescription* description, const CIImage& picture, const QRectF& rect,
                        double scale) const;

    CIImage cachedMask();
    void setCachedMask(const CIImage& mask);
    CIImage cachedShadow();
    CIImage cachedFrame();
    void forceUpdate() { setCachedMask({}); }
    // The pending update, for tests that drive it with Timer::fire.
    std::shared_ptr<Timer> updateTimer() const { return m_updateTimer; }

    QVariantMap customAttributes() const override;
    QVariant settingsForKey(const QString& key) const override;
    CIImage outputImage() override;

private:
    QRectF maskRectFor(const QRectF& picture, double canvasProportion) const;
    void scheduleUpdate();
    void update();
    // The image rendered to a bitmap that is kept (m_maskBitmap), as an
    // image; `hole` (y up) is left out when what borders it is clear.
    CIImage keptBitmap(const CIImage& image, const QRect& hole = {});
    // The plain line border over `rect` (y up), drawn on the CPU and kept as keptBitmap keeps a mask.
    CIImage keptLineBorder(const QRect& rect, int width);

    std::unique_ptr<LXTexturizeFilter> m_texturize;
    QPointer<LXFrameDescription> m_frame;
    QMetaObject::Connection m_frameGone;
    CIImage m_image;
    QVariant m_frameName, m_forceInside;
    double m_updateDelay = 2.0;
    FrameCache m_cache;
    // The last mask rendered here and its bitmap, for the inner shadow.
    CIImage m_maskKept;
    QImage m_maskBitmap;
    // Where the last inner shadow made here darkens nothing (y up), and that
    // shadow (not kept alive for it).
    QRect m_shadowClear;
    std::weak_ptr<const Engine::ImageNode> m_shadowClearOf;
    std::shared_ptr<Timer> m_updateTimer;
};
