#include "platform/image/EngineCompositing.h"

#include "platform/image/EngineBlurs.h"
#include "platform/image/EngineGeometry.h"
#include "platform/image/EngineOptimiser.h"

#include <QRegion>

namespace Engine {

SourceOverNode::SourceOverNode(const CIImage& fg, const CIImage& bg)
    : ImageNode(CIGeometry::unite(fg.extent(), bg.extent())), foreground(fg), background(bg)
{
}

CIFilterShape SourceOverNode::definition() const
{
    return foreground.definition().unionWith(background.definition());
}

namespace {

// The whole pixels opaque in `node`, gathered through layers laid over each other.
void gatherOpaque(const ImageNode* node, QRegion& region, int depth)
{
    if (!node)
        return;
    const auto* over = dynamic_cast<const SourceOverNode*>(node);
    if (over && depth < 16) {
        gatherOpaque(over->foreground.node().get(), region, depth + 1);
        gatherOpaque(over->background.node().get(), region, depth + 1);
        return;
    }
    const QRectF known = node->opaqueArea();
    if (!known.isEmpty() && !CIGeometry::isInfinite(known))
        region += CIGeometry::wholePixelsInside(known).toRect();
}

// Draws its one sampler as it reads at each texel's centre.
GLuint readProgram(GL& gl)
{
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, R"(
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    _ci_out = _ci_texel(0, _ci_toTexel(0, p));
}
)");
    return program;
}

// The texels of `grid` (from its corner, y up) wholly inside `known` (world)
// less `margin` pixels: a reduced read there sees only those pixels.
QRect texelsInside(const DetailGrid& grid, const QRectF& known, double margin)
{
    const QRectF r = known.adjusted(margin, margin, -margin, -margin);
    if (r.isEmpty())
        return {};
    const double s = grid.step;
    const int x0 = int(std::ceil((r.left() - grid.area.left()) / s)), y0 = int(std::ceil((r.top() - grid.area.top()) / s));
    const int x1 = int(std::floor((r.right() - grid.area.left()) / s)),
              y1 = int(std::floor((r.bottom() - grid.area.top()) / s));
    return QRect(x0, y0, x1 - x0, y1 - y0).intersected(QRect(0, 0, grid.width, grid.height));
}

// Whether what `node` knows opaque holds at reduced detail too: not the
// bounds of layers laid side by side, whose seam a coarse texel straddles.
bool opaqueAtAnyDetail(const ImageNode* node)
{
    if (const auto* over = dynamic_cast<const SourceOverNode*>(node)) {
        const QRectF known = over->opaqueArea();
        const CIImage& f = over->foreground;
        const CIImage& b = over->background;
        if (f.node() && known == f.node()->opaqueArea())
            return opaqueAtAnyDetail(f.node().get());
        return b.node() && known == b.node()->opaqueArea() && opaqueAtAnyDetail(b.node().get());
    }
    if (const auto* crop = dynamic_cast<const CropNode*>(node))
        return opaqueAtAnyDetail(crop->input.node().get());
    if (const auto* moved = dynamic_cast<const TransformNode*>(node))
        return opaqueAtAnyDetail(moved->input.node().get());
    return node != nullptr;
}

} // namespace

Rendered SourceOverNode::renderUnder(GL& gl, const QRect& out, const DetailGrid& grid, double detail) const
{
    // Only where the region is whole texels (a texel over its edge takes
    // what each layer has of it), the foreground covers it and hides most of
    // it, and is known opaque at any detail.
    const ImageNode* fg = foreground.node().get();
    const QRectF known = fg ? fg->opaqueArea() : QRectF();
    if (detail >= 1 || known.isEmpty() || CIGeometry::isInfinite(known) || grid.area != QRectF(out)
        || clip(out, foreground.extent()) != out || !opaqueAtAnyDetail(fg))
        return {};
    const QRect hidden = texelsInside(grid, known, std::ceil(1 / detail) + 1);
    if (hidden.isEmpty() || 2 * qint64(hidden.width()) * hidden.height() < qint64(grid.width) * grid.height)
        return {};
    const PassSampler f = samplerFor(gl, foreground, QRectF(out), false, false, true, detail);
    if (f.rendered.isEmpty())
        return {};
    const Rendered& r = f.rendered;
    TexturePtr target;
    // Its texels the grid's, read where they lie or moved by whole pixels:
    // copied as they are, no pass.
    const QTransform& move = f.toInput;
    if (move.type() <= QTransform::TxTranslate && move.dx() == std::round(move.dx()) && move.dy() == std::round(move.dy())
        && r.area.translated(-move.dx(), -move.dy()) == grid.area && r.texture->width == grid.width
        && r.texture->height == grid.height && f.crop.isNull() && r.texture->format == gl.floatFormat()) {
        target = gl.floatTexture(grid.width, grid.height);
        if (target)
            copyTexels(gl, {{r.texture, QPoint(), QRect(0, 0, grid.width, grid.height)}}, *target);
    } else {
        target = resample(gl, f, grid.area, QTransform(), grid.width, grid.height).texture;
    }
    const GLuint program = readProgram(gl);
    if (!target || !program)
        return {};
    // Round the hidden texels, the background and the foreground over it.
    for (const QRect& strip : CIGeometry::stripsAround(QRect(0, 0, grid.width, grid.height), hidden)) {
        if (strip.isEmpty())
            continue;
        const QRectF world(grid.area.x() + strip.x() * grid.step, grid.area.y() + strip.y() * grid.step,
                           strip.width() * grid.step, strip.height() * grid.step);
        const PassSampler b = samplerFor(gl, background, world, false, false, true, detail);
        if (b.rendered.isEmpty())
            continue; // nothing under: the foreground alone, as copied
        drawPass(gl, program, *target, grid.area, strip, false, {b}, {});
        drawPass(gl, program, *target, grid.area, strip, true, {f}, {});
    }
    return {target, grid.area};
}

