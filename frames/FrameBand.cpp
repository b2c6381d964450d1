#include "frames/FrameBand.h"

#include "platform/image/CIContext.h"

#include <cmath>
#include <cstring>


namespace {

// Whether every pixel of `r` (32-bit, alpha in the fourth byte) has alpha `alpha`.
bool alphaIs(const QImage& bitmap, const QRect& r, uchar alpha)
{
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* line = bitmap.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x)
            if (line[4 * x + 3] != alpha)
                return false;
    }
    return true;
}

bool transparentRect(const QImage& mask, const QRect& r)
{
    return alphaIs(mask, r, 0);
}

} // namespace

bool clearRim(const QImage& mask, const QRect& r)
{
    const QRect inside = r & mask.rect();
    if (inside.isEmpty())
        return true;
    const auto clearRows = [&](int top, int bottom, int left, int right) {
        const QRect part = QRect(QPoint(left, top), QPoint(right, bottom)) & inside;
        return part.isEmpty() || transparentRect(mask, part);
    };
    return clearRows(r.top(), r.top(), r.left(), r.right()) && clearRows(r.bottom(), r.bottom(), r.left(), r.right())
        && clearRows(r.top(), r.bottom(), r.left(), r.left()) && clearRows(r.top(), r.bottom(), r.right(), r.right());
}

QRect transparentMiddle(const QImage& mask)
{
    if (mask.isNull() || mask.depth() != 32 || !mask.hasAlphaChannel())
        return {};
    const int cx = mask.width() / 2, cy = mask.height() / 2;
    const auto alpha = [&](int x, int y) { return mask.constScanLine(y)[4 * x + 3]; };
    if (alpha(cx, cy) != 0)
        return {};
    // The run through the middle along each axis, then shrunk until every pixel inside is clear.
    int left = cx, right = cx, bottom = cy, top = cy;
    while (left > 0 && alpha(left - 1, cy) == 0)
        --left;
    while (right + 1 < mask.width() && alpha(right + 1, cy) == 0)
        ++right;
    while (top > 0 && alpha(cx, top - 1) == 0)
        --top;
    while (bottom + 1 < mask.height() && alpha(cx, bottom + 1) == 0)
        ++bottom;
    QRect r(QPoint(left, top), QPoint(right, bottom));
    for (int k = 0; k < 8 && !r.isEmpty(); ++k) {
        if (transparentRect(mask, r))
            return r;
        r = r.adjusted(r.width() / 16 + 1, r.height() / 16 + 1, -(r.width() / 16 + 1), -(r.height() / 16 + 1));
    }
    return {};
}

namespace {

// The strips round the hole (y up), none empty, and `image` rendered in each
// in one render (a texture's tile drawn once); an empty list when one fails.
std::pair<QList<QRect>, QList<QImage>> renderedStrips(const CIImage& image, const QRect& rect, const QRect& hole)
{
    const QRect middle = hole & rect;
    QList<QRect> strips{rect};
    if (!middle.isEmpty())
        // y up: bottom and top strips across, left and right beside the hole.
        strips = {QRect(rect.left(), rect.top(), rect.width(), middle.top() - rect.top()),
                  QRect(rect.left(), middle.bottom() + 1, rect.width(), rect.bottom() - middle.bottom()),
                  QRect(rect.left(), middle.top(), middle.left() - rect.left(), middle.height()),
                  QRect(middle.right() + 1, middle.top(), rect.right() - middle.right(), middle.height())};
    strips.removeIf([](const QRect& r) { return r.isEmpty(); });
    QList<QRectF> areas;
    for (const QRect& strip : std::as_const(strips))
        areas.append(QRectF(strip));
    const QList<QImage> parts = CIContext().createCGImages(image, areas);
    for (const QImage& part : parts)
        if (part.isNull())
            return {};
    return {strips, parts};
}

} // namespace

std::pair<int, int> clearPixelsOnSide(double a0, double a1, double n, double c, double s, double length)
{
    // The middle [c, n - c] repeats all along the side: it must be clear.
    if (!(s > 0) || !(length > 0) || a0 > c || a1 < n - c || n - 2 * c <= 0)
        return {1, 0};
    // Bilinear reads stay inside while they sample at least half a pixel in;
    // in the corners a side's pixel u reads the picture at u / s.
    const double u0 = (a0 + 0.5) * s, u1 = length - (n - a1 + 0.5) * s;
    // Pixel centres inside, less one pixel for rounding on either side.
    return {int(std::ceil(u0 - 0.5)) + 1, int(std::floor(u1 - 0.5)) - 1};
}

QImage bitmapAround(const CIImage& image, const QRect& rect, const QRect& hole)
{
    if (image.isNull() || rect.isEmpty())
        return {};
    QImage bitmap(rect.size(), QImage::Format_RGBA8888_Premultiplied);
    if (bitmap.isNull())
        return {};
    bitmap.fill(Qt::transparent);
    const auto [strips, parts] = renderedStrips(image, rect, hole);
    if (parts.isEmpty())
        return {};
    for (qsizetype i = 0; i < strips.size(); ++i) {
        const QRect& strip = strips[i];
        const QImage& part = parts[i];
        if (part.format() != bitmap.format())
            return {};
        // Rows top down: the strip's top row is the rectangle's row counted from its top.
        const int top = rect.bottom() - strip.bottom(), left = strip.left() - rect.left();
        for (int y = 0; y < part.height(); ++y)
            std::memcpy(bitmap.scanLine(top + y) + 4 * left, part.constScanLine(y), size_t(4 * part.width()));
    }
    return bitmap;
}

CIImage renderedAround(const CIImage& image, const QRect& rect, const QRect& hole)
{
    if (image.isNull() || rect.isEmpty())
        return {};
    // Each strip is kept as its own bitmap: one bitmap over the whole
    // rectangle would be uploaded whole, hole and all, at every render.
    auto [strips, parts] = renderedStrips(image, rect, hole);
    if (parts.isEmpty())
        return {};
    CIImage band;
    for (qsizetype i = 0; i < strips.size(); ++i) {
        const QRect& strip = strips[i];
        QImage& part = parts[i];
        // Known opaque, a strip hides what lies under it (a photo framed whole is drawn without its backdrop).
        if (part.format() == QImage::Format_RGBA8888_Premultiplied && alphaIs(part, part.rect(), 255))
            part.reinterpretAsFormat(QImage::Format_RGBX8888);
        const CIImage placed =
            CIImage::imageWithQImage(part).imageByApplyingTransform(QTransform::fromTranslate(strip.x(), strip.y()));
        band = band.isNull() ? placed : placed.imageByCompositingOverImage(band);
    }
    return band;
}
