#pragma once
// The rotation ring's geometry: pure functions in y-up space around the
// centre of the view's bounds, angles in degrees counter-clockwise from the
// positive x axis. Value functions; any thread.

#include <QPointF>
#include <QSizeF>

namespace RingGeometry {

// Half the width of the band that takes presses, on each side of the ring.
constexpr double kBand = 8;
// How far (in points along the ring) a quarter point reaches.
constexpr double kQuarterReach = 7;

struct Polar {
    double distance = 0.001; // never below 0.001
    double angle = 0;        // (-180, 180], negative below the centre
};

// The radius reduction in percent as used: clamped to [0, 100), 0 when not
// finite, so the ring never shrinks to or through its centre.
double usableReduction(double percent);
// ((w + h) / 4 - 5) x (1 - reduction / 100), never below 0.
double radius(QSizeF bounds, double reductionPercent);
// The polar position of an offset from the centre.
Polar polar(QPointF offset);
// True when `distance` lies in the band r - 8 .. r + 8.
bool inBand(double distance, double radius);
// True within an arc of 7 points of 0, 90, 180 or 270 degrees.
bool nearQuarterPoint(const Polar& position);
// The turn from `from` to `to`, normalised to (-180, 180].
double step(double from, double to);

} // namespace RingGeometry
