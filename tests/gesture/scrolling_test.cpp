// Scroll amounts, velocity sampling and coasting. Plain two-finger scrolls, a return within the
// release delay and coasting after a flick are in the recordings.

#include "base/preferences.h"
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

TEST_F(ScrollingTest, RemaindersCarryTheFractionFromReportToReport) {
    twoFingers(0, 0, 0);  // anchors: no event
    for (int k = 1; k <= 4; ++k) {
        twoFingers(k * kFrame, 0, k);
    }
    twoFingers(5 * kFrame, -1, 4);
    EXPECT_EQ(scrolls(), (QStringList{
                             "0.017 scroll dy=2 dx=0 flags=0x0",
                             "0.033 scroll dy=1 dx=0 flags=0x0",
                             "0.050 scroll dy=2 dx=0 flags=0x0",
                             "0.067 scroll dy=1 dx=0 flags=0x0",
                             "0.083 scroll dy=0 dx=-2 flags=0x0",
                         }));
}

TEST_F(ScrollingTest, DirectionScaleAndModifierFlagsShapeTheEvents) {
    OVStandardPreferences().setBool("naturalScroll", false);
    set(OVModifierActionKey("finger2"), OVKeyboardActionControl);
    twoFingers(0, 0, 0);
    twoFingers(kFrame, 2, 10);
    // Other flags mid-touch start a new scroll from a fresh anchor.
    set(OVModifierActionKey("finger2"), OVKeyboardActionShift);
    twoFingers(2 * kFrame, 2, 20);
    twoFingers(3 * kFrame, 2, 30);
    set("scrollScale", 0.0);
    twoFingers(4 * kFrame, 2, 90);
    EXPECT_EQ(scrolls(), (QStringList{"0.017 scroll dy=-15 dx=-3 flags=0x40000",
                                      "0.050 scroll dy=-15 dx=0 flags=0x20000"}));
}

TEST_F(ScrollingTest, OneFingerKeepsItsDirectionThroughASmallReversalAndTwoFollowEvery) {
    set(OVMouseActionKey("finger1"), OVMouseActionScroll);
    report(0, {{500, 500}});
    report(kFrame, {{500, 510}});
    report(2 * kFrame, {{500, 505}});  // back by 5: the guard keeps the direction
    EXPECT_NEAR(bridge->scrollVelocity().y(), 10.0, 1e-6);
    report(3 * kFrame, {{500, 493}});  // back by 12: a real reversal
    EXPECT_NEAR(bridge->scrollVelocity().y(), -12.0, 1e-6);
    EXPECT_EQ(verticalAmounts(), (QList<int>{15, -8, -18}));
    report(4 * kFrame, {});
    twoFingers(1.0, 0, 0);
    twoFingers(1.0 + kFrame, 0, 10);
    twoFingers(1.0 + 2 * kFrame, 0, 5);
    EXPECT_NEAR(bridge->scrollVelocity().y(), -5.0, 1e-6);
}

TEST_F(ScrollingTest, AMovementAfterAPauseIsTakenAtItsRawSize) {
    twoFingers(0, 0, 0);
    twoFingers(0.5, 0, 30);
    EXPECT_NEAR(bridge->scrollVelocity().y(), 30.0, 1e-9);
    twoFingers(0.6, 0, 36);  // 6 points in 0.1 s: 1 point per frame
    EXPECT_NEAR(bridge->scrollVelocity().y(), 1.0, 1e-6);
    twoFingers(0.7, 0, 36);  // holding still takes no sample
    twoFingers(0.9, 0, 36.3);
    EXPECT_NEAR(bridge->scrollVelocity().y(), 1.0, 1e-6);
}

TEST_F(ScrollingTest, InertiaStartsAfterTheReleaseDelayDecaysEveryTickAndStops) {
    // After a pause the movement is the sample itself: exactly 10 points per frame.
    twoFingers(0, 0, 0);
    twoFingers(0.25, 0, 10);
    twoFingers(0.27, 0, 10);  // held still: the sample stays
    report(0.3, {});
    advanceTo(0.309);
    EXPECT_TRUE(bridge->scrollActive());
    EXPECT_FALSE(bridge->inertiaRunning());
    const double start = 0.31;  // the release delay
    advanceTo(start);
    ASSERT_TRUE(bridge->inertiaRunning());
    EXPECT_FALSE(bridge->scrollActive());
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
}

TEST_F(ScrollingTest, CoastingFollowsEachInputsSettingAndFlags) {
    // One finger: no release delay, and it coasts only when enabled, with its flags.
    set(OVMouseActionKey("finger1"), OVMouseActionScroll);
    set(OVModifierActionKey("finger1"), OVKeyboardActionCommand);
    for (const bool enabled : {false, true}) {
        set(OVInertiaEnabledKey("finger1"), enabled);
        const double t = clock().now();
        report(t, {{500, 500}});
        report(t + kFrame, {{500, 520}});
        report(t + 2 * kFrame, {});
        EXPECT_FALSE(bridge->scrollActive());
        EXPECT_EQ(bridge->inertiaRunning(), enabled);
    }
    advanceTo(clock().now() + 0.2);
    const QStringList lines = scrolls();
    EXPECT_GT(lines.size(), 5);
    EXPECT_EQ(lines.filter("flags=0x100000").size(), lines.size())
        << lines.join("\n").toStdString();
    report(clock().now(), {{800, 800}});  // a touch stops the coasting at once
    EXPECT_FALSE(bridge->inertiaRunning());
}

TEST_F(ScrollingTest, ScrollingReleasesAHeldButtonFirst) {
    set(OVMouseActionKey("pen"), OVMouseActionScroll);
    report(0, {{100, 100}});
    advanceTo(0.15);
    ASSERT_TRUE(bridge->mouseDown());
    report(0.2, {{100, 100, OVContactKindPen}});
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_EQ(log().last(), "0.200 mouse type=2 button=0 x=100.00 y=100.00 flags=0x0 clicks=1");
    EXPECT_TRUE(bridge->scrollActive());
}

TEST_F(ScrollingTest, ThreeFingersScrollOnlyWhenMappedToIt) {
    set(OVMouseActionKey("finger3"), OVMouseActionScrollAndPinch);  // reads as scroll
    report(0, {{100, 500}, {200, 500}, {300, 500}});
    report(kFrame, {{100, 510}, {200, 510}, {300, 510}});
    report(2 * kFrame, {});
    EXPECT_TRUE(bridge->scrollReleasePending());
    // An action of a later version on a third finger ends a scroll without coasting.
    set(OVMouseActionKey("finger3"), 9);
    advanceTo(1.0);
    poster.clear();
    twoFingers(1.0, 0, 0);
    twoFingers(1.0 + kFrame, 0, 10);
    report(1.0 + 2 * kFrame, {{100, 110}, {200, 110}, {300, 110}});
    report(1.0 + 3 * kFrame, {});
    advanceTo(2.0);
    EXPECT_EQ(scrolls(), QStringList{"0.017 scroll dy=15 dx=0 flags=0x0"});
}

}  // namespace
