#include "platform/image/CIGeometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace CIGeometry {

namespace {
constexpr double kHalfMax = DBL_MAX / 4;
constexpr double kPixelLimit = 536870912.0; // 2^29: widths stay within int
}

QRectF infiniteRect()
{
    return QRectF(-kHalfMax, -kHalfMax, 2 * kHalfMax, 2 * kHalfMax);
}

bool isInfinite(const QRectF& rect)
{
    return rect.x() <= -kHalfMax && rect.y() <= -kHalfMax && rect.width() >= 2 * kHalfMax
        && rect.height() >= 2 * kHalfMax;
}

bool isEmpty(const QRectF& rect)
{
    return !(rect.width() > 0) || !(rect.height() > 0);
}

QRectF intersect(const QRectF& a, const QRectF& b)
{
    if (isEmpty(a) || isEmpty(b))
        return QRectF();
    if (isInfinite(a))
        return b;
    if (isInfinite(b))
        return a;
    const double x0 = std::max(a.x(), b.x());
    const double y0 = std::max(a.y(), b.y());
    const double x1 = std::min(a.x() + a.width(), b.x() + b.width());
    const double y1 = std::min(a.y() + a.height(), b.y() + b.height());
    if (x1 <= x0 || y1 <= y0)
        return QRectF();
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF unite(const QRectF& a, const QRectF& b)
{
    if (isEmpty(a))
        return isEmpty(b) ? QRectF() : b;
    if (isEmpty(b))
        return a;
    if (isInfinite(a) || isInfinite(b))
        return infiniteRect();
    const double x0 = std::min(a.x(), b.x());
    const double y0 = std::min(a.y(), b.y());
    const double x1 = std::max(a.x() + a.width(), b.x() + b.width());
    const double y1 = std::max(a.y() + a.height(), b.y() + b.height());
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF outset(const QRectF& rect, double dx, double dy)
{
    if (isInfinite(rect) || isEmpty(rect))
        return rect;
    QRectF r(rect.x() - dx, rect.y() - dy, rect.width() + 2 * dx, rect.height() + 2 * dy);
    return isEmpty(r) ? QRectF() : r;
}

QRectF transformed(const QRectF& rect, const QTransform& transform)
{
    if (isInfinite(rect))
        return rect;
    if (isEmpty(rect))
        return QRectF();
    const QPointF corners[4] = {transform.map(QPointF(rect.x(), rect.y())),
                                transform.map(QPointF(rect.x() + rect.width(), rect.y())),
                                transform.map(QPointF(rect.x(), rect.y() + rect.height())),
                                transform.map(QPointF(rect.x() + rect.width(), rect.y() + rect.height()))};
    double x0 = corners[0].x(), x1 = x0, y0 = corners[0].y(), y1 = y0;
    for (const QPointF& c : corners) {
        x0 = std::min(x0, c.x());
        x1 = std::max(x1, c.x());
        y0 = std::min(y0, c.y());
        y1 = std::max(y1, c.y());
    }
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF wholePixelsInside(const QRectF& rect)
{
    const double eps = 1e-6;
    const QRectF inner(QPointF(std::ceil(rect.left() - eps), std::ceil(rect.top() - eps)),
                       QPointF(std::floor(rect.right() + eps), std::floor(rect.bottom() + eps)));
    return inner.isEmpty() ? QRectF() : inner;
}

QRect integral(const QRectF& rect)
{
    if (isEmpty(rect))
        return QRect();
    // A hair of tolerance so that 10.0000000001 does not add a whole pixel.
    const double eps = 1e-6;
    const double x0 = std::clamp(std::floor(rect.x() + eps), -kPixelLimit, kPixelLimit);
    const double y0 = std::clamp(std::floor(rect.y() + eps), -kPixelLimit, kPixelLimit);
    const double x1 = std::clamp(std::ceil(rect.x() + rect.width() - eps), -kPixelLimit, kPixelLimit);
    const double y1 = std::clamp(std::ceil(rect.y() + rect.height() - eps), -kPixelLimit, kPixelLimit);
    if (x1 <= x0 || y1 <= y0)
        return QRect();
    return QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
}

std::array<QRect, 4> stripsAround(const QRect& rect, const QRect& hole)
{
    return {QRect(rect.left(), rect.top(), rect.width(), hole.top() - rect.top()),
            QRect(rect.left(), hole.bottom() + 1, rect.width(), rect.bottom() - hole.bottom()),
            QRect(rect.left(), hole.top(), hole.left() - rect.left(), hole.height()),
            QRect(hole.right() + 1, hole.top(), rect.right() - hole.right(), hole.height())};
}

} // namespace CIGeometry
