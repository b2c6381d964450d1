#include "frames/FrameBand.h"

#include "graphics/ImageExtension.h"
#include "platform/image/CIContext.h"
#include "platform/image/CIGeometry.h"

#include <list>

#include <cmath>
#include <cstring>


namespace {

// Whether every pixel of `r` (32-bit, four bytes) passes `holds`.
template <class Holds>
bool everyPixel(const QImage& bitmap, const QRect& r, Holds holds)
{
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* line = bitmap.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x)
            if (!holds(line + 4 * x))
                return false;
    }
    return true;
}

// Whether every pixel of `r` (alpha in the fourth byte) has alpha `alpha`.
bool alphaIs(const QImage& bitmap, const QRect& r, uchar alpha)
{
    return everyPixel(bitmap, r, [alpha](const uchar* p) { return p[3] == alpha; });
}

bool transparentRect(const QImage& mask, const QRect& r)
{
    return alphaIs(mask, r, 0);
}

// A rectangle round the middle of `bitmap` whose pixels all pass `holds`:
// the runs through the middle along each axis, shrunk until every pixel
// inside passes. Empty when the middle pixel does not.
template <class Holds>
QRect middleWhere(const QImage& bitmap, Holds holds)
{
    if (bitmap.isNull() || bitmap.depth() != 32)
        return {};
    const int cx = bitmap.width() / 2, cy = bitmap.height() / 2;
    const auto at = [&](int x, int y) { return holds(bitmap.constScanLine(y) + 4 * x); };
    if (!at(cx, cy))
        return {};
    int left = cx, right = cx, bottom = cy, top = cy;
    while (left > 0 && at(left - 1, cy))
        --left;
    while (right + 1 < bitmap.width() && at(right + 1, cy))
        ++right;
    while (top > 0 && at(cx, top - 1))
        --top;
    while (bottom + 1 < bitmap.height() && at(cx, bottom + 1))
        ++bottom;
    QRect r(QPoint(left, top), QPoint(right, bottom));
    for (int k = 0; k < 8 && !r.isEmpty(); ++k) {
        if (everyPixel(bitmap, r, holds))
            return r;
        r = r.adjusted(r.width() / 16 + 1, r.height() / 16 + 1, -(r.width() / 16 + 1), -(r.height() / 16 + 1));
    }
    return {};
}

// The larger of two opaque rectangles in a strip (rows top down, alpha in
// the fourth byte): its span of columns opaque from edge to edge, and the
// span opaque along its middle line widened across while it stays opaque
// (along and across its long side). Empty when neither is found.
QRect opaqueCore(const QImage& strip)
{
    const bool across = strip.width() >= strip.height(); // long side along x
    const int n = across ? strip.width() : strip.height(), m = across ? strip.height() : strip.width();
    const auto opaque = [&](int u, int v) {
        return (across ? strip.constScanLine(v)[4 * u + 3] : strip.constScanLine(u)[4 * v + 3]) == 255;
    };
    const auto rect = [&](int u0, int u1, int v0, int v1) {
        return across ? QRect(u0, v0, u1 - u0, v1 - v0) : QRect(v0, u0, v1 - v0, u1 - u0);
    };
    // The longest run of `holds` along the long side.
    const auto longestRun = [n](auto holds) {
        int best0 = 0, best1 = 0;
        for (int u = 0; u < n;) {
            int e = u;
            while (e < n && holds(e))
                ++e;
            if (e - u > best1 - best0)
                best0 = u, best1 = e;
            u = e + 1;
        }
        return std::pair{best0, best1};
    };
    const auto [a0, a1] = longestRun([&](int u) {
        for (int v = 0; v < m; ++v)
            if (!opaque(u, v))
                return false;
        return true;
    });
    const int mid = m / 2;
    const auto [b0, b1] = longestRun([&](int u) { return opaque(u, mid); });
    const auto rowHolds = [&](int v) {
        for (int u = b0; u < b1; ++u)
            if (!opaque(u, v))
                return false;
        return true;
    };
    int v0 = mid, v1 = mid + 1;
    while (b1 > b0 && v0 > 0 && rowHolds(v0 - 1))
        --v0;
    while (b1 > b0 && v1 < m && rowHolds(v1))
        ++v1;
    const qint64 areaA = qint64(a1 - a0) * m, areaB = b1 > b0 ? qint64(b1 - b0) * (v1 - v0) : 0;
    if (areaA == 0 && areaB == 0)
        return {};
    return areaA >= areaB ? rect(a0, a1, 0, m) : rect(b0, b1, v0, v1);
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
    if (!mask.hasAlphaChannel())
        return {};
    return middleWhere(mask, [](const uchar* p) { return p[3] == 0; });
}

