#include "frames/InnerShadow.h"

#include "platform/image/CIFilter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

CIImage innerShadowOf(const CIImage& mask, const QString& blurName, double radius, const QRectF& extent)
{
    if (mask.isNull())
        return {};
    const auto blur = CIFilter::filterWithName(blurName);
    const auto invert = CIFilter::filterWithName(QStringLiteral("CIColorInvert"));
    if (!blur || !invert)
        return {};
    blur->setValue(QVariant::fromValue(mask), kCIInputImageKey);
    blur->setValue(radius, kCIInputRadiusKey);
    invert->setValue(QVariant::fromValue(blur->outputImage()), kCIInputImageKey);
    return invert->outputImage().imageByCroppingToRect(extent);
}

namespace {

double linearFromSRGB(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// A grid of values, row 0 at the bottom; zero outside.
struct Grid {
    int width = 0, height = 0;
    std::vector<float> v;
    Grid(int w, int h) : width(w), height(h), v(size_t(w) * size_t(h), 0.f) {}
    float at(int x, int y) const
    {
        return x < 0 || y < 0 || x >= width || y >= height ? 0.f : v[size_t(y) * size_t(width) + size_t(x)];
    }
    float& operator()(int x, int y) { return v[size_t(y) * size_t(width) + size_t(x)]; }
};

// Linear luminance of a premultiplied sRGB pixel, premultiplied.
float luminance(QRgb p)
{
    static const std::array<float, 256> linear = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = float(linearFromSRGB(i / 255.0));
        return t;
    }();
    const int a = qAlpha(p);
    if (a == 0)
        return 0.f;
    if (a == 255)
        return 0.2126f * linear[size_t(qRed(p))] + 0.7152f * linear[size_t(qGreen(p))]
             + 0.0722f * linear[size_t(qBlue(p))];
    const double k = a / 255.0;
    auto channel = [&](int c) { return linearFromSRGB(std::min(1.0, c / double(a))); };
    return float(k * (0.2126 * channel(qRed(p)) + 0.7152 * channel(qGreen(p)) + 0.0722 * channel(qBlue(p))));
}

// Half the size (odd sizes rounded up), each axis weighted 1 3 3 1 about
// the pair of texels a new one covers.
Grid halve(const Grid& g)
{
    const int w = (g.width + 1) / 2, h = (g.height + 1) / 2;
    Grid across(w, g.height), out(w, h);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < w; ++x)
            across(x, y) = 0.125f * (g.at(2 * x - 1, y) + g.at(2 * x + 2, y))
                         + 0.375f * (g.at(2 * x, y) + g.at(2 * x + 1, y));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out(x, y) = 0.125f * (across.at(x, 2 * y - 1) + across.at(x, 2 * y + 2))
                      + 0.375f * (across.at(x, 2 * y) + across.at(x, 2 * y + 1));
    return out;
}

// The mean over a disc of radius r texels: row y of the disc spans
// |x| <= floor(sqrt(r^2 - y^2)); each row's sum from the running sums of its grid row.
Grid disc(const Grid& g, double r)
{
    const int n = int(std::ceil(r));
    std::vector<std::pair<int, int>> rows; // dy, half width
    double total = 0;
    for (int y = -n; y <= n; ++y) {
        const double h = r * r + 1e-9 - double(y) * y;
        if (h < 0)
            continue;
        const int w = int(std::floor(std::sqrt(h)));
        rows.emplace_back(y, w);
        total += 2 * w + 1;
    }
    const size_t stride = size_t(g.width) + 1;
    std::vector<double> sums(stride * size_t(g.height), 0.0);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
            sums[size_t(y) * stride + size_t(x) + 1] = sums[size_t(y) * stride + size_t(x)] + g.at(x, y);
    Grid out(g.width, g.height);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            double s = 0;
            for (const auto& [dy, w] : rows) {
                const int row = y + dy;
                if (row < 0 || row >= g.height)
                    continue;
                const double* p = &sums[size_t(row) * stride];
                s += p[std::min(x + w + 1, g.width)] - p[std::max(x - w, 0)];
            }
            out(x, y) = float(s / total);
        }
    return out;
}

} // namespace

QImage discShadowBitmap(const QImage& mask, const QPoint& origin, double radius, const QRect& extent)
{
    if (mask.isNull() || extent.isEmpty() || !(radius > 0) || !std::isfinite(radius))
        return {};
    int factor = 1;
    while (factor < (1 << 20) && radius / (2.0 * factor) >= 4.0)
        factor *= 2;
    const int margin = int(std::ceil(radius)) + 4 * factor;
    const QRect need = extent.adjusted(-margin, -margin, margin, margin);
    Grid level(need.width(), need.height());
    const QImage bitmap = mask.format() == QImage::Format_RGBA8888_Premultiplied
                              ? mask
                              : mask.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QRect covered = need & QRect(origin, bitmap.size());
    for (int y = covered.top(); y <= covered.bottom(); ++y) {
        const auto* line = reinterpret_cast<const uchar*>(bitmap.constScanLine(bitmap.height() - 1 - (y - origin.y())));
        for (int x = covered.left(); x <= covered.right(); ++x) {
            const uchar* p = line + 4 * (x - origin.x());
            level(x - need.x(), y - need.y()) = luminance(qRgba(p[0], p[1], p[2], p[3]));
        }
    }
    for (int f = factor; f > 1; f /= 2)
        level = halve(level);
    level = disc(level, radius / factor);
    QImage out(extent.width(), extent.height(), QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < extent.height(); ++y) {
        auto* line = reinterpret_cast<uchar*>(out.scanLine(extent.height() - 1 - y));
        // Texel centres of the coarse grid lie at need + (k + 0.5) * factor.
        const double v = (y + extent.y() - need.y() + 0.5) / factor - 0.5;
        const int y0 = int(std::floor(v));
        const float fy = float(v - y0);
        for (int x = 0; x < extent.width(); ++x) {
            const double u = (x + extent.x() - need.x() + 0.5) / factor - 0.5;
            const int x0 = int(std::floor(u));
            const float fx = float(u - x0);
            const float value = (1 - fy) * ((1 - fx) * level.at(x0, y0) + fx * level.at(x0 + 1, y0))
                              + fy * ((1 - fx) * level.at(x0, y0 + 1) + fx * level.at(x0 + 1, y0 + 1));
            uchar* p = line + 4 * x;
            p[0] = p[1] = p[2] = 0;
            p[3] = uchar(std::clamp(std::floor(value * 255.f + 0.5f), 0.f, 255.f));
        }
    }
    return out;
}
