#pragma once
// Fills a shape with a texture: the texture picture (from the texture
// catalog by name, a picture file in the temporary folder, or a plain colour)
// is tinted to inputColor, tiled so that textureBaseRepeats tiles span
// inputTextureWidth pixels, and laid over the shape's alpha. With imageIsMask
// the textured shape is the result; otherwise it is blended over the input
// with inputCompositeName (a blend mode of LXAdjustableBlendFilter).
//
// Tinting works on sRGB-encoded straight colour: the texture's hue is turned
// by (colour hue - texture hue) and its saturation and value scaled by the
// colour's over the texture's, so the texture's own colour tints nothing.
// An inputTextureWidth or base scale of 0 (or not finite) returns the input
// after one "Warning: " line.
// Without a picture the colour itself fills the shape, with no tiles drawn.
// Main thread; the tinted texture is cached until the texture or colour changes.

#include "filters/LXFilter.h"
#include "graphics/ColorSpaces.h"

class LXTexturizeFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputImage MEMBER inputImage)
    Q_PROPERTY(QVariant inputTextureName READ inputTextureName WRITE setInputTextureName)
    Q_PROPERTY(QVariant inputTexture READ inputTexture WRITE setInputTexture)
    Q_PROPERTY(QVariant inputColor READ inputColor WRITE setInputColor)
    Q_PROPERTY(QVariant inputTextureWidth MEMBER inputTextureWidth)
    Q_PROPERTY(QVariant inputTextureScale READ inputTextureScale WRITE setInputTextureScale)
    Q_PROPERTY(QVariant inputCompositeName MEMBER inputCompositeName)
    Q_PROPERTY(QVariant imageIsMask MEMBER imageIsMask)
    Q_PROPERTY(QVariant textureFillMode MEMBER textureFillMode)
public:
    Q_INVOKABLE explicit LXTexturizeFilter(QObject* parent = nullptr);
    ~LXTexturizeFilter() override;

    QVariant inputImage;         // CIImage: the shape
    QVariant inputTextureWidth;  // pixels that textureBaseRepeats tiles span
    QVariant inputCompositeName; // blend mode name
    QVariant imageIsMask;        // bool: return the textured shape as it is
    QVariant textureFillMode;    // 1: cut texture in sections; else pattern (2)

    // Canonical texture name, the name of a picture in the temporary folder,
    // or "Plain Color" when none.
    QVariant inputTextureName() const;
    // Resolves the texture and takes its layout and colour; posts
    // "lxfilterSettings" when a texture was found.
    void setInputTextureName(const QVariant& name);
    QVariant inputTexture() const { return m_texture.isNull() ? QVariant() : QVariant::fromValue(m_texture); }
    // Stores the picture (null: a plain colour) and resets the layout
    // (1 section, base colour (0, 1, 1), base repeats 1, no shift).
    void setInputTexture(const QVariant& texture);
    // The wanted colour; opaque white when unset.
    QVariant inputColor() const;
    void setInputColor(const QVariant& color);
    // Another key for inputTextureWidth.
    QVariant inputTextureScale() const { return inputTextureWidth; }
    void setInputTextureScale(const QVariant& width) { inputTextureWidth = width; }

    quint64 textureSections() const { return m_sections; }
    double textureBaseRepeats() const { return m_baseRepeats; }
    bool scaleTexture() const { return m_scaleTexture; }
    bool noTextureShift() const { return m_noShift; }

    // The tinted texture (or a 100 x 100 patch of the colour), built on first use.
    CIImage cachedTexture();
    void setCachedTexture(const CIImage& image);

    // The part of the first tile (at the origin) that a pattern laid over
    // `shape` reads: the shape's span on each axis wrapped into the tile,
    // the whole axis when the span wraps round or, across, when rows are shifted.
    static QRectF tileReadFor(const QRectF& shape, const QRectF& tile, bool shifted);
    // The texture's tiles are read only in the first one (userInfo: a QRectF).
    static QRectF textureRegionOf(int sampler, const QRectF& destRect, const QVariant& userInfo);
    // The rectangle passed as userInfo, whatever the sampler.
    static QRectF patternRegionOf(int sampler, const QRectF& destRect, const QVariant& userInfo);
    static QRectF frameRegionOf(int sampler, const QRectF& destRect, const QVariant& userInfo);

    QVariantMap customAttributes() const override;
    CIImage outputImage() override;
    QString description() const;

private:
    CIImage blendedOver(const CIImage& textured, const CIImage& input) const;
    bool resolveCatalogTexture(QString& name);
    bool resolveTemporaryPicture(const QString& name);

    QString m_textureName;
    CIImage m_texture;
    QVariant m_color;
    CIImage m_cachedTexture;
    quint64 m_sections = 1;
    HSVTriple m_hsv{0, 1, 1};
    double m_baseRepeats = 1.0;
    bool m_scaleTexture = false;
    bool m_noShift = true;
};
