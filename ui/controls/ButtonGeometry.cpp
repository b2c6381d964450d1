#include "ui/controls/ButtonGeometry.h"

#include <cmath>

namespace ButtonGeometry {

QRectF contentRect(const QRectF& rect, const ButtonPadding& padding)
{
    return {rect.x() + padding.left, rect.y() + padding.bottom, rect.width() - padding.left - padding.right,
            rect.height() - padding.top - padding.bottom};
}

double endWidth(QSizeF picture, double height)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        return 0;
    return std::round(picture.width() / picture.height() * height);
}

QRectF imageRectIn(const QRectF& rect, const ButtonPadding& padding, QSizeF image, int alignment)
{
    if (image.width() <= 0 || image.height() <= 0)
        return {};
    const QRectF c = contentRect(rect, padding);
    if (c.width() <= 0 || c.height() <= 0)
        return {};
    double width, height;
    if (c.width() / c.height() > image.width() / image.height()) {
        height = c.height();
        width = image.width() * height / image.height();
    } else {
        width = c.width();
        height = image.height() * width / image.width();
    }
    double x = c.x();
    if (alignment == kImageRight)
        x = c.x() + c.width() - width;
    else if (alignment == kImageCentre)
        x = c.x() + (c.width() - width) / 2;
    return {x, c.y(), width, height};
}

Background background(const QRectF& bounds, QSizeF left, QSizeF mid, QSizeF right, bool noScaling)
{
    Background result;
    QRectF d = bounds;
    if (noScaling && !mid.isEmpty()) {
        const QSizeF natural(mid.width() + (left.isEmpty() ? 0 : left.width()) + (right.isEmpty() ? 0 : right.width()),
                             mid.height());
        d = QRectF(std::round(bounds.x() + (bounds.width() - natural.width()) / 2),
                   std::round(bounds.y() + (bounds.height() - natural.height()) / 2), natural.width(),
                   natural.height());
    }
    result.drawing = d;
    const double lw = endWidth(left, d.height());
    if (lw > 0) {
        result.left = {d.x(), d.y(), lw, d.height()};
        d.setX(d.x() + lw); // keeps the right edge
    }
    const double rw = endWidth(right, d.height());
    if (rw > 0) {
        result.right = {d.right() - rw, d.y(), rw, d.height()};
        d.setWidth(d.width() - rw);
    }
    if (!mid.isEmpty() && d.width() > 0)
        result.mid = d;
    return result;
}

QSizeF symbolSize(QSizeF natural, QSizeF content)
{
    if (natural.isEmpty())
        return {};
    QSizeF s = natural;
    if (s.height() > content.height() && content.height() > 0)
        s = {s.width() * content.height() / s.height(), content.height()};
    if (s.width() > content.width() && content.width() > 0)
        s = {content.width(), s.height() * content.width() / s.width()};
    return s;
}

TitleLayout placeTitle(const QRectF& c, QSizeF title, QSizeF symbol, int imagePosition, int alignment,
                       double margin, double offsetY)
{
    TitleLayout out;
    const double tw = title.width(), th = title.height(), sw = symbol.width(), sh = symbol.height();
    if (imagePosition == kImageOnLeft) {
        const double sy = c.y() + std::round((c.height() - sh) / 2);
        const double ty = c.y() + std::round((c.height() - th) / 2) + offsetY;
        double sx = c.x();
        if (alignment == kTextRight)
            sx = c.right() - tw - margin - sw;
        else if (alignment == kTextCentre)
            sx = c.x() + (c.width() - sw - margin - tw) / 2;
        out.symbol = {sx, sy, sw, sh};
        out.title = {sx + sw + margin, ty, tw, th};
    } else if (imagePosition == kImageBelow) {
        double tx = c.x(), sx = c.x();
        if (alignment == kTextRight) {
            tx = c.right() - tw;
            sx = c.right() - sw;
        } else if (alignment == kTextCentre) {
            tx = c.x() + std::round((c.width() - tw) / 2);
            sx = c.x() + std::round((c.width() - sw) / 2);
        }
        out.title = {tx, c.bottom() - th, tw, th}; // QRectF::bottom() is the larger y: the top in y-up
        out.symbol = {sx, c.y(), sw, sh};
    } else {
        if (!title.isEmpty())
            out.title = {c.x(), std::ceil(c.y() + (c.height() - th) / 2) + offsetY, std::ceil(c.width()), th};
        out.symbol = {c.x() + std::round((c.width() - sw) / 2), c.y() + std::round((c.height() - sh) / 2), sw, sh};
    }
    return out;
}

QSizeF intrinsicSize(const ButtonPadding& padding, double titleWidth, double imageWidth, double margin,
                     QSizeF symbolDown, QSizeF midDown)
{
    double width = padding.left + padding.right;
    if (titleWidth > 0)
        width += std::ceil(titleWidth);
    if (imageWidth > 0)
        width += std::ceil(imageWidth) + (titleWidth > 0 ? margin : 0);
    width = std::max(width, symbolDown.width());
    return {width, std::max(symbolDown.height(), midDown.height())};
}

} // namespace ButtonGeometry
