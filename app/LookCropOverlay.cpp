#include "app/LookCropOverlay.h"
#include "app/OverlayKeys.h"

#include "platform/foundation/Log.h"
#include "platform/ui/YUp.h"
#include "ui/controls/CropGeometry.h"
#include "ui/controls/LXCropView.h"

#include <QKeyEvent>
#include <QPainter>

namespace {

// How far an arrow key moves the crop: a fiftieth of the photo.
constexpr double kNudge = 0.02;

// The look's crop (top-left origin) and the crop view's (y up) are mirror
// images of each other in the unit square.
QRectF mirrored(const QRectF& crop)
{
    return flippedRect(crop, 1);
}

} // namespace

LookCropOverlay::LookCropOverlay(QWidget* parent) : QWidget(parent), m_cropView(new LXCropView(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_cropView->installEventFilter(this);
    connect(m_cropView, &LXCropView::cropRectChanged, this, [this] { emit cropChanged(crop()); });
    hide();
}

bool LookCropOverlay::begin(const QImage& photo, const QRectF& area, double screenRatio, const QRectF& start)
{
    QString problem;
    if (photo.isNull() || photo.width() <= 0 || photo.height() <= 0)
        problem = QStringLiteral("there is no photo to crop");
    else if (area.isEmpty())
        problem = QStringLiteral("there is no room to show the photo");
    else if (!CropGeometry::usableRatio(screenRatio))
        problem = QStringLiteral("the screen's proportions (%1) are unusable").arg(screenRatio);
    if (!problem.isEmpty()) {
        Log::line(lcApp, QStringLiteral("Warning: cannot crop: ") + problem);
        return false;
    }
    m_photo = photo;
    setArea(area);
    // The ratios before the rectangle, then a refit about its centre.
    m_cropView->setActiveAreaRatio(double(photo.width()) / photo.height());
    m_cropView->setCropRatio(screenRatio);
    m_cropView->setCropRect(start.isEmpty() ? QRectF(0, 0, 1, 1) : mirrored(start));
    m_cropView->setCropRatio(screenRatio);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    return true;
}

void LookCropOverlay::setArea(const QRectF& area)
{
    setGeometry(area.toAlignedRect());
    m_cropView->setGeometry(rect());
}

QRectF LookCropOverlay::crop() const
{
    return mirrored(m_cropView->cropRect());
}

void LookCropOverlay::accept()
{
    const QRectF chosen = crop();
    hide();
    emit accepted(chosen);
}

void LookCropOverlay::cancel()
{
    hide();
    emit cancelled();
}

void LookCropOverlay::nudge(double dx, double dy)
{
    m_cropView->setCropRect(m_cropView->cropRect().translated(dx, dy));
    m_cropView->setCropRatio(m_cropView->cropRatio()); // the refit keeps it on the photo
}

void LookCropOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRectF place = flippedRect(m_cropView->activeArea(), m_cropView->height());
    if (m_photo.isNull() || place.isEmpty())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(place, m_photo);
}

void LookCropOverlay::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return accept();
    case Qt::Key_Escape:
        return cancel();
    case Qt::Key_Left:
        return nudge(-kNudge, 0);
    case Qt::Key_Right:
        return nudge(kNudge, 0);
    case Qt::Key_Up:
        return nudge(0, kNudge);
    case Qt::Key_Down:
        return nudge(0, -kNudge);
    default:
        QWidget::keyPressEvent(event);
    }
}

bool LookCropOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cropView && event->type() == QEvent::MouseButtonDblClick) {
        accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool LookCropOverlay::event(QEvent* event)
{
    if (claimsShortcutKey(event, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Left, Qt::Key_Right,
                                  Qt::Key_Up, Qt::Key_Down}))
        return true;
    return QWidget::event(event);
}
