#pragma once
// Internal to the image engine: a fused pass cut into pieces. Parts of the
// pass where much of the chain is zero, hidden or away from edges get a
// program of their own when they are large enough to pay for its compile;
// the rest draws the general program. Main thread only (compiles programs).

#include "platform/image/CIGeometry.h"
#include "platform/image/EnginePasses.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Engine {

// A closed rectangle of the root's world (pixel centres are tested against
// it as the program's _ci_inside does); may be infinite or empty.
struct Box {
    double x0 = -INFINITY, y0 = -INFINITY, x1 = INFINITY, y1 = INFINITY;
    static Box of(const QRectF& r)
    {
        if (CIGeometry::isInfinite(r))
            return {};
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }
    static Box none() { return {INFINITY, INFINITY, -INFINITY, -INFINITY}; }
    bool isEmpty() const { return x0 > x1 || y0 > y1; }
    Box operator&(const Box& b) const { return {std::max(x0, b.x0), std::max(y0, b.y0), std::min(x1, b.x1), std::min(y1, b.y1)}; }
    Box operator|(const Box& b) const
    {
        if (isEmpty())
            return b;
        if (b.isEmpty())
            return *this;
        return {std::min(x0, b.x0), std::min(y0, b.y0), std::max(x1, b.x1), std::max(y1, b.y1)};
    }
    Box grown(double dx, double dy) const { return isEmpty() ? *this : Box{x0 - dx, y0 - dy, x1 + dx, y1 + dy}; }
    bool contains(const Box& c) const { return x0 <= c.x0 && c.x1 <= x1 && y0 <= c.y0 && c.y1 <= y1; }
    bool meets(const Box& c) const { return !isEmpty() && !(c.x1 < x0 || c.x0 > x1 || c.y1 < y0 || c.y0 > y1); }
    // Through an axis-aligned map.
    Box mapped(const QTransform& t) const
    {
        if (isEmpty())
            return *this;
        const double ax = t.m11() * x0 + t.dx(), bx = t.m11() * x1 + t.dx();
        const double ay = t.m22() * y0 + t.dy(), by = t.m22() * y1 + t.dy();
        Box b{std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by)};
        // 0 * infinity: an infinite box stays infinite.
        if (std::isnan(b.x0) || std::isnan(b.x1) || std::isnan(b.y0) || std::isnan(b.y1))
            return {};
        return b;
    }
};

// What cutting asks of a fused pass.
class FusedCells {
public:
    virtual ~FusedCells() = default;
    // The pass, in the root's pixels.
    virtual QRect region() const = 0;
    // Boxes whose edges cut the pass into cells.
    virtual std::vector<Box> edges() const = 0;
    // Cells with equal signatures share a program text.
    virtual QByteArray signature(const Box& cell) const = 0;
    // The program text for the pixel centres of `cell`.
    virtual QString source(const Box& cell) const = 0;
    // Whether the cell is left undrawn (copied as it is after the pass).
    virtual bool copied(const Box&) const { return false; }
};

// The program of pieces left undrawn for `FusedCells::copied`.
constexpr GLuint kCopiedPiece = 0;

// The pieces of `cells`' pass: a cell's text gets a program of its own when
// its cells cover at least `partShare` of the pass and it compiles; every
// other cell draws `general`; copied cells get kCopiedPiece. Viewports are
// relative to the pass.
std::vector<PassPiece> cutPieces(GL& gl, const FusedCells& cells, GLuint general, double partShare);

// A grid's cells as few rectangles: runs of equal programs along each row,
// then runs of rows with the same columns and program. `xs` and `ys` are the
// sorted edges, `programs` one per cell row by row; rectangles are relative
// to `origin`. Pure.
std::vector<PassPiece> mergeCellRuns(const std::vector<int>& xs, const std::vector<int>& ys,
                                     const std::vector<GLuint>& programs, QPoint origin);

} // namespace Engine
