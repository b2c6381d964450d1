#include "ui/controls/TurnedCursor.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QPixmap>

#include <cmath>
#include <numbers>

namespace {

double readableRatio(double ratio)
{
    return std::isfinite(ratio) && ratio > 0 ? ratio : 1.0;
}

// An arrowhead whose tip is `length` ahead of `base` along the unit `direction`.
QPainterPath head(QPointF base, QPointF direction, double length, double width)
{
    const QPointF across(-direction.y(), direction.x());
    QPainterPath path;
    path.moveTo(base + direction * length);
    path.lineTo(base + across * (width / 2));
    path.lineTo(base - across * (width / 2));
    path.closeSubpath();
    return path;
}

QPainterPath thick(const QPainterPath& line, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line);
}

// A straight double arrow from `from` to `to`, heads included.
QPainterPath doubleArrow(QPointF from, QPointF to, double headLength, double headWidth, double shaft)
{
    const QPointF delta = to - from;
    const QPointF unit = delta / std::hypot(delta.x(), delta.y());
    const QPointF start = from + unit * headLength, end = to - unit * headLength;
    QPainterPath line(start);
    line.lineTo(end);
    return thick(line, shaft).united(head(start, -unit, headLength, headWidth)).united(head(end, unit, headLength, headWidth));
}

} // namespace

TurnedCursor::TurnedCursor(QPainterPath shape) : m_shape(std::move(shape)) {}

QCursor TurnedCursor::cursor(double angle, double ratio)
{
    ratio = readableRatio(ratio);
    int degrees = std::isfinite(angle) ? int(std::fmod(std::round(angle), 360.0)) : 0;
    if (degrees < 0)
        degrees += 360;
    const qint64 key = qint64(degrees) << 32 | qint64(std::lround(ratio * 1000));
    if (const auto found = m_cache.constFind(key); found != m_cache.cend())
        return *found;
    ++m_made;
    const QCursor made(QPixmap::fromImage(render(m_shape, degrees, ratio)), kSize / 2, kSize / 2);
    m_cache.insert(key, made);
    return made;
}

QImage TurnedCursor::render(const QPainterPath& shape, double angle, double ratio)
{
    ratio = readableRatio(ratio);
    const int pixels = int(std::lround(kSize * ratio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(kSize / 2.0, kSize / 2.0);
    painter.rotate(-(std::isfinite(angle) ? angle : 0.0)); // counter-clockwise on screen
    painter.translate(-kSize / 2.0, -kSize / 2.0);
    painter.strokePath(shape, QPen(Qt::white, kOutline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(shape, Qt::black);
    return image;
}

QPainterPath TurnedCursor::doubleArrowShape()
{
    return doubleArrow({2, 8}, {14, 8}, 4, 7, 2);
}

QPainterPath TurnedCursor::turningArrowShape()
{
    // An arc round a centre above the box, as the ring's bottom is.
    const QPointF centre(8, 2);
    const double radius = 6.5, reach = 45 * std::numbers::pi / 180;
    const auto at = [&](double t) { return centre + QPointF(std::sin(t), std::cos(t)) * radius; };
    QPainterPath arc(at(-reach));
    for (int i = -7; i <= 7; ++i)
        arc.lineTo(at(reach * i / 7));
    QPainterPath shape = thick(arc, 2);
    const QPointF tangent(std::cos(reach), -std::sin(reach));
    shape = shape.united(head(at(reach), tangent, 3.2, 6.5));
    shape = shape.united(head(at(-reach), QPointF(-tangent.x(), tangent.y()), 3.2, 6.5));
    return shape.simplified();
}

QPainterPath TurnedCursor::scalingArrowShape()
{
    return turningArrowShape().united(doubleArrow({8, 1.5}, {8, 14.5}, 3, 5.5, 2)).simplified();
}
