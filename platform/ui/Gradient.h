#pragma once
// A colour gradient: colour stops at locations 0..1, in generic RGB. Stops
// keep their components as doubles, so text forms round-trip exactly; a
// QLinearGradient is made for drawing. An empty gradient has no stops.
// Value type; any thread.

#include <QColor>
#include <QLinearGradient>
#include <QPointF>
#include <QMetaType>
#include <QVector>

struct GradientStop {
    double location = 0;
    double red = 0, green = 0, blue = 0, alpha = 1;

    QColor color() const { return QColor::fromRgbF(float(red), float(green), float(blue), float(alpha)); }
    static GradientStop at(double location, const QColor& color);
    bool operator==(const GradientStop&) const = default;
};

class Gradient {
public:
    Gradient() = default;
    explicit Gradient(QVector<GradientStop> stops) : m_stops(std::move(stops)) {}
    // From `start` at 0 to `end` at 1.
    Gradient(const QColor& start, const QColor& end);

    const QVector<GradientStop>& stops() const { return m_stops; }
    bool isEmpty() const { return m_stops.isEmpty(); }
    bool operator==(const Gradient&) const = default;

    // The gradient between two points, for QPainter.
    QLinearGradient linear(QPointF from, QPointF to) const;

    // The colour at `location`, interpolated between the stops.
    QColor colorAt(double location) const;

private:
    QVector<GradientStop> m_stops;
};

Q_DECLARE_METATYPE(Gradient)
