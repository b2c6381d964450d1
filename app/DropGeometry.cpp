#include "app/DropGeometry.h"

#include <algorithm>

namespace {

constexpr double kStandStrip = 58;  // the strip under the display
constexpr double kStandWidth = 122; // the stand's width under a 16:10 display
constexpr double kStandHeight = 59;
// Below this view size the whole drawing, stand included, shrinks alike.
constexpr double kFullWidth = 400, kFullHeight = 358;

// The largest rectangle of the screen's proportions inside `box`, centred.
QRectF fitted(const QRectF& box, QSizeF screen)
{
    const QPointF centre = box.center();
    if (screen.width() <= 0 || screen.height() <= 0 || box.isEmpty())
        return {centre, QSizeF(0, 0)};
    QSizeF size;
    if (box.width() / box.height() > screen.width() / screen.height())
        size = QSizeF(box.height() / screen.height() * screen.width(), box.height());
    else
        size = QSizeF(box.width(), box.width() / screen.width() * screen.height());
    return {centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height()};
}

// `rect` inset by `d` on every side, shrinking to its centre at most.
QRectF inset(const QRectF& rect, double d)
{
    const double w = std::max(0.0, rect.width() - 2 * d), h = std::max(0.0, rect.height() - 2 * d);
    return {rect.center().x() - w / 2, rect.center().y() - h / 2, w, h};
}

} // namespace

DropLayout dropLayout(QSizeF view, QSizeF screen)
{
    const double width = std::max(0.0, view.width()), height = std::max(0.0, view.height());
    const double u = width / 100;
    const double s = std::clamp(std::min(width / kFullWidth, height / kFullHeight), 0.0, 1.0);
    const double strip = kStandStrip * s, standHeight = kStandHeight * s;
    DropLayout l;
    l.area = QRectF(0, strip, width, std::max(0.0, height - strip));
    l.picture = fitted(inset(l.area, 1 + 3 * u), screen);
    l.bezel = l.picture.adjusted(-3 * u, -3 * u, 3 * u, 3 * u);
    l.cornerRadius = 2 * u;

    // The stand narrows under displays wider than 16:10, to half at most.
    const QRectF& r = l.bezel;
    const double k = r.width() > 0 ? std::clamp(r.height() / r.width() * 16 / 10, 0.5, 1.0) : 1.0;
    l.stand = QRectF((width - kStandWidth * k * s) / 2, 0, kStandWidth * k * s, standHeight);
    // A display taller than the stand reaches would float: its column goes on up.
    const double neckTop = r.isEmpty() ? standHeight : std::max(standHeight, r.y() + l.cornerRadius);
    l.neck = QRectF(l.stand.x(), standHeight, l.stand.width(), neckTop - standHeight);

    l.glareFrom = QPointF(r.x() + 0.8 * r.width(), r.bottom());
    l.glareTo = QPointF(r.right(), r.y());
    l.glare = QPolygonF({l.glareFrom, QPointF(r.right(), r.bottom()), l.glareTo, QPointF(r.x() + 0.6 * r.width(), r.y())});
    return l;
}
