#include "app/PreviewFade.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QWidget>

#include <algorithm>
#include <cmath>

PreviewFade::PreviewFade(QWidget* widget) : QObject(widget), m_widget(widget)
{
    m_effect = new QGraphicsOpacityEffect(widget);
    m_effect->setOpacity(0);
    widget->setGraphicsEffect(m_effect);
    widget->hide();
    m_animation = new QPropertyAnimation(m_effect, "opacity", this);
    connect(m_animation, &QPropertyAnimation::finished, this, &PreviewFade::finished);
}

void PreviewFade::fadeIn()
{
    fadeTo(1, false);
}

void PreviewFade::fadeOut()
{
    fadeTo(0, false);
}

void PreviewFade::flash()
{
    fadeTo(1, true);
}

void PreviewFade::fadeTo(double opacity, bool outWhenIn)
{
    if (!m_widget)
        return;
    m_outWhenIn = outWhenIn;
    m_animation->stop();
    const double from = m_effect->opacity();
    if (opacity > 0) {
        m_widget->show();
        m_widget->raise();
    } else if (m_state == State::Hidden) {
        return;
    }
    setState(opacity > 0 ? State::FadingIn : State::FadingOut);
    // A fade taken over half way needs only the rest of its time.
    m_animation->setDuration(std::max(1, int(std::lround(kDurationMs * std::abs(opacity - from)))));
    m_animation->setStartValue(from);
    m_animation->setEndValue(opacity);
    if (std::abs(opacity - from) < 1e-3)
        finished(); // already there
    else
        m_animation->start();
}

void PreviewFade::finished()
{
    if (!m_widget)
        return;
    if (m_state == State::FadingOut) {
        m_widget->hide();
        setState(State::Hidden);
    } else if (m_state == State::FadingIn) {
        setState(State::Shown);
        if (m_outWhenIn)
            fadeOut();
    }
}

void PreviewFade::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}
