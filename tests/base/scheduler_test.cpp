#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <vector>

#include "base/qt_scheduler.h"
#include "base/virtual_scheduler.h"

TEST(VirtualScheduler, RunsDueCallsInOrderAtTheirOwnTimesIncludingThoseTheyAdd) {
    OVVirtualScheduler scheduler;
    QStringList log;
    auto record = [&](int id) { log << QStringLiteral("%1@%2").arg(id).arg(scheduler.now()); };
    scheduler.after(0.3, [&] { record(3); });
    scheduler.after(0.1, [&] {
        record(1);
        scheduler.after(0.05, [&] { record(4); });
        scheduler.async([&] { record(5); });  // runs next, at the same time
    });
    scheduler.after(0.1, [&] { record(2); });
    scheduler.advance(0.2);
    EXPECT_EQ(log, QStringList({"1@0.1", "2@0.1", "5@0.1", "4@0.15"}));
    scheduler.advance(1.0);
    EXPECT_EQ(log.last(), "3@0.3");
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST(VirtualScheduler, RepeatingCallsStopWhenInvalidatedAndDrainStopsAtItsLimit) {
    OVTimer unused;
    unused.invalidate();  // a handle that never had a call
    OVTimer survivor;
    {
        OVVirtualScheduler scheduler;
        int ticks = 0;
        OVTimer timer = scheduler.every(0.25, [&] {
            if (++ticks == 3) {
                timer.invalidate();  // a call may stop its own timer
            }
        });
        scheduler.advance(2.0);
        EXPECT_EQ(ticks, 3);
        EXPECT_FALSE(timer.isValid());
        survivor = scheduler.every(1.0, [&] { ++ticks; });
        EXPECT_FALSE(scheduler.drain(5.5));
        EXPECT_EQ(ticks, 8);
    }
    survivor.invalidate();  // must not touch the destroyed scheduler
    EXPECT_FALSE(survivor.isValid());
}

TEST(VirtualScheduler, RescheduleMovesOnlyAPendingOneShotCallOfItsOwn) {
    OVVirtualScheduler scheduler;
    std::vector<double> fired;
    OVTimer timer = scheduler.after(0.1, [&] { fired.push_back(scheduler.now()); });
    scheduler.advance(0.05);
    EXPECT_TRUE(scheduler.reschedule(timer, 0.1));
    scheduler.advance(0.09);
    EXPECT_TRUE(fired.empty());
    scheduler.advance(0.02);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_NEAR(fired[0], 0.15, 1e-12);
    EXPECT_FALSE(scheduler.reschedule(timer, 0.1));  // it ran
    OVTimer repeating = scheduler.every(0.1, [] {});
    EXPECT_FALSE(scheduler.reschedule(repeating, 0.5));
    repeating.invalidate();
    EXPECT_FALSE(OVVirtualScheduler().reschedule(scheduler.after(0.1, [] {}), 0.5));
}

TEST(QtScheduler, RunsDroppedHandlesSkipsCancelledCallsAndMovesRescheduledOnes) {
    OVQtScheduler scheduler;
    QStringList ran;
    scheduler.after(0.01, [&] { ran << "dropped"; });
    scheduler.after(0.01, [&] { ran << "cancelled"; }).invalidate();
    OVTimer later = scheduler.after(600.0, [&] { ran << "moved"; });
    EXPECT_TRUE(scheduler.reschedule(later, 0.02));
    scheduler.async([&] { ran << "async"; });
    EXPECT_TRUE(ran.isEmpty());  // nothing before the current call returns
    QElapsedTimer clock;
    clock.start();
    while (ran.size() < 3 && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ran, QStringList({"async", "dropped", "moved"}));
}
