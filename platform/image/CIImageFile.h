#pragma once
// A picture file for a picture that will be drawn at no more than
// `drawnSize` pixels: as CIImage::imageWithContentsOfFile, but its decode
// starts at once, on a worker thread of the engine, at the reduction that
// size allows; the first render waits for it (and decodes again if it needs
// more detail). A photo shrunk to fit the size is averaged to the size it
// is drawn at: scaled alike along both axes, or with `centredFit`
// centredFitSize() (a caller that draws it so). null (logged) when the file
// cannot be read. Main thread.

#include "platform/image/CIImage.h"

#include <QImage>
#include <QSizeF>
#include <QString>

CIImage imageWithContentsOfFileDrawnAt(const QString& path, const QSizeF& drawnSize, bool centredFit = false);

// The picture file at `path` decoded for drawing at no more than
// `drawnSize` pixels (fitted, proportions kept): a JPEG at the smallest of
// libjpeg's scales whose picture still covers the fitted size, other files
// whole; upright, as decoded (the caller draws it scaled). Null with
// `error` (never null) set when it does not decode. Any thread; no OpenGL,
// no logging.
QImage decodedImageCovering(const QString& path, const QSizeF& drawnSize, QString* error);

// The size of a picture of `picture` pixels fitted into `box` (as large as
// fits, proportions kept) with what the box leaves on each side rounded to
// whole pixels: centred in a whole-pixel box it lies on whole pixels, so it
// can be drawn one texel a pixel. Proportions then differ by under a pixel;
// a side that would round to nothing keeps its exact length. Empty for an
// empty picture or box.
QSizeF centredFitSize(const QSizeF& picture, const QSizeF& box);
