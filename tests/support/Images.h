#pragma once
// Pictures the tests make: one colour all over, or a JPEG whose EXIF block
// says how to turn it.

#include <QBuffer>
#include <QColor>
#include <QImage>

inline QImage filled(int width, int height, const QColor& colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

// `image` as a JPEG with an EXIF block holding only `orientation` (6: turn
// the stored pixels right to see them).
inline QByteArray jpegWithOrientation(const QImage& image, int orientation)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    // APP1: "Exif\0\0", a big-endian TIFF header, one IFD entry 0x0112 SHORT.
    const QByteArray exif = QByteArray("\xFF\xE1\x00\x22" "Exif\x00\x00" "MM\x00\x2A\x00\x00\x00\x08" "\x00\x01"
                                       "\x01\x12\x00\x03\x00\x00\x00\x01\x00", 29);
    return jpeg.insert(2, exif + char(orientation) + QByteArray(6, '\0'));
}
