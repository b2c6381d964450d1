#include "platform/image/EngineGeometry.h"

#include "platform/image/EngineReductions.h"
#include "platform/image/EngineTaps.h"

#include <algorithm>
#include <cmath>

namespace Engine {

namespace {

const char* const kResamplePass = R"(
uniform vec3 _ci_row0; // inverse transform, relative to the pass and read origins
uniform vec3 _ci_row1;
uniform int _ci_tile;
uniform vec4 _ci_tileRect;
void main() {
    vec2 p = _ci_dest.xy + gl_FragCoord.xy * _ci_dest.zw;
    vec2 q = vec2(dot(_ci_row0.xy, p) + _ci_row0.z, dot(_ci_row1.xy, p) + _ci_row1.z);
    if (_ci_tile == 1) q = _ci_tileRect.xy + mod(q - _ci_tileRect.xy, _ci_tileRect.zw);
    _ci_out = _ci_texel(0, _ci_toTexel(0, q));
}
)";

} // namespace

Rendered resample(GL& gl, const PassSampler& source, const QRectF& area, const QTransform& inverse, int width,
                  int height, const QRectF* tile)
{
    if (width <= 0 || height <= 0) {
        width = int(std::lround(area.width()));
        height = int(std::lround(area.height()));
    }
    if (!tile && inverse.type() <= QTransform::TxScale) {
        // A move or scale is the read's own mapping: drawn by the blurs' tap
        // program with one tap, so that the variants llvmpipe compiles for
        // each pairing of formats serve both (each is a compile on an empty
        // shader cache).
        PassSampler mapped = source;
        mapped.toInput = inverse * source.toInput;
        Taps one;
        one.taps = {{0.f, 0.f, 1.f, 0.f}};
        return runTaps(gl, mapped, area, width, height, one);
    }
    // Both worlds relative to origins near the pixels at hand, the offsets
    // taken in doubles, so that coordinates stay small for floats.
    const QPointF at = inverse.map(passOrigin(area));
    QPointF read = passOrigin(QRectF(at, QSizeF(1, 1)));
    QPointF offset = at - read;
    if (tile) {
        // Tiles repeat: any whole number of tiles away reads the same.
        read = passOrigin(*tile);
        offset = at - read;
        const QPointF corner = tile->topLeft() - read;
        offset.setX(corner.x() + std::fmod(std::fmod(offset.x() - corner.x(), tile->width()) + tile->width(), tile->width()));
        offset.setY(corner.y() + std::fmod(std::fmod(offset.y() - corner.y(), tile->height()) + tile->height(), tile->height()));
    }
    static GLuint program = 0;
    if (!program)
        program = passProgram(gl, 1, kResamplePass);
    return runPass(gl, program, area, width, height, {source}, [&](GLuint p) {
        glUniform3f(gl.uniform(p, "_ci_row0"), float(inverse.m11()), float(inverse.m21()), float(offset.x()));
        glUniform3f(gl.uniform(p, "_ci_row1"), float(inverse.m12()), float(inverse.m22()), float(offset.y()));
        glUniform1i(gl.uniform(p, "_ci_tile"), tile ? 1 : 0);
        if (tile)
            glUniform4f(gl.uniform(p, "_ci_tileRect"), float(tile->x() - read.x()), float(tile->y() - read.y()),
                        float(tile->width()), float(tile->height()));
    }, &read);
}

namespace {

// Largest scale factor of a transform along any axis, and the smallest.
double maxScale(const QTransform& t)
{
    return std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
}

// A positive scale and move that lays the texels of `in` on the grid of
// `width` x `height` texels over `region` that drawing would fill.
bool landsOnGrid(const Rendered& in, const QTransform& t, const QRectF& region, int width, int height)
{
    if (t.m12() != 0 || t.m21() != 0 || t.m11() <= 0 || t.m22() <= 0 || t.type() > QTransform::TxScale)
        return false;
    const QRectF landed = t.mapRect(in.area);
    const double px = region.width() / width, py = region.height() / height;
    const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6 * std::max(1.0, std::abs(b)); };
    const auto whole = [](double v) { return std::abs(v - std::round(v)) < 1e-6; };
    return near(landed.width() / in.texture->width, px) && near(landed.height() / in.texture->height, py)
        && whole((landed.x() - region.x()) / px) && whole((landed.y() - region.y()) / py);
}

bool isIntegerTranslation(const QTransform& t)
{
    return t.type() <= QTransform::TxTranslate && t.dx() == std::round(t.dx()) && t.dy() == std::round(t.dy());
}

} // namespace

Rendered copyToArea(GL& gl, const Rendered& source, const QRect& rect)
{
    const bool aligned = source.densityX() == 1.0 && source.densityY() == 1.0;
    return resample(gl, {source, source.area, false, aligned, QTransform(), QRectF(), QRectF()}, QRectF(rect), QTransform());
}

