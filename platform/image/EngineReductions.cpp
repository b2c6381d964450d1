#include "platform/image/EngineReductions.h"

#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineSources.h"

#include <algorithm>
#include <cmath>

namespace Engine {

namespace {

// Each output texel is the mean of the source texels under it (partly
// covered ones weighted by their share): a box of `ratio` texels. Two by two
// neighbours are one bilinear read placed by their weights, so a box of
// three texels costs four reads. An upload holds straight colours, working
// textures premultiplied ones.
const char* const kBoxReducePass = R"(
uniform sampler2D _ci_src;
uniform vec2 _ci_ratio; // source texels per output texel
uniform vec2 _ci_have;  // source texels in use
uniform vec2 _ci_unit;  // one over the source texture's real size
uniform vec2 _ci_start; // source texels before the first box
uniform vec2 _ci_first; // boxes skipped before the first drawn
uniform int _ci_straight;
float _ci_cover(float i, float a, float b) { return max(min(b, i + 1.0) - max(a, i), 0.0); }
void main() {
    vec2 a = (floor(gl_FragCoord.xy) + _ci_first) * _ci_ratio + _ci_start;
    vec2 b = a + _ci_ratio;
    vec2 i0 = floor(a);
    ivec2 n = ivec2(ceil(b) - i0);
    float straight = float(_ci_straight);
    vec4 sum = vec4(0.0);
    for (int y = 0; y < n.y; y += 2) {
        float j = i0.y + float(y);
        float w0 = _ci_cover(j, a.y, b.y), w1 = _ci_cover(j + 1.0, a.y, b.y);
        float wy = w0 + w1;
        float ty = j + 0.5 + w1 / max(wy, 1e-6);
        for (int x = 0; x < n.x; x += 2) {
            float i = i0.x + float(x);
            float v0 = _ci_cover(i, a.x, b.x), v1 = _ci_cover(i + 1.0, a.x, b.x);
            float wx = v0 + v1;
            vec4 c = textureLod(_ci_src, vec2(i + 0.5 + v1 / max(wx, 1e-6), ty) * _ci_unit, 0.0);
            c.rgb *= mix(1.0, c.a, straight);
            sum += (wx * wy) * c;
        }
    }
    _ci_out = sum / (_ci_ratio.x * _ci_ratio.y);
}
)";

} // namespace

Rendered boxReduce(GL& gl, TexturePtr source, const QRectF& area, int width, int height, bool straight,
                   const Boxes* boxes)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 0, kBoxReducePass);
    for (;;) {
        const int w = boxes ? width : std::max(width, (source->width + 3) / 4);
        const int h = boxes ? height : std::max(height, (source->height + 3) / 4);
        const TexturePtr from = source;
        // Readers of one picture at several scales share the first steps
        // (not of an upload: it is new each time, and large).
        const bool shared = !boxes && !straight;
        const QString key = shared ? QStringLiteral("box %1 %2 %3 %4 %5 %6 %7 %8")
                                         .arg(w).arg(h).arg(from->width).arg(from->height)
                                         .arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height())
                                   : QString();
        Rendered step = shared ? recalled(from, key) : Rendered();
        if (step.isEmpty()) {
            step = runPass(gl, program, area, w, h, {}, [&](GLuint p) {
                gl.bindTexture(0, *from, true);
                glUniform1i(gl.uniform(p, "_ci_src"), 0);
                const QPointF ratio = boxes ? boxes->size : QPointF(double(from->width) / w, double(from->height) / h);
                const QPointF start = boxes ? boxes->start : QPointF();
                glUniform2f(gl.uniform(p, "_ci_ratio"), float(ratio.x()), float(ratio.y()));
                glUniform2f(gl.uniform(p, "_ci_start"), float(start.x()), float(start.y()));
                const QPoint first = boxes ? boxes->first : QPoint();
                glUniform2f(gl.uniform(p, "_ci_first"), float(first.x()), float(first.y()));
                glUniform2f(gl.uniform(p, "_ci_have"), float(from->width), float(from->height));
                glUniform2f(gl.uniform(p, "_ci_unit"), 1.f / float(from->allocWidth), 1.f / float(from->allocHeight));
                glUniform1i(gl.uniform(p, "_ci_straight"), straight ? 1 : 0);
            });
            if (shared)
                remember(from, key, step);
        }
        if (step.isEmpty() || (w == width && h == height))
            return step;
        source = step.texture;
        straight = false;
    }
}

