#pragma once
// An image of the engine: an immutable recipe (a shared node of the render
// graph) with an extent in pixels, origin bottom left, y upwards. Building
// and combining images costs nothing; pixels are computed only when a
// CIContext renders a rectangle of one, and then only the pixels that
// rectangle needs.
//
// A default-constructed CIImage is null: every operation on it gives null (or
// an empty rectangle) without a message. Operations that fail log one
// "Error: " line and give null. Copies share the node; values are immutable,
// so they may be passed between threads, but rendering is main-thread only.

#include "platform/image/CIColor.h"
#include "platform/image/CIFilterShape.h"

#include <QImage>
#include <QMetaType>
#include <QRectF>
#include <QTransform>
#include <QUrl>

#include <memory>

namespace Engine {
class ImageNode;
}

class CIImage {
public:
    CIImage() = default;
    explicit CIImage(std::shared_ptr<const Engine::ImageNode> node);

    // A picture file in any format Qt reads. Only its header is read here;
    // the pixels are decoded at the first render, and at a reduced scale
    // when the render needs fewer pixels. The EXIF orientation is applied
    // (the extent is the upright size) and an embedded colour profile is
    // converted to sRGB. null (logged) when the file cannot be read.
    static CIImage imageWithContentsOfURL(const QUrl& url);
    static CIImage imageWithContentsOfFile(const QString& path);
    // A copy of the bitmap, extent (0, 0, width, height); its colour space
    // is honoured (sRGB when it has none). null for a null QImage.
    static CIImage imageWithQImage(const QImage& image);
    // A colour without end (infinite extent). null for a null colour.
    static CIImage imageWithColor(const CIColor& color);
    // An image with an empty extent (not null): transparent everywhere.
    static CIImage emptyImage();

    bool isNull() const { return !m_node; }
    explicit operator bool() const { return bool(m_node); }
    // The rectangle outside which the image is transparent; may be infinite
    // (CIGeometry::isInfinite). Empty for null.
    QRectF extent() const;
    // The domain of definition; null shape for a null image.
    CIFilterShape definition() const;
    // Whether every pixel of the finite extent is known to be opaque (to 8
    // bits), from the recipe's sources: a decoded JPEG or a bitmap without
    // alpha, moved, scaled, cropped or laid over. False when unknown, for
    // null, empty and infinite extents. Costs no rendering.
    bool isOpaque() const;
    // The pixels of an image made from a bitmap or a picture file as a
    // render at full detail reads them (8-bit, unpremultiplied, rows top
    // down); a file not decoded so yet is decoded now and the bitmap kept
    // with the image. A photo opened for a smaller drawn size gives that
    // smaller bitmap: callers compare its size with the extent's. Null for
    // any other image and for a file that fails.
    QImage sourceBitmap() const;

    // The image moved by the transform (QTransform's row-vector convention:
    // x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy). Sampled bilinearly.
    CIImage imageByApplyingTransform(const QTransform& transform) const;
    // The part inside the rectangle (whole pixels, rounded outwards).
    CIImage imageByCroppingToRect(const QRectF& rect) const;
    // The image extended without end by repeating its edge pixels.
    CIImage imageByClampingToExtent() const;
    // This image over `background` (source over, premultiplied).
    CIImage imageByCompositingOverImage(const CIImage& background) const;
    // The same pixels, computed in 32-bit floats rather than half floats
    // (whose step just below 1 is about 0.0005; twice the texture memory):
    // for the inputs of a steep formula, as a colour burn over near-black.
    CIImage imageByKeepingFullFloats() const;
    // The image computed only at points about `pixelsPerTexel` apart and
    // read between them bilinearly: for an image with no detail finer than
    // that (blurred throughout), at a fraction of its pixels' cost. Its
    // edges stay where they are. Unchanged below 2 or for an infinite extent.
    CIImage imageBySamplingCoarsely(double pixelsPerTexel) const;

    // Engine side.
    const std::shared_ptr<const Engine::ImageNode>& node() const { return m_node; }
    // Same recipe node (not pixel equality).
    bool operator==(const CIImage& other) const { return m_node == other.m_node; }
    bool operator!=(const CIImage& other) const { return m_node != other.m_node; }

private:
    std::shared_ptr<const Engine::ImageNode> m_node;
};

Q_DECLARE_METATYPE(CIImage)
