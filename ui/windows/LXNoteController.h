#pragma once
// A note: a small panel hanging from the top edge of a window, like a label
// pinned to it, with a title, a scrolling rich-text body and up to three
// buttons. It is an in-window overlay (LXChildSupportWindow): it follows its
// window's resizes, goes away when the window closes and dies with it.
//
// The window file is found by the controllers' name walk (a subclass without
// a file of its own uses "LXNoteController.ui"); its root is an
// LXChildSupportWindow named "window". Outlets, by object name: titleTF
// (QLabel), textView (QTextBrowser: rich text as HTML, read-only, links
// handed to the desktop), scrollView (optional; the text view itself when
// absent), closeButton, cancelButton, otherButton, approveButton (each
// optional; a button calls buttonPressed). Escape presses the cancel button
// (else the close button); Return presses the approve button, the default.
//
// Placement, y up in the window (origin bottom left), then clamped into it:
// x = fraction x W - (w - 66), y = H - h + 26; so the note's right edge
// stands 66 right of the anchor, and a top above the window's edge comes
// down to it.
//
// null: a null delegate hears nothing; missing outlets are skipped; without
// a window (the file failed, one "Warning: " line) every operation does
// nothing. Ownership: the controller owns its window while it is detached;
// attached, the parent window owns it, and the controller's pointer goes
// null when that window is deleted. Outlets and the delegate are weak.
// Thread: main thread.

#include "ui/windows/LXWindowController.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QLabel>
#include <QPointer>
#include <QTextBrowser>

class LXChildSupportWindow;
class LXNoteController;

// The note's delegate; the object that implements it must be a QObject.
class NoteDelegate {
public:
    virtual ~NoteDelegate() = default;
    virtual void noteWasClosedByButton(LXNoteController* note, QAbstractButton* button) = 0;
};

class LXNoteController : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(QLabel* titleTF READ titleTF WRITE setTitleTF)
    Q_PROPERTY(QTextBrowser* textView READ textView WRITE setTextView)
    Q_PROPERTY(QAbstractScrollArea* scrollView READ scrollView WRITE setScrollView)
    Q_PROPERTY(QAbstractButton* closeButton READ closeButton WRITE setCloseButton)
    Q_PROPERTY(QAbstractButton* cancelButton READ cancelButton WRITE setCancelButton)
    Q_PROPERTY(QAbstractButton* otherButton READ otherButton WRITE setOtherButton)
    Q_PROPERTY(QAbstractButton* approveButton READ approveButton WRITE setApproveButton)
public:
    static constexpr double kMinimumWidth = 350;
    static constexpr double kMinimumBody = 50, kMaximumBody = 300;

    Q_INVOKABLE explicit LXNoteController(QObject* parent = nullptr);
    ~LXNoteController() override;

    QLabel* titleTF() const { return m_titleTF; }
    void setTitleTF(QLabel* label) { m_titleTF = label; }
    QTextBrowser* textView() const { return m_textView; }
    void setTextView(QTextBrowser* view) { m_textView = view; }
    QAbstractScrollArea* scrollView() const { return m_scrollView; }
    void setScrollView(QAbstractScrollArea* view) { m_scrollView = view; }
    QAbstractButton* closeButton() const { return m_closeButton; }
    void setCloseButton(QAbstractButton* button) { m_closeButton = button; }
    QAbstractButton* cancelButton() const { return m_cancelButton; }
    void setCancelButton(QAbstractButton* button) { m_cancelButton = button; }
    QAbstractButton* otherButton() const { return m_otherButton; }
    void setOtherButton(QAbstractButton* button) { m_otherButton = button; }
    QAbstractButton* approveButton() const { return m_approveButton; }
    void setApproveButton(QAbstractButton* button) { m_approveButton = button; }

    // Any QObject that implements NoteDelegate; others are ignored.
    void setDelegate(QObject* delegate) { m_delegate = delegate; }
    QObject* delegate() const { return m_delegate; }

    double location() const { return m_location; }
    QWidget* parentWindow() const;
    LXChildSupportWindow* overlay() const;

    // Hangs the note on `parent`'s window at `location` (a fraction of its
    // width), placed, and makes it key. Leaves an earlier window first.
    void attachToWindow(QWidget* parent, double location);
    // Places the note on its window again, without animation.
    void positionOnWindow(QWidget* parent);
    // Sizes the note for its buttons and its text (see the .cpp's numbers).
    void adjustWindowSize();

    // The note's frame (y up) on a window of size `area` before the clamp.
    static QRectF noteFrame(const QSizeF& area, const QSizeF& size, double location);
    // The body's height for a text `textHeight` high: 50..300.
    static double bodyHeight(double textHeight);

    // Sets the body from HTML; images resolve against `baseFolder`.
    void setHtml(const QString& html, const QString& baseFolder = {});

public slots:
    // Tells the delegate, leaves the window and closes.
    void buttonPressed(QObject* sender = nullptr);

protected:
    void windowWillLoad() override;
    void windowDidLoad() override;

private:
    void parentWillClose();

    QPointer<QLabel> m_titleTF;
    QPointer<QTextBrowser> m_textView;
    QPointer<QAbstractScrollArea> m_scrollView;
    QPointer<QAbstractButton> m_closeButton, m_cancelButton, m_otherButton, m_approveButton;
    QPointer<QObject> m_delegate;
    double m_location = 0.5;
};
