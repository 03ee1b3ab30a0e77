#include "gesture_fixture.h"

namespace {

using EventOutputTest = GestureTest;

TEST_F(EventOutputTest, TheLogWritesEveryKindOfEventOnOneLine) {
    advanceTo(0.112);
    poster.postMouseEvent(1, 0, {960, 540}, 0, 1);
    advanceTo(0.3);
    poster.postMouseEvent(3, 1, {10, 20}, 0x100000, 0);
    advanceTo(0.35);
    poster.postScrollWheel(-2, 0, 0);
    advanceTo(0.4);
    poster.postMagnify(0.0125, 2, {960, 540});
    advanceTo(0.5);
    poster.postKey(53, true, 0);
    advanceTo(0.501);
    poster.postText(QStringLiteral("é"), 0x80000);
    advanceTo(0.6);
    poster.postSystemKey(1, true);
    advanceTo(0.7);
    poster.warpCursor({960, 540});
    advanceTo(0.8);
    poster.openSystemApplication("missionControl");
    poster.postText(QStringLiteral("a \"quoted\"\nline\\"), 0);
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.112 mouse type=1 button=0 x=960.00 y=540.00 flags=0x0 clicks=1",
                             "0.300 mouse type=3 button=1 x=10.00 y=20.00 flags=0x100000",
                             "0.350 scroll dy=-2 dx=0 flags=0x0",
                             "0.400 magnify amount=0.0125 phase=2 x=960.00 y=540.00",
                             "0.500 key code=53 down=1 flags=0x0",
                             "0.501 text \"é\" flags=0x80000",
                             "0.600 system key=1 down=1",
                             "0.700 warp x=960.00 y=540.00",
                             "0.800 open app=missionControl",
                             "0.800 text \"a \\\"quoted\\\"\\nline\\\\\" flags=0x0",
                         }));
    EXPECT_EQ(poster.text().count('\n'), 10);
    poster.clear();
    advanceTo(1.0);
    poster.postSystemKey(2, false);
    EXPECT_EQ(fullLog(), QStringList{"0.200 system key=2 down=0"});
}

TEST_F(EventOutputTest, LeftButtonEventsCarryAClickCountOfAtLeastOne) {
    bridge->postMouse(2, {5, 6}, 0, 0);
    bridge->postMouse(6, {5.006, 6.004});
    bridge->postRightMouse(4, {1, 2}, 0x20000);
    bridge->postMiddleMouse(26, {3, 4});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 mouse type=2 button=0 x=5.00 y=6.00 flags=0x0 clicks=1",
                             "0.000 mouse type=6 button=0 x=5.01 y=6.00 flags=0x0 clicks=1",
                             "0.000 mouse type=4 button=1 x=1.00 y=2.00 flags=0x20000",
                             "0.000 mouse type=26 button=2 x=3.00 y=4.00 flags=0x0",
                         }));
}

TEST_F(EventOutputTest, SmallMagnifyChangesAreNotPostedButBeginAndEndAlwaysAre) {
    bridge->postMagnify(0.00005, 2, {1, 1});
    bridge->postMagnify(-0.00009, 2, {1, 1});
    bridge->postMagnify(0.0, 1, {1, 1});
    bridge->postMagnify(0.0001, 2, {1, 1});
    bridge->postMagnify(0.0, 8, {1, 1});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 magnify amount=0 phase=1 x=1.00 y=1.00",
                             "0.000 magnify amount=0.0001 phase=2 x=1.00 y=1.00",
                             "0.000 magnify amount=0 phase=8 x=1.00 y=1.00",
                         }));
}

TEST(SimDisplaySizeTest, ParsesWidthByHeight) {
    EXPECT_EQ(OVParseDisplaySize("1920x1080"), QSize(1920, 1080));
    EXPECT_EQ(OVParseDisplaySize(" 800X600 "), QSize(800, 600));
    EXPECT_FALSE(OVParseDisplaySize("0x600"));
    EXPECT_FALSE(OVParseDisplaySize("1920"));
    EXPECT_FALSE(OVParseDisplaySize("-5x10"));
    EXPECT_FALSE(OVParseDisplaySize("12x10x3"));
}

}  // namespace
