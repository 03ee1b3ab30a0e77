#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "base/qt_scheduler.h"
#include "base/virtual_scheduler.h"

TEST(VirtualScheduler, RunsDueCallsInOrderAtTheirOwnTimes) {
    OVVirtualScheduler scheduler;
    std::vector<std::pair<int, double>> calls;
    scheduler.after(0.3, [&] { calls.push_back({3, scheduler.now()}); });
    scheduler.after(0.1, [&] { calls.push_back({1, scheduler.now()}); });
    scheduler.after(0.1, [&] { calls.push_back({2, scheduler.now()}); });
    scheduler.advance(0.2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].first, 1);
    EXPECT_EQ(calls[1].first, 2);
    EXPECT_DOUBLE_EQ(calls[0].second, 0.1);
    EXPECT_DOUBLE_EQ(scheduler.now(), 0.2);
    scheduler.advance(1.0);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_DOUBLE_EQ(calls[2].second, 0.3);
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST(VirtualScheduler, RepeatingCallsAndInvalidation) {
    OVVirtualScheduler scheduler;
    int ticks = 0;
    OVTimer timer;
    timer = scheduler.every(0.25, [&] {
        if (++ticks == 3) {
            timer.invalidate();  // a call may stop its own timer
        }
    });
    scheduler.advance(2.0);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer.isValid());
    EXPECT_EQ(scheduler.pendingCount(), 0);

    bool fired = false;
    OVTimer once = scheduler.after(0.1, [&] { fired = true; });
    EXPECT_TRUE(once.isValid());
    once.invalidate();
    once.invalidate();
    scheduler.advance(1.0);
    EXPECT_FALSE(fired);
}

TEST(VirtualScheduler, CallsScheduledWhileAdvancingRunWhenDueAndAsyncRunsNext) {
    OVVirtualScheduler scheduler;
    std::vector<double> times;
    scheduler.after(0.1, [&] {
        times.push_back(scheduler.now());
        scheduler.after(0.05, [&] { times.push_back(scheduler.now()); });
        scheduler.async([&] { times.push_back(-scheduler.now()); });
    });
    scheduler.advance(0.2);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_DOUBLE_EQ(times[0], 0.1);
    EXPECT_DOUBLE_EQ(times[1], -0.1);
    EXPECT_NEAR(times[2], 0.15, 1e-12);
}

TEST(VirtualScheduler, DrainStopsAtItsLimitAndHandlesOutliveTheScheduler) {
    OVTimer survivor;
    {
        OVVirtualScheduler scheduler;
        int ticks = 0;
        survivor = scheduler.every(1.0, [&] { ++ticks; });
        EXPECT_FALSE(scheduler.drain(5.5));
        EXPECT_EQ(ticks, 5);
        scheduler.after(0.5, [] {});
    }
    survivor.invalidate();  // must not touch the destroyed scheduler
    EXPECT_FALSE(survivor.isValid());
}

TEST(VirtualScheduler, RescheduleMovesAPendingOneShotCall) {
    OVVirtualScheduler scheduler;
    std::vector<double> fired;
    OVTimer timer = scheduler.after(0.1, [&] { fired.push_back(scheduler.now()); });
    scheduler.advance(0.05);
    EXPECT_TRUE(scheduler.reschedule(timer, 0.1));
    scheduler.advance(0.09);
    EXPECT_TRUE(fired.empty());
    scheduler.advance(0.02);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_DOUBLE_EQ(fired[0], 0.15);
    EXPECT_FALSE(scheduler.reschedule(timer, 0.1));  // it ran

    // A moved call can still be cancelled; repeating calls and those of another scheduler do
    // not move.
    OVTimer moved = scheduler.after(0.1, [&] { fired.push_back(-1); });
    ASSERT_TRUE(scheduler.reschedule(moved, 0.3));
    moved.invalidate();
    OVTimer repeating = scheduler.every(0.1, [] {});
    EXPECT_FALSE(scheduler.reschedule(repeating, 0.5));
    repeating.invalidate();
    EXPECT_FALSE(OVVirtualScheduler().reschedule(scheduler.after(0.1, [] {}), 0.5));
    scheduler.advance(1.0);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST(QtScheduler, FiresOnceAndCancelsOnTheEventLoop) {
    OVQtScheduler scheduler;
    int fired = 0;
    int cancelled = 0;
    bool async = false;
    scheduler.after(0.01, [&] { ++fired; });  // the handle is dropped: the call still runs
    OVTimer cancel = scheduler.after(0.01, [&] { ++cancelled; });
    cancel.invalidate();
    EXPECT_FALSE(scheduler.reschedule(cancel, 0.01));
    int moved = 0;
    OVTimer later = scheduler.after(600.0, [&] { ++moved; });
    EXPECT_TRUE(scheduler.reschedule(later, 0.01));  // due with the first call now
    scheduler.async([&] { async = true; });
    EXPECT_FALSE(async);  // not before the current call returns
    QElapsedTimer clock;
    clock.start();
    while ((fired == 0 || moved == 0) && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(moved, 1);
    EXPECT_FALSE(later.isValid());
    EXPECT_EQ(cancelled, 0);
    EXPECT_TRUE(async);
    EXPECT_GT(scheduler.referenceNow(), 7.0e8);
}
