#include "platform/image/EngineCoarseGrid.h"

#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineOptimiser.h"

#include <algorithm>
#include <cmath>

namespace Engine {

namespace {
// SUNNYSIDE_COARSE=0 renders every pixel, to measure what the grid saves.
bool g_enabled = qEnvironmentVariable("SUNNYSIDE_COARSE") != QLatin1String("0");
} // namespace

void setCoarseGridsEnabled(bool enabled)
{
    g_enabled = enabled;
}

CoarseGridNode::CoarseGridNode(const CIImage& image, double step)
    : ImageNode(image.extent()), input(image), pixelsPerTexel(step)
{
}

Rendered CoarseGridNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRect r = clip(region, m_extent);
    if (r.isEmpty())
        return {};
    if (!g_enabled)
        return renderImage(gl, input, r, detail);
    // A consumer that needs less gets a coarser grid.
    const double step = std::max(pixelsPerTexel, detail > 0 ? 1.0 / detail : 1.0);
    // n intervals between the centres of the first and last pixels of
    // each row (and m of each column): n + 1 centres, none outside.
    const QRectF& e = m_extent;
    const double spanX = e.width() - 1, spanY = e.height() - 1;
    if (spanX < step || spanY < step)
        return renderImage(gl, input, r, detail);
    const int n = int(std::ceil(spanX / step - 1e-9)), m = int(std::ceil(spanY / step - 1e-9));
    const double sx = spanX / n, sy = spanY / m;
    const double x0 = e.x() + 0.5, y0 = e.y() + 0.5;
    // The centres whose texels a bilinear read of r touches.
    const int i0 = std::clamp(int(std::floor((r.x() + 0.5 - x0) / sx)), 0, n);
    const int i1 = std::clamp(int(std::ceil((r.x() + r.width() - 0.5 - x0) / sx)), i0, n);
    const int j0 = std::clamp(int(std::floor((r.y() + 0.5 - y0) / sy)), 0, m);
    const int j1 = std::clamp(int(std::ceil((r.y() + r.height() - 0.5 - y0) / sy)), j0, m);
    const int width = i1 - i0 + 1, height = j1 - j0 + 1;
    const QRectF area(x0 + (i0 - 0.5) * sx, y0 + (j0 - 0.5) * sy, width * sx, height * sy);
    if (!input.node())
        return {};
    if (Rendered fused = renderFusedCoarse(gl, *input.node(), area, width, height); !fused.isEmpty())
        return fused;
    // Node by node on the engine's reduced grid, then onto these centres.
    const double density = 1.0 / std::max(sx, sy);
    const Rendered level = renderImage(gl, input, clip(toRect(growRect(toRect(area), 2 * std::max(sx, sy))), e), density);
    if (level.isEmpty())
        return {};
    return resample(gl, {level, e, true, false, QTransform(), QRectF(), QRectF()}, area, QTransform(), width,
                    height);
}

} // namespace Engine