Rendered reduceDensity(GL& gl, const Rendered& source, double densityX, double densityY, const QRectF& within)
{
    if (source.isEmpty())
        return source;
    const int w = std::min(source.texture->width, std::max(1, int(std::ceil(source.area.width() * densityX - 1e-6))));
    const int h = std::min(source.texture->height, std::max(1, int(std::ceil(source.area.height() * densityY - 1e-6))));
    // A few percent more texels than pixels read bilinearly skip nothing.
    if (w * 1.05 >= source.texture->width && h * 1.05 >= source.texture->height)
        return source;
    // Only the texels over `within`, where one pass reduces the whole: the
    // same boxes, counted from the same corner.
    const int fromW = source.texture->width, fromH = source.texture->height;
    if (!within.isNull() && w * 4 >= fromW && h * 4 >= fromH) {
        const double tw = source.area.width() / w, th = source.area.height() / h;
        // A texel more on each side: bilinear reads near the edge reach it.
        const int i0 = std::clamp(int(std::floor((within.left() - source.area.left()) / tw)) - 1, 0, w);
        const int i1 = std::clamp(int(std::ceil((within.right() - source.area.left()) / tw)) + 1, i0, w);
        const int j0 = std::clamp(int(std::floor((within.top() - source.area.top()) / th)) - 1, 0, h);
        const int j1 = std::clamp(int(std::ceil((within.bottom() - source.area.top()) / th)) + 1, j0, h);
        if (i1 > i0 && j1 > j0 && (i1 - i0 < w || j1 - j0 < h)) {
            const QPointF ratio(double(fromW) / w, double(fromH) / h);
            const Boxes b{ratio, QPointF(), QPoint(i0, j0)};
            const QRectF part(source.area.left() + i0 * tw, source.area.top() + j0 * th, (i1 - i0) * tw, (j1 - j0) * th);
            return boxReduce(gl, source.texture, part, i1 - i0, j1 - j0, false, &b);
        }
    }
    return boxReduce(gl, source.texture, source.area, w, h, false);
}

Lattice latticeFor(double densityX, double densityY)
{
    const auto step = [](double d) { return d * 1.05 >= 1 ? 1.0 : 1.0 / d; };
    return {step(densityX), step(densityY)};
}

Rendered reduceOnLattice(GL& gl, const Rendered& source, const Lattice& lattice, const QRectF& within)
{
    if (source.isEmpty() || !lattice.reduces())
        return source;
    const QRectF a = source.area;
    // Texels of k x k pixels laid from the world's origin (one a pixel, or
    // a reduced grid) hold the lattice's boxes exactly.
    const int k = std::max(1, int(std::lround(1.0 / source.densityX())));
    const auto onGrid = [k](double v) { return std::abs(v / k - std::round(v / k)) < 1e-6; };
    const bool oneToOne = onGrid(a.x()) && onGrid(a.y()) && onGrid(a.width()) && onGrid(a.height())
                          && source.texture->width * k == int(std::lround(a.width()))
                          && source.texture->height * k == int(std::lround(a.height())) && k <= lattice.stepX
                          && k <= lattice.stepY;
    // The whole boxes inside what was drawn (one on the area's edge included).
    const auto inward = [](double from, double to, double step, double* lo, double* hi) {
        *lo = std::ceil(from / step - 1e-6) * step;
        *hi = std::max(*lo, std::floor(to / step + 1e-6) * step);
    };
    double x0, x1, y0, y1;
    inward(a.x(), a.x() + a.width(), lattice.stepX, &x0, &x1);
    inward(a.y(), a.y() + a.height(), lattice.stepY, &y0, &y1);
    const QRectF whole(x0, y0, x1 - x0, y1 - y0);
    QRectF inside = whole;
    if (!within.isNull()) // and a box more on each side, for bilinear reads near the edge
        inside = inside.intersected(
            lattice.boxesOver(within).adjusted(-lattice.stepX, -lattice.stepY, lattice.stepX, lattice.stepY));
    if (!oneToOne || !a.contains(inside) || CIGeometry::isEmpty(inside))
        return reduceDensity(gl, source, 1.0 / lattice.stepX, 1.0 / lattice.stepY, within);
    const int w = int(std::lround(inside.width() / lattice.stepX)), h = int(std::lround(inside.height() / lattice.stepY));
    const QPoint first(int(std::lround((inside.x() - whole.x()) / lattice.stepX)),
                       int(std::lround((inside.y() - whole.y()) / lattice.stepY)));
    const Boxes b{{lattice.stepX / k, lattice.stepY / k}, (whole.topLeft() - a.topLeft()) / k, first};
    return boxReduce(gl, source.texture, inside, w, h, false, &b);
}

