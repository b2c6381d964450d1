#pragma once
// A frame drawn round something on screen whose sides and corners the user
// drags to resize it, with optional tabs above and below carrying small
// controls. The frame decides which sides a press grabs and turns pointer
// movement into size changes for its delegate; the delegate does the resizing.
//
// Delegate (weak, a QObject that also derives from ResizeViewDelegate;
// any other object is ignored): resizeView(view, sides, change, state) with
// state 0 at the press (zero change), 1 for each move, 2 at the end (zero
// change). Each move reports the change against the frame's bounds as they
// are at that moment, so a delegate applies it at once (synchronously, by
// resizing the frame): five moves of 10 points give five changes of 10,
// whatever the pointer's distance from the press. State 2 always comes: at
// the release, and also when the frame is hidden or destroyed mid-drag, its
// window deactivates (a modal window took the mouse), a pop-up opens, it
// leaves its window, or a move arrives with no button down. During the
// destructor the view is still a QWidget but no longer an LXResizeView.
//
// Presses: the frame takes only presses in the band kBandWidth points wide
// along its allowed sides; its widget is shaped to that band (setMask), so
// presses, hovering and cursors inside it reach the widgets under the frame.
//
// Tabs: Qt clips children to their parent and a mask would cut them too, so
// the tabs are siblings of the frame (children of its parent), kept centred
// above and below it and shown and hidden with it. A tab's content (set by
// topTabContent / bottomTabContent; the frame's tab takes it over) is centred
// horizontally in its tab whenever the frame's size changes.
//
// Cursor: over the band (and while dragging) a double arrow turned to the
// grabbed edge or corner plus `globalLayerRotation` (how far a host shows
// the frame turned on screen, degrees counter-clockwise) is pushed on the window's cursor stack under the frame,
// with the hint `hint` ("ResizeFrameHint", a key of the Localizable table) on
// the window's hint line; both are removed on leave, hide, destruction and a
// change of window. A remote-controlled frame shows neither.
// Thread: main thread.

#include "ui/controls/ResizeGeometry.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class LXResizeView;

class ResizeViewDelegate {
public:
    virtual ~ResizeViewDelegate() = default;
    virtual void resizeView(LXResizeView* view, int sides, QSizeF change, int state) = 0;
};

class LXResizeView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int allowedSides READ allowedSides WRITE setAllowedSides)
    Q_PROPERTY(double tabWidth READ tabWidth WRITE setTabWidth)
    Q_PROPERTY(double bottomTabWidth READ bottomTabWidth WRITE setBottomTabWidth)
    Q_PROPERTY(QWidget* topTabContent READ topTabContent WRITE setTopTabContent)
    Q_PROPERTY(QWidget* bottomTabContent READ bottomTabContent WRITE setBottomTabContent)
    Q_PROPERTY(bool highlighted READ highlighted WRITE setHighlighted)
    Q_PROPERTY(QString hint READ hint WRITE setHint)
    Q_PROPERTY(bool isRemoteControlled READ isRemoteControlled WRITE setIsRemoteControlled)
    Q_PROPERTY(double globalLayerRotation READ globalLayerRotation WRITE setGlobalLayerRotation)
    Q_PROPERTY(QObject* delegate READ delegate WRITE setDelegate)
public:
    enum State { kBegin = 0, kChange = 1, kEnd = 2 };

    Q_INVOKABLE explicit LXResizeView(QWidget* parent = nullptr);
    ~LXResizeView() override;

    int allowedSides() const { return m_allowedSides; }
    void setAllowedSides(int sides);
    int resizeSides() const { return m_grab.sides; }
    const ResizeGeometry::Grab& grab() const { return m_grab; }
    bool isDragging() const { return m_dragging; }

    // Tab widths in points; 0 fits the tab to its content.
    double tabWidth() const { return m_tabWidth; }
    void setTabWidth(double width);
    double bottomTabWidth() const { return m_bottomTabWidth; }
    void setBottomTabWidth(double width);
    // null removes the tab (the content is not deleted; it stays the tab's child until set again).
    QWidget* topTabContent() const { return m_topContent; }
    void setTopTabContent(QWidget* content);
    QWidget* bottomTabContent() const { return m_bottomContent; }
    void setBottomTabContent(QWidget* content);
    // The sibling tabs (nullptr without content), for placement and tests.
    QWidget* topTab() const { return m_topTab; }
    QWidget* bottomTab() const { return m_bottomTab; }

    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool on);
    QString hint() const { return m_hint; }
    void setHint(const QString& hint) { m_hint = hint; }
    bool isRemoteControlled() const { return m_isRemoteControlled; }
    void setIsRemoteControlled(bool on);

    QObject* delegate() const { return m_delegate; }
    void setDelegate(QObject* delegate) { m_delegate = delegate; }

    double globalLayerRotation() const { return m_globalLayerRotation; }
    void setGlobalLayerRotation(double degrees) { m_globalLayerRotation = degrees; }
    // The rounded angle of the cursor shown now; nullopt when none.
    std::optional<int> cursorAngle() const { return m_cursorAngle; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPointF yUp(QPointF qtPoint) const;
    // The double arrow over the band at `p` (y up), none elsewhere.
    void trackCursorAt(QPointF p);
    void send(QSizeF change, int state);
    void endDrag();
    void showCursorFor(std::optional<double> angle);
    void updateMask();
    void placeTabs();
    void ensureTab(QPointer<QWidget>& tab, QWidget* content);
    QVariant key() const { return QVariant::fromValue<QObject*>(const_cast<LXResizeView*>(this)); }

    int m_allowedSides = ResizeGeometry::kAllSides;
    ResizeGeometry::Grab m_grab;
    bool m_dragging = false;
    double m_tabWidth = 0, m_bottomTabWidth = 0;
    QPointer<QWidget> m_topContent, m_bottomContent, m_topTab, m_bottomTab;
    bool m_highlighted = false;
    QString m_hint = QStringLiteral("ResizeFrameHint");
    bool m_isRemoteControlled = false;
    double m_globalLayerRotation = 0;
    QPointer<QObject> m_delegate;
    std::optional<int> m_cursorAngle;
    QPointer<QWidget> m_cursorWindow;
};
