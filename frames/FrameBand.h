#pragma once
// Drawing a frame only where it is: the band round the picture, not the
// transparent middle its mask leaves. Main thread (renders).

#include "platform/image/CIImage.h"

#include <QImage>
#include <QRect>

#include <utility>

// Whether every pixel of `mask` on the edge of `r` (top-down rows; parts
// outside the bitmap ignored) is fully transparent.
bool clearRim(const QImage& mask, const QRect& r);

// A rectangle round the middle of a mask bitmap (rows top down, any
// premultiplied 32-bit format with alpha in the fourth byte) where every
// pixel is fully transparent, in the bitmap's pixels (top-down rows). Empty
// when the middle pixel holds anything or no rectangle is found.
QRect transparentMiddle(const QImage& mask);
// The same for pixels of opaque white (every byte 255).
QRect whiteMiddle(const QImage& bitmap);

// `image` rendered over `rect` (y up) as 8-bit bitmaps placed there, `hole`
// (y up, inside rect) left transparent without being drawn or held: the four
// strips round it are rendered one by one and laid side by side (their
// extents together are `rect`). An empty hole renders the whole rectangle.
// A strip with no transparent pixel is known opaque (CIImage::isOpaque); one
// opaque over most of it (soft corners, a soft rim) is laid as its opaque
// core, known so, and the pieces round it.
// Null when a render fails (the engine logs it).
CIImage renderedAround(const CIImage& image, const QRect& rect, const QRect& hole);

// `image` rendered over `rect` (y up) into one bitmap (top-down rows,
// premultiplied RGBA), `hole` (y up) left transparent without being drawn.
// Null when a render fails.
QImage bitmapAround(const CIImage& image, const QRect& rect, const QRect& hole);

// The pixels of `picture` (a frame's picture, a mask) in 32 bits with alpha
// in the fourth byte, rows top down: a picture file's as decoded for its
// renders (unpremultiplied), else rendered (premultiplied). Null when the
// extent is empty or infinite or the render fails.
QImage pixelsOf(const CIImage& picture);

// Where `picture` (a frame's picture, a mask) is clear and where opaque
// white round its middle (y up, in the extent's coordinates, whole pixels;
// empty when unknown or the extent is not whole), found from pixelsOf and
// kept for the few pictures last asked about (the same recipe).
struct PictureMiddles {
    QRectF clear, white;
};
PictureMiddles middlesOf(const CIImage& picture);

// Along one axis of a frame picture `n` pixels long whose corners (`c`
// pixels) are drawn at scale `s` and whose middle repeats between them on a
// side `length` long: the pixels of the side (first, last; from 0) whose
// reads all fall in the picture's clear span [a0, a1] (its pixels' edges).
// Empty (first > last) unless the span holds the picture's whole middle.
std::pair<int, int> clearPixelsOnSide(double a0, double a1, double n, double c, double s, double length);
