#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

using ClicksTest = GestureTest;

TEST_F(ClicksTest, ATapShorterThanTheTouchDelayStillClicksAtLift) {
    report(0.0, {{100, 200}});
    EXPECT_TRUE(bridge->pendingMouseDown());
    report(0.030, {});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 warp x=100.00 y=200.00",
                             "0.030 mouse type=1 button=0 x=100.00 y=200.00 flags=0x0 clicks=1",
                             "0.030 mouse type=2 button=0 x=100.00 y=200.00 flags=0x0 clicks=1",
                         }));
    EXPECT_EQ(clock().pendingCount(), 0);
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_FALSE(bridge->pendingMouseDown());
}

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

TEST_F(ClicksTest, ASlowDragDragsAboutOncePerPoint) {
    report(0.0, {{500, 300}});
    for (int k = 1; k <= 88; ++k) {  // half a point per report at 100 Hz, pressed at 0.1 s
        report(0.15 + k * 0.01, {{500 + 0.5 * k, 300}});
    }
    QList<double> drags;
    for (const OVSimPostedEvent& event : poster.events()) {
        if (event.type == 6) {
            drags << event.at.x();
        }
    }
    ASSERT_GE(drags.size(), 40);
    for (qsizetype i = 1; i < drags.size(); ++i) {
        EXPECT_NEAR(drags[i] - drags[i - 1], 1.25, 0.26) << i;  // a point or a point and a half
    }
}

TEST_F(ClicksTest, QuickTapsCountOneTwoTwoWithinTwelvePoints) {
    const double xs[] = {240, 252, 264, 276};  // exactly 12 points apart once mapped
    double t = 0.0;
    for (double x : xs) {
        report(t, {{x, 300}});
        report(t + 0.03, {});
        t += 0.2;
    }
    const QStringList downs = linesContaining("type=1 ");
    const QStringList ups = linesContaining("type=2 ");
    ASSERT_EQ(downs.size(), 4);
    ASSERT_EQ(ups.size(), 4);
    const char* counts[] = {"clicks=1", "clicks=2", "clicks=2", "clicks=2"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(downs[i].endsWith(counts[i])) << downs[i].toStdString();
        EXPECT_TRUE(ups[i].endsWith(counts[i])) << ups[i].toStdString();
    }
}

TEST_F(ClicksTest, TapsFartherApartOrSlowerThanTheDoubleClickIntervalCountOne) {
    report(0.0, {{100, 300}});
    report(0.03, {});
    report(0.2, {{113, 300}});  // 13 points away
    report(0.23, {});
    // The interval runs from the previous release (0.23) to the press: 0.45 s counts, 0.55 not.
    report(0.58, {{113, 300}});
    report(0.68, {});
    report(1.13, {{113, 300}});
    report(1.26, {});
    const QStringList downs = linesContaining("type=1 ");
    ASSERT_EQ(downs.size(), 4);
    EXPECT_TRUE(downs[0].endsWith("clicks=1"));
    EXPECT_TRUE(downs[1].endsWith("clicks=1"));
    EXPECT_TRUE(downs[2].startsWith("0.680") && downs[2].endsWith("clicks=2"))
        << downs[2].toStdString();
    EXPECT_TRUE(downs[3].startsWith("1.230") && downs[3].endsWith("clicks=1"))
        << downs[3].toStdString();
}

TEST_F(ClicksTest, TheDoubleClickIntervalComesFromThePlatform) {
    poster.setDoubleClickInterval(0.2);
    report(0.0, {{100, 300}});
    report(0.03, {});
    report(0.2, {{100, 300}});
    report(0.26, {});  // 0.23 s after the first release
    EXPECT_TRUE(linesContaining("type=1 ").last().endsWith("clicks=1"));
}

TEST_F(ClicksTest, ADragIsForgottenForDoubleClicks) {
    report(0.0, {{100, 300}});
    advanceTo(0.15);
    report(0.16, {{140, 300}});
    report(0.18, {});
    report(0.20, {{140, 300}});
    report(0.22, {});
    const QStringList downs = linesContaining("type=1 ");
    ASSERT_EQ(downs.size(), 2);
    EXPECT_TRUE(downs[1].endsWith("clicks=1")) << downs[1].toStdString();
    ASSERT_EQ(linesContaining("type=6 ").size(), 1);
}

TEST_F(ClicksTest, ATapsTimerDoesNotPressTheNextTouchEarly) {
    report(0.0, {{100, 300}});
    report(0.03, {});  // clicks at lift; its 0.1 s timer must not fire later
    report(0.06, {{500, 500}});
    advanceTo(0.12);
    EXPECT_TRUE(bridge->pendingMouseDown());
    EXPECT_EQ(linesContaining("type=1 ").size(), 1);
    advanceTo(0.2);
    const QStringList downs = linesContaining("type=1 ");
    ASSERT_EQ(downs.size(), 2);
    EXPECT_TRUE(downs[1].startsWith("0.160 mouse type=1 button=0 x=500.00 y=500.00"))
        << downs[1].toStdString();
}

