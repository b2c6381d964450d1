#include "platform/image/EngineBlurs.h"

#include "platform/image/EngineGeometry.h"
#include "platform/image/EnginePrecision.h"
#include "platform/image/EngineReductions.h"
#include "platform/image/EngineSources.h"
#include "platform/image/EngineTaps.h"

#include <algorithm>
#include <cmath>

namespace Engine {

namespace {

// A Gaussian-blurred constant rectangle at p (relative to the pass origin).
const char* const kShadowFunction = R"(
uniform vec4 _ci_shadowColor;
uniform vec4 _ci_shadowRect; // corners, relative to the pass origin
uniform float _ci_shadowScale; // 1 / (sigma * sqrt(2))
float _ci_erf(float x) {
    // Abramowitz and Stegun 7.1.26, within 1.5e-7.
    float t = 1.0 / (1.0 + 0.3275911 * abs(x));
    float y = ((((1.061405429 * t - 1.453152027) * t + 1.421413741) * t - 0.284496736) * t + 0.254829592) * t;
    return sign(x) * (1.0 - y * exp(-x * x));
}
vec4 _ci_shadow(vec2 p) {
    vec2 a = (_ci_shadowRect.xy - p) * _ci_shadowScale;
    vec2 b = (_ci_shadowRect.zw - p) * _ci_shadowScale;
    return _ci_shadowColor * (0.25 * (_ci_erf(b.x) - _ci_erf(a.x)) * (_ci_erf(b.y) - _ci_erf(a.y)));
}
void main() {
    _ci_out = _ci_shadow(_ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw);
}
)";

} // namespace

GLuint shadowProgram(GL& gl)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 0, kShadowFunction);
    return program;
}

void setShadowUniforms(GL& gl, GLuint p, const std::array<float, 4>& color, const QRect& rect, double sigma,
                       const QRectF& area)
{
    const QPointF o = passOrigin(area);
    glUniform4fv(gl.uniform(p, "_ci_shadowColor"), 1, color.data());
    glUniform4f(gl.uniform(p, "_ci_shadowRect"), limited(rect.x() - o.x()), limited(rect.y() - o.y()),
                limited(rect.x() + double(rect.width()) - o.x()), limited(rect.y() + double(rect.height()) - o.y()));
    glUniform1f(gl.uniform(p, "_ci_shadowScale"), float(1.0 / (sigma * std::sqrt(2.0))));
}

namespace {

// Taps along `dir` at the offsets, with the weights.
Taps lineTaps(QPointF dir, const std::vector<float>& offsets, const std::vector<float>& weights)
{
    Taps line;
    line.dir = dir;
    for (size_t k = 0; k < offsets.size(); ++k)
        line.taps.push_back({offsets[k], 0.f, weights[k], 0.f});
    return line;
}

// A separable pass in texel space of `source` (same size out), with taps at
// offsets (texels, may be fractional) and weights.
Rendered separable(GL& gl, const Rendered& source, double dirX, double dirY, const std::vector<float>& offsets,
                   const std::vector<float>& weights)
{
    return runTexelTaps(gl, source, source.area, source.texture->width, source.texture->height, 1.0,
                        lineTaps(QPointF(dirX, dirY), offsets, weights));
}

// Gaussian taps of deviation sigma (texels) over +-3 sigma, neighbours paired
// into one bilinear read each.
void gaussianTaps(double sigma, std::vector<float>& offsets, std::vector<float>& weights)
{
    const int n = std::max(1, int(std::ceil(3.0 * sigma)));
    std::vector<double> w(size_t(n) + 1);
    double total = 0;
    for (int k = 0; k <= n; ++k) {
        w[size_t(k)] = std::exp(-0.5 * k * k / (sigma * sigma));
        total += k == 0 ? w[0] : 2 * w[size_t(k)];
    }
    offsets = {0.f};
    weights = {float(w[0] / total)};
    for (int k = 1; k <= n; k += 2) {
        const double a = w[size_t(k)], b = k + 1 <= n ? w[size_t(k) + 1] : 0.0;
        const double offset = (k * a + (k + 1) * b) / (a + b);
        for (double sign : {-1.0, 1.0}) {
            offsets.push_back(float(sign * offset));
            weights.push_back(float((a + b) / total));
        }
    }
}

// The power-of-two reduction at which a blur of deviation sigma still has
// at least two texels of deviation left to compute.
int reductionFor(double sigma)
{
    int factor = 1;
    while (factor < 256 && sigma / (2.0 * factor) >= 2.0)
        factor *= 2;
    return factor;
}

// The halvings take a coarse input as one of their levels, which needs
// about a power-of-two number of pixels a texel (a clipped edge may add a
// texel): an input at another density is first redrawn onto the nearest
// such grid over `need`.
PassSampler onHalvingGrid(GL& gl, const PassSampler& in, const QRect& need)
{
    if (!in.toInput.isIdentity())
        return in;
    const double dx = in.rendered.densityX(), dy = in.rendered.densityY();
    const int k = 1 << std::clamp(int(std::lround(std::log2(1.0 / std::min(dx, dy)))), 0, 8);
    if (std::abs(dx * k - 1) < 0.02 && std::abs(dy * k - 1) < 0.02)
        return in;
    const int w = std::max(1, need.width() / k), h = std::max(1, need.height() / k);
    const Rendered r = resample(gl, in, QRectF(need.x(), need.y(), double(w) * k, double(h) * k), QTransform(), w, h);
    return {r, r.area, false, false, QTransform(), QRectF(), QRectF()};
}

} // namespace

