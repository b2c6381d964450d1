#pragma once
// Internal to the image engine: the one program of the blurs' small passes
// (separable Gaussians, motion combs, disc rows, halvings). Each is a loop
// of weighted reads of one input, so they share one program whose taps are
// uniforms: every program costs a compile on first use, far more on a
// software rasterizer than the pass itself. Main thread only.

#include "platform/image/EnginePasses.h"

#include <array>
#include <vector>

namespace Engine {

struct Taps {
    // A tap reads at p + dir * x + (0, y) with weight w, for (x, y, w, unused).
    std::vector<std::array<float, 4>> taps;
    QPointF dir{1, 0};
    float divisor = 1; // the weighted sum is divided by this
    static constexpr int kMax = 128;
};

// The taps over `area` (width x height texels), p the pass's point in the
// world, read through the sampler's mapping. Empty (logged) beyond kMax taps.
Rendered runTaps(GL& gl, const PassSampler& source, const QRectF& area, int width, int height, const Taps& taps);

// The same with p in texel coordinates of `source` (gl_FragCoord times
// `texelStep`), for passes laid on the input's own grid; the result covers
// `area`.
Rendered runTexelTaps(GL& gl, const Rendered& source, const QRectF& area, int width, int height, double texelStep,
                      const Taps& taps);

} // namespace Engine