TEST_F(ClicksTest, AZeroTouchDelayPressesAtOnce) {
    setProfileValue("touchDelay", 0.0);
    report(0.0, {{100, 300}});
    EXPECT_EQ(log(),
              (QStringList{"0.000 mouse type=1 button=0 x=100.00 y=300.00 flags=0x0 clicks=1"}));
    EXPECT_EQ(clock().pendingCount(), 0);
}

TEST_F(ClicksTest, TwoFingersMappedToRightHoldTheRightButtonUntilAllLift) {
    setProfileValue(OVMouseActionKey("finger2"), 2);
    report(0.0, {{100, 100}, {200, 100}});
    report(0.05, {{110, 100}, {210, 100}});
    report(0.10, {{110, 100}});  // one finger lifts: nothing
    report(0.15, {{120, 100}});
    report(0.20, {});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 warp x=150.00 y=100.00",
                             "0.000 mouse type=3 button=1 x=150.00 y=100.00 flags=0x0",
                             "0.050 warp x=160.00 y=100.00",
                             "0.050 mouse type=7 button=1 x=160.00 y=100.00 flags=0x0",
                             "0.200 mouse type=4 button=1 x=160.00 y=100.00 flags=0x0",
                         }));
}

TEST_F(ClicksTest, ThreeFingersPressTheMiddleButtonAtTheirCentroid) {
    report(0.0, {{100, 100}, {200, 100}, {300, 400}});
    report(0.05, {{100, 100}, {200, 100}, {300, 400}});
    report(0.1, {{103, 100}, {203, 100}, {303, 400}});
    report(0.2, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.000 mouse type=25 button=2 x=200.00 y=200.00 flags=0x0",
                         "0.100 mouse type=27 button=2 x=203.00 y=200.00 flags=0x0",
                         "0.200 mouse type=26 button=2 x=203.00 y=200.00 flags=0x0",
                     }));
}

TEST_F(ClicksTest, SwitchingButtonsReleasesTheOtherOneFirst) {
    setProfileValue(OVMouseActionKey("finger2"), 2);
    report(0.0, {{100, 100}, {200, 100}});               // right down
    report(0.05, {{100, 100}, {200, 100}, {300, 100}});  // middle: right up first
    report(0.2, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.000 mouse type=3 button=1 x=150.00 y=100.00 flags=0x0",
                         "0.050 mouse type=4 button=1 x=200.00 y=100.00 flags=0x0",
                         "0.050 mouse type=25 button=2 x=200.00 y=100.00 flags=0x0",
                         "0.200 mouse type=26 button=2 x=200.00 y=100.00 flags=0x0",
                     }));
}

TEST_F(ClicksTest, FingersLeftOverFromAGroupActOnlyAfterAllLifted) {
    setProfileValue(OVMouseActionKey("finger2"), OVMouseActionRight);
    report(0.0, {{100, 100}, {200, 100}, {300, 100}});
    report(0.05, {{100, 100}, {200, 100}});  // one finger of three lifts first: no right click
    report(0.1, {{110, 100}, {210, 100}});
    report(0.2, {});
    report(0.5, {{100, 100}, {200, 100}});  // a touch of two of its own
    EXPECT_EQ(log(), (QStringList{
                         "0.000 mouse type=25 button=2 x=200.00 y=100.00 flags=0x0",
                         "0.200 mouse type=26 button=2 x=200.00 y=100.00 flags=0x0",
                         "0.500 mouse type=3 button=1 x=150.00 y=100.00 flags=0x0",
                     }));
}

TEST_F(ClicksTest, AFingerLeftOverFromAGroupNeverClicks) {
    report(0.0, {{100, 100}, {200, 100}});  // finger2 scrolls by default
    report(0.05, {{100, 100}});
    report(0.30, {{130, 100}});
    EXPECT_TRUE(bridge->ignoreSingleTouchUntilAllUp());
    report(0.40, {});
    EXPECT_FALSE(bridge->ignoreSingleTouchUntilAllUp());
    EXPECT_TRUE(linesContaining("mouse").isEmpty());
    // The next touch is a touch of its own again.
    report(0.50, {{130, 100}});
    report(0.52, {});
    EXPECT_EQ(linesContaining("mouse").size(), 2);
}

TEST_F(ClicksTest, ASingleTouchThatBecomesAGroupDropsItsPress) {
    report(0.0, {{100, 100}});
    report(0.05, {{100, 100}, {200, 100}});  // scroll: the pending press is cancelled
    report(0.08, {{100, 100}});
    report(0.2, {});
    EXPECT_TRUE(linesContaining("mouse").isEmpty());
    EXPECT_EQ(clock().pendingCount(), 0);
}

