#pragma once
// The resize frame's rules as pure functions in the frame's own y-up space
// (origin bottom left, points): which sides a press grabs, the size change a
// drag makes, where presses count as the frame's, and which way the cursor's
// double arrow points. LXResizeView turns Qt's y-down positions over once
// before it asks. Value functions; any thread.

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace ResizeGeometry {

// Sides as a bit mask.
enum Side { kTop = 1, kBottom = 4, kLeft = 8, kRight = 32, kAllSides = 63 };

constexpr double kGrabDistance = 15; // a press this near an edge grabs it
constexpr double kBandWidth = 10;    // the frame takes presses only this near its allowed edges

// What a press grabs: the sides, the factors (x, y, width, height) that turn
// pointer movement into a size change, and the press stored as the distance
// from the edge that stays fixed.
struct Grab {
    int sides = 0;
    QRectF factors;
    QPointF origin;
};

// The grab of a press at `point` in bounds of `size` with `allowed` sides.
Grab grabAt(QPointF point, QSizeF size, int allowed);

// The size change of a drag to `point`, measured against the bounds the
// frame has now (`size`), so a delegate that applies each change at once
// gets every bit of movement exactly once.
QSizeF changeFor(const Grab& grab, QPointF point, QSizeF size);

// The inner rectangle whose presses belong to what lies under or in the
// frame: the bounds less kBandWidth on each allowed side.
QRectF innerRect(QSizeF size, int allowed);
// True when a press at `point` is the frame's own: in the bounds, not inside.
bool hitsBand(QPointF point, QSizeF size, int allowed);

// The double arrow's angle (degrees, counter-clockwise) for the pointer at
// `point`: 0 / 180 at the right / left edge, 90 / 270 at the top / bottom,
// 45 or 135 at corners (the arrow looks the same half a turn on).
double cursorAngle(QPointF point, QSizeF size, int allowed);

} // namespace ResizeGeometry
