#include "ui/controls/LXDragButton.h"

#include "platform/ui/YUp.h"

#include <QMouseEvent>

#include <cmath>

LXDragButton::LXDragButton(QWidget* parent) : LXButton(parent)
{
    setName(QStringLiteral("Grab"));
}

void LXDragButton::dragStarted(QPointF point)
{
    m_dragState = 0;
    m_startPoint = point;
    m_lastDragDistance = m_fullDragDistance = QSizeF(0, 0);
    send();
}

void LXDragButton::dragMoved(QPointF point)
{
    const QSizeF full(std::round(point.x() - m_startPoint.x()), std::round(point.y() - m_startPoint.y()));
    m_lastDragDistance = full - m_fullDragDistance;
    m_fullDragDistance = full;
    m_dragState = 1;
    send();
}

void LXDragButton::dragEnded()
{
    m_lastDragDistance = QSizeF(0, 0);
    m_dragState = 2;
    send();
}

QPointF LXDragButton::windowPoint(QMouseEvent* event) const
{
    const QPointF point = mapTo(window(), event->position());
    return flippedPoint(point, window()->height());
}

void LXDragButton::mouseDown(QMouseEvent* event)
{
    dragStarted(windowPoint(event));
}

void LXDragButton::mouseDragged(QMouseEvent* event)
{
    dragMoved(windowPoint(event));
}

void LXDragButton::mouseUp(QMouseEvent*)
{
    dragEnded();
}

void LXDragButton::send()
{
    sendAction();
}
