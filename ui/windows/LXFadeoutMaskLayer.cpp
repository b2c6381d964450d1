#include "ui/windows/LXFadeoutMaskLayer.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

double length(double value)
{
    return std::isfinite(value) ? std::max(0.0, value) : 0.0;
}

} // namespace

std::array<double, 4> LXFadeoutMaskLayer::stops(double height, double top, double bottom)
{
    if (!(height > 0) || !std::isfinite(height))
        return {0, 0, 0, 0};
    top = length(top);
    bottom = length(bottom);
    // Fades that do not fit share the height in proportion, meeting in one point.
    if (top + bottom > height) {
        const double scale = height / (top + bottom);
        top *= scale;
        bottom *= scale;
    }
    const double opaqueFrom = std::clamp(top / height, 0.0, 1.0);
    const double opaqueTo = std::clamp(1.0 - bottom / height, opaqueFrom, 1.0);
    return {0.0, opaqueFrom, opaqueTo, 1.0};
}

void LXFadeoutMaskLayer::copyContentFrom(const Layer& other)
{
    Layer::copyContentFrom(other);
    if (const auto* mask = dynamic_cast<const LXFadeoutMaskLayer*>(&other)) {
        topFadeout = mask->topFadeout;
        bottomFadeout = mask->bottomFadeout;
    }
}

void LXFadeoutMaskLayer::drawContent(QPainter& painter, const QRectF& rect) const
{
    if (!(rect.height() > 0) || !(rect.width() > 0))
        return;
    const std::array<double, 4> at = stops(rect.height(), topFadeout, bottomFadeout);
    // y up: the top is the rectangle's larger y.
    QLinearGradient gradient(QPointF(rect.x(), rect.bottom()), QPointF(rect.x(), rect.top()));
    const QColor clear(0, 0, 0, 0), opaque(0, 0, 0, 255);
    // A stop that falls on its neighbour would replace it: no fade there.
    QGradientStops list;
    if (at[1] > at[0])
        list.append({at[0], clear});
    list.append({at[1], opaque});
    if (at[2] > at[1])
        list.append({at[2], opaque});
    if (at[3] > at[2])
        list.append({at[3], clear});
    gradient.setStops(list);
    painter.fillRect(rect, gradient);
}
