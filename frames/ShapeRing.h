#pragma once
// The shaped border's ring, computed on the CPU from a picture's alpha: the
// exact Euclidean distance from each pixel to the nearest shape pixel
// (alpha >= 128), by two linear passes (down the columns, then the lower
// envelope of parabolas along each row), and from it
// ring = clamp(n + 1 - distance, 0, 1) x (1 - alpha).
// Any thread; large pictures use a second thread of their own.

#include <QImage>

// The ring round `picture` (any format with alpha; none means every pixel is
// shape) for a border of n + 1 pixels: a bitmap n pixels larger on every
// side, white with the ring as alpha (Format_ARGB32, rows as the picture's).
// Null for a null picture, n < 1, or a result beyond kMaxRingSide a side.
QImage shapeRing(const QImage& picture, int n);
// The same for a picture of `size` known to be opaque throughout: no pixels needed.
QImage opaqueShapeRing(const QSize& size, int n);

constexpr int kMaxRingSide = 16384;
