#pragma once
// Helpers of the image engine tests: tiny bitmaps made pixel by pixel and
// rendered pixels read back by image coordinates (y up).

#include "platform/image/CIContext.h"
#include "platform/image/CIImage.h"

#include <QImage>

#include <gmock/gmock.h>

#include <cmath>

#include <array>
#include <initializer_list>
#include <vector>

using Pixel = std::array<float, 4>;

// A bitmap from rows of RGBA bytes (unpremultiplied), the first row the top.
inline QImage bitmap(int width, int height, std::initializer_list<std::array<int, 4>> pixels)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    auto it = pixels.begin();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++it) {
            uchar* p = image.scanLine(y) + x * 4;
            for (int c = 0; c < 4; ++c)
                p[c] = uchar((*it)[size_t(c)]);
        }
    return image;
}

// Rendered floats of a rectangle, read by image coordinates.
class Rendered {
public:
    Rendered(const CIImage& image, const QRect& rect) : m_rect(rect)
    {
        m_data = CIContext().renderToFloats(image, QRectF(rect));
    }
    bool ok() const { return !m_data.empty(); }
    // The pixel whose lower left corner is (x, y) in image coordinates.
    Pixel at(int x, int y) const
    {
        const int col = x - m_rect.x();
        const int row = m_rect.y() + m_rect.height() - 1 - y;
        const float* p = m_data.data() + (size_t(row) * size_t(m_rect.width()) + size_t(col)) * 4;
        return {p[0], p[1], p[2], p[3]};
    }

private:
    QRect m_rect;
    std::vector<float> m_data;
};

// Linear-light value of an 8-bit sRGB code.
inline float linear(int code)
{
    const double c = code / 255.0;
    return float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

MATCHER_P2(PixelNear, expected, tolerance, "")
{
    for (size_t c = 0; c < 4; ++c)
        if (std::abs(arg[c] - expected[c]) > tolerance) {
            *result_listener << "channel " << c << " is " << arg[c] << ", expected " << expected[c];
            return false;
        }
    return true;
}
