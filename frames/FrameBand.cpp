#include "frames/FrameBand.h"

#include "platform/image/CIContext.h"


namespace {

bool transparentRect(const QImage& mask, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x)
            if (line[4 * x + 3] != 0)
                return false;
    }
    return true;
}

} // namespace

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

CIImage renderedAround(const CIImage& image, const QRect& rect, const QRect& hole)
{
    if (image.isNull() || rect.isEmpty())
        return {};
    const QRect middle = hole & rect;
    QList<QRect> strips;
    if (middle.isEmpty()) {
        strips = {rect};
    } else {
        // y up: bottom and top strips across, left and right beside the hole.
        strips = {QRect(rect.left(), rect.top(), rect.width(), middle.top() - rect.top()),
                  QRect(rect.left(), middle.bottom() + 1, rect.width(), rect.bottom() - middle.bottom()),
                  QRect(rect.left(), middle.top(), middle.left() - rect.left(), middle.height()),
                  QRect(middle.right() + 1, middle.top(), rect.right() - middle.right(), middle.height())};
    }
    // Each strip is kept as its own bitmap: one bitmap over the whole
    // rectangle would be uploaded whole, hole and all, at every render.
    const CIContext context;
    CIImage band;
    for (const QRect& strip : strips) {
        if (strip.isEmpty())
            continue;
        const QImage part = context.createCGImage(image, QRectF(strip));
        if (part.isNull())
            return {};
        const CIImage placed =
            CIImage::imageWithQImage(part).imageByApplyingTransform(QTransform::fromTranslate(strip.x(), strip.y()));
        band = band.isNull() ? placed : placed.imageByCompositingOverImage(band);
    }
    return band;
}
