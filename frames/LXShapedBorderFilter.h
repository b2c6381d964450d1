#pragma once
// A textured border that follows the outline of whatever is opaque in the
// input picture (alpha >= 0.5), grown outward by inputWidth x
// canvasProportion pixels, with an optional inner shadow on the picture.
//
// The ring is found by exact distances (ShapeRing, on the CPU from the
// picture rendered once): the pixels outside the shape within the border
// width (white with alpha, soft over the last pixel). A border under one
// pixel, or one too large to draw, returns the picture after one "Warning: "
// line.
//
// The ring is made once into a bitmap when first needed (the costly part);
// the textured border is rendered once, only in the band round the ring's
// clear middle, and kept; the inner shadow is kept as a recipe (FrameCache).
// A change of picture, width or canvas proportion drops all three, of
// texture, colour or texture scale the textured border, of shadow width the
// shadow.
// Main thread.

#include "filters/LXFilter.h"
#include "frames/FrameCache.h"

#include <QImage>

#include <memory>

class LXTexturizeFilter;

class LXShapedBorderFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage READ inputImage WRITE setInputImage)
    Q_PROPERTY(QVariant inputTextureName READ inputTextureName WRITE setInputTextureName)
    Q_PROPERTY(QVariant inputColor READ inputColor WRITE setInputColor)
    Q_PROPERTY(QVariant inputWidth READ inputWidth WRITE setInputWidth)
    Q_PROPERTY(QVariant inputTextureScale READ inputTextureScale WRITE setInputTextureScale)
    Q_PROPERTY(QVariant inputShadowWidth READ inputShadowWidth WRITE setInputShadowWidth)
    Q_PROPERTY(QVariant canvasProportion READ canvasProportion WRITE setCanvasProportion)
public:
    Q_INVOKABLE explicit LXShapedBorderFilter(QObject* parent = nullptr);
    ~LXShapedBorderFilter() override;

    QVariant inputImage() const { return m_image.isNull() ? QVariant() : QVariant::fromValue(m_image); }
    void setInputImage(const QVariant& image);
    // The owned texturize filter's texture and colour.
    QVariant inputTextureName() const;
    void setInputTextureName(const QVariant& name);
    QVariant inputColor() const;
    void setInputColor(const QVariant& color);
    // A fraction of canvasProportion, at least 0.0001.
    QVariant inputWidth() const { return m_cache.width; }
    void setInputWidth(const QVariant& width);
    QVariant inputTextureScale() const { return m_cache.textureScale; }
    void setInputTextureScale(const QVariant& scale);
    // A fraction of the picture's shorter side; 0 or less: no shadow.
    QVariant inputShadowWidth() const { return m_cache.shadowWidth; }
    void setInputShadowWidth(const QVariant& width);
    // The canvas's reference length in pixels, 1 after creation.
    QVariant canvasProportion() const { return m_cache.canvasProportion; }
    void setCanvasProportion(const QVariant& proportion);

    // n for the current inputs: round(canvasProportion x inputWidth) - 1, at least 0.
    int borderPixels() const { return borderPixelsFor(numberValue(m_cache.canvasProportion, 1.0)); }
    int borderPixelsFor(double canvasProportion) const;
    // The output's extent for a picture of extent `picture` (whole pixels)
    // given `canvasProportion`, without rendering: the ring's (n pixels
    // round the picture), the picture's own when no ring is drawn.
    QRectF outputExtentFor(const QRectF& picture, double canvasProportion) const;

    CIImage cachedMask();
    void setCachedMask(const CIImage& mask);
    CIImage cachedShadow();
    CIImage cachedFrame();

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;

private:
    std::unique_ptr<LXTexturizeFilter> m_texturize;
    CIImage m_image;
    FrameCache m_cache;
    // The ring's bitmap and the mask made from it (the frame is drawn only
    // round its clear middle while the mask is that one).
    QImage m_ringBitmap;
    CIImage m_ringKept;
};
