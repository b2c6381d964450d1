#include "app/LookTurnOverlay.h"
#include "app/OverlayKeys.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "ui/controls/RingGeometry.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Room between the ring's band and the turned photo's corners.
constexpr double kClearance = 3;

double normalised(double degrees)
{
    double turned = std::fmod(degrees, 360.0);
    if (turned <= -180)
        turned += 360;
    else if (turned > 180)
        turned -= 360;
    return turned;
}

} // namespace

double snappedRotation(double degrees, double tolerance)
{
    if (!std::isfinite(degrees))
        return 0;
    const double turned = normalised(degrees);
    const double quarter = 90 * std::round(turned / 90);
    if (std::abs(turned - quarter) <= tolerance)
        return quarter == -180 ? 180 : quarter;
    return turned;
}

LookTurnOverlay::LookTurnOverlay(QWidget* parent) : QWidget(parent), m_ring(new LXRotationView(this))
{
    setFocusPolicy(Qt::StrongFocus);
    m_ring->setDelegate(this);
    m_ring->setHint(Bundle::mainBundle().localizedString(QStringLiteral("Drag the ring to turn the photo")));
    hide();
}

bool LookTurnOverlay::begin(const QImage& photo, const QRectF& area, double startDegrees)
{
    if (photo.isNull() || area.isEmpty()) {
        Log::line(lcApp, photo.isNull() ? QStringLiteral("Warning: cannot turn: there is no photo to turn")
                                        : QStringLiteral("Warning: cannot turn: there is no room to show the photo"));
        return false;
    }
    m_photo = photo;
    m_start = m_rotation = snappedRotation(startDegrees, 0);
    m_dragging = false;
    setArea(area);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    return true;
}

void LookTurnOverlay::setArea(const QRectF& area)
{
    setGeometry(area.toAlignedRect());
}

QRectF LookTurnOverlay::photoRect() const
{
    if (m_photo.isNull())
        return {};
    // The photo's diagonal fits inside the ring's band, so it turns freely.
    const double reach = m_ring->radius() - RingGeometry::kBand - kClearance;
    const double diagonal = std::hypot(double(m_photo.width()), double(m_photo.height()));
    const double scale = std::max(0.0, 2 * reach / diagonal);
    const QSizeF shown(m_photo.width() * scale, m_photo.height() * scale);
    return {QRectF(rect()).center() - QPointF(shown.width() / 2, shown.height() / 2), shown};
}

void LookTurnOverlay::accept()
{
    hide(); // ends a drag first
    emit accepted(m_rotation);
}

void LookTurnOverlay::cancel()
{
    hide();
    turnTo(m_start, false);
    emit cancelled();
}

void LookTurnOverlay::rotationViewDidRotateTo(LXRotationView*, double angle, bool inProgress)
{
    if (!m_dragging)
        m_dragBase = m_rotation;
    m_dragging = inProgress;
    turnTo(snappedRotation(m_dragBase + angle), inProgress);
}

void LookTurnOverlay::turnTo(double degrees, bool inProgress)
{
    m_rotation = degrees;
    update();
    emit rotationChanged(degrees, inProgress);
}

void LookTurnOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 200));
    const QRectF place = photoRect();
    if (place.isEmpty())
        return;
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.translate(place.center());
    painter.rotate(-m_rotation); // counter-clockwise on screen
    painter.drawImage(place.translated(-place.center()), m_photo);
}

void LookTurnOverlay::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return accept();
    case Qt::Key_Escape:
        return cancel();
    case Qt::Key_Left:
        return turnTo(snappedRotation(m_rotation + 1, 0), false);
    case Qt::Key_Right:
        return turnTo(snappedRotation(m_rotation - 1, 0), false);
    case Qt::Key_PageUp:
        return turnTo(snappedRotation(m_rotation + 90, 0), false);
    case Qt::Key_PageDown:
        return turnTo(snappedRotation(m_rotation - 90, 0), false);
    default:
        QWidget::keyPressEvent(event);
    }
}

void LookTurnOverlay::resizeEvent(QResizeEvent*)
{
    // The ring: the largest circle of the rectangle, centred.
    const int side = std::min(width(), height());
    m_ring->setGeometry((width() - side) / 2, (height() - side) / 2, side, side);
}

bool LookTurnOverlay::event(QEvent* event)
{
    if (claimsShortcutKey(event, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Left, Qt::Key_Right,
                                  Qt::Key_PageUp, Qt::Key_PageDown}))
        return true;
    return QWidget::event(event);
}
