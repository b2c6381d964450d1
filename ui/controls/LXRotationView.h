#pragma once
// A ring round something on screen that the user drags to turn it, or to
// scale it when the drag starts near one of the ring's quarter points.
//
// Geometry (RingGeometry.h) is y-up round the centre of the bounds; angles
// are counter-clockwise. The ring takes presses only in its band (r +- 8):
// the widget is shaped to the band with QWidget::setMask, so everything else
// reaches the widgets under it. With `showCenterArea` the disc inside the
// band is painted by a sibling made for it, which lets every event through.
//
// Drags report the turn since the press, accumulated step by step (each step
// normalised to (-180, 180], so crossing the left side never jumps by 360),
// and, in a scaling drag, the distance from the centre against the press's.
// Every drag ends with the "not in progress" messages: on release, and also
// when the ring is hidden or deleted, the window deactivates, a popup or
// modal window takes the mouse, or a move arrives with no button down.
//
// While the pointer is over the band the ring pushes a cursor turned with it
// on its window's cursor stack and its `hint` on the window's hint line, both
// keyed by the ring; leaving, hiding, a window change and the destructor take
// both away again. A remote-controlled ring changes no cursor or hint on
// hover. `globalLayerRotation` is how far a host shows the ring turned on
// screen (degrees, counter-clockwise); the cursor turns by it as well.
//
// Delegate: any QObject implementing RotationViewDelegate, held weakly;
// scale messages go only to one that also implements RotationViewResizing.
// Colours: `fillColorName` is a colour description (LXColor); a pattern, when
// named, replaces the fill. Thread: main thread.

#include "ui/controls/RingGeometry.h"
#include "ui/controls/TurnedCursor.h"

#include <QBrush>
#include <QPainterPath>
#include <QPointer>
#include <QWidget>

#include <optional>

class LXRotationView;

class RotationViewDelegate {
public:
    virtual ~RotationViewDelegate() = default;
    // `angle`: degrees turned since the press; false for the drag's last message.
    virtual void rotationViewDidRotateTo(LXRotationView* view, double angle, bool inProgress) = 0;
};

class RotationViewResizing {
public:
    virtual ~RotationViewResizing() = default;
    // `scale`: the pointer's distance from the centre over the press's.
    virtual void rotationViewDidResizeTo(LXRotationView* view, double scale, bool inProgress) = 0;
};

class LXRotationView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
    Q_PROPERTY(QString fillColorName READ fillColorName WRITE setFillColorName)
    Q_PROPERTY(QString patternName READ patternName WRITE setPatternName)
    Q_PROPERTY(bool dashed READ dashed WRITE setDashed)
    Q_PROPERTY(bool showCenterArea READ showCenterArea WRITE setShowCenterArea)
    Q_PROPERTY(bool highlighted READ highlighted WRITE setHighlighted)
    Q_PROPERTY(double radiusReduction READ radiusReduction WRITE setRadiusReduction)
    Q_PROPERTY(QString hint READ hint WRITE setHint)
    Q_PROPERTY(bool isRemoteControlled READ isRemoteControlled WRITE setIsRemoteControlled)
    Q_PROPERTY(double globalLayerRotation READ globalLayerRotation WRITE setGlobalLayerRotation)
    Q_PROPERTY(QObject* delegate READ delegate WRITE setDelegate)
public:
    Q_INVOKABLE explicit LXRotationView(QWidget* parent = nullptr);
    ~LXRotationView() override;

    // Invalid: the palette's highlight colour.
    QColor fillColor() const { return m_fillColor; }
    void setFillColor(const QColor& color);
    QString fillColorName() const { return m_fillColorName; }
    void setFillColorName(const QString& description);
    QString patternName() const { return m_patternName; }
    // A picture of the bundle; an unknown name gives a "Warning: " line and no pattern.
    void setPatternName(const QString& name);
    bool dashed() const { return m_dashed; }
    void setDashed(bool on);
    bool showCenterArea() const { return m_showCenterArea; }
    void setShowCenterArea(bool on);
    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool on);
    double radiusReduction() const { return m_radiusReduction; }
    // Kept in [0, 100).
    void setRadiusReduction(double percent);
    QString hint() const { return m_hint; }
    void setHint(const QString& hint) { m_hint = hint; }
    bool isRemoteControlled() const { return m_isRemoteControlled; }
    void setIsRemoteControlled(bool on);
    double globalLayerRotation() const { return m_globalLayerRotation; }
    void setGlobalLayerRotation(double degrees) { m_globalLayerRotation = degrees; }
    QObject* delegate() const { return m_delegate; }
    // An object that is not an RotationViewDelegate gives a "Warning: " line.
    void setDelegate(QObject* delegate);

    double radius() const;
    // The polar position of a point of the view (Qt's, y down).
    RingGeometry::Polar polarAt(QPointF point) const;
    bool takesPoint(QPointF point) const;

    bool isDragging() const { return m_dragging; }
    bool isRescaling() const { return m_rescaling; }
    // How often a new cursor was chosen (a change of rounded angle or of scaling).
    int cursorChanges() const { return m_cursorChanges; }
    // The cursor pushed now, if any.
    std::optional<QCursor> shownCursor() const;
    // The sibling that paints the centre area, while shown.
    QWidget* centerArea() const { return m_centerArea; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool event(QEvent* event) override;

private:
    QVariant key() const { return QVariant::fromValue<QObject*>(const_cast<LXRotationView*>(this)); }
    QBrush fillBrush() const;
    void reshape();
    void placeCenterArea();
    // Sends the drag's last messages; false when the view went meanwhile.
    bool finishDrag();
    bool sendRotation(bool inProgress);
    void updateCursor(QPointF point);
    void removeCursor();

    QColor m_fillColor;
    QString m_fillColorName, m_patternName, m_hint;
    QBrush m_pattern;
    QPainterPath m_band; // the stroked ring, made again when its shape changes
    bool m_dashed = false, m_showCenterArea = false, m_highlighted = false, m_isRemoteControlled = false;
    double m_radiusReduction = 0, m_globalLayerRotation = 0;
    QPointer<QObject> m_delegate;

    bool m_dragging = false, m_rescaling = false;
    RingGeometry::Polar m_start;
    double m_lastAngle = 0, m_angleChange = 0, m_scaleChange = 1;

    TurnedCursor m_turning, m_scaling;
    std::optional<QCursor> m_cursor;
    std::optional<double> m_cursorAngle;
    bool m_cursorRescaling = false;
    int m_cursorChanges = 0;
    QPointer<QWidget> m_effectsWindow; // where the cursor and hint went

    QPointer<QWidget> m_centerArea;
};