TransformNode::TransformNode(const CIImage& in, const QTransform& t)
    : ImageNode(CIGeometry::transformed(in.extent(), t)), input(in), transform(t)
{
}

CIFilterShape TransformNode::definition() const
{
    return input.definition().transformBy(transform);
}

Rendered TransformNode::render(GL& gl, const QRect& region, double detail) const
{
    if (isIntegerTranslation(transform)) {
        const int dx = int(transform.dx()), dy = int(transform.dy());
        Rendered r = renderImage(gl, input, region.translated(-dx, -dy), detail);
        r.area.translate(dx, dy);
        return r;
    }
    bool invertible = false;
    const QTransform inverse = transform.inverted(&invertible);
    if (!invertible)
        return {};
    // A clamp under the transform is read clamped here, not drawn first.
    const auto* clamp = dynamic_cast<const ClampNode*>(input.node().get());
    if (clamp && QRectF(toRect(clamp->input.extent())) != clamp->input.extent())
        clamp = nullptr; // a fractional edge: the clamp draws itself
    const CIImage source = clamp ? clamp->input : input;
    // Drawn at the detail asked for (a blur's input at its reduced scale)
    // on texels laid from the world's origin: a tile draws the whole's.
    const DetailGrid grid = detailGrid(region, detail);
    const Rendered in = averagedInput(gl, grid.area, detail, source, clamp != nullptr);
    if (in.isEmpty())
        return {};
    if (landsOnGrid(in, transform, grid.area, grid.width, grid.height)) {
        // Its texels already are the output's texels: handed over where they
        // land, no pass (a clamp's repeats are then not needed).
        const QRectF landed = transform.mapRect(in.area);
        if (landed.contains(clamp ? QRectF(region) : CIGeometry::intersect(QRectF(region), m_extent)))
            return {in.texture, landed};
    }
    return resample(gl, {in, source.extent(), clamp != nullptr, false, QTransform(), QRectF(), QRectF()}, grid.area,
                    inverse, grid.width, grid.height);
}

QRectF TransformNode::opaqueArea() const
{
    const QRectF known = input.node() ? input.node()->opaqueArea() : QRectF();
    if (known.isEmpty() || CIGeometry::isInfinite(known))
        return {};
    if (isIntegerTranslation(transform))
        return known.translated(transform.dx(), transform.dy());
    if (transform.type() > QTransform::TxScale)
        return {};
    // A pixel is opaque where its bilinear read lies half a texel inside:
    // enlarged, a texel is `scale` pixels wide. Reduced, the boxes averaged
    // are laid from the world's origin: they are the pixels only when the
    // move is whole, else a pixel on each side may reach over the edge.
    const auto margin = [](double scale, double move) {
        scale = std::abs(scale);
        if (scale > 1)
            return (scale - 1) / 2;
        return scale * 1.05 >= 1 || move == std::round(move) ? 0.0 : 1.0;
    };
    const double mx = margin(transform.m11(), transform.dx()), my = margin(transform.m22(), transform.dy());
    const QRectF mapped = transform.mapRect(known).adjusted(mx, my, -mx, -my);
    return mapped.isEmpty() ? QRectF() : CIGeometry::wholePixelsInside(mapped);
}

Rendered TransformNode::averagedInput(GL& gl, const QRectF& region, double detail, const CIImage& source,
                                      bool clamped) const
{
    const double scale = maxScale(transform);
    const QRectF needed = CIGeometry::transformed(region, transform.inverted());
    const double margin = 1.0 / std::max(scale, 1e-6) + 1;
    // Minifying: averaged first so that no texel is skipped, in boxes of
    // whole pixels on a lattice fixed in the image, so that every region
    // (a tile or the whole) reads the same averages.
    const Lattice lattice = latticeFor(std::hypot(transform.m11(), transform.m12()) * detail,
                                       std::hypot(transform.m21(), transform.m22()) * detail);
    QRect inRegion = clamped ? clampedRegion(CIGeometry::outset(needed, margin, margin), source.extent())
                             : toRect(CIGeometry::outset(needed, margin, margin));
    if (!clamped && lattice.reduces())
        inRegion = toRect(lattice.boxesOver(QRectF(inRegion)));
    const Rendered in = renderImage(gl, source, inRegion, std::min(1.0, detail * scale));
    if (in.isEmpty())
        return in;
    // Only the part needed where that is a small part of what was drawn (a
    // strip of a stretched photo): a whole reduction may land on the grid.
    const QRectF part = CIGeometry::intersect(QRectF(inRegion), in.area);
    const bool small = 2 * part.width() * part.height() < in.area.width() * in.area.height();
    return reduceOnLattice(gl, in, lattice, small ? part : QRectF());
}

