#include "app/CornerButton.h"

#include "platform/ui/YUp.h"

#include <QEvent>
#include <QPainter>
#include <QRegion>

#include <cmath>

CornerButton::CornerButton(QWidget* parent) : LXButton(parent) {}

QPolygonF CornerButton::turnedShape(const QPointF& origin, const QSizeF& size, double degrees)
{
    QTransform turn;
    turn.translate(origin.x(), origin.y());
    turn.rotate(degrees);
    return turn.map(QPolygonF(QRectF(QPointF(0, 0), size)));
}

void CornerButton::setFrameOrigin(const QPointF& origin)
{
    m_origin = origin;
    place();
}

void CornerButton::setFrameRotation(double degrees)
{
    m_rotation = degrees;
    place();
}

void CornerButton::setBoundsSize(const QSizeF& size)
{
    m_bounds = size;
    place();
}

QTransform CornerButton::drawingTransform() const
{
    const double parentHeight = parentWidget() ? parentWidget()->height() : 0;
    const QRect box = geometry();
    // Drawing (y down) -> bounds (y up) -> turned in the parent (y up) -> widget (y down).
    const QTransform toBounds(1, 0, 0, -1, 0, m_bounds.height());
    QTransform turn;
    turn.translate(m_origin.x(), m_origin.y());
    turn.rotate(m_rotation);
    const QTransform toWidget(1, 0, 0, -1, -box.x(), parentHeight - box.y());
    return toBounds * turn * toWidget;
}

void CornerButton::place()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    if (parent != m_watchedParent) {
        if (m_watchedParent)
            m_watchedParent->removeEventFilter(this);
        parent->installEventFilter(this);
        m_watchedParent = parent;
    }
    const QRectF box = turnedShape(m_origin, m_bounds, m_rotation).boundingRect();
    setGeometry(flippedRect(box, parent->height()).toAlignedRect());
    const QPolygonF shape = drawingTransform().map(QPolygonF(QRectF(QPointF(0, 0), m_bounds)));
    setMask(QRegion(shape.toPolygon()));
    const bool shown = inView();
    setFocusPolicy(shown ? Qt::StrongFocus : Qt::NoFocus);
    if (!shown && hasFocus()) {
        // The focus goes on to the next control that takes it from the keyboard.
        QWidget* next = nextInFocusChain();
        while (next != this && !(next->isVisible() && next->isEnabled() && (next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        if (next != this)
            next->setFocus(Qt::TabFocusReason);
        else
            clearFocus();
    }
    update();
}

bool CornerButton::inView() const
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return false;
    const QPointF centre = turnedShape(m_origin, m_bounds, m_rotation).boundingRect().center();
    return QRectF(QPointF(0, 0), QSizeF(parent->size())).contains(centre);
}

QPainterPath CornerButton::focusRingShape(const QRectF& skin) const
{
    QPainterPath path;
    path.addRect(skin);
    return path;
}

void CornerButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setTransform(drawingTransform());
    drawButton(painter);
}

bool CornerButton::hitButton(const QPoint& pos) const
{
    return drawingTransform().map(QPolygonF(QRectF(QPointF(0, 0), m_bounds))).containsPoint(pos, Qt::OddEvenFill);
}

bool CornerButton::eventFilter(QObject* watched, QEvent* event)
{
    // The frame is y up: a taller parent moves the widget.
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return LXButton::eventFilter(watched, event);
}
