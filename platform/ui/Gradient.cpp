#include "platform/ui/Gradient.h"

#include <algorithm>

GradientStop GradientStop::at(double location, const QColor& color)
{
    const QColor rgb = color.toRgb();
    return {location, rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

Gradient::Gradient(const QColor& start, const QColor& end)
    : m_stops{GradientStop::at(0, start), GradientStop::at(1, end)}
{
}

QLinearGradient Gradient::linear(QPointF from, QPointF to) const
{
    QLinearGradient gradient(from, to);
    for (const GradientStop& stop : m_stops)
        gradient.setColorAt(std::clamp(stop.location, 0.0, 1.0), stop.color());
    return gradient;
}

QColor Gradient::colorAt(double location) const
{
    if (m_stops.isEmpty())
        return {};
    QVector<GradientStop> sorted = m_stops;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const GradientStop& a, const GradientStop& b) { return a.location < b.location; });
    if (location <= sorted.first().location)
        return sorted.first().color();
    for (int i = 1; i < sorted.size(); ++i) {
        const GradientStop& a = sorted[i - 1];
        const GradientStop& b = sorted[i];
        if (location <= b.location) {
            const double t = b.location > a.location ? (location - a.location) / (b.location - a.location) : 1.0;
            auto mix = [t](double x, double y) { return float(x + (y - x) * t); };
            return QColor::fromRgbF(mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue),
                                    mix(a.alpha, b.alpha));
        }
    }
    return sorted.last().color();
}
