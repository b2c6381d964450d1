#pragma once
// A picture file for a picture that will be drawn at no more than
// `drawnSize` pixels: as CIImage::imageWithContentsOfFile, but its decode
// starts at once, on a worker thread of the engine, at the reduction that
// size allows; the first render waits for it (and decodes again if it needs
// more detail). null (logged) when the file cannot be read. Main thread.

#include "platform/image/CIImage.h"

#include <QSizeF>
#include <QString>

CIImage imageWithContentsOfFileDrawnAt(const QString& path, const QSizeF& drawnSize);
