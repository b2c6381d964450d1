#pragma once
// A skinned button drawn turned, like a ribbon across a corner of the
// window. Its frame is placed the way a turned view's is: `frameOrigin` (y up,
// in the parent's points) is where the unturned bounds' origin lands, and the
// bounds turn by `frameRotation` degrees (counter-clockwise) about it.
//
// The widget covers the turned shape's bounding box, with a mask of the
// shape itself, so hovering and clicks follow the shape and the empty corners
// of the box leave events to the widgets beneath. The parent must not be
// null when the frame is placed. It takes keyboard focus only while its
// centre lies inside the parent (in view); leaving the view, it passes the
// focus on. Its focus ring is the band's own rectangle. Thread: main thread.

#include "ui/controls/LXButton.h"

#include <QPointer>
#include <QPolygonF>

class CornerButton : public LXButton {
    Q_OBJECT
    Q_PROPERTY(QPointF frameOrigin READ frameOrigin WRITE setFrameOrigin)
    Q_PROPERTY(double frameRotation READ frameRotation WRITE setFrameRotation)
    Q_PROPERTY(QSizeF boundsSize READ buttonSize WRITE setBoundsSize)
public:
    Q_INVOKABLE explicit CornerButton(QWidget* parent = nullptr);

    QPointF frameOrigin() const { return m_origin; }
    void setFrameOrigin(const QPointF& origin);
    double frameRotation() const { return m_rotation; }
    void setFrameRotation(double degrees);
    QSizeF buttonSize() const override { return m_bounds; }
    void setBoundsSize(const QSizeF& size);

    // The turned bounds in the parent (y up), corners in bounds order.
    static QPolygonF turnedShape(const QPointF& origin, const QSizeF& size, double degrees);
    // From the button's own drawing space (y down, unturned) to the widget's.
    QTransform drawingTransform() const;
    // Its centre lies inside the parent: it can be seen and take focus.
    bool inView() const;
    QPainterPath focusRingShape(const QRectF& skin) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QPointF m_origin;
    double m_rotation = 0;
    QSizeF m_bounds{160, 30};
    QPointer<QWidget> m_watchedParent;
};