Rendered reduce(GL& gl, const PassSampler& first, const QRectF& area, int fx, int fy)
{
    Rendered level = first.rendered;
    if (level.isEmpty())
        return level;
    // A source that is already coarse is only reduced further.
    int dx = 1, dy = 1;
    const QTransform& move = first.toInput;
    if (move.isIdentity()) {
        dx = std::max(1, int(std::lround(1.0 / level.densityX())));
        dy = std::max(1, int(std::lround(1.0 / level.densityY())));
    } else if (move.m12() == 0 && move.m21() == 0 && std::abs(move.m11()) == 1 && std::abs(move.m22()) == 1) {
        // A coarse one read through a flip or move (a half-turned copy):
        // the first halving reads it twice a texel along each axis, which
        // averages its bilinear interpolation as reads at every other pixel
        // would, wherever its texels lie, without a full-size level (more
        // memory than the picture). Below the factors, so that a halving
        // reads through the move.
        dx = std::clamp(int(std::lround(1.0 / level.densityX())) / 4, 1, std::max(1, fx / 2));
        dy = std::clamp(int(std::lround(1.0 / level.densityY())) / 4, 1, std::max(1, fy / 2));
    }
    bool firstPass = true;
    while (!level.isEmpty() && (dx < fx || dy < fy)) {
        const int sx = dx < fx ? 2 : 1, sy = dy < fy ? 2 : 1;
        dx *= sx;
        dy *= sy;
        const int w = std::max(1, int(std::ceil(area.width() / dx - 1e-9)));
        const int h = std::max(1, int(std::ceil(area.height() / dy - 1e-9)));
        const QRectF levelArea(area.x(), area.y(), double(w) * dx, double(h) * dy);
        level = resample(gl, firstPass ? first : PassSampler{level, level.area, false, false, QTransform(), QRectF(), QRectF()}, levelArea, QTransform(), w, h);
        firstPass = false;
    }
    return level;
}

AreaAverageNode::AreaAverageNode(const CIImage& in, const QRectF& r)
    : ImageNode(QRectF(0, 0, 1, 1)), input(in), rect(toRect(r))
{
}

Rendered AreaAverageNode::render(GL& gl, const QRect&, double) const
{
    const std::array<float, 4> clear{0, 0, 0, 0};
    Rendered level = renderImage(gl, input, rect, 1.0);
    if (level.isEmpty() || rect.isEmpty())
        return ColorNode(clear).render(gl, QRect(0, 0, 1, 1), 1.0);
    // The rendered part may be smaller than the rectangle (transparent
    // around it): bring it to exactly the rectangle first.
    if (level.area != QRectF(rect) || level.densityX() != 1.0 || level.densityY() != 1.0)
        level = resample(gl, {level, input.extent(), false, true, QTransform(), QRectF(), QRectF()}, QRectF(rect), QTransform());
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, R"(
uniform ivec2 _ci_limit;
uniform float _ci_block;
uniform sampler2D _ci_src;
void main() {
    // The mean of a block of up to 4 x 4, texels beyond the source counting
    // as zero.
    ivec2 base = ivec2(gl_FragCoord.xy) * 4;
    vec4 sum = vec4(0.0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            ivec2 q = base + ivec2(x, y);
            if (q.x < _ci_limit.x && q.y < _ci_limit.y) sum += texelFetch(_ci_src, q, 0);
        }
    _ci_out = sum / _ci_block;
}
)");
    double scale = 1.0; // how much the zero padding diluted the mean
    while (level.texture->width > 1 || level.texture->height > 1) {
        const int w = (level.texture->width + 3) / 4, h = (level.texture->height + 3) / 4;
        // Divided only by the texels a block can hold: a strip one texel
        // high would otherwise lose a factor of four a step (to zero in
        // half floats).
        const int block = std::min(level.texture->width, 4) * std::min(level.texture->height, 4);
        scale *= block;
        const Rendered source = level;
        level = runPass(gl, program, QRectF(0, 0, 1, 1), w, h, {}, [&](GLuint p) {
            gl.bindTexture(0, *source.texture, false);
            glUniform1i(gl.uniform(p, "_ci_src"), 0);
            glUniform2i(gl.uniform(p, "_ci_limit"), source.texture->width, source.texture->height);
            glUniform1f(gl.uniform(p, "_ci_block"), float(block));
        });
        if (level.isEmpty())
            return {};
    }
    const double factor = scale / (double(rect.width()) * rect.height());
    static GLuint scaleProgram = 0;
    if (!scaleProgram)
        scaleProgram = passProgram(gl, 1, R"(
uniform float _ci_factor;
void main() { _ci_out = _ci_texel(0, vec2(0.5)) * _ci_factor; }
)");
    return runPass(gl, scaleProgram, QRectF(0, 0, 1, 1), 1, 1, {{level, QRectF(0, 0, 1, 1), true, true, QTransform(), QRectF(), QRectF()}},
                   [&](GLuint p) {
                       const float map[4] = {1.f, 1.f, 0.f, 0.f};
                       glUniform4fv(gl.uniform(p, "_ci_map"), 1, map);
                       glUniform1f(gl.uniform(p, "_ci_factor"), float(factor));
                   });
}

} // namespace Engine
