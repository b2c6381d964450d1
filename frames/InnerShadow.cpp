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

// A grid of values, row 0 at the bottom, with a border of zeros two
// texels wide, so that reads just outside need no test.
struct Grid {
    static constexpr int kPad = 2;
    int width = 0, height = 0, stride = 0;
    std::vector<float> v;
    Grid(int w, int h)
        : width(w), height(h), stride(w + 2 * kPad), v(size_t(w + 2 * kPad) * size_t(h + 2 * kPad), 0.f)
    {
    }
    // Texel (x, y), for x and y from -kPad to the size + kPad - 1.
    float* row(int y) { return v.data() + size_t(y + kPad) * size_t(stride) + kPad; }
    const float* row(int y) const { return v.data() + size_t(y + kPad) * size_t(stride) + kPad; }
};

// Linear luminance of a premultiplied sRGB pixel, premultiplied.
float luminance(const uchar* p)
{
    static const std::array<float, 256> linear = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = float(linearFromSRGB(i / 255.0));
        return t;
    }();
    const int a = p[3];
    if (a == 0)
        return 0.f;
    if (a == 255 && p[0] == 255 && p[1] == 255 && p[2] == 255)
        return 1.f;
    if (a == 255)
        return 0.2126f * linear[p[0]] + 0.7152f * linear[p[1]] + 0.0722f * linear[p[2]];
    const double k = a / 255.0;
    auto channel = [&](int c) { return linearFromSRGB(std::min(1.0, c / double(a))); };
    return float(k * (0.2126 * channel(p[0]) + 0.7152 * channel(p[1]) + 0.0722 * channel(p[2])));
}

// Halving weights each axis 1 3 3 1 about the pair of texels a new one
// covers; odd sizes round up. Along a row (`in` padded with zeros):
void halveRow(const float* in, float* out, int width)
{
    for (int x = 0; x < width; ++x)
        out[x] = 0.125f * (in[2 * x - 1] + in[2 * x + 2]) + 0.375f * (in[2 * x] + in[2 * x + 1]);
}

// ... and down the columns of rows halved already.
Grid halveDown(const Grid& across)
{
    Grid out(across.width, (across.height + 1) / 2);
    for (int y = 0; y < out.height; ++y) {
        const float *a = across.row(2 * y - 1), *b = across.row(2 * y), *c = across.row(2 * y + 1),
                    *d = across.row(2 * y + 2);
        float* o = out.row(y);
        for (int x = 0; x < out.width; ++x)
            o[x] = 0.125f * (a[x] + d[x]) + 0.375f * (b[x] + c[x]);
    }
    return out;
}

Grid halve(const Grid& g)
{
    Grid across((g.width + 1) / 2, g.height);
    for (int y = 0; y < g.height; ++y)
        halveRow(g.row(y), across.row(y), across.width);
    return halveDown(across);
}

