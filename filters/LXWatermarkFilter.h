#pragma once
// Composites a logo onto a background. The logo's size and its distances from
// the anchoring edges are interpolated between a small-end and a large-end
// placement by the background's size; `gravity` picks the edges (the bits of
// platform/ui/Gravity.h; none: centred). The logo is drawn once at its
// size and kept until the background or the logo changes.
// Main thread.

#include "filters/LXFilter.h"
#include "platform/ui/Gravity.h"
#include "platform/ui/Picture.h"

#include <memory>

class LXAdjustableBlendFilter;

class LXWatermarkFilter : public LXFilter {
    Q_OBJECT
    Q_PROPERTY(QVariant inputBackgroundImage READ inputBackgroundImage WRITE setInputBackgroundImage)
    Q_PROPERTY(QVariant opacity READ opacity WRITE setOpacity)
    Q_PROPERTY(QVariant blendName READ blendName WRITE setBlendName)
    Q_PROPERTY(QVariant watermark READ watermark WRITE setWatermark)
    Q_PROPERTY(QVariant minSize MEMBER minSize)
    Q_PROPERTY(QVariant maxSize MEMBER maxSize)
    Q_PROPERTY(QVariant minRect MEMBER minRect)
    Q_PROPERTY(QVariant maxRect MEMBER maxRect)
    Q_PROPERTY(QVariant gravity MEMBER gravity)
public:
    Q_INVOKABLE explicit LXWatermarkFilter(QObject* parent = nullptr);
    ~LXWatermarkFilter() override;

    // Kept in the inner blend filter; setting it clears the cached logo.
    QVariant inputBackgroundImage() const;
    void setInputBackgroundImage(const QVariant& image);
    // The inner blend filter's intensity and blend name.
    QVariant opacity() const;
    void setOpacity(const QVariant& opacity);
    QVariant blendName() const;
    void setBlendName(const QVariant& name);
    // A Picture; setting it clears the cached logo.
    QVariant watermark() const { return m_watermark; }
    void setWatermark(const QVariant& picture);

    QVariant minSize, maxSize; // sqrt of the area of the small and large end sizes
    QVariant minRect, maxRect; // QRectF: x, y distances from the edges; width, height of the logo
    QVariant gravity;          // bit mask, see above

    // Sets both ends: rectangles and the sizes they are meant for.
    void setAdjustment(const QRectF& maxRect, const QSizeF& maxSize, const QRectF& minRect, const QSizeF& minSize);

    // Where the logo goes on a background of BW x BH.
    struct Placement {
        double f;     // 0 at the small end .. 1 at the large end
        QRectF logo;  // origin bottom left, relative to (0, 0)
    };
    Placement placement(double BW, double BH) const;

    // The logo drawn at its size and moved to its place; null without a logo
    // or a background.
    CIImage cachedImage();
    void setCachedImage(const CIImage& image) { m_cached = image; }

    CIImage outputImage() override;

private:
    std::unique_ptr<LXAdjustableBlendFilter> m_blend;
    QVariant m_watermark;
    CIImage m_cached;
};
