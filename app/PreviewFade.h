#pragma once
// Fades one widget (the drop view's preview) in and out over 0.5 s through a
// QGraphicsOpacityEffect. One state for the widget: each call takes over
// from the one before, starting at the opacity reached, so the newest fade
// wins (a flash's chained fade-out never hides a fade-in asked for later).
// The widget is hidden once faded out. Does not own the widget; the
// effect and the animation belong to it. Main thread.

#include <QObject>
#include <QPointer>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QWidget;

class PreviewFade : public QObject {
    Q_OBJECT
public:
    static constexpr int kDurationMs = 500;

    enum class State { Hidden, FadingIn, Shown, FadingOut };

    explicit PreviewFade(QWidget* widget);

    void fadeIn();
    void fadeOut();
    // In, and out again once fully in.
    void flash();

    State state() const { return m_state; }
    // The running animation, for driving its time in tests.
    QPropertyAnimation* animation() const { return m_animation; }

signals:
    void stateChanged(PreviewFade::State state);

private:
    void fadeTo(double opacity, bool outWhenIn);
    void finished();
    void setState(State state);

    QPointer<QWidget> m_widget;
    QGraphicsOpacityEffect* m_effect;
    QPropertyAnimation* m_animation;
    State m_state = State::Hidden;
    bool m_outWhenIn = false;
};
