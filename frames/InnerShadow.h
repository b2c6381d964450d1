#pragma once
// The inner shadow of the frame filters: their mask blurred by the named
// blur filter over `radius` pixels and inverted, cropped to `extent`.
// Null when the mask is null or a filter is missing. Main thread.

#include "platform/image/CIImage.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QString>

CIImage innerShadowOf(const CIImage& mask, const QString& blurName, double radius, const QRectF& extent);

// The disc-blurred inner shadow computed on the CPU from the mask's bitmap
// (8-bit premultiplied sRGB, rows top down, as newCGImage gives it) whose
// bottom-left pixel lies at `origin`: the mask's luminance averaged over a
// disc of `radius` pixels with running sums along each row of the disc, on
// the grid the engine's disc blur uses (halved while 8 texels of radius or
// more remain, each halving weighted 1 3 3 1, enlarged back bilinearly, zero
// outside the mask), so that it gives innerShadowOf's pixels with
// "CIDiscBlur" without a pass over the canvas. The result covers `extent`:
// black whose alpha is the blurred luminance, which the frame's inner
// multiply reads as the same darkening. Null for a null mask, an empty
// extent or a radius that is not above 0. Any thread (no rendering).
QImage discShadowBitmap(const QImage& mask, const QPoint& origin, double radius, const QRect& extent);
