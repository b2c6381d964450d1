#pragma once
// A borderless message panel with one button that hangs below a point of a
// window, asking the user for one action in place. One panel serves the
// whole application: whoever shows it becomes its delegate until someone
// else shows it or it hides.
//
// The view comes from the interface file "LXSingleButtonPanel" with the
// outlets `label` (QLabel), `button` (a QPushButton, the default button, so
// Return clicks it) and `background` (the view whose hover is reported); it
// is laid out by hand, y up: the button keeps its place, the label's bottom
// stays at the y it had in the file and the label grows upward with the
// message. It is shown as an overlay inside the parent's top-level window
// (LXChildSupportWindow), its top edge at the point, clamped into the window.
//
// The delegate is any QObject, held weakly: deleting it while the panel
// shows is safe. It hears what it implements of SingleButtonPanelDelegate.
// The panel stops being key (a click outside, focus leaving it, its window
// deactivating or closing) or Escape: it closes, also without a delegate,
// and the delegate hears panelDidHide. close() is silent.
//
// Ownership: the shared panel lives for the whole process; its overlay goes
// with the window it is attached to (the view is then loaded again on the
// next show). Thread: main thread.

#include "ui/windows/LXChildSupportWindow.h"
#include "ui/windows/LXWindowController.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

class LXSingleButtonPanel;

// The messages a delegate may answer to; each has an empty default.
class SingleButtonPanelDelegate {
public:
    virtual ~SingleButtonPanelDelegate() = default;
    virtual void panelDidHide(LXSingleButtonPanel*) {}
    virtual void panelChangedHovered(LXSingleButtonPanel*, bool) {}
    virtual void panelWasClicked(LXSingleButtonPanel*) {}
};

class LXSingleButtonPanel : public LXViewController {
    Q_OBJECT
    Q_PROPERTY(QLabel* label READ label WRITE setLabel)
    Q_PROPERTY(QPushButton* button READ button WRITE setButton)
    Q_PROPERTY(QWidget* background READ background WRITE setBackground)
public:
    Q_INVOKABLE explicit LXSingleButtonPanel(QObject* parent = nullptr);
    ~LXSingleButtonPanel() override;

    static LXSingleButtonPanel* sharedPanel();

    void loadView() override;

    // `point` is in `parent`'s window, y up (its bottom-left corner 0,0).
    // Needs the view (loaded here when needed; nothing happens without it).
    void showOver(QWidget* parent, QPointF point, QObject* delegate, const QString& message,
                  const QString& buttonTitle);
    // Closes without telling the delegate, which is dropped.
    void close();
    // close(), only when `delegate` is the current delegate.
    void hideForDelegate(QObject* delegate);

    QObject* delegate() const { return m_delegate; }
    LXChildSupportWindow* panelWindow() const { return m_window; }
    bool isShown() const;

    // The panel's height for a message whose text is `textHeight` high (0:
    // no message), and its frame below `point` in the parent's y-up space.
    static double panelHeight(double textHeight, double labelY, double buttonHeight);
    static QRectF panelFrame(QPointF point, QSizeF size);

    QLabel* label() const { return m_label; }
    void setLabel(QLabel* label) { m_label = label; }
    QPushButton* button() const { return m_button; }
    void setButton(QPushButton* button) { m_button = button; }
    QWidget* background() const { return m_background; }
    void setBackground(QWidget* background) { m_background = background; }

public slots:
    void buttonClicked(QObject* sender = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SingleButtonPanelDelegate* delegateInterface() const;
    void tellHidden(QObject* formerDelegate);
    void resigned();
    void layoutFor(double height);

    QPointer<QLabel> m_label;
    QPointer<QPushButton> m_button;
    QPointer<QWidget> m_background;
    QPointer<LXChildSupportWindow> m_window;
    QPointer<QObject> m_delegate;
    QPointer<QObject> m_trackedBackground;
    double m_viewWidth = 0;
    double m_labelY = 0; // the label's bottom, y up, as loaded
    double m_buttonY = 0, m_buttonRight = 0, m_buttonWidth = 0;
    QPointF m_point;
};
