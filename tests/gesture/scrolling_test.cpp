#include <cmath>
#include <limits>
#include <numeric>

#include "base/preferences.h"
#include "gesture/gesture_math.h"
#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

constexpr double kFrame = 1.0 / 60.0;

class ScrollingTest : public GestureTest {
  protected:
    // Two fingers 100 points apart, centred on (150 + dx, 100 + dy).
    void twoFingers(double seconds, double dx, double dy) {
        report(seconds, {{100 + dx, 100 + dy}, {200 + dx, 100 + dy}});
    }
    QStringList scrolls() const { return linesContaining("scroll"); }
    // The vertical amounts of the scroll events.
    QList<int> verticalAmounts() const {
        QList<int> amounts;
        for (const OVSimPostedEvent& event : poster.events()) {
            if (event.kind == OVSimPostedEvent::Kind::Scroll) {
                amounts << event.deltaY;
            }
        }
        return amounts;
    }
};

TEST(ScrollRoundingTest, HalvesRoundToEven) {
    EXPECT_EQ(OVRoundHalfToEven(0.5), 0.0);
    EXPECT_EQ(OVRoundHalfToEven(1.5), 2.0);
    EXPECT_EQ(OVRoundHalfToEven(2.5), 2.0);
    EXPECT_EQ(OVRoundHalfToEven(-0.5), 0.0);
    EXPECT_EQ(OVRoundHalfToEven(-1.5), -2.0);
    EXPECT_EQ(OVRoundHalfToEven(-2.5), -2.0);
    EXPECT_EQ(OVRoundHalfToEven(2.4999), 2.0);
    EXPECT_EQ(OVRoundHalfToEven(2.5001), 3.0);
    EXPECT_EQ(OVRoundHalfToEven(-7.6), -8.0);
    EXPECT_EQ(OVScrollWheelUnits(std::nan("")), 0);
    EXPECT_EQ(OVScrollWheelUnits(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(OVScrollWheelUnits(-1e12), std::numeric_limits<std::int32_t>::min());
}

TEST_F(ScrollingTest, RemaindersCarryTheFractionFromReportToReport) {
    twoFingers(0, 0, 0);  // anchors: no event
    for (int k = 1; k <= 4; ++k) {
        twoFingers(k * kFrame, 0, k);
    }
    EXPECT_EQ(scrolls(), (QStringList{
                             "0.017 scroll dy=2 dx=0 flags=0x0",
                             "0.033 scroll dy=1 dx=0 flags=0x0",
                             "0.050 scroll dy=2 dx=0 flags=0x0",
                             "0.067 scroll dy=1 dx=0 flags=0x0",
                         }));
    twoFingers(5 * kFrame, -1, 4);
    EXPECT_EQ(scrolls().last(), "0.083 scroll dy=0 dx=-2 flags=0x0");
}

TEST_F(ScrollingTest, ExactHalvesGoToTheEvenNeighbour) {
    setProfileValue("scrollScale", 2.5);
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 1);      // 2.5 -> 2, 0.5 left
    twoFingers(2 * kFrame, 0, 2);  // 3.0 -> 3
    EXPECT_EQ(verticalAmounts(), (QList<int>{2, 3}));
    setProfileValue("scrollScale", 0.5);
    twoFingers(3 * kFrame, 0, 1);  // -0.5 -> 0: nothing
    twoFingers(4 * kFrame, 0, 0);  // -1.0 -> -1
    twoFingers(5 * kFrame, 0, 1);  // 0.5 -> 0: nothing
    twoFingers(6 * kFrame, 0, 2);  // 1.0 -> 1
    EXPECT_EQ(verticalAmounts(), (QList<int>{2, 3, -1, 1}));
    EXPECT_EQ(bridge->scrollRemainder(), QPointF(0, 0));
}

TEST_F(ScrollingTest, ASlowScrollAddsUpUntilItCrossesHalfAPoint) {
    twoFingers(0, 0, 0);
    for (int k = 1; k <= 100; ++k) {
        twoFingers(k * kFrame, 0, 0.4 * k);  // 0.4 points per report
    }
    // Every second report crosses half a point from where the scroll last posted: 0.8 points
    // (1.2 pixels) each time, with the fraction carried in the remainder.
    const QList<int> amounts = verticalAmounts();
    ASSERT_EQ(amounts.size(), 50);
    EXPECT_NEAR(std::accumulate(amounts.begin(), amounts.end(), 0), 60, 1);
    EXPECT_NEAR(bridge->scrollVelocity().y(), 0.4, 0.01);
}

TEST_F(ScrollingTest, NaturalScrollOffFlipsTheSign) {
    OVStandardPreferences().setBool("naturalScroll", false);
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 2, 1);
    EXPECT_EQ(scrolls(), QStringList{"0.017 scroll dy=-2 dx=-3 flags=0x0"});
}

