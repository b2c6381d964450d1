#include "platform/foundation/MainQueue.h"
#include "platform/foundation/Timer.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <thread>

TEST(MainQueue, RunsBlocksInOrderOnTheMainThreadAfterReturningToTheLoop)
{
    QStringList order;
    MainQueue::async([&] { order << "first"; });
    std::thread worker([&] { MainQueue::async([&] { order << (MainQueue::isMainThread() ? "main" : "other"); }); });
    worker.join();
    order << "queued";
    EXPECT_TRUE(spinUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (QStringList{"queued", "first", "main"}));
}

TEST(Timer, AOneShotTimerFiresOnceEvenWithoutAnOwner)
{
    int fired = 0;
    Timer::scheduled(0.01, false, [&](Timer&) { ++fired; }); // result dropped at once
    EXPECT_EQ(Timer::scheduledCount(), 1u);
    EXPECT_TRUE(spinUntil([&] { return fired == 1; }));
    spinUntil([] { return false; }, 60);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(Timer::scheduledCount(), 0u);
}

TEST(Timer, ARepeatingTimerRunsUntilItsBlockInvalidatesIt)
{
    int fired = 0;
    std::weak_ptr<Timer> weak = Timer::scheduled(0.005, true, [&](Timer& t) {
        if (++fired == 3)
            t.invalidate();
    });
    EXPECT_TRUE(spinUntil([&] { return fired == 3; }));
    spinUntil([] { return false; }, 50);
    EXPECT_EQ(fired, 3);
    EXPECT_TRUE(weak.expired()); // the loop let go of it
}

TEST(Timer, AnInvalidatedTimerNeverFiresAndFiringByHandEndsAOneShotTimer)
{
    int fired = 0;
    auto timer = Timer::scheduled(0.01, false, [&](Timer&) { ++fired; });
    timer->invalidate();
    timer->invalidate(); // twice is harmless
    EXPECT_FALSE(timer->isValid());
    spinUntil([] { return false; }, 50);
    timer->fire();
    EXPECT_EQ(fired, 0);
    auto later = Timer::scheduled(60, false, [&](Timer&) { ++fired; });
    later->fire();
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(later->isValid());
}