// The mean over a disc of radius r texels: row y of the disc spans
// |x| <= floor(sqrt(r^2 - y^2)); each row's sum from the running sums of
// its grid row. A texel whose square round the disc holds nothing (by a
// table of sums over rectangles) is left at zero without summing.
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
    const int W = g.width, H = g.height;
    const size_t stride = size_t(W) + 1;
    // Running sums along each row, and counts of texels that hold
    // anything over the rectangle below and left of each texel.
    std::vector<double> sums(stride * size_t(H), 0.0);
    std::vector<int> count(stride * size_t(H + 1), 0);
    for (int y = 0; y < H; ++y) {
        const float* in = g.row(y);
        double* p = &sums[size_t(y) * stride];
        const int* below = &count[size_t(y) * stride];
        int* c = &count[size_t(y + 1) * stride];
        int inRow = 0;
        for (int x = 0; x < W; ++x) {
            p[x + 1] = p[x] + in[x];
            inRow += in[x] != 0.f;
            c[x + 1] = below[x + 1] + inRow;
        }
    }
    const auto anything = [&](int x0, int y0, int x1, int y1) { // in [x0, x1) x [y0, y1), clipped
        x0 = std::clamp(x0, 0, W), x1 = std::clamp(x1, 0, W), y0 = std::clamp(y0, 0, H), y1 = std::clamp(y1, 0, H);
        return count[size_t(y1) * stride + size_t(x1)] - count[size_t(y0) * stride + size_t(x1)]
                   - count[size_t(y1) * stride + size_t(x0)] + count[size_t(y0) * stride + size_t(x0)]
             > 0;
    };
    Grid out(W, H);
    for (int y = 0; y < H; ++y) {
        float* o = out.row(y);
        for (int x = 0; x < W; ++x) {
            if (!anything(x - n, y - n, x + n + 1, y + n + 1))
                continue;
            double s = 0;
            for (const auto& [dy, w] : rows) {
                const int row = y + dy;
                if (row < 0 || row >= H)
                    continue;
                const double* p = &sums[size_t(row) * stride];
                s += p[std::min(x + w + 1, W)] - p[std::max(x - w, 0)];
            }
            o[x] = float(s / total);
        }
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
    const QImage bitmap = mask.format() == QImage::Format_RGBA8888_Premultiplied
                              ? mask
                              : mask.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QRect covered = need & QRect(origin, bitmap.size());
    // The mask's luminance along one row of the need grid, zero around it.
    std::vector<float> buffer(size_t(need.width()) + 2 * Grid::kPad);
    float* luminances = buffer.data() + Grid::kPad;
    const auto readRow = [&](int y) {
        std::fill(buffer.begin(), buffer.end(), 0.f);
        const int row = y + need.y();
        if (row < covered.top() || row > covered.bottom())
            return;
        const int flipped = bitmap.height() - 1 - (row - origin.y());
        const auto* line = reinterpret_cast<const uchar*>(bitmap.constScanLine(flipped));
        for (int x = covered.left(); x <= covered.right(); ++x)
            luminances[x - need.x()] = luminance(line + 4 * (x - origin.x()));
    };
    // The first halving is made as the rows are read: no full-size grid.
    Grid level(factor == 1 ? need.width() : (need.width() + 1) / 2, need.height());
    for (int y = 0; y < need.height(); ++y) {
        readRow(y);
        if (factor == 1)
            std::copy(luminances, luminances + need.width(), level.row(y));
        else
            halveRow(luminances, level.row(y), level.width);
    }
    if (factor > 1)
        level = halveDown(level);
    for (int f = factor / 2; f > 1; f /= 2)
        level = halve(level);
    level = disc(level, radius / factor);
    // Enlarged back bilinearly: texel centres of the coarse grid lie at need + (k + 0.5) * factor.
    const auto texel = [&](int pixel) { return (pixel + 0.5) / factor - 0.5; };
    std::vector<int> columns(size_t(extent.width()));
    std::vector<float> across(size_t(extent.width()));
    for (int x = 0; x < extent.width(); ++x) {
        const double u = texel(x + extent.x() - need.x());
        columns[size_t(x)] = int(std::floor(u));
        across[size_t(x)] = float(u - std::floor(u));
    }
    QImage out(extent.width(), extent.height(), QImage::Format_RGBA8888_Premultiplied);
    out.fill(Qt::transparent);
    for (int y = 0; y < extent.height(); ++y) {
        auto* line = reinterpret_cast<uchar*>(out.scanLine(extent.height() - 1 - y));
        const double v = texel(y + extent.y() - need.y());
        const int y0 = int(std::floor(v));
        const float fy = float(v - y0);
        const float *low = level.row(y0), *high = level.row(y0 + 1);
        for (int x = 0; x < extent.width(); ++x) {
            const int x0 = columns[size_t(x)];
            const float fx = across[size_t(x)];
            const float value = (1 - fy) * ((1 - fx) * low[x0] + fx * low[x0 + 1])
                              + fy * ((1 - fx) * high[x0] + fx * high[x0 + 1]);
            line[4 * x + 3] = uchar(std::clamp(std::floor(value * 255.f + 0.5f), 0.f, 255.f));
        }
    }
    return out;
}
