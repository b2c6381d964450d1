#pragma once
// An in-window overlay standing in for a child window (a note, a one-button
// panel, a hover panel): a frameless child widget of a top-level window,
// raised above its content. Wayland clients cannot place top-level windows,
// a popup shown from a timer may never appear, and a translucent top-level
// window is black on X11 without a compositor; an overlay has none of these
// troubles, follows its window's resizes and dies with it.
//
// Placement: the positioner, a pure function in the window's y-up space
// (origin bottom left; the area is the window's, below a main window's menu
// bar, see windowArea), gives the frame;
// clampedFrame() then keeps it inside the window (the top-left corner wins
// when it is too big) and it is turned over once. It runs on attach, on every
// resize of the window and on reposition(); without a positioner the overlay
// is centred. Only its direct children (with their graphics effects, such
// as a shadow) take input; its transparent margins let events through.
//
// Key status ("key window" is the active window): showAsKey() shows and
// raises the overlay and puts the focus inside it (a default QPushButton,
// else the first widget inside that takes focus, else the overlay itself).
// It stops being key, emitting resignedKey() once, when the focus leaves it,
// when a mouse button is pressed on a widget outside it (a click on a widget
// that takes no focus moves no focus) or when its window deactivates. Focus
// changes while it is being shown are ignored. Escape emits cancelled();
// Return and Enter click the default QPushButton inside, and only that.
//
// When its window is about to close (the window's delegate agreed)
// parentWillClose() is emitted; the overlay itself is left to its owner.
//
// null: parentWindow() is null while detached. Ownership: attached, the
// top-level window owns it (Qt parent), so it goes with the window; detached
// (or never attached), whoever made it does. Its content is its child.
// Shown only while attached. Thread: main thread.

#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>

class LXChildSupportWindow : public QWidget {
    Q_OBJECT
public:
    // The overlay's frame in the window's y-up space, before the clamp.
    using Positioner = std::function<QRectF(const QSizeF& area, const QSizeF& size)>;

    Q_INVOKABLE explicit LXChildSupportWindow(QWidget* parent = nullptr);
    ~LXChildSupportWindow() override;

    // Puts `content` inside, filling the overlay (sized to its size hint
    // when the overlay has no size yet); the overlay takes it.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    // Becomes a child of `window`'s top-level widget, placed and raised, and
    // follows it; attached elsewhere before, it leaves that window first.
    // nullptr: detach().
    void attachToWindow(QWidget* window);
    // Hides, stops following and leaves the window (no longer its child).
    void detach();
    QWidget* parentWindow() const { return m_parentWindow; }

    void setPositioner(Positioner positioner);
    // Places it again (after a change of its size or the positioner's inputs).
    void reposition();

    // Shows, raises and takes the focus (see above). Attached only.
    void showAsKey();
    bool isKey() const { return m_key; }

    // `frame` moved into an `area` of that size (y up, origin 0,0): left and
    // top edges win when it does not fit.
    static QRectF clampedFrame(const QRectF& frame, const QSizeF& area);
    // Where overlays go in `window`: its rectangle less a main window's menu bar.
    static QRect windowArea(const QWidget* window);

signals:
    void resignedKey();
    void cancelled();
    void parentWillClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Refuses to show while detached: it would become a top-level window.
    void setVisible(bool visible) override;
    void hideEvent(QHideEvent* event) override;

private:
    void resignKey();
    void updateMask();
    void focusChanged(QWidget* old, QWidget* now);
    bool contains(const QObject* object) const;
    QWidget* defaultButton() const;

    QPointer<QWidget> m_parentWindow;
    QPointer<QWidget> m_content;
    Positioner m_positioner;
    bool m_key = false;
    bool m_showing = false;
};

// Registers the folder's classes that interface files name
// (LXChildSupportWindow). Idempotent.
void registerWindowsClasses();
