#pragma once
// A crop selector laid over a picture: the user drags a rectangle of a fixed
// ratio (`cropRatio`, real proportions) across the picture, and everything
// of the picture outside it is dimmed (black at 75 %).
//
// The picture's place is the active area, the largest rectangle of
// `activeAreaRatio` (the picture's width / height) centred in the view.
// `cropRect` is normalised to it, y up: (0, 0, 1, 1), the initial value, is
// the whole picture. Geometry lives in CropGeometry.h.
//
// Ratios that are zero, negative or not finite are refused with a
// "Warning: " line and change nothing; both ratios start at 1. While the
// active area is empty (the view is 0 x 0 before layout) refits and drags
// are skipped, so no rectangle ever holds NaN.
//
// Mouse: a press inside the active area starts a drag (elsewhere nothing
// happens, and the press goes on to the parent); the drag moves the centre by
// the pointer's movement over the active area's size and refits. Hovering
// over the crop rectangle with no button down shows the open hand, dragging
// the closed hand, both on the window's cursor stack keyed by the view.
// A drag whose release never comes (hidden, deleted, window deactivated, a
// popup or modal window taking the mouse, a move with no button down) ends
// as a release would. Leaving, hiding, a window change and the destructor
// pop the view's cursor. `cropRectChanged` is emitted whenever the crop
// rectangle changes. Thread: main thread.

#include "platform/ui/YUp.h"

#include <QPointer>
#include <QRectF>
#include <QWidget>

class LXCropView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QRectF cropRect READ cropRect WRITE setCropRect NOTIFY cropRectChanged)
    Q_PROPERTY(double cropRatio READ cropRatio WRITE setCropRatio)
    Q_PROPERTY(double activeAreaRatio READ activeAreaRatio WRITE setActiveAreaRatio)
    Q_PROPERTY(bool flexibleSize READ flexibleSize WRITE setFlexibleSize)
public:
    Q_INVOKABLE explicit LXCropView(QWidget* parent = nullptr);
    ~LXCropView() override;

    QRectF cropRect() const { return m_cropRect; }
    void setCropRect(const QRectF& rect);
    double cropRatio() const { return m_cropRatio; }
    // Refits the crop rectangle around its centre.
    void setCropRatio(double ratio);
    double activeAreaRatio() const { return m_activeAreaRatio; }
    void setActiveAreaRatio(double ratio);
    // Stored only.
    bool flexibleSize() const { return m_flexibleSize; }
    void setFlexibleSize(bool on) { m_flexibleSize = on; }

    // The picture's place in the view, y up; empty before layout.
    QRectF activeArea() const { return m_activeArea; }
    // The crop rectangle in view points, y up.
    QRectF cropRectInView() const;
    bool isDragging() const { return m_dragging; }

signals:
    void cropRectChanged(const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    QVariant key() const { return QVariant::fromValue<QObject*>(const_cast<LXCropView*>(this)); }
    void updateActiveArea();
    void refit(QPointF centre);
    void store(const QRectF& rect);
    // Ends a drag and shows the cursor the pointer at `point` (view, y down) asks for.
    void endDrag(QPointF point);
    void renewTracking(QPointF point);
    void pushCursor(Qt::CursorShape shape);
    void popCursor();
    QPointF yUp(QPointF point) const { return flippedPoint(point, height()); }

    QRectF m_cropRect{0, 0, 1, 1};
    double m_cropRatio = 1, m_activeAreaRatio = 1;
    bool m_flexibleSize = false;
    QRectF m_activeArea;

    bool m_dragging = false;
    QPointF m_dragStart, m_centreAtStart, m_lastPoint;
    QPointer<QWidget> m_cursorWindow; // where the cursor went
    bool m_showsOpenHand = false;
};