QRect whiteMiddle(const QImage& bitmap)
{
    return middleWhere(bitmap, [](const uchar* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255; });
}

QImage pixelsOf(const CIImage& picture)
{
    // A picture file's own pixels when it is one: no render needed.
    const QImage bitmap = picture.sourceBitmap();
    if (bitmap.isNull() || bitmap.size() != picture.extent().size().toSize())
        return newCGImage(picture);
    // Alpha in the fourth byte whatever the file held (a copy only when it differs).
    return bitmap.convertToFormat(bitmap.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

PictureMiddles middlesOf(const CIImage& picture)
{
    struct Kept {
        std::weak_ptr<const Engine::ImageNode> node;
        PictureMiddles middles;
    };
    constexpr size_t kKept = 8; // the frame pictures and masks shared by the last frames shown
    static std::list<Kept> kept; // most recently asked first
    if (picture.isNull())
        return {};
    for (auto it = kept.begin(); it != kept.end(); ++it)
        if (it->node.lock() == picture.node()) {
            kept.splice(kept.begin(), kept, it);
            return kept.front().middles;
        }
    PictureMiddles middles;
    const QRectF extent = picture.extent();
    if (!CIGeometry::isInfinite(extent) && extent.toAlignedRect() == extent) {
        const QImage bitmap = pixelsOf(picture);
        // Rows top down; the rectangles are y up.
        const auto yUp = [&](const QRect& r) {
            return r.isEmpty() ? QRectF()
                               : QRectF(extent.x() + r.x(), extent.y() + bitmap.height() - 1 - r.bottom(), r.width(),
                                        r.height());
        };
        middles = {yUp(transparentMiddle(bitmap)), yUp(whiteMiddle(bitmap))};
    }
    kept.push_front({picture.node(), middles});
    if (kept.size() > kKept)
        kept.pop_back();
    return middles;
}

namespace {

// The strips round the hole (y up), none empty, and `image` rendered in each
// in one render (a texture's tile drawn once); an empty list when one fails.
std::pair<QList<QRect>, QList<QImage>> renderedStrips(const CIImage& image, const QRect& rect, const QRect& hole)
{
    const QRect middle = hole & rect;
    QList<QRect> strips;
    if (middle.isEmpty())
        strips = {rect};
    else // y up: bottom and top strips across, left and right beside the hole
        for (const QRect& strip : CIGeometry::stripsAround(rect, middle))
            strips.append(strip);
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
    // Rows top down in the strip at `strip` (y up).
    const auto lay = [&band](QImage bitmap, const QRect& strip, int stripHeight, const QRect& rows) {
        // Known opaque, a piece hides what lies under it (a photo framed whole is drawn without its backdrop).
        if (bitmap.format() == QImage::Format_RGBA8888_Premultiplied && alphaIs(bitmap, bitmap.rect(), 255))
            bitmap.reinterpretAsFormat(QImage::Format_RGBX8888);
        const QPoint at(strip.x() + rows.x(), strip.y() + stripHeight - 1 - rows.bottom());
        const CIImage placed =
            CIImage::imageWithQImage(bitmap).imageByApplyingTransform(QTransform::fromTranslate(at.x(), at.y()));
        band = band.isNull() ? placed : placed.imageByCompositingOverImage(band);
    };
    for (qsizetype i = 0; i < strips.size(); ++i) {
        const QRect& strip = strips[i];
        const QImage& part = parts[i];
        // Known opaque whole, or opaque over most of it: its core.
        const QRect core = part.format() == QImage::Format_RGBA8888_Premultiplied && !alphaIs(part, part.rect(), 255)
                               ? opaqueCore(part)
                               : QRect();
        if (2 * qint64(core.width()) * core.height() < qint64(part.width()) * part.height()) {
            lay(std::move(parts[i]), strip, strip.height(), QRect(QPoint(), strip.size()));
            continue;
        }
        // A strip with soft corners or a soft rim: its opaque core apart
        // (known opaque, nothing drawn under it), the rest round it.
        lay(part.copy(core), strip, part.height(), core);
        for (const QRect& piece : CIGeometry::stripsAround(part.rect(), core))
            if (!piece.isEmpty())
                lay(part.copy(piece), strip, part.height(), piece);
    }
    return band;
}
