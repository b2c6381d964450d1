#include "ui/controls/RingGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace RingGeometry {

double usableReduction(double percent)
{
    if (!std::isfinite(percent))
        return 0;
    return std::clamp(percent, 0.0, std::nextafter(100.0, 0.0));
}

double radius(QSizeF bounds, double reductionPercent)
{
    const double full = (bounds.width() + bounds.height()) / 4 - 5;
    return std::max(0.0, full * (1 - usableReduction(reductionPercent) / 100));
}

Polar polar(QPointF offset)
{
    const double distance = std::max(0.001, std::hypot(offset.x(), offset.y()));
    const double cosine = std::clamp(offset.x() / distance, -1.0, 1.0);
    const double angle = std::acos(cosine) * 180 / std::numbers::pi;
    return {distance, offset.y() < 0 ? -angle : angle};
}

bool inBand(double distance, double radius)
{
    return distance >= radius - kBand && distance <= radius + kBand;
}

bool nearQuarterPoint(const Polar& position)
{
    const double q = std::abs(std::fmod(position.angle, 90.0));
    const double reach = kQuarterReach / position.distance * 180 / std::numbers::pi;
    return reach >= std::min(q, 90 - q);
}

double step(double from, double to)
{
    double turn = std::fmod(to - from, 360.0);
    if (turn > 180)
        turn -= 360;
    else if (turn <= -180)
        turn += 360;
    return turn;
}

} // namespace RingGeometry
