#include "ui/controls/ResizeGeometry.h"

namespace ResizeGeometry {

Grab grabAt(QPointF point, QSizeF size, int allowed)
{
    Grab grab;
    const double w = size.width(), h = size.height();
    double fx = 0, fy = 0, fw = 0, fh = 0;
    double ox = point.x(), oy = point.y();
    if (point.x() < kGrabDistance && (allowed & kLeft)) {
        grab.sides |= kLeft;
        fx = 0.5;
        fw = -1;
    } else if (point.x() > w - kGrabDistance && (allowed & kRight)) {
        grab.sides |= kRight;
        fx = 0.5;
        fw = 1;
        ox = w - point.x();
    }
    if (point.y() < kGrabDistance && (allowed & kBottom)) {
        grab.sides |= kBottom;
        fy = 0.5;
        fh = -1;
    } else if (point.y() > h - kGrabDistance && (allowed & kTop)) {
        grab.sides |= kTop;
        fy = 0.5;
        fh = 1;
        oy = h - point.y();
    }
    grab.factors = QRectF(fx, fy, fw, fh);
    grab.origin = QPointF(ox, oy);
    return grab;
}

QSizeF changeFor(const Grab& grab, QPointF point, QSizeF size)
{
    const double fixedX = (grab.sides & kLeft) ? grab.origin.x() : size.width() - grab.origin.x();
    const double fixedY = (grab.sides & kBottom) ? grab.origin.y() : size.height() - grab.origin.y();
    const double dw = (grab.sides & (kLeft | kRight)) ? (point.x() - fixedX) * grab.factors.width() : 0;
    const double dh = (grab.sides & (kTop | kBottom)) ? (point.y() - fixedY) * grab.factors.height() : 0;
    return {dw, dh};
}

QRectF innerRect(QSizeF size, int allowed)
{
    const double left = (allowed & kLeft) ? kBandWidth : 0;
    const double right = (allowed & kRight) ? kBandWidth : 0;
    const double bottom = (allowed & kBottom) ? kBandWidth : 0;
    const double top = (allowed & kTop) ? kBandWidth : 0;
    return QRectF(left, bottom, size.width() - left - right, size.height() - bottom - top);
}

bool hitsBand(QPointF point, QSizeF size, int allowed)
{
    const QRectF bounds(QPointF(0, 0), size);
    if (!bounds.contains(point))
        return false;
    const QRectF inner = innerRect(size, allowed);
    return inner.isEmpty() ? (allowed & kAllSides) != 0 : !inner.contains(point);
}

double cursorAngle(QPointF point, QSizeF size, int allowed)
{
    const bool left = point.x() < kGrabDistance && (allowed & kLeft);
    const bool right = !left && point.x() > size.width() - kGrabDistance && (allowed & kRight);
    const bool bottom = point.y() < kGrabDistance && (allowed & kBottom);
    const bool top = !bottom && point.y() > size.height() - kGrabDistance && (allowed & kTop);
    const double horizontal = left ? 180 : 0;
    const double divisor = (left || right) ? 2 : 1;
    if (!bottom && !top)
        return horizontal;
    const double sum = horizontal + (bottom ? 270 : 90);
    return divisor > 1 ? sum / divisor : sum;
}

} // namespace ResizeGeometry
