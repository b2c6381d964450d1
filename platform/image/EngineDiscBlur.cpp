#include "platform/image/EngineBlurs.h"

#include "platform/foundation/Log.h"
#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineReductions.h"
#include "platform/image/EngineTaps.h"

#include <cmath>

namespace Engine {

namespace {

// Halving by the adjoint of a bilinear enlargement by two (weights
// 1 3 3 1 / 8 along each axis): a point keeps its centre through halvings
// and the enlargement back, where a box of two would move it onto the
// coarse grid. Four bilinear reads at +-0.75 texels of the doubled point.
Rendered halve(GL& gl, const Rendered& source)
{
    Taps quarter;
    quarter.taps = {{-0.75f, -0.75f, 1.f, 0.f}, {0.75f, -0.75f, 1.f, 0.f}, {-0.75f, 0.75f, 1.f, 0.f}, {0.75f, 0.75f, 1.f, 0.f}};
    quarter.divisor = 4;
    const int w = (source.texture->width + 1) / 2, h = (source.texture->height + 1) / 2;
    // The halved texture covers the source area plus the odd texel's padding.
    const QRectF area(source.area.x(), source.area.y(), source.area.width() * (2.0 * w / source.texture->width),
                      source.area.height() * (2.0 * h / source.texture->height));
    return runTexelTaps(gl, source, area, w, h, 2.0, quarter);
}

// The rendered input extended with transparent texels to cover `need`, so
// that a blur computed on it reaches beyond the input's own extent.
Rendered padded(GL& gl, const Rendered& in, const QRect& need)
{
    if (in.isEmpty() || in.area.contains(QRectF(need)))
        return in;
    const QRectF want = CIGeometry::unite(in.area, QRectF(need));
    const QRect rect = toRect(CIGeometry::intersect(want, QRectF(need)));
    return copyToArea(gl, in, rect);
}

} // namespace

DiscBlurNode::DiscBlurNode(const CIImage& in, double r)
    : ImageNode(CIGeometry::outset(in.extent(), r, r)), input(in), radius(r)
{
}

Rendered DiscBlurNode::render(GL& gl, const QRect& region, double detail) const
{
    // Computed on a copy halved until fewer than 8 texels of radius remain,
    // so that every texel of the disc is read (at most about 200); at
    // reduced detail, at least as coarse as the texels asked for.
    const int step = detailGrid(region, detail).step;
    int factor = 1;
    while (factor < (1 << 20) && radius / (2.0 * factor) >= 4.0)
        factor *= 2;
    const int start = std::min(step, factor);
    factor = std::max(factor, step);
    // On the starting grid laid from the world's origin (tiles agree).
    const QRect need = toRect(detailGrid(toRect(growRect(region, std::ceil(radius) + 4 * factor)), 1.0 / start).area);
    Rendered level;
    if (start == 1) {
        level = padded(gl, renderImage(gl, input, need, 1.0), need);
    } else {
        // Averaged onto the coarse grid, with transparency around it.
        const PassSampler in = samplerFor(gl, input, QRectF(need), false, false, false, 1.0 / start);
        level = reduce(gl, in, QRectF(need), start, start);
        const int w = need.width() / start, h = need.height() / start;
        if (!level.isEmpty() && (level.area != QRectF(need) || level.texture->width != w || level.texture->height != h))
            level = resample(gl, {level, level.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(need),
                             QTransform(), w, h);
    }
    if (level.isEmpty())
        return {};
    for (int f = factor; f > start; f /= 2)
        level = halve(gl, level);
    const double r = radius / factor;
    // Row by row, neighbours paired into one bilinear read at their shared
    // edge, mirrored about the centre so that the disc stays symmetric.
    constexpr int kMaxTaps = Taps::kMax;
    std::vector<float> taps; // x, y, weight, unused
    const int n = int(std::ceil(r));
    for (int y = -n; y <= n; ++y) {
        const double h = r * r + 1e-9 - double(y) * y;
        if (h < 0)
            continue;
        const int w = int(std::floor(std::sqrt(h)));
        auto tap = [&](double x, double weight) {
            taps.insert(taps.end(), {float(x), float(y), float(weight), 0.f});
        };
        tap(0, 1);
        for (int x = 1; x <= w; x += 2) {
            const bool pair = x + 1 <= w;
            for (double sign : {-1.0, 1.0})
                tap(sign * (pair ? x + 0.5 : x), pair ? 2 : 1);
        }
    }
    if (int(taps.size() / 4) > kMaxTaps) {
        Log::line(lcImage, QStringLiteral("Error: image engine disc blur of radius %1 has too many taps").arg(radius));
        return {};
    }
    double total = 0;
    for (size_t k = 2; k < taps.size(); k += 4)
        total += taps[k];
    Taps disc;
    for (size_t k = 0; k + 3 < taps.size(); k += 4)
        disc.taps.push_back({taps[k], taps[k + 1], taps[k + 2], 0.f});
    disc.divisor = float(total);
    level = runTexelTaps(gl, level, level.area, level.texture->width, level.texture->height, 1.0, disc);
    if (factor == 1 || detail < 1)
        return level;
    return resample(gl, {level, level.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform());
}

} // namespace Engine
