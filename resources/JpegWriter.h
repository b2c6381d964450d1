#pragma once
// JPEG files written straight from a bitmap's rows by libjpeg-turbo, with no
// converted copy of the picture: the pixel layouts Qt's 32-bit formats and
// RGB888 already have are handed to the encoder as they are.
//
// The file is what QImageWriter makes of the same bitmap: a JFIF header with
// the bitmap's density, its colour profile (when it has one), the quality's
// tables, 4:2:0 chroma and the standard Huffman tables. A premultiplied bitmap
// is written as if over black (its colour channels as they are, alpha left
// out). Any thread; no logging.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace JpegWriter {

// Whether encode() takes bitmaps of this format without converting them.
bool takesDirectly(QImage::Format format);

// The file's bytes for an opaque or premultiplied bitmap of a format that
// takesDirectly() (quality 0 to 100); empty with *error set when the bitmap
// is null, of another format, or the encoder fails.
QByteArray encode(const QImage& bitmap, int quality, QString* error);

} // namespace JpegWriter
