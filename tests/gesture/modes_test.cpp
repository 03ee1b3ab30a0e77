#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

using ModesTest = GestureTest;

TEST_F(ModesTest, ADisplayRefreshReleasesTheButtonAndIgnoresTheTouchThatIsDown) {
    report(0, {{100, 100}});
    advanceTo(0.15);
    ASSERT_TRUE(bridge->mouseDown());
    displays.setDisplays({OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1280, 720), true)});
    bridge->refreshDisplayMapping();
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_EQ(bridge->lastPoint(), QPointF(-1, -1));
    report(0.2, {{200, 200}});
    report(0.3, {{300, 200}});
    report(0.35, {});
    // The first touch after the lift acts again, mapped onto the new bounds.
    report(0.5, {{960, 540}});
    report(0.52, {});
    EXPECT_EQ(fullLog(), (QStringList{
                             "0.000 warp x=100.00 y=100.00",
                             "0.100 mouse type=1 button=0 x=100.00 y=100.00 flags=0x0 clicks=1",
                             "0.150 mouse type=2 button=0 x=100.00 y=100.00 flags=0x0 clicks=1",
                             "0.500 warp x=640.00 y=360.00",
                             "0.520 mouse type=1 button=0 x=640.00 y=360.00 flags=0x0 clicks=1",
                             "0.520 mouse type=2 button=0 x=640.00 y=360.00 flags=0x0 clicks=1",
                         }));
}

TEST_F(ModesTest, ADisplayRefreshEndsScrollingWithoutCoasting) {
    report(0, {{100, 100}, {200, 100}});
    report(0.02, {{100, 140}, {200, 140}});
    report(0.04, {});
    EXPECT_TRUE(bridge->scrollReleasePending());
    bridge->refreshDisplayMapping();
    EXPECT_FALSE(bridge->scrollActive());
    EXPECT_FALSE(bridge->scrollReleasePending());
    EXPECT_EQ(clock().pendingCount(), 0);
    EXPECT_EQ(bridge->scrollVelocity(), QPointF(0, 0));

    report(1.0, {{100, 100}, {200, 100}});
    report(1.0, {});
    report(1.1, {{100, 100}, {200, 100}});
    report(1.12, {{100, 140}, {200, 140}});
    report(1.14, {});
    advanceTo(1.2);
    ASSERT_TRUE(bridge->inertiaRunning());
    bridge->refreshDisplayMapping();
    EXPECT_FALSE(bridge->inertiaRunning());
    EXPECT_EQ(clock().pendingCount(), 0);
}

TEST_F(ModesTest, ADisplayRefreshEndsALockedPinch) {
    setProfileValue(OVMouseActionKey("finger2"), OVMouseActionScrollAndPinch);
    report(0, {{100, 500}, {300, 500}});
    report(0.02, {{100, 500}, {330, 500}});
    ASSERT_TRUE(bridge->pinchGestureActive());
    bridge->refreshDisplayMapping();
    EXPECT_EQ(linesContaining("phase=8"),
              QStringList{"0.020 magnify amount=0 phase=8 x=215.00 y=500.00"});
    report(0.04, {{100, 500}, {380, 500}});
    EXPECT_EQ(linesContaining("magnify").size(), 3);
}

TEST_F(ModesTest, StoppingEndsALockedPinchAndTheNextTouchStartsAfresh) {
    setProfileValue(OVMouseActionKey("finger2"), OVMouseActionScrollAndPinch);
    report(0.05, {{100, 500}, {300, 500}});
    report(0.07, {{100, 500}, {330, 500}});
    ASSERT_TRUE(bridge->pinchGestureActive());
    bridge->stop();
    EXPECT_FALSE(bridge->pinchGestureActive());
    EXPECT_EQ(clock().pendingCount(), 0);
    report(1.0, {{900, 500}, {1100, 500}});  // a new pinch candidate: it scrolls
    report(1.02, {{900, 510}, {1100, 510}});
    EXPECT_EQ(linesContaining("magnify"),
              (QStringList{"0.070 magnify amount=0 phase=1 x=215.00 y=500.00",
                           "0.070 magnify amount=0.08 phase=2 x=215.00 y=500.00",
                           "0.070 magnify amount=0 phase=8 x=215.00 y=500.00"}));
    EXPECT_EQ(linesContaining("scroll"), QStringList{"1.020 scroll dy=15 dx=0 flags=0x0"});
}

TEST_F(ModesTest, EnteringTestModeReleasesEverythingAndLeavingItIgnoresTheTouch) {
    setProfileValue(OVMouseActionKey("finger2"), OVMouseActionRight);
    setProfileValue(OVModifierActionKey("finger2"), OVKeyboardActionEsc);
    report(0, {{100, 100}, {200, 100}});
    EXPECT_EQ(bridge->keyboardActionInput(), "finger2");
    bridge->setCompatibilityTestMode(true);
    EXPECT_TRUE(bridge->compatibilityTestMode());
    EXPECT_FALSE(bridge->rightMouseDown());
    EXPECT_TRUE(bridge->keyboardActionInput().isEmpty());
    EXPECT_FALSE(bridge->suppressInputUntilAllContactsUp());
    bridge->setCompatibilityTestMode(true);  // the same value again changes nothing
    bridge->setCompatibilityTestMode(false);
    EXPECT_TRUE(bridge->suppressInputUntilAllContactsUp());
    report(0.5, {{100, 100}, {200, 100}});
    report(0.6, {});
    report(0.7, {{100, 100}, {200, 100}});
    report(0.8, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.000 key code=53 down=1 flags=0x0",
                         "0.000 key code=53 down=0 flags=0x0",
                         "0.000 mouse type=3 button=1 x=150.00 y=100.00 flags=0x0",
                         "0.000 mouse type=4 button=1 x=150.00 y=100.00 flags=0x0",
                         "0.700 key code=53 down=1 flags=0x0",
                         "0.700 key code=53 down=0 flags=0x0",
                         "0.700 mouse type=3 button=1 x=150.00 y=100.00 flags=0x0",
                         "0.800 mouse type=4 button=1 x=150.00 y=100.00 flags=0x0",
                     }));
}

TEST_F(ModesTest, TestModeCancelsAPendingPressAndEndsCoasting) {
    report(0, {{100, 100}});
    bridge->setCompatibilityTestMode(true);
    EXPECT_FALSE(bridge->pendingMouseDown());
    EXPECT_EQ(clock().pendingCount(), 0);
    bridge->setCompatibilityTestMode(false);
    report(0.1, {});
    report(0.2, {{100, 100}, {200, 100}});
    report(0.22, {{100, 140}, {200, 140}});
    report(0.24, {});
    advanceTo(0.3);
    ASSERT_TRUE(bridge->inertiaRunning());
    bridge->setCompatibilityTestMode(true);
    EXPECT_FALSE(bridge->inertiaRunning());
    EXPECT_EQ(clock().pendingCount(), 0);
    EXPECT_TRUE(linesContaining("mouse").isEmpty());
}

}  // namespace
