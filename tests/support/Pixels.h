#pragma once
// Pixel helpers of the image tests: bitmaps made pixel by pixel, rendered
// pixels read back by image coordinates (y up), and independent references
// (bilinear reads, an exact separable Gaussian, tiled against whole renders).

#include "platform/image/CIContext.h"
#include "platform/image/CIImage.h"

#include <QImage>
#include <QRect>
#include <QVariant>

#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <vector>

using Pixel = std::array<float, 4>;
using Colour = std::array<double, 4>;

// A bitmap from rows of RGBA bytes (unpremultiplied), the first row the top.
inline QImage bitmap(int width, int height, std::initializer_list<std::array<int, 4>> pixels)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    auto it = pixels.begin();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++it)
            for (int c = 0; c < 4; ++c)
                image.scanLine(y)[x * 4 + c] = uchar((*it)[size_t(c)]);
    return image;
}

// One row of unpremultiplied RGBA bytes as an image.
inline CIImage rowImage(std::initializer_list<std::array<int, 4>> pixels)
{
    return CIImage::imageWithQImage(bitmap(int(pixels.size()), 1, pixels));
}

// A colour cropped to `rect`.
inline CIImage solid(const CIColor& color, const QRectF& rect)
{
    return CIImage::imageWithColor(color).imageByCroppingToRect(rect);
}

