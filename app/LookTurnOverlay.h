#pragma once
// Turning the photo: the photo drawn over a rectangle of a parent view (the
// drawn screen), small enough to turn inside the rotation ring round it.
// Dragging the ring turns the photo live (rotationChanged with "in progress"
// true, then false at the drag's end), snapping to the quarter points when
// within kTurnSnapDegrees of one. Left and Right turn by one degree, Page Up
// and Page Down by a quarter. Return or Enter accepts: accepted(degrees) and
// the overlay hides; Escape restores the starting turn (rotationChanged with
// it, not in progress), emits cancelled() and hides.
//
// The photo given is the one the turn applies to: the cropped one when the
// look crops (a look crops before it turns). Degrees are the look's:
// counter-clockwise, in (-180, 180].
// A null photo or an empty rectangle is refused with one "Warning: " line
// and false; nothing shows. Ownership: a child of the parent view; the ring
// is the overlay's child. Thread: main thread.

#include "ui/controls/LXRotationView.h"

#include <QImage>
#include <QRectF>
#include <QWidget>

// How near a quarter point (degrees) a turn snaps to it.
constexpr double kTurnSnapDegrees = 3;

// `degrees` normalised to (-180, 180], then a quarter point when within
// `tolerance` of one; a value that is not finite gives 0.
double snappedRotation(double degrees, double tolerance = kTurnSnapDegrees);

class LookTurnOverlay : public QWidget, public RotationViewDelegate {
    Q_OBJECT
public:
    explicit LookTurnOverlay(QWidget* parent);

    bool begin(const QImage& photo, const QRectF& area, double startDegrees = 0);
    void setArea(const QRectF& area);
    double rotation() const { return m_rotation; }

    void accept();
    void cancel();

    LXRotationView* ring() const { return m_ring; }
    // The photo's shown rectangle before turning, in the overlay.
    QRectF photoRect() const;

    void rotationViewDidRotateTo(LXRotationView* view, double angle, bool inProgress) override;

signals:
    void rotationChanged(double degrees, bool inProgress);
    void accepted(double degrees);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void turnTo(double degrees, bool inProgress);

    QImage m_photo;
    LXRotationView* m_ring = nullptr;
    double m_start = 0, m_rotation = 0, m_dragBase = 0;
    bool m_dragging = false;
};
