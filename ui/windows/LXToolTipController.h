#pragma once
// Tooltips and hints, drawn by the framework rather than the platform.
//
// LXToolTipController (one shared instance, its window from the interface
// file "LXToolTipController" with the outlet `toolTipLabel`): a tooltip that
// belongs to one view (the focus view), hangs below the point it was asked
// for (above it, clear of the pointer, where there is no room below) and
// stays inside that view's window; it hides after 30 s, when asked
// for another view, when the focus view's window closes or the view goes.
// The tooltip window never takes focus and lets input through: it is a
// Qt::ToolTip window with the focus view's window as transient parent,
// shown without activation. Texts are shown as text (markup is escaped);
// only the framework's "<b>...</b>" runs are bold.
//
// LXHintController: a hint line per window (any widget with a "text"
// property, a QLabel or QLineEdit), showing the latest of the hints pushed
// under keys. A window without one uses its nearest ancestor window's.
// The registry owns the controllers; a window's entry goes with the window.
//
// Points are in the view's window coordinates (Qt's, y down), as mouse
// events give them. Thread: main thread.

#include "platform/foundation/Timer.h"
#include "ui/windows/LXWindowController.h"

#include <QLabel>
#include <QPointer>
#include <QVariant>

class LXToolTipController : public LXWindowController {
    Q_OBJECT
    Q_PROPERTY(QLabel* toolTipLabel READ toolTipLabel WRITE setToolTipLabel)
public:
    Q_INVOKABLE explicit LXToolTipController(QObject* parent = nullptr);
    ~LXToolTipController() override;

    static LXToolTipController* sharedController();
    // The pause, in seconds, after which controls ask for their tooltip.
    static double toolTipDelay() { return 0.7; }

    void showTooltip(const QString& text, QPoint point, QWidget* view);
    void hideForView(QWidget* view);

    QWidget* focusView() const { return m_focusView; }
    QLabel* toolTipLabel() const { return m_toolTipLabel; }
    void setToolTipLabel(QLabel* label) { m_toolTipLabel = label; }
    Timer* autoHideTimer() const { return m_autoHideTimer.get(); }

    // Where a tooltip of `size` goes, all in y-up screen space: below
    // `point`, inside `windowFrame`. Where there is no room below, it goes
    // above `point` by kPointerClearance (the pointer sits there: controls
    // ask 20 points below it), so that it never covers the pointer.
    static QRectF toolTipFrame(const QRectF& windowFrame, QPointF point, QSizeF size);
    static constexpr double kPointerClearance = 24;

protected:
    void windowDidLoad() override;

private:
    void updateWindowFrame();
    void hide();
    void stopObserving();

    QPointer<QLabel> m_toolTipLabel;
    QPointer<QWidget> m_focusView;
    QPoint m_focusPoint;
    std::shared_ptr<Timer> m_autoHideTimer;
    QSize m_extraSize;
    QPointer<QWidget> m_observedWindow;
    QMetaObject::Connection m_focusGone, m_hostGone;
};

class LXHintController : public QObject {
    Q_OBJECT
public:
    explicit LXHintController(QWidget* hintTF);

    QWidget* hintTF() const { return m_hintTF; }
    const QStringList& hints() const { return m_hints; }
    const QVariantList& keys() const { return m_keys; }

    // Shows the hint (translated through "Localizable") under `key`, replacing that key's entry.
    void sendHint(const QString& hint, const QVariant& key);
    // Drops `key`'s entry; the field shows the new last hint only when the last was removed.
    void removeHintForKey(const QVariant& key);

    static void addHintConrollerForWindow(QWidget* window, QWidget* textField);
    static LXHintController* controllerForWindow(QWidget* window); // with the ancestor fall-back
    static void sendHint(const QString& hint, const QVariant& key, QWidget* window);
    static void removeHintForKey(const QVariant& key, QWidget* window);
    static void removeControllerForWindow(QWidget* window);

private:
    void show(const QString& text);

    QPointer<QWidget> m_hintTF;
    QStringList m_hints;
    QVariantList m_keys;
};