TEST_F(ScrollingTest, ScrollEventsCarryTheInputsModifierFlags) {
    setProfileValue(OVModifierActionKey("finger2"), 2);
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 10);
    EXPECT_EQ(scrolls(), QStringList{"0.017 scroll dy=15 dx=0 flags=0x40000"});
    // Other flags mid-touch start a new scroll from a fresh anchor.
    setProfileValue(OVModifierActionKey("finger2"), 1);
    twoFingers(2 * kFrame, 0, 20);
    twoFingers(3 * kFrame, 0, 30);
    EXPECT_EQ(scrolls().last(), "0.050 scroll dy=15 dx=0 flags=0x20000");
    EXPECT_EQ(scrolls().size(), 2);
}

TEST_F(ScrollingTest, AOneFingerScrollKeepsItsDirectionThroughASmallReversal) {
    setProfileValue(OVMouseActionKey("finger1"), 4);
    report(0, {{500, 500}});
    report(kFrame, {{500, 510}});
    EXPECT_NEAR(bridge->scrollVelocity().y(), 10.0, 1e-6);
    report(2 * kFrame, {{500, 505}});  // back by 5: the guard keeps the direction
    EXPECT_NEAR(bridge->scrollVelocity().y(), 10.0, 1e-6);
    report(3 * kFrame, {{500, 493}});  // back by 12: a real reversal
    EXPECT_NEAR(bridge->scrollVelocity().y(), -12.0, 1e-6);
    EXPECT_EQ(verticalAmounts(), (QList<int>{15, -8, -18}));
}

TEST_F(ScrollingTest, TwoFingersFollowEveryReversal) {
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 10);
    twoFingers(2 * kFrame, 0, 5);
    EXPECT_NEAR(bridge->scrollVelocity().y(), -5.0, 1e-6);
}

TEST_F(ScrollingTest, AMovementAfterAPauseIsTakenAtItsRawSize) {
    twoFingers(0, 0, 0);
    twoFingers(0.5, 0, 30);
    EXPECT_NEAR(bridge->scrollVelocity().y(), 30.0, 1e-9);
    twoFingers(0.6, 0, 36);  // 6 points in 0.1 s: 1 point per frame
    EXPECT_NEAR(bridge->scrollVelocity().y(), 1.0, 1e-6);
    // Holding still takes no sample.
    twoFingers(0.7, 0, 36);
    twoFingers(0.9, 0, 36.3);
    EXPECT_NEAR(bridge->scrollVelocity().y(), 1.0, 1e-6);
}

TEST_F(ScrollingTest, ReleaseWaitsForTheDelayAndAReturnContinuesTheSameScroll) {
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 10);
    report(2 * kFrame, {});
    EXPECT_TRUE(bridge->scrollReleasePending());
    EXPECT_TRUE(bridge->scrollActive());
    twoFingers(2 * kFrame + 0.005, 0, 20);  // back within 0.01 s: no new anchor
    EXPECT_FALSE(bridge->scrollReleasePending());
    EXPECT_EQ(verticalAmounts(), (QList<int>{15, 15}));
    report(3 * kFrame, {});
    advanceTo(3 * kFrame + 0.009);
    EXPECT_TRUE(bridge->scrollActive());
    advanceTo(3 * kFrame + 0.011);
    EXPECT_FALSE(bridge->scrollActive());
    EXPECT_TRUE(bridge->inertiaRunning());
}