CropNode::CropNode(const CIImage& in, const QRectF& r)
    : ImageNode(CIGeometry::intersect(in.extent(), QRectF(toRect(r)))), input(in), rect(toRect(r))
{
}

Rendered CropNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRect r = region.intersected(rect);
    Rendered in = renderImage(gl, input, r, detail);
    if (in.isEmpty())
        return {};
    const QRectF inside = CIGeometry::intersect(in.area, QRectF(rect));
    if (inside == in.area)
        return in;
    if (CIGeometry::isEmpty(inside))
        return {};
    // Copy out the part inside the crop at the input's density.
    const int w = std::max(1, int(std::ceil(inside.width() * in.densityX() - 1e-6)));
    const int h = std::max(1, int(std::ceil(inside.height() * in.densityY() - 1e-6)));
    const QRectF area(inside.x(), inside.y(), w / in.densityX(), h / in.densityY());
    return resample(gl, {in, input.extent(), false, true, QTransform(), QRectF(), QRectF()}, area, QTransform(), w, h);
}

QRectF CropNode::opaqueArea() const
{
    const QRectF known = input.node() ? input.node()->opaqueArea() : QRectF();
    return known.isEmpty() ? QRectF() : CIGeometry::intersect(known, QRectF(rect));
}

Rendered CropNode::renderBytes(GL& gl, const QRect& region) const
{
    if (!rect.contains(region) || clip(region, input.extent()) != region)
        return {};
    return input.node()->renderBytes(gl, region);
}

ClampNode::ClampNode(const CIImage& in) : ImageNode(CIGeometry::infiniteRect()), input(in) {}

Rendered ClampNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRectF e = input.extent();
    if (CIGeometry::isEmpty(e))
        return {};
    // Wholly inside: nothing to extend.
    if (CIGeometry::isInfinite(e) || QRectF(region) == CIGeometry::intersect(QRectF(region), e))
        return renderImage(gl, input, region, detail);
    Rendered in = renderImage(gl, input, clampedRegion(QRectF(region), e), detail);
    if (in.isEmpty())
        return {};
    // At the input's density: a reduced source stays reduced.
    const int w = std::max(1, int(std::ceil(region.width() * std::min(1.0, in.densityX()) - 1e-6)));
    const int h = std::max(1, int(std::ceil(region.height() * std::min(1.0, in.densityY()) - 1e-6)));
    return resample(gl, {in, e, true, false, QTransform(), QRectF(), QRectF()}, QRectF(region), QTransform(), w, h);
}

namespace {
// Tiles up to this size (a texture picture) are drawn whole before reducing.
constexpr double kWholeTilePixels = 2048.0 * 2048.0;
} // namespace

TileNode::TileNode(const CIImage& in, const QTransform& t)
    : ImageNode(CIGeometry::infiniteRect()), input(in), transform(t)
{
}

Rendered TileNode::render(GL& gl, const QRect& region, double detail) const
{
    const QRectF tile = QRectF(toRect(input.extent()));
    if (CIGeometry::isEmpty(tile) || CIGeometry::isInfinite(input.extent()))
        return renderImage(gl, input.imageByApplyingTransform(transform), region, detail);
    bool invertible = false;
    const QTransform inverse = transform.inverted(&invertible);
    if (!invertible)
        return {};
    const double scale = maxScale(transform);
    const double tileDetail = std::min(1.0, detail * scale);
    // The tile is drawn once for the renders of one scope (a frame's strips).
    // Drawn whole and then reduced where it is small: an input drawn
    // reduced fades near its edges, which shows as a seam between tiles.
    const bool small = tile.width() * tile.height() <= kWholeTilePixels;
    const QString key = QStringLiteral("tile %1 %2").arg(quintptr(this)).arg(QString::number(small ? 1.0 : tileDetail, 'g', 17));
    Rendered in = recalled(nullptr, key);
    if (in.isEmpty()) {
        in = renderImage(gl, input, toRect(tile), small ? 1.0 : tileDetail);
        if (in.isEmpty())
            return {};
        in = reduceDensity(gl, in, std::hypot(transform.m11(), transform.m12()),
                           std::hypot(transform.m21(), transform.m22()));
        remember(nullptr, key, in);
    }
    // Strips of one frame read the same first tile: drawn once for them.
    const QString drawn = QStringLiteral("tiled %1,%2 %3x%4").arg(region.x()).arg(region.y()).arg(region.width()).arg(region.height());
    if (Rendered again = recalled(in.texture, drawn); !again.isEmpty())
        return again;
    Rendered out = resample(gl, {in, tile, true, false, QTransform(), QRectF(), QRectF()}, QRectF(region), inverse, 0, 0, &tile);
    remember(in.texture, drawn, out);
    return out;
}

} // namespace Engine
