#pragma once
// A picture: the framework's one type for artwork that views, buttons, filters
// (the watermark's logo) and caches hand around. It holds either a bitmap or
// vector artwork (SVG), and has a size in points that may differ from its
// pixel size: a file named "...@2x.png" is a picture of half its pixel size,
// drawn sharp on screens with a device pixel ratio of 2.
//
// A Picture is a cheap value (shared, immutable data). A default-constructed
// one is null (isNull()); failed loads give null after one "Warning: " line.
// Thread: any thread for reading and rendering; QPainter rules apply.

#include <QImage>
#include <QMetaType>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>

class QPainter;
class QSvgRenderer;

class Picture {
public:
    Picture() = default;

    // A bitmap picture; `size` in points (default: the image's pixel size
    // divided by its device pixel ratio). A null image gives null.
    explicit Picture(const QImage& image, QSizeF size = {});

    // Loads an image file (any format Qt reads, EXIF orientation applied) or
    // an SVG file. Null, with a "Warning: " line naming the file, when it
    // cannot be read.
    static Picture fromFile(const QString& path);

    bool isNull() const { return !m_data; }
    bool isVector() const;
    // Whether the artwork can be transparent: the source bitmap had an alpha
    // channel, or it is vector artwork. False for null.
    bool hasAlpha() const;
    QSizeF size() const;            // points
    QSize pixelSize() const;        // the bitmap's pixels; for vectors, size() rounded up
    QString path() const;           // the file it came from, or empty

    // The same picture (shared data), not merely equal pixels.
    bool isSameAs(const Picture& other) const { return m_data == other.m_data; }


    // An ARGB32-premultiplied bitmap of `pixels` (default: pixelSize()),
    // scaled smoothly or rendered from the vector artwork. Null for null.
    QImage toImage(QSize pixels = {}) const;

    // Draws the `source` part (in points, y down, default: all) into
    // `target`, at `opacity`.
    void draw(QPainter& painter, const QRectF& target, const QRectF& source = {}, qreal opacity = 1.0) const;

private:
    struct Data;
    std::shared_ptr<const Data> m_data;
};

Q_DECLARE_METATYPE(Picture)