TEST_F(ScrollingTest, TheNextTwoFingerTouchScrollsWhereItIs) {
    setProfileValue(OVInertiaEnabledKey("finger2"), false);
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 10);
    report(2 * kFrame, {});  // both fingers lift in one report
    advanceTo(1.0);
    twoFingers(1.0, 900, 500);  // elsewhere: the cursor goes there before the wheel turns
    twoFingers(1.0 + kFrame, 900, 510);
    EXPECT_EQ(fullLog(),
              (QStringList{"0.000 warp x=150.00 y=100.00", "0.017 scroll dy=15 dx=0 flags=0x0",
                           "1.000 warp x=1050.00 y=600.00", "1.017 scroll dy=15 dx=0 flags=0x0"}));
}

TEST_F(ScrollingTest, ANewTouchAfterTheReleaseStartsAFreshScroll) {
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 10);
    report(2 * kFrame, {});
    advanceTo(0.1);
    twoFingers(0.2, 0, 40);  // coasting stops; this report anchors
    EXPECT_FALSE(bridge->inertiaRunning());
    const int before = verticalAmounts().size();
    twoFingers(0.2 + kFrame, 0, 40);
    EXPECT_EQ(verticalAmounts().size(), before);
}

TEST_F(ScrollingTest, InertiaDecaysEveryTickAndStopsUnderTheThreshold) {
    // After a pause the movement is the sample itself: exactly 10 points per frame.
    twoFingers(0, 0, 0);
    twoFingers(0.25, 0, 10);
    twoFingers(0.27, 0, 10);  // held still: the sample stays
    const double lift = 0.3;
    report(lift, {});
    const double start = lift + 0.01;  // the release delay
    advanceTo(start);
    ASSERT_TRUE(bridge->inertiaRunning());
    EXPECT_NEAR(bridge->scrollVelocity().y(), 20.0, 1e-6);  // x2 boost
    const int scrolled = verticalAmounts().size();
    advanceTo(start + 1.5 * kFrame);
    EXPECT_NEAR(bridge->scrollVelocity().y(), 19.0, 1e-6);  // decayed before the first post
    advanceTo(start + 2.5 * kFrame);
    EXPECT_EQ(verticalAmounts().mid(scrolled), (QList<int>{28, 28}));  // 28.5 -> 28, 27.575 -> 28
    advanceTo(start + 78.5 * kFrame);
    EXPECT_TRUE(bridge->inertiaRunning());
    advanceTo(start + 79.5 * kFrame);
    EXPECT_FALSE(bridge->inertiaRunning());
    EXPECT_EQ(bridge->scrollVelocity(), QPointF(0, 0));
    EXPECT_EQ(clock().pendingCount(), 0);
    // Every tick until the stop posted what the velocity and the remainder gave.
    double expected = 0.0;
    for (int k = 1; k <= 78; ++k) {
        expected += 20.0 * std::pow(0.95, k) * 1.5;
    }
    int coasted = 0;
    for (int amount : verticalAmounts().mid(scrolled)) {
        coasted += amount;
    }
    EXPECT_NEAR(coasted, expected, 1.0);
}

TEST_F(ScrollingTest, InertiaFollowsTheInputsSettingAndItsFlags) {
    setProfileValue(OVInertiaEnabledKey("finger2"), false);
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 10);
    report(2 * kFrame, {});
    advanceTo(1.0);
    EXPECT_FALSE(bridge->inertiaRunning());
    EXPECT_EQ(clock().pendingCount(), 0);

    poster.clear();
    setProfileValue(OVInertiaEnabledKey("finger2"), true);
    setProfileValue(OVModifierActionKey("finger2"), 4);
    twoFingers(2.0, 0, 0);
    twoFingers(2.0 + kFrame, 0, 10);
    report(2.0 + 2 * kFrame, {});
    advanceTo(2.5);
    for (const QString& line : scrolls()) {
        EXPECT_TRUE(line.endsWith("flags=0x100000")) << line.toStdString();
    }
    EXPECT_GT(scrolls().size(), 5);
}

