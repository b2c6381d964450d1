#pragma once
// A grab handle (skin "Grab") that reports mouse drags to its target: the
// action is sent at mouse down (dragState 0), on every drag (1) and at
// mouse up (2); the target reads the state and distances from the sender.
// Distances are in window points, y up, each axis rounded to a whole number.
// Thread: main thread.

#include "ui/controls/LXButton.h"

class LXDragButton : public LXButton {
    Q_OBJECT
    Q_PROPERTY(int dragState READ dragState)
public:
    Q_INVOKABLE explicit LXDragButton(QWidget* parent = nullptr);

    int dragState() const { return m_dragState; }
    QSizeF lastDragDistance() const { return m_lastDragDistance; }
    QSizeF fullDragDistance() const { return m_fullDragDistance; }

    // The three steps, with the mouse in window points, y up.
    void dragStarted(QPointF point);
    void dragMoved(QPointF point);
    void dragEnded();

protected:
    void mouseDown(QMouseEvent* event) override;
    void mouseDragged(QMouseEvent* event) override;
    void mouseUp(QMouseEvent* event) override;

private:
    QPointF windowPoint(QMouseEvent* event) const;
    void send();

    int m_dragState = 2;
    QPointF m_startPoint;
    QSizeF m_lastDragDistance, m_fullDragDistance;
};
