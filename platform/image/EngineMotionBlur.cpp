#include "platform/image/EngineBlurs.h"

#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineReductions.h"
#include "platform/image/EngineTaps.h"

#include <algorithm>
#include <cmath>

namespace Engine {

MotionBlurNode::MotionBlurNode(const CIImage& in, double r, double a)
    : ImageNode(CIGeometry::outset(in.extent(), std::abs(r * std::cos(a)), std::abs(r * std::sin(a))))
    , input(in)
    , radius(r)
    , angle(a)
{
}

Rendered MotionBlurNode::render(GL& gl, const QRect& region, double detail) const
{
    const Rendered level = renderSmooth(gl, region, detail);
    // Less detail asked for: the smooth narrowed copy is what consumers read.
    if (level.isEmpty() || detail < 1 || (level.area == QRectF(region) && level.densityX() == 1.0 && level.densityY() == 1.0))
        return level;
    return resample(gl, {level, level.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform());
}

Rendered MotionBlurNode::renderSmooth(GL& gl, const QRect& region, double detail) const
{
    const double length = 2 * radius;
    const double cx = std::cos(angle), cy = std::sin(angle);
    // Reduced along each axis in proportion to the line's length there: a
    // long horizontal blur is computed on a copy narrowed 16 or 32 times.
    auto factorFor = [](double extent) {
        int f = 1;
        while (f < 32 && extent / (2.0 * f) >= 32.0)
            f *= 2;
        return f;
    };
    // At reduced detail the grid is at least as coarse as the texels asked for.
    const int step = detailGrid(region, detail).step;
    int fx = std::max(step, factorFor(length * std::abs(cx))), fy = std::max(step, factorFor(length * std::abs(cy)));
    // What the passes read on a grid of gx x gy pixels, its texels laid
    // from the world's origin so that a tile computes the whole's texels.
    const auto needFor = [&](int gx, int gy) {
        const double reach = radius + 2.0 * std::max(gx, gy) + 1;
        return outwardToGrid(toRect(QRectF(region).adjusted(-reach * std::abs(cx) - gx, -reach * std::abs(cy) - gy,
                                                            reach * std::abs(cx) + gx, reach * std::abs(cy) + gy)),
                             gx, gy);
    };
    QRect need = needFor(fx, fy);
    PassSampler source = samplerFor(gl, input, QRectF(need), false, false, true, std::min(1.0, detail));
    if (source.rendered.isEmpty())
        return {};
    Rendered level = source.rendered;
    if (source.toInput.isIdentity()) {
        // A blurred input handed over coarse: work on at least as coarse a
        // grid, which reaches further (its first texels would otherwise
        // read past what was drawn, a light line along the bottom).
        fx = std::max(fx, int(std::lround(1.0 / level.densityX())));
        fy = std::max(fy, int(std::lround(1.0 / level.densityY())));
        const QRect wider = needFor(fx, fy);
        if (wider != need) {
            need = wider;
            if (!level.area.contains(CIGeometry::intersect(QRectF(need), input.extent()))) {
                source = samplerFor(gl, input, QRectF(need), false, false, true, std::min(1.0, detail));
                level = source.rendered;
                if (level.isEmpty())
                    return {};
            }
        }
    }
    if (fx > 1 || fy > 1) {
        level = reduce(gl, source, QRectF(need), fx, fy);
        source = {level, level.area, false, false, QTransform(), QRectF(), QRectF()};
    }
    // A box of length 2r: one comb of up to 24 taps, or a cascade of 8-tap
    // combs with spacings s, 8s, 64s... so that the cost grows with log(r).
    const double texels = length * std::hypot(cx / fx, cy / fy);
    int passes = 1, taps = 8;
    if (texels <= 24) {
        taps = std::max(2, int(std::ceil(texels)) + 1);
    } else {
        while (std::pow(8.0, passes) < texels)
            ++passes;
    }
    const double spacing = length / std::pow(double(taps), passes);
    // A comb of equal taps centred on each point.
    Taps comb;
    for (int j = 0; j < taps; ++j)
        comb.taps.push_back({float(j - 0.5 * (taps - 1)), 0.f, 1.f, 0.f});
    comb.divisor = float(taps);
    for (int k = 0; k < passes && !level.isEmpty(); ++k) {
        // Pass k covers what the later passes still read, on the level's grid.
        double later = 0;
        for (int j = k + 1; j < passes; ++j)
            later += 0.5 * (taps - 1) * spacing * std::pow(double(taps), j);
        const QRectF want = QRectF(region).adjusted(-later * std::abs(cx) - fx, -later * std::abs(cy) - fy,
                                                    later * std::abs(cx) + fx, later * std::abs(cy) + fy);
        const double x0 = need.x() + std::floor((want.x() - need.x()) / fx) * fx;
        const double y0 = need.y() + std::floor((want.y() - need.y()) / fy) * fy;
        const int w = std::max(1, int(std::ceil((want.x() + want.width() - x0) / fx)));
        const int h = std::max(1, int(std::ceil((want.y() + want.height() - y0) / fy)));
        const double step = spacing * std::pow(double(taps), k);
        comb.dir = QPointF(double(float(step * cx)), double(float(step * cy)));
        level = runTaps(gl, source, QRectF(x0, y0, double(w) * fx, double(h) * fy), w, h, comb);
        source = {level, level.area, false, false, QTransform(), QRectF(), QRectF()};
    }
    return level;
}

} // namespace Engine