GaussianBlurNode::GaussianBlurNode(const CIImage& in, double s)
    : ImageNode(CIGeometry::outset(in.extent(), 3 * s, 3 * s)), input(in), sigma(s)
{
}

// A separable pass in world coordinates: taps at p + step * offset.
static Rendered worldSeparable(GL& gl, const PassSampler& source, const QRectF& area, int width, int height, QPointF step,
                        const std::vector<float>& offsets, const std::vector<float>& weights)
{
    return runTaps(gl, source, area, width, height, lineTaps(step, offsets, weights));
}

bool GaussianBlurNode::constantRect(std::array<float, 4>* color, QRect* rect) const
{
    const auto* crop = dynamic_cast<const CropNode*>(input.node().get());
    const auto* fill = crop ? dynamic_cast<const ColorNode*>(crop->input.node().get()) : nullptr;
    if (!fill || crop->rect.isEmpty() || sigma <= 0)
        return false;
    if (color)
        *color = fill->color;
    if (rect)
        *rect = crop->rect;
    return true;
}

Rendered GaussianBlurNode::render(GL& gl, const QRect& region, double detail) const
{
    std::array<float, 4> color{};
    QRect rect;
    if (constantRect(&color, &rect)) {
        const DetailGrid grid = detailGrid(region, detail);
        return runPass(gl, shadowProgram(gl), grid.area, grid.width, grid.height, {},
                       [&](GLuint p) { setShadowUniforms(gl, p, color, rect, sigma, grid.area); });
    }
    const Rendered level = renderReduced(gl, region, detail);
    // Less detail asked for: the smooth reduced copy is what consumers read.
    if (level.isEmpty() || detail < 1 || (level.area == QRectF(region) && level.densityX() == 1.0 && level.densityY() == 1.0))
        return level;
    return resample(gl, {level, level.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform());
}

Rendered GaussianBlurNode::renderSmooth(GL& gl, const QRect& region, double detail) const
{
    return constantRect(nullptr, nullptr) ? render(gl, region, detail) : renderReduced(gl, region, detail);
}

Rendered GaussianBlurNode::renderReduced(GL& gl, const QRect& region, double detail) const
{
    if (region.isEmpty())
        return {};
    // At reduced detail the copy is at least as coarse as the texels asked for.
    const int step = detailGrid(region, detail).step;
    const int factor = std::max(reductionFor(sigma), step);
    const double margin = std::ceil(3 * sigma) + 2 * factor;
    // On texels of the reduced copy laid from the world's origin: a tile
    // computes the same texels as the whole.
    const QRect need = toRect(detailGrid(toRect(growRect(region, margin)), 1.0 / factor).area);
    // A drawn transform, under any crops, clamps and full floats (which pass the detail
    // on), is drawn at the first halving's detail: nothing finer is read.
    // Other inputs give the detail asked for.
    const ImageNode* under = input.node().get();
    for (;;) {
        if (auto* crop = dynamic_cast<const CropNode*>(under))
            under = crop->input.node().get();
        else if (auto* clamp = dynamic_cast<const ClampNode*>(under))
            under = clamp->input.node().get();
        else if (auto* wide = dynamic_cast<const FullFloatNode*>(under))
            under = wide->input.node().get();
        else
            break;
    }
    const bool drawn = dynamic_cast<const TransformNode*>(under);
    const double inputDetail = std::min(1.0, std::max(detail, 2.0 / factor));
    PassSampler in = samplerFor(gl, input, QRectF(need), false, false, false,
                                drawn && factor > 2 ? 2.0 / factor : inputDetail);
    if (in.rendered.isEmpty())
        return {};
    if (factor > 1)
        in = onHalvingGrid(gl, in, need);
    if (factor == 1) {
        // Rows first over the needed height, then columns over the region:
        // reads outside the input are transparent, no padding is needed.
        std::vector<float> offsets, weights;
        gaussianTaps(sigma, offsets, weights);
        if (offsets.size() > 64)
            return {};
        const QRect rows(region.x(), need.y(), region.width(), need.height());
        const Rendered h = worldSeparable(gl, in, QRectF(rows), rows.width(), rows.height(), {1, 0}, offsets, weights);
        if (h.isEmpty())
            return {};
        return worldSeparable(gl, {h, h.area, false, false, QTransform(), QRectF(), QRectF()}, QRectF(region), region.width(), region.height(), {0, 1},
                              offsets, weights);
    }
    Rendered level = reduce(gl, in, QRectF(need), factor, factor);
    if (level.isEmpty())
        return {};
    // What the halvings (box of two per level) and the bilinear enlargement
    // (a tent) already blur is taken off the deviation computed here.
    // At reduced detail on the consumer's own grid there is no enlargement,
    // and the halvings' boxes stand for the consumer's own pixels.
    const double f2 = double(factor) * factor;
    const double done = detail < 1 && factor == step ? 0.0 : (f2 - 1) / 12.0 + f2 / 6.0;
    const double s = std::sqrt(std::max(sigma * sigma - done, 0.09)) / factor;
    std::vector<float> offsets, weights;
    gaussianTaps(s, offsets, weights);
    if (offsets.size() > 64)
        return {};
    level = separable(gl, level, 1, 0, offsets, weights);
    return separable(gl, level, 0, 1, offsets, weights);
}

} // namespace Engine
