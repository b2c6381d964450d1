#include "platform/foundation/Timer.h"

#include <QTimer>

#include <cmath>
#include <unordered_set>

namespace {

// The loop's references: what keeps a scheduled timer alive.
std::unordered_set<std::shared_ptr<Timer>>& liveTimers()
{
    static auto* timers = new std::unordered_set<std::shared_ptr<Timer>>;
    return *timers;
}

} // namespace

Timer::Timer(double seconds, bool repeats, Block block)
    : m_seconds(seconds), m_repeats(repeats), m_block(std::move(block))
{
}

Timer::~Timer()
{
    delete m_timer;
}

std::shared_ptr<Timer> Timer::scheduled(double seconds, bool repeats, Block block)
{
    std::shared_ptr<Timer> timer(new Timer(std::max(0.0, seconds), repeats, std::move(block)));
    timer->m_timer = new QTimer;
    timer->m_timer->setSingleShot(!repeats);
    timer->m_timer->setTimerType(Qt::PreciseTimer);
    std::weak_ptr<Timer> weak = timer;
    QObject::connect(timer->m_timer, &QTimer::timeout, [weak] {
        if (auto t = weak.lock())
            t->fire();
    });
    timer->m_timer->start(int(std::llround(timer->m_seconds * 1000.0)));
    liveTimers().insert(timer);
    return timer;
}

void Timer::fire()
{
    if (!m_valid)
        return;
    // Hold ourselves: the block or invalidate() may drop the last outside reference.
    std::shared_ptr<Timer> self = shared_from_this();
    // A copy, since the block may invalidate the timer, which drops m_block.
    if (Block block = m_block)
        block(*this);
    if (!m_repeats)
        invalidate();
}

void Timer::invalidate()
{
    if (!m_valid)
        return;
    m_valid = false;
    if (m_timer)
        m_timer->stop();
    m_block = nullptr;
    liveTimers().erase(shared_from_this());
}

std::size_t Timer::scheduledCount()
{
    return liveTimers().size();
}
