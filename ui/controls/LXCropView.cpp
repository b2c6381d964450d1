#include "ui/controls/LXCropView.h"

#include "platform/foundation/Log.h"
#include "platform/ui/YUp.h"
#include "ui/controls/CropGeometry.h"
#include "util/LXCursorStack.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

bool finite(const QRectF& rect)
{
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width())
           && std::isfinite(rect.height());
}

bool refuse(double ratio, const char* what)
{
    if (CropGeometry::usableRatio(ratio))
        return false;
    Log::line(lcControls, QStringLiteral("Warning: the crop view cannot use %1 as its %2")
                              .arg(ratio)
                              .arg(QLatin1String(what)));
    return true;
}

} // namespace

LXCropView::LXCropView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    updateActiveArea();
}

LXCropView::~LXCropView()
{
    m_dragging = false;
    popCursor();
}

void LXCropView::setCropRect(const QRectF& rect)
{
    if (!finite(rect)) {
        Log::line(lcControls, QStringLiteral("Warning: the crop view cannot use a crop rectangle that is not finite"));
        return;
    }
    store(rect);
}

void LXCropView::setCropRatio(double ratio)
{
    if (refuse(ratio, "crop ratio"))
        return;
    m_cropRatio = ratio;
    refit(m_cropRect.center());
}

void LXCropView::setActiveAreaRatio(double ratio)
{
    if (refuse(ratio, "picture's ratio"))
        return;
    m_activeAreaRatio = ratio;
    updateActiveArea();
}

QRectF LXCropView::cropRectInView() const
{
    return CropGeometry::inArea(m_cropRect, m_activeArea);
}

void LXCropView::updateActiveArea()
{
    m_activeArea = CropGeometry::activeArea(QSizeF(size()), m_activeAreaRatio);
    refit(m_cropRect.center());
    update();
}

void LXCropView::refit(QPointF centre)
{
    if (m_activeArea.isEmpty())
        return;
    store(CropGeometry::refit(m_cropRect, centre, m_cropRatio, m_activeArea.width() / m_activeArea.height()));
}

void LXCropView::store(const QRectF& rect)
{
    if (rect == m_cropRect)
        return;
    m_cropRect = rect;
    update();
    emit cropRectChanged(rect);
}

void LXCropView::paintEvent(QPaintEvent*)
{
    if (m_activeArea.isEmpty())
        return;
    // Not antialiased: the dimming then covers exactly the device pixels the
    // image view's picture covers, without a seam at the picture's edges.
    QPainter painter(this);
    const QRectF area = flippedRect(m_activeArea, height());
    const QRectF crop = flippedRect(cropRectInView(), height());
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    ring.addRect(area);
    ring.addRect(crop);
    painter.fillPath(ring, QColor(0, 0, 0, 191));
    // A thin light edge marks the rectangle on dark pictures too.
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(crop.adjusted(0.5, 0.5, -0.5, -0.5));
}

void LXCropView::mousePressEvent(QMouseEvent* event)
{
    const QPointF point = yUp(event->position());
    if (event->button() != Qt::LeftButton || m_activeArea.isEmpty() || !m_activeArea.contains(point)) {
        event->ignore();
        return;
    }
    m_dragging = true;
    m_dragStart = point;
    m_centreAtStart = m_cropRect.center();
    m_lastPoint = event->position();
    pushCursor(Qt::ClosedHandCursor);
}

void LXCropView::mouseMoveEvent(QMouseEvent* event)
{
    m_lastPoint = event->position();
    if (m_dragging && !(event->buttons() & Qt::LeftButton))
        endDrag(event->position()); // the release went elsewhere
    if (!m_dragging) {
        renewTracking(event->position());
        return;
    }
    if (m_activeArea.isEmpty())
        return;
    const QPointF moved = yUp(event->position()) - m_dragStart;
    refit(m_centreAtStart + QPointF(moved.x() / m_activeArea.width(), moved.y() / m_activeArea.height()));
}

void LXCropView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    endDrag(event->position());
}

void LXCropView::endDrag(QPointF point)
{
    m_dragging = false;
    renewTracking(point);
}

void LXCropView::renewTracking(QPointF point)
{
    // Tracking exists only with no button down and a superview.
    const bool inside = parentWidget() && isVisible() && QGuiApplication::mouseButtons() == Qt::NoButton
                        && flippedRect(cropRectInView(), height()).contains(point);
    if (inside)
        pushCursor(Qt::OpenHandCursor);
    else
        popCursor();
}

void LXCropView::pushCursor(Qt::CursorShape shape)
{
    QWidget* target = window();
    if (m_cursorWindow && m_cursorWindow != target)
        popCursor();
    const bool openHand = shape == Qt::OpenHandCursor;
    if (m_cursorWindow == target && m_showsOpenHand == openHand)
        return;
    LXCursorStack::pushCursor(QCursor(shape), key(), target);
    m_cursorWindow = target;
    m_showsOpenHand = openHand;
}

void LXCropView::popCursor()
{
    if (m_cursorWindow)
        LXCursorStack::popCursorForKey(key(), m_cursorWindow);
    m_cursorWindow = nullptr;
}

void LXCropView::leaveEvent(QEvent* event)
{
    const bool mouseTaken = QApplication::activePopupWidget() || QApplication::activeModalWidget()
                            || QGuiApplication::mouseButtons() == Qt::NoButton;
    if (m_dragging && mouseTaken)
        m_dragging = false;
    if (!m_dragging)
        popCursor();
    QWidget::leaveEvent(event);
}

void LXCropView::hideEvent(QHideEvent* event)
{
    m_dragging = false;
    popCursor();
    QWidget::hideEvent(event);
}

void LXCropView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateActiveArea();
}

bool LXCropView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
        if (m_dragging)
            endDrag(m_lastPoint);
        break;
    case QEvent::ParentAboutToChange:
        m_dragging = false;
        popCursor();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
