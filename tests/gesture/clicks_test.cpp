// Left presses, click counts and the buttons of finger groups. Taps, double taps, drags, the pen,
// the eraser and the middle button are in the recordings; these are their timing edges.

#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

using ClicksTest = GestureTest;

TEST_F(ClicksTest, ThePressLandsWhereTheFingerIsWhenTheDelayEnds) {
    report(0.0, {{100, 200}});
    report(0.050, {{100.5, 200}});  // under a point: not a move
    report(0.080, {{150, 200}});
    advanceTo(0.100);
    report(0.120, {{150.5, 200.5}});  // held, not moved: no drag
    report(0.130, {{160, 200}});
    report(0.150, {});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 warp x=100.00 y=200.00",
                             "0.080 warp x=150.00 y=200.00",
                             "0.100 mouse type=1 button=0 x=150.00 y=200.00 flags=0x0 clicks=1",
                             "0.130 warp x=160.00 y=200.00",
                             "0.130 mouse type=6 button=0 x=160.00 y=200.00 flags=0x0 clicks=1",
                             "0.150 mouse type=2 button=0 x=160.00 y=200.00 flags=0x0 clicks=1",
                         }));
}

TEST_F(ClicksTest, ClickCountsFollowTheDistanceAndThePlatformsInterval) {
    // Each tap: x, touch time, how long it is held. The interval runs from the previous release
    // to the press, which lands at lift or when the 0.1 s touch delay ends.
    const struct {
        double x, at, hold;
        const char* clicks;
    } taps[] = {
        {240, 0.0, 0.03, "clicks=1"}, {252, 0.2, 0.03, "clicks=2"},  // exactly 12 points
        {264, 0.4, 0.03, "clicks=2"}, {277, 0.6, 0.03, "clicks=1"},  // 13 points
        {277, 0.98, 0.1, "clicks=2"},                                // 0.45 s after release
        {277, 1.53, 0.2, "clicks=1"},                                // 0.55 s
    };
    for (const auto& tap : taps) {
        report(tap.at, {{tap.x, 300}});
        report(tap.at + tap.hold, {});
        EXPECT_TRUE(log().last().endsWith(tap.clicks)) << log().last().toStdString();
    }
    poster.setDoubleClickInterval(0.2);
    report(1.96, {{277, 300}});  // 0.23 s after the last release
    report(1.99, {});
    EXPECT_TRUE(log().last().endsWith("clicks=1")) << log().last().toStdString();
}

TEST_F(ClicksTest, ATapsTimerDoesNotPressTheNextTouchEarly) {
    report(0.0, {{100, 300}});
    report(0.03, {});  // clicks at lift; its 0.1 s timer must not fire later
    report(0.06, {{500, 500}});
    advanceTo(0.12);
    EXPECT_TRUE(bridge->pendingMouseDown());
    advanceTo(0.2);
    EXPECT_EQ(linesContaining("type=1 ").last(),
              "0.160 mouse type=1 button=0 x=500.00 y=500.00 flags=0x0 clicks=1");
}

TEST_F(ClicksTest, GroupButtonsHoldUntilAllLiftAndSwitchingReleasesTheOtherFirst) {
    set(OVMouseActionKey("finger2"), OVMouseActionRight);
    report(0.0, {{100, 100}, {200, 100}});
    report(0.05, {{110, 100}, {210, 100}});
    report(0.10, {{110, 100}});  // one finger lifts: nothing
    report(0.20, {});
    report(0.5, {{100, 100}, {200, 100}});
    report(0.55, {{100, 100}, {200, 100}, {300, 100}});  // middle: right up first
    report(0.6, {{100, 100}, {200, 100}});               // left over from three: no right
    report(0.7, {});
    set(OVMouseActionKey("finger2"), OVMouseActionLeft);
    report(1.0, {{300, 100}, {400, 100}});
    report(1.2, {{300, 100}});  // the press already happened at the midpoint
    report(1.3, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.000 mouse type=3 button=1 x=150.00 y=100.00 flags=0x0",
                         "0.050 mouse type=7 button=1 x=160.00 y=100.00 flags=0x0",
                         "0.200 mouse type=4 button=1 x=160.00 y=100.00 flags=0x0",
                         "0.500 mouse type=3 button=1 x=150.00 y=100.00 flags=0x0",
                         "0.550 mouse type=4 button=1 x=200.00 y=100.00 flags=0x0",
                         "0.550 mouse type=25 button=2 x=200.00 y=100.00 flags=0x0",
                         "0.700 mouse type=26 button=2 x=200.00 y=100.00 flags=0x0",
                         "1.100 mouse type=1 button=0 x=350.00 y=100.00 flags=0x0 clicks=1",
                         "1.300 mouse type=2 button=0 x=350.00 y=100.00 flags=0x0 clicks=1",
                     }));
}

TEST_F(ClicksTest, MoreFingersReleaseHeldButtonsAtTheirCentroid) {
    report(0.0, {{100, 100}});
    report(0.05, {{100, 100}, {200, 100}});  // a group: the pending press is dropped
    report(0.2, {});
    report(0.5, {{100, 100}});
    advanceTo(0.65);
    report(0.7, {{100, 100}, {200, 100}, {300, 100}, {400, 100}, {500, 100}});
    report(0.8, {});
    report(1.0, {{100, 100}, {200, 100}, {300, 400}});
    report(1.1, {{100, 100}, {200, 100}, {300, 400}, {400, 400}});
    report(1.2, {});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 warp x=100.00 y=100.00",
                             "0.050 warp x=150.00 y=100.00",
                             "0.500 warp x=100.00 y=100.00",
                             "0.600 mouse type=1 button=0 x=100.00 y=100.00 flags=0x0 clicks=1",
                             "0.700 warp x=300.00 y=100.00",
                             "0.700 mouse type=2 button=0 x=300.00 y=100.00 flags=0x0 clicks=1",
                             "1.000 warp x=200.00 y=200.00",
                             "1.000 mouse type=25 button=2 x=200.00 y=200.00 flags=0x0",
                             "1.100 warp x=250.00 y=250.00",
                             "1.100 mouse type=26 button=2 x=250.00 y=250.00 flags=0x0",
                         }));
}

}  // namespace
