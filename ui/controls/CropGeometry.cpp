#include "ui/controls/CropGeometry.h"

#include <algorithm>
#include <cmath>

namespace CropGeometry {

bool usableRatio(double ratio)
{
    return std::isfinite(ratio) && ratio > 0;
}

QRectF activeArea(QSizeF size, double ratio)
{
    if (size.isEmpty() || !usableRatio(ratio))
        return {};
    QRectF area(QPointF(0, 0), size);
    if (size.width() / size.height() > ratio) {
        area.setWidth(size.height() * ratio);
        area.moveLeft((size.width() - area.width()) / 2);
    } else {
        area.setHeight(size.width() / ratio);
        area.moveTop((size.height() - area.height()) / 2);
    }
    return area;
}

QRectF refit(const QRectF& crop, QPointF centre, double cropRatio, double areaRatio)
{
    double w = crop.width(), h = crop.height();
    if (cropRatio > 1)
        h = w / cropRatio * areaRatio;
    else
        w = cropRatio * h / areaRatio;
    // Kept to the picture: a derived side may not pass it.
    if (w > 1) {
        w = 1;
        h = w / cropRatio * areaRatio;
    }
    if (h > 1) {
        h = 1;
        w = cropRatio * h / areaRatio;
    }
    const double cx = std::max(std::min(centre.x(), 1 - w / 2), w / 2);
    const double cy = std::max(std::min(centre.y(), 1 - h / 2), h / 2);
    return {cx - w / 2, cy - h / 2, w, h};
}

QRectF inArea(const QRectF& normalised, const QRectF& area)
{
    return {area.x() + normalised.x() * area.width(), area.y() + normalised.y() * area.height(),
            normalised.width() * area.width(), normalised.height() * area.height()};
}

} // namespace CropGeometry
