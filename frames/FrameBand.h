#pragma once
// Drawing a frame only where it is: the band round the picture, not the
// transparent middle its mask leaves. Main thread (renders).

#include "platform/image/CIImage.h"

#include <QImage>
#include <QRect>

// A rectangle round the middle of a mask bitmap (rows top down, any
// premultiplied 32-bit format with alpha in the fourth byte) where every
// pixel is fully transparent, in the bitmap's pixels (top-down rows). Empty
// when the middle pixel holds anything or no rectangle is found.
QRect transparentMiddle(const QImage& mask);

// `image` rendered over `rect` (y up) as 8-bit bitmaps placed there, `hole`
// (y up, inside rect) left transparent without being drawn or held: the four
// strips round it are rendered one by one and laid side by side (their
// extents together are `rect`). An empty hole renders the whole rectangle.
// Null when a render fails (the engine logs it).
CIImage renderedAround(const CIImage& image, const QRect& rect, const QRect& hole);
