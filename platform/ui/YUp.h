#pragma once
// The framework's geometry is y-up with the origin bottom left; Qt's is y-down
// with the origin top left. Rectangles are computed in y-up space by pure
// functions and turned over once, where they are painted or placed, against
// the height of the space they live in (a view's height, an image's height).
// Flipping is its own inverse. Value functions; any thread.

#include <QPointF>
#include <QRectF>

// `rect` in a space `height` high, seen from the other convention.
inline QRectF flippedRect(const QRectF& rect, double height)
{
    return {rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height()};
}

inline QPointF flippedPoint(const QPointF& point, double height)
{
    return {point.x(), height - point.y()};
}