TEST_F(ClicksTest, TwoFingersMappedToLeftClickAtTheirMidpoint) {
    setProfileValue(OVMouseActionKey("finger2"), 1);
    report(0.0, {{100, 100}, {200, 100}});
    report(0.05, {});
    report(1.0, {{300, 100}, {400, 100}});
    report(1.2, {{300, 100}});  // one finger lifts: the press already happened
    report(1.3, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.050 mouse type=1 button=0 x=150.00 y=100.00 flags=0x0 clicks=1",
                         "0.050 mouse type=2 button=0 x=150.00 y=100.00 flags=0x0 clicks=1",
                         "1.100 mouse type=1 button=0 x=350.00 y=100.00 flags=0x0 clicks=1",
                         "1.300 mouse type=2 button=0 x=350.00 y=100.00 flags=0x0 clicks=1",
                     }));
}

TEST_F(ClicksTest, FiveFingersReleaseAtTheCentroidAndOnlyMoveTheCursor) {
    report(0.0, {{100, 100}});
    advanceTo(0.15);
    report(0.2, {{100, 100}, {200, 100}, {300, 100}, {400, 100}, {500, 100}});
    report(0.25, {{110, 100}, {210, 100}, {310, 100}, {410, 100}, {510, 100}});
    report(0.3, {{110, 100}, {210, 100}, {310, 100}});  // three left over: no middle click
    report(0.35, {});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 warp x=100.00 y=100.00",
                             "0.100 mouse type=1 button=0 x=100.00 y=100.00 flags=0x0 clicks=1",
                             "0.200 warp x=300.00 y=100.00",
                             "0.200 mouse type=2 button=0 x=300.00 y=100.00 flags=0x0 clicks=1",
                         }));
}

TEST_F(ClicksTest, MouseActionNoneOnlyMovesTheCursor) {
    setProfileValue(OVMouseActionKey("finger1"), 0);
    report(0.0, {{100, 100}});
    report(0.2, {{100.9, 100}});
    report(0.3, {{120, 100}});
    report(0.4, {});
    EXPECT_EQ(fullLog(),
              (QStringList{"0.000 warp x=100.00 y=100.00", "0.300 warp x=120.00 y=100.00"}));
}

TEST_F(ClicksTest, PenAndEraserActAsTheirOwnInputs) {
    setProfileValue(OVModifierActionKey("pen"), 4);  // Command rides on the pen's events
    report(0.0, {{100, 100, OVContactKindPen}});
    report(0.15, {{100, 100, OVContactKindPen}});
    report(0.2, {});
    report(0.5, {{300, 100, OVContactKindEraser}});  // Right by default
    report(0.6, {});
    report(0.8, {{500, 100, OVContactKindUnknown}});  // any other kind is finger1
    report(0.85, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.100 mouse type=1 button=0 x=100.00 y=100.00 flags=0x100000 clicks=1",
                         "0.200 mouse type=2 button=0 x=100.00 y=100.00 flags=0x100000 clicks=1",
                         "0.500 mouse type=3 button=1 x=300.00 y=100.00 flags=0x0",
                         "0.600 mouse type=4 button=1 x=300.00 y=100.00 flags=0x0",
                         "0.850 mouse type=1 button=0 x=500.00 y=100.00 flags=0x0 clicks=1",
                         "0.850 mouse type=2 button=0 x=500.00 y=100.00 flags=0x0 clicks=1",
                     }));
}

TEST_F(ClicksTest, SuppressionIgnoresEveryReportUntilAnEmptyOne) {
    bridge->setCompatibilityTestMode(true);
    bridge->setCompatibilityTestMode(false);
    EXPECT_TRUE(bridge->suppressInputUntilAllContactsUp());
    report(0.0, {{100, 100}});
    report(0.2, {{150, 100}});
    report(0.3, {});  // only clears the latch
    EXPECT_FALSE(bridge->suppressInputUntilAllContactsUp());
    EXPECT_TRUE(fullLog().isEmpty());
    report(0.4, {{150, 100}});
    report(0.42, {});
    EXPECT_EQ(log().size(), 2);
}

TEST_F(ClicksTest, AReportOfAnotherReportIDEndsTheTouch) {
    report(0.0, {{100, 100}});
    advanceTo(0.15);
    OVTouchContactList undecoded;  // count 0, decoded false
    bridge->handleContacts(undecoded);
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_EQ(log().last(), "0.150 mouse type=2 button=0 x=100.00 y=100.00 flags=0x0 clicks=1");
}

TEST_F(ClicksTest, OnlyTheFirstCountEntriesOfTheListAreUsed) {
    OVTouchContactList list = makeContactList({{100, 100}, {900, 900}, {900, 100}});
    list.count = 1;
    bridge->handleContacts(list);
    advanceTo(0.2);
    EXPECT_EQ(log(),
              (QStringList{"0.100 mouse type=1 button=0 x=100.00 y=100.00 flags=0x0 clicks=1"}));
}

}  // namespace