template <class T>
QVariant boxed(const T& value)
{
    return QVariant::fromValue(value);
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
        const int row = m_rect.y() + m_rect.height() - 1 - y;
        const float* p = m_data.data() + (size_t(row) * size_t(m_rect.width()) + size_t(x - m_rect.x())) * 4;
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

// The luminance of a rendered premultiplied pixel, for "darker than" checks.
inline float luma(const Pixel& p)
{
    return 0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2];
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

// A rendered rectangle as doubles, read by image coordinates (y up).
class Texels {
public:
    // Transparent storage for `rect`.
    explicit Texels(const QRect& rect) : m_rect(rect), m_px(size_t(rect.width() * rect.height())), m_ok(true) {}
    Texels(const CIImage& image, const QRect& rect) : Texels(rect)
    {
        const Rendered r(image, rect);
        m_ok = r.ok();
        for (int y = rect.y(); m_ok && y <= rect.bottom(); ++y)
            for (int x = rect.x(); x <= rect.right(); ++x) {
                const Pixel p = r.at(x, y);
                m_px[index(x, y)] = {p[0], p[1], p[2], p[3]};
            }
    }
    bool ok() const { return m_ok; }
    // Transparent outside the rectangle, or its nearest edge pixel with `clamp`.
    Colour at(int x, int y, bool clamp = false) const
    {
        if (clamp) {
            x = std::clamp(x, m_rect.x(), m_rect.right());
            y = std::clamp(y, m_rect.y(), m_rect.bottom());
        } else if (!m_rect.contains(x, y)) {
            return {0, 0, 0, 0};
        }
        return m_px[index(x, y)];
    }
    void set(int x, int y, const Colour& c) { m_px[index(x, y)] = c; }
    // Bilinear between pixel centres (i + 0.5, j + 0.5), transparent outside.
    Colour bilinear(double x, double y) const
    {
        const double u = x - 0.5, v = y - 0.5;
        const int i = int(std::floor(u)), j = int(std::floor(v));
        const double fx = u - i, fy = v - j;
        Colour out{};
        for (size_t c = 0; c < 4; ++c)
            out[c] = (1 - fx) * (1 - fy) * at(i, j)[c] + fx * (1 - fy) * at(i + 1, j)[c]
                   + (1 - fx) * fy * at(i, j + 1)[c] + fx * fy * at(i + 1, j + 1)[c];
        return out;
    }
    // The largest channel difference from `want(x, y)` over `area`.
    template <class F>
    double worstAgainst(const QRect& area, F want) const
    {
        double worst = 0;
        for (int y = area.y(); y <= area.bottom(); ++y)
            for (int x = area.x(); x <= area.right(); ++x) {
                const Colour a = at(x, y), b = want(x, y);
                for (size_t c = 0; c < 4; ++c)
                    worst = std::max(worst, std::abs(a[c] - b[c]));
            }
        return worst;
    }

private:
    size_t index(int x, int y) const { return size_t((y - m_rect.y()) * m_rect.width() + (x - m_rect.x())); }
    QRect m_rect;
    std::vector<Colour> m_px;
    bool m_ok = false;
};

// `source` blurred by a Gaussian of standard deviation sigma (taps to 5 sigma,
// normalised), one axis after the other, over `area`; outside the source its
// pixels are transparent, or its edge pixels repeated with `clamp`.
inline Texels gaussianOf(const Texels& source, double sigma, const QRect& area, bool clamp)
{
    const int reach = int(std::ceil(5 * sigma));
    std::vector<double> w(size_t(2 * reach + 1));
    double sum = 0;
    for (int k = -reach; k <= reach; ++k)
        sum += w[size_t(k + reach)] = std::exp(-0.5 * k * k / (sigma * sigma));
    for (double& x : w)
        x /= sum;
    auto pass = [&](auto read, Texels& out, const QRect& over, int dx, int dy) {
        for (int y = over.y(); y <= over.bottom(); ++y)
            for (int x = over.x(); x <= over.right(); ++x) {
                Colour acc{};
                for (int k = -reach; k <= reach; ++k) {
                    const Colour p = read(x + k * dx, y + k * dy);
                    for (size_t c = 0; c < 4; ++c)
                        acc[c] += w[size_t(k + reach)] * p[c];
                }
                out.set(x, y, acc);
            }
    };
    // Rows first over the area widened vertically, then columns.
    const QRect rows = area.adjusted(0, -reach, 0, reach);
    Texels mid(rows), out(area);
    pass([&](int x, int y) { return source.at(x, y, clamp); }, mid, rows, 1, 0);
    pass([&](int x, int y) { return mid.at(x, y); }, out, area, 0, 1);
    return out;
}

// The largest difference of two renders of one size; -1 when either failed.
inline double worstDifference(const std::vector<float>& x, const std::vector<float>& y)
{
    if (x.empty() || y.empty())
        return -1;
    double worst = 0;
    for (size_t i = 0; i < x.size(); ++i)
        worst = std::max(worst, double(std::abs(x[i] - y[i])));
    return worst;
}

// The largest channel difference of two images over `rect`; -1 when a render fails.
inline double renderDifference(const CIImage& a, const CIImage& b, const QRect& rect)
{
    return worstDifference(CIContext().renderToFloats(a, QRectF(rect)), CIContext().renderToFloats(b, QRectF(rect)));
}

// True when `rect` renders and every channel is a finite number.
inline bool allFinite(const CIImage& image, const QRect& rect)
{
    const std::vector<float> values = CIContext().renderToFloats(image, QRectF(rect));
    return !values.empty() && std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

// The largest channel difference between `rect` of the image rendered whole
// and rendered in tiles of tileW x tileH (edge tiles smaller); -1 when a
// render fails.
inline double tiledDifference(const CIImage& image, const QRect& rect, int tileW, int tileH)
{
    const std::vector<float> whole = CIContext().renderToFloats(image, QRectF(rect));
    if (whole.empty())
        return -1;
    std::vector<float> tiled(whole.size(), -7.0f);
    const qsizetype row = qsizetype(rect.width()) * 4;
    for (int ty = rect.y(); ty < rect.y() + rect.height(); ty += tileH)
        for (int tx = rect.x(); tx < rect.x() + rect.width(); tx += tileW) {
            const QRect tile = QRect(tx, ty, tileW, tileH).intersected(rect);
            // Rows run top first: the tile's top row sits this many rows down.
            const int down = rect.y() + rect.height() - (tile.y() + tile.height());
            float* at = tiled.data() + size_t(down) * size_t(row) + size_t(tile.x() - rect.x()) * 4;
            if (!CIContext().render(image, at, row, QRectF(tile)))
                return -1;
        }
    return worstDifference(whole, tiled);
}

// A picture of w x h with every pixel different (smooth enough for
// bilinear reads to matter, varied enough that a misplaced pixel shows).
inline CIImage patternImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGBA8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uchar* p = image.scanLine(y) + 4 * x;
            p[0] = uchar((x * 37 + y * 11) % 256);
            p[1] = uchar((x * 5 + y * 23 + 60) % 256);
            p[2] = uchar(128 + 100 * std::sin(x * 0.3 + y * 0.2));
            p[3] = uchar(155 + (x * 3 + y * 7) % 100);
        }
    return CIImage::imageWithQImage(image);
}
