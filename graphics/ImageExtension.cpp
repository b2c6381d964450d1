#include "graphics/ImageExtension.h"

#include "platform/image/CIContext.h"
#include "platform/image/CIFilter.h"
#include "platform/image/CIGeometry.h"
#include "platform/image/CIVector.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QRectF bitmapRect(const CIImage& image)
{
    if (image.isNull())
        return {};
    const QRectF extent = image.extent();
    if (CIGeometry::isInfinite(extent))
        return {};
    return QRectF(extent.x(), extent.y(), std::trunc(extent.width()), std::trunc(extent.height()));
}

} // namespace

QImage newCGImage(const CIImage& image)
{
    const QRectF rect = bitmapRect(image);
    if (rect.isEmpty())
        return {};
    return CIContext().createCGImage(image, rect);
}

QImage newCGImageUnrendered(const CIImage& image)
{
    return newCGImage(image);
}

QImage newCGImageViaNSImage(const CIImage& image)
{
    return nsImage(image).toImage();
}

Picture nsImage(const CIImage& image)
{
    const QImage bitmap = newCGImage(image);
    if (bitmap.isNull())
        return {};
    return Picture(bitmap, image.extent().size());
}

CIImage fixedImage(const CIImage& image)
{
    const QImage bitmap = newCGImage(image);
    if (bitmap.isNull())
        return {};
    CIImage flat = CIImage::imageWithQImage(bitmap);
    const QPointF origin = image.extent().topLeft();
    if (std::abs(origin.x()) + std::abs(origin.y()) > 0)
        flat = flat.imageByApplyingTransform(QTransform::fromTranslate(origin.x(), origin.y()));
    return flat;
}

CIColor averageColor(const CIImage& image)
{
    const QRectF extent = image.isNull() ? QRectF() : image.extent();
    if (extent.isEmpty() || CIGeometry::isInfinite(extent))
        return {};
    const auto average = CIFilter::filterWithName(QStringLiteral("CIAreaAverage"));
    if (!average)
        return {};
    average->setValue(QVariant::fromValue(image), kCIInputImageKey);
    average->setValue(QVariant::fromValue(CIVector(extent.x(), extent.y(), extent.width(), extent.height())),
                      kCIInputExtentKey);
    const CIImage mean = average->outputImage();
    const QImage pixel = CIContext().createCGImage(mean, QRectF(mean.extent().topLeft(), QSizeF(1, 1)));
    if (pixel.isNull())
        return {};
    const QImage rgba = pixel.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const uchar* p = rgba.constScanLine(0);
    const double alpha = p[3] / 255.0;
    const double d = float(std::max(0.001, alpha));
    return CIColor(p[0] / 255.0 / d, p[1] / 255.0 / d, p[2] / 255.0 / d, alpha);
}

void createContext() {}

QImage cgImage(const Picture& picture)
{
    return picture.toImage();
}

CIImage ciImage(const Picture& picture)
{
    const QImage bitmap = picture.toImage();
    return bitmap.isNull() ? CIImage() : CIImage::imageWithQImage(bitmap);
}

HSVTriple hsv(const CIColor& color)
{
    return hsvFromRGB({color.red(), color.green(), color.blue()});
}

HSLTriple hsl(const CIColor& color)
{
    return hslFromRGB({color.red(), color.green(), color.blue()});
}

CIColor colorForHSV(const HSVTriple& triple)
{
    const RGBTriple c = rgbFromHSV(triple);
    return CIColor(c.red, c.green, c.blue, 1.0);
}

CIColor colorForHSL(const HSLTriple& triple)
{
    const RGBTriple c = rgbFromHSL(triple);
    return CIColor(c.red, c.green, c.blue, 1.0);
}
