#pragma once
// Helpers of the filter tests: tiny images from bytes, rendered pixels read
// back by image coordinates (origin bottom left).

#include "platform/image/CIContext.h"
#include "platform/image/CIImage.h"

#include <QImage>

#include <array>
#include <initializer_list>
#include <vector>

using Pixel = std::array<float, 4>;

// One row of unpremultiplied RGBA bytes as an image of height `height`.
inline CIImage rowImage(std::initializer_list<std::array<int, 4>> pixels, int height = 1)
{
    QImage image(int(pixels.size()), height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        int x = 0;
        for (const auto& p : pixels) {
            uchar* out = image.scanLine(y) + 4 * x++;
            for (int c = 0; c < 4; ++c)
                out[c] = uchar(p[size_t(c)]);
        }
    }
    return CIImage::imageWithQImage(image);
}

class Rendered {
public:
    Rendered(const CIImage& image, const QRect& rect) : m_rect(rect)
    {
        m_data = CIContext().renderToFloats(image, QRectF(rect));
    }
    bool ok() const { return !m_data.empty(); }
    Pixel at(int x, int y) const
    {
        const int col = x - m_rect.x();
        const int row = m_rect.y() + m_rect.height() - 1 - y;
        const float* p = m_data.data() + (size_t(row) * size_t(m_rect.width()) + size_t(col)) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    const QRect& rect() const { return m_rect; }

private:
    QRect m_rect;
    std::vector<float> m_data;
};

// The luminance of a rendered premultiplied pixel, for "darker than" checks.
inline float luma(const Pixel& p)
{
    return 0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2];
}
