#pragma once
// Timers on the main event loop, one-shot or repeating.
//
// Like a run-loop timer, a scheduled timer is kept alive by the loop until it
// is invalidated or, when one-shot, has fired: dropping the caller's pointer
// does not stop it, invalidate() does. The block gets the timer, so a
// repeating block can invalidate it. invalidate() is idempotent; a timer never
// fires after it. Timers need a QCoreApplication.
// Thread: main thread only.

#include <QObject>

#include <functional>
#include <memory>

class QTimer;

class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Block = std::function<void(Timer&)>;

    // Starts a timer that fires after `seconds` (and every `seconds` when
    // `repeats`). Returns the timer, also owned by the loop while valid.
    static std::shared_ptr<Timer> scheduled(double seconds, bool repeats, Block block);

    ~Timer();

    void invalidate();
    bool isValid() const { return m_valid; }
    double interval() const { return m_seconds; }
    bool repeats() const { return m_repeats; }

    // Runs the block now; a one-shot timer is then invalidated.
    void fire();

    // Timers the loop holds now, for tests.
    static std::size_t scheduledCount();

private:
    Timer(double seconds, bool repeats, Block block);

    double m_seconds;
    bool m_repeats;
    bool m_valid = true;
    Block m_block;
    QTimer* m_timer = nullptr; // owned
};
