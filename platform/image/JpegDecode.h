#pragma once
// Internal to the image engine: a JPEG decoded by libjpeg-turbo itself, at
// the size its DCT scaling gives (Qt's reader rescales whenever the size
// asked for is not exactly that), and averaged down as the rows arrive, on a
// second thread, so that the whole decoded picture is never held.
// Any thread; no OpenGL, no logging.

#include <QImage>
#include <QString>

namespace Engine {

struct JpegDecode {
    QImage image;       // Format_RGB32, in the file's stored orientation; null on failure
    QSize decodedSize;  // as the DCT scaling gave it, before any averaging
    QString error;      // why it failed (image null)
    bool declined = false; // not one this decoder takes (CMYK, a colour profile other than sRGB): use another
};

// The file at `path` decoded at 1 / `denominator` (1, 2, 4 or 8) of its
// stored size, rounded up, and averaged down in linear light to `averaged`
// (stored orientation) when worthAveraging says so; `averaged` empty: as
// decoded. Damaged data past the header decodes as far as it goes, grey
// after, as other readers show it.
JpegDecode decodeJpeg(const QString& path, int denominator, const QSize& averaged);

// The file at `path` decoded at the smallest of libjpeg's scales (1/8 to
// 8/8) whose picture still covers `covering` (stored orientation) on both
// sides, as decoded; whole when none smaller does.
JpegDecode decodeJpegCovering(const QString& path, const QSize& covering);

} // namespace Engine
