#pragma once
// Runs the event loop until a condition holds or a generous limit passes
// (a guard against hanging, not a timing).

#include <QCoreApplication>
#include <QElapsedTimer>

template <typename Pred>
bool spinUntil(Pred done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}
