#pragma once
// Holds a rendered copy of an image inside a fixed extent, so that a result
// can be kept and built on without re-rendering its recipe. Main thread only.
//
// An accumulator of infinite extent keeps only what it is given: it renders
// the finite part of each image, and passes an image that has no finite part
// on unrendered (with one "Warning: " line) instead of drawing an endless
// transparent square.

#include "platform/image/CIImage.h"

#include <QString>

class CIImageAccumulator {
public:
    // Format: kCIFormatRGBAf (the only one). An empty extent makes an
    // accumulator whose image is always empty.
    CIImageAccumulator(const QRectF& extent, const QString& format);
    QRectF extent() const { return m_extent; }
    QString format() const { return m_format; }
    // Renders `image` inside the extent now and keeps the pixels; null clears.
    void setImage(const CIImage& image);
    // Renders `image` inside `dirtyRect` over the kept pixels.
    void setImage(const CIImage& image, const QRectF& dirtyRect);
    // The kept pixels (transparent before the first setImage).
    CIImage image() const { return m_image; }
    void clear();

    // `image` rendered once and kept, so that it no longer depends on its
    // recipe. An image of infinite extent is cropped to `bounds` (the extent
    // of the input it was made from) first; when neither is finite it is
    // handed back unrendered after one "Warning: " line. Null gives null.
    // A picture known to be opaque in part (a framed photo) is kept in 8-bit
    // sRGB, as a photo is, so that a last pass copies its opaque part.
    static CIImage flatten(const CIImage& image, const QRectF& bounds);
    // `image` (finite extent) rendered once at `detail` (below 1) and kept at
    // that density: for a picture only ever read at that detail or less (a
    // backdrop the extension blurs). A finer read gets it enlarged, its edge
    // pixels partly clear, so it is known opaque only that far inside. Null
    // when the extent is not finite or the render fails.
    static CIImage flattenReduced(const CIImage& image, double detail);

private:
    // `image` kept in 8-bit sRGB over its whole pixels (its extent rounded
    // outwards, as a float copy keeps it) by one fused pass; null when
    // nothing of it is known opaque, a side is odd or it does not fuse.
    static CIImage keptAsBytes(const CIImage& image);

    QRectF m_extent;
    QString m_format;
    CIImage m_image;
    QRectF m_drawn; // with an infinite extent: where kept pixels may be
};