TEST_F(ScrollingTest, ASlowReleaseDoesNotCoast) {
    twoFingers(0, 0, 0);
    twoFingers(0.1, 0, 0.6);  // 0.6 points in 0.1 s: 0.1 points per frame
    report(0.2, {});
    advanceTo(0.8);
    EXPECT_FALSE(bridge->inertiaRunning());  // 0.1 x 2 is under 0.35
    EXPECT_FALSE(bridge->scrollActive());
}

TEST_F(ScrollingTest, AOneFingerScrollEndsAtLiftAndCoastsOnlyWhenEnabled) {
    setProfileValue(OVMouseActionKey("finger1"), 4);
    report(0, {{500, 500}});
    report(kFrame, {{500, 520}});
    report(2 * kFrame, {});
    EXPECT_FALSE(bridge->scrollActive());  // no release delay for one finger
    EXPECT_FALSE(bridge->inertiaRunning());
    EXPECT_EQ(clock().pendingCount(), 0);

    setProfileValue(OVInertiaEnabledKey("finger1"), true);
    report(1.0, {{500, 500}});
    report(1.0 + kFrame, {{500, 520}});
    report(1.0 + 2 * kFrame, {});
    EXPECT_FALSE(bridge->scrollActive());
    EXPECT_TRUE(bridge->inertiaRunning());
    // A touch stops the coasting at once.
    report(1.1, {{800, 800}});
    EXPECT_FALSE(bridge->inertiaRunning());
}

TEST_F(ScrollingTest, AZeroReleaseDelayEndsATwoFingerScrollAtLift) {
    setProfileValue("scrollReleaseDelay", 0.0);
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 0, 10);
    report(2 * kFrame, {});
    EXPECT_FALSE(bridge->scrollActive());
    EXPECT_TRUE(bridge->inertiaRunning());
}

TEST_F(ScrollingTest, ScrollingReleasesAHeldButtonFirst) {
    setProfileValue(OVMouseActionKey("pen"), 4);
    report(0, {{100, 100}});
    advanceTo(0.15);
    ASSERT_TRUE(bridge->mouseDown());
    report(0.2, {{100, 100, OVContactKindPen}});
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_EQ(log().last(), "0.200 mouse type=2 button=0 x=100.00 y=100.00 flags=0x0 clicks=1");
    EXPECT_TRUE(bridge->scrollActive());
}

TEST_F(ScrollingTest, AScaleOfZeroPostsNothing) {
    setProfileValue("scrollScale", 0.0);
    twoFingers(0, 0, 0);
    for (int k = 1; k < 20; ++k) {
        twoFingers(k * kFrame, 0, 10 * k);
    }
    report(1.0, {});
    advanceTo(3.0);
    EXPECT_TRUE(scrolls().isEmpty());
    EXPECT_EQ(clock().pendingCount(), 0);
}

}  // namespace

namespace {

TEST_F(ScrollingTest, ThreeFingersMappedToScrollScrollAndWaitForTheReleaseDelay) {
    setProfileValue(OVMouseActionKey("finger3"), OVMouseActionScroll);
    setProfileValue(OVInertiaEnabledKey("finger3"), true);
    report(0, {{100, 500}, {200, 500}, {300, 500}});
    report(kFrame, {{100, 510}, {200, 510}, {300, 510}});
    report(2 * kFrame, {{100, 520}, {200, 520}, {300, 520}});
    EXPECT_EQ(verticalAmounts(), (QList<int>{15, 15}));
    report(3 * kFrame, {});
    EXPECT_TRUE(bridge->scrollReleasePending());
    advanceTo(3 * kFrame + 0.02);
    EXPECT_TRUE(bridge->inertiaRunning());
}

}  // namespace
