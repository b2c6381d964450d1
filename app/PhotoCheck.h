#pragma once
// The checks a photo passes before it is decoded: a file that exists, that an
// image reader recognises, whose header declares at most kMaxPhotoPixels, and
// that is not cut off: a JPEG whose segments and scans end before its
// end-of-image marker, a PNG whose chunks end before its end chunk. Data
// after that marker or chunk is allowed (a motion photo's video). The file
// is read through once, skipping what the walk need not see.
// Thread: any thread.

#include <QString>

constexpr qint64 kMaxPhotoPixels = qint64(1) << 28; // 268 megapixels

// Why the file at `path` cannot be used as a photo ("there is no such file",
// "the file is incomplete", ...); empty when it passes.
QString photoProblem(const QString& path);
