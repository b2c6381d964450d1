#pragma once
// Independent references for the geometry and blur filters' tests: rendered
// pixels held as doubles, read bilinearly or blurred by an exact separable
// Gaussian, and renders compared whole against renders in tiles.

#include "tests/platform/image/Pixels.h"

#include <QRect>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using Colour = std::array<double, 4>;

// A rendered rectangle as doubles, read by image coordinates (y up).
class Texels {
public:
    Texels() = default;
    // Transparent storage for `rect`.
    explicit Texels(const QRect& rect) : m_rect(rect), m_px(size_t(rect.width() * rect.height())), m_ok(true) {}
    Texels(const CIImage& image, const QRect& rect) : m_rect(rect), m_px(size_t(rect.width() * rect.height()))
    {
        const Rendered r(image, rect);
        m_ok = r.ok();
        if (!m_ok)
            return;
        for (int y = rect.y(); y < rect.y() + rect.height(); ++y)
            for (int x = rect.x(); x < rect.x() + rect.width(); ++x) {
                const Pixel p = r.at(x, y);
                m_px[index(x, y)] = {p[0], p[1], p[2], p[3]};
            }
    }
    bool ok() const { return m_ok; }
    const QRect& rect() const { return m_rect; }
    // Transparent outside the rectangle, or its nearest edge pixel with `clamp`.
    Colour at(int x, int y, bool clamp = false) const
    {
        if (clamp) {
            x = std::clamp(x, m_rect.x(), m_rect.x() + m_rect.width() - 1);
            y = std::clamp(y, m_rect.y(), m_rect.y() + m_rect.height() - 1);
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
        for (int c = 0; c < 4; ++c)
            out[size_t(c)] = (1 - fx) * (1 - fy) * at(i, j)[size_t(c)] + fx * (1 - fy) * at(i + 1, j)[size_t(c)]
                           + (1 - fx) * fy * at(i, j + 1)[size_t(c)] + fx * fy * at(i + 1, j + 1)[size_t(c)];
        return out;
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
    // Rows first over the area widened vertically, then columns.
    const QRect rows = area.adjusted(0, -reach, 0, reach);
    std::vector<Colour> mid(size_t(rows.width() * rows.height()));
    auto midAt = [&](int x, int y) -> Colour& { return mid[size_t((y - rows.y()) * rows.width() + (x - rows.x()))]; };
    for (int y = rows.y(); y < rows.y() + rows.height(); ++y)
        for (int x = rows.x(); x < rows.x() + rows.width(); ++x) {
            Colour acc{};
            for (int k = -reach; k <= reach; ++k) {
                const Colour p = source.at(x + k, y, clamp);
                for (size_t c = 0; c < 4; ++c)
                    acc[c] += w[size_t(k + reach)] * p[c];
            }
            midAt(x, y) = acc;
        }
    Texels out(area);
    for (int y = area.y(); y < area.y() + area.height(); ++y)
        for (int x = area.x(); x < area.x() + area.width(); ++x) {
            Colour acc{};
            for (int k = -reach; k <= reach; ++k) {
                const Colour& p = midAt(x, y + k);
                for (size_t c = 0; c < 4; ++c)
                    acc[c] += w[size_t(k + reach)] * p[c];
            }
            out.set(x, y, acc);
        }
    return out;
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
    double worst = 0;
    for (size_t i = 0; i < whole.size(); ++i)
        worst = std::max(worst, double(std::abs(whole[i] - tiled[i])));
    return worst;
}

// The largest channel difference of two images over `rect`; -1 when a render fails.
inline double renderDifference(const CIImage& a, const CIImage& b, const QRect& rect)
{
    const std::vector<float> x = CIContext().renderToFloats(a, QRectF(rect));
    const std::vector<float> y = CIContext().renderToFloats(b, QRectF(rect));
    if (x.empty() || y.empty())
        return -1;
    double worst = 0;
    for (size_t i = 0; i < x.size(); ++i)
        worst = std::max(worst, double(std::abs(x[i] - y[i])));
    return worst;
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
