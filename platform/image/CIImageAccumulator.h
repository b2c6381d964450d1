#pragma once
// Holds a rendered copy of an image inside a fixed extent, so that a result
// can be kept and built on without re-rendering its recipe. Main thread only.

#include "platform/image/CIImage.h"

#include <QString>

class CIImageAccumulator {
public:
    // Format: kCIFormatRGBAf (the only one). An empty extent makes an
    // accumulator whose image is always empty.
    CIImageAccumulator(const QRectF& extent, const QString& format);
    QRectF extent() const { return m_extent; }
    QString format() const { return m_format; }
    // Renders `image` inside the extent now and keeps the pixels; nil clears.
    void setImage(const CIImage& image);
    // Renders `image` inside `dirtyRect` over the kept pixels.
    void setImage(const CIImage& image, const QRectF& dirtyRect);
    // The kept pixels (transparent before the first setImage).
    CIImage image() const { return m_image; }
    void clear();

private:
    QRectF m_extent;
    QString m_format;
    CIImage m_image;
};
