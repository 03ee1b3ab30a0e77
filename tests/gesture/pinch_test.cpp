#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

constexpr double kFrame = 1.0 / 60.0;

class PinchTest : public GestureTest {
  protected:
    PinchTest() { set(OVMouseActionKey("finger2"), OVMouseActionScrollAndPinch); }
    // One finger at (100, 500), the other at (300 + spread, 500): distance 200 + spread.
    void pinch(double seconds, double spread) {
        report(seconds, {{100, 500}, {300 + spread, 500}});
    }
};

TEST_F(PinchTest, ScrollsUntilTheDistanceChangesByEighteenPointsThenOnlyMagnifies) {
    pinch(0, 0);
    pinch(kFrame, 17);  // 17 points: still a scroll
    EXPECT_FALSE(bridge->pinchLocked());
    pinch(2 * kFrame, 18);
    EXPECT_TRUE(bridge->pinchLocked());
    pinch(3 * kFrame, 60);  // 42 points in one report: at most 0.08
    pinch(4 * kFrame, 60);  // no change: nothing under 0.0001
    pinch(5 * kFrame, 30);
    pinch(5.5 * kFrame, 30.005);  // 0.00006: not posted
    pinch(6 * kFrame, 0);         // back at the start: still magnifying
    report(7 * kFrame, {});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 warp x=200.00 y=500.00",
                             "0.017 scroll dy=0 dx=13 flags=0x0",
                             "0.033 warp x=209.00 y=500.00",
                             "0.033 magnify amount=0 phase=1 x=209.00 y=500.00",
                             "0.033 magnify amount=0.0111111 phase=2 x=209.00 y=500.00",
                             "0.050 magnify amount=0.08 phase=2 x=230.00 y=500.00",
                             "0.083 magnify amount=-0.08 phase=2 x=215.00 y=500.00",
                             "0.100 magnify amount=-0.08 phase=2 x=200.00 y=500.00",
                             "0.117 magnify amount=0 phase=8 x=200.00 y=500.00",
                         }));
    EXPECT_FALSE(bridge->pinchGestureActive());
    EXPECT_EQ(clock().pendingCount(), 0);
}

TEST_F(PinchTest, TheLockEndsScrollingAndCoasting) {
    pinch(0, 0);
    pinch(kFrame, 0);
    pinch(2 * kFrame, 10);  // scrolls 5 points
    EXPECT_TRUE(bridge->scrollActive());
    pinch(3 * kFrame, 30);
    EXPECT_FALSE(bridge->scrollActive());
    report(4 * kFrame, {});
    advanceTo(1.0);
    EXPECT_EQ(linesContaining("scroll").size(), 1);  // no coasting after a pinch
    EXPECT_EQ(clock().pendingCount(), 0);
}

TEST_F(PinchTest, ALockedPinchSurvivesALiftedFingerAndEndsWhenAllLift) {
    pinch(0, 0);
    pinch(kFrame, 20);
    report(2 * kFrame, {{100, 500}});  // one finger left: the pinch stays locked
    EXPECT_TRUE(bridge->pinchLocked());
    pinch(3 * kFrame, 27);  // 7 points wider than the last pinch distance
    EXPECT_EQ(linesContaining("phase=2").last(),
              "0.050 magnify amount=0.0777778 phase=2 x=213.50 y=500.00");
    report(4 * kFrame, {});
    EXPECT_EQ(linesContaining("phase=8"),
              QStringList{"0.067 magnify amount=0 phase=8 x=213.50 y=500.00"});
}

TEST_F(PinchTest, ThreeFingersEndTheMagnify) {
    pinch(0, 0);
    pinch(kFrame, 20);
    report(2 * kFrame, {{100, 500}, {320, 500}, {540, 500}});
    EXPECT_EQ(linesContaining("phase=8"),
              QStringList{"0.033 magnify amount=0 phase=8 x=320.00 y=500.00"});
}

}  // namespace