QRectF SourceOverNode::opaqueArea() const
{
    const QRectF f = foreground.node() ? foreground.node()->opaqueArea() : QRectF();
    const QRectF b = background.node() ? background.node()->opaqueArea() : QRectF();
    const auto size = [](const QRectF& r) { return r.isEmpty() ? 0.0 : r.width() * r.height(); };
    const QRectF larger = size(f) >= size(b) ? f : b;
    QRegion region;
    gatherOpaque(this, region, 0);
    const QRect bounds = region.boundingRect();
    if (region == QRegion(bounds) && size(QRectF(bounds)) > size(larger))
        return CIGeometry::intersect(QRectF(bounds), m_extent);
    return larger;
}

Rendered SourceOverNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRect out = clip(region, m_extent);
    if (out.isEmpty())
        return {};
    // Fused chains draw at full detail.
    if (Rendered fused = detail >= 1.0 ? renderFused(gl, *this, out, false) : Rendered{}; !fused.isEmpty())
        return fused;
    // Blended on the reduced grid when less detail is asked for.
    const DetailGrid grid = detailGrid(out, detail);
    if (Rendered under = renderUnder(gl, out, grid, detail); !under.isEmpty())
        return under;
    TexturePtr target;
    {
        Rendered base = renderImage(gl, background, out, detail);
        if (!base.isEmpty() && base.area == grid.area && base.texture->width == grid.width
            && base.texture->height == grid.height && base.texture.use_count() == 1)
            target = base.texture; // ours alone: blend onto it
        else if (!base.isEmpty())
            target = resample(gl, {base, base.area, false, grid.step == 1 && base.densityX() == 1.0 && base.densityY() == 1.0,
                                   QTransform(), QRectF(), QRectF()},
                              grid.area, QTransform(), grid.width, grid.height).texture;
    }
    if (!target) {
        target = gl.floatTexture(grid.width, grid.height);
        if (!target)
            return {};
        const float clear[4] = {0, 0, 0, 0};
        gl.bindTarget(*target);
        glClearBufferfv(GL_COLOR, 0, clear);
    }
    const QRect over = clip(out, foreground.extent());
    // The texels of the grid that the foreground touches.
    const QRect overTexels = detailGrid(over, detail).area.translated(-grid.area.topLeft()).toRect();
    const QRect viewport(overTexels.x() / grid.step, overTexels.y() / grid.step, overTexels.width() / grid.step,
                         overTexels.height() / grid.step);
    std::array<float, 4> color{};
    QRect rect;
    const auto* shadow = dynamic_cast<const GaussianBlurNode*>(foreground.node().get());
    if (!over.isEmpty() && shadow && shadow->constantRect(&color, &rect)) {
        // Evaluated where it is blended: no texture, no blur passes.
        const GLuint program = shadowProgram(gl);
        if (!program)
            return {};
        drawPass(gl, program, *target, grid.area, viewport, true, {},
                 [&](GLuint p) { setShadowUniforms(gl, p, color, rect, shadow->sigma, grid.area); });
    } else if (!over.isEmpty()) {
        PassSampler s = samplerFor(gl, foreground, QRectF(over), false, false, true, detail);
        if (!s.rendered.isEmpty()) {
            const GLuint program = readProgram(gl);
            if (!program)
                return {};
            drawPass(gl, program, *target, grid.area, viewport, true, {s}, {});
        }
    }
    return {target, grid.area};
}

Rendered SourceOverNode::renderBytes(GL& gl, const QRect& region) const
{
    if (clip(region, m_extent) != region)
        return {};
    if (auto* shadow = dynamic_cast<const GaussianBlurNode*>(foreground.node().get());
        shadow && shadow->constantRect(nullptr, nullptr))
        return {};
    // One pass: both read, blended and encoded.
    const QRect over = clip(region, foreground.extent());
    const PassSampler fg = samplerFor(gl, foreground, QRectF(over), false, false, true);
    const PassSampler bg = samplerFor(gl, background, QRectF(region), false, false, true);
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 2, (QByteArray(kEncodeBytes) + R"(
uniform vec4 _ci_over; // the foreground's pixels, relative to the pass origin
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    vec2 inside = step(_ci_over.xy, p) * step(p, _ci_over.zw);
    vec4 f = _ci_texel(0, _ci_toTexel(0, p)) * (inside.x * inside.y);
    vec4 b = _ci_texel(1, _ci_toTexel(1, p));
    _ci_out = _ci_encode8(f + b * (1.0 - f.a));
}
)").constData());
    TexturePtr target = program ? gl.byteTexture(region.width(), region.height()) : nullptr;
    if (!target)
        return {};
    drawPass(gl, program, *target, QRectF(region), QRect(0, 0, region.width(), region.height()), false, {fg, bg},
             [&](GLuint p) {
                 const QPointF o = passOrigin(QRectF(region));
                 glUniform4f(gl.uniform(p, "_ci_over"), float(over.x() - o.x()), float(over.y() - o.y()),
                             float(over.x() + over.width() - o.x()), float(over.y() + over.height() - o.y()));
             });
    return {target, QRectF(region)};
}

} // namespace Engine
