#pragma once
// The crop view's geometry: pure functions in y-up space. The crop
// rectangle is normalised to the active area (the picture's place in the
// view): (0, 0, 1, 1) is the whole picture. Value functions; any thread.

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace CropGeometry {

// A ratio the view can use: finite and above 0.
bool usableRatio(double ratio);

// The largest rectangle of `ratio` (width / height) centred in bounds of
// `size` with the origin at (0, 0); empty for empty bounds or an unusable ratio.
QRectF activeArea(QSizeF size, double ratio);

// The crop rectangle of `cropRatio` (real proportions) around `centre`, in an
// active area of proportions `areaRatio`: the width kept when the crop is
// wider than tall, else the height, the other side derived; a side that
// would pass the picture is cut to it and the other derived again; then the
// centre moves as far as needed to keep the rectangle inside 0..1.
QRectF refit(const QRectF& crop, QPointF centre, double cropRatio, double areaRatio);

// A normalised rectangle in the coordinates `area` is in.
QRectF inArea(const QRectF& normalised, const QRectF& area);

} // namespace CropGeometry
