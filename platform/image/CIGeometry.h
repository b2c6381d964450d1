#pragma once
// Rectangles of the image engine: doubles, origin bottom left, y upwards
// (QRectF's x() and y() are the minimum corner; top()/bottom() are not used).
// An infinite rectangle stands for the extent of generators and clamps.
// Thread: any (pure functions).

#include <QRect>
#include <QRectF>
#include <QTransform>

#include <array>

namespace CIGeometry {

// The infinite rectangle: huge but finite, so that sums stay finite.
QRectF infiniteRect();
bool isInfinite(const QRectF& rect);
// Null or of no area (width or height 0 or less).
bool isEmpty(const QRectF& rect);

// Intersection and union that respect the infinite rectangle; an empty
// operand gives an empty intersection and is ignored by the union.
QRectF intersect(const QRectF& a, const QRectF& b);
QRectF unite(const QRectF& a, const QRectF& b);

// Grows every side by dx and dy (shrinks when negative); infinite stays infinite.
QRectF outset(const QRectF& rect, double dx, double dy);

// Bounding box of the transformed rectangle; infinite stays infinite.
QRectF transformed(const QRectF& rect, const QTransform& transform);

// The smallest whole-pixel rectangle that holds `rect`, limited to +-2^29 so
// that an infinite rectangle gives a (huge) valid QRect.
QRect integral(const QRectF& rect);
// The largest whole-pixel rectangle inside `rect` (with the same hair of
// tolerance); empty when none fits.
QRectF wholePixelsInside(const QRectF& rect);

// The parts of `rect` round `hole` (inside it): across its whole width
// below and above the hole, then left and right of it; empty where the hole
// meets that side. Rows counted either way: only the order matters.
std::array<QRect, 4> stripsAround(const QRect& rect, const QRect& hole);

} // namespace CIGeometry
