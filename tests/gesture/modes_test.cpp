// What a display refresh and compatibility test mode leave behind. That they end every button,
// key, magnify and timer at once is checked over random streams.

#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

using ModesTest = GestureTest;

TEST_F(ModesTest, ADisplayRefreshIgnoresTheTouchThatIsDownAndMapsOntoTheNewBounds) {
    report(0, {{100, 100}});
    advanceTo(0.15);
    displays.setDisplays({OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1280, 720), true)});
    bridge->refreshDisplayMapping();
    EXPECT_EQ(bridge->lastPoint(), QPointF(-1, -1));
    report(0.2, {{200, 200}});
    report(0.3, {{300, 200}});
    report(0.35, {});
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

TEST_F(ModesTest, EnteringTestModeReleasesEverythingAndLeavingItIgnoresTheTouch) {
    set(OVMouseActionKey("finger2"), OVMouseActionRight);
    set(OVModifierActionKey("finger2"), OVKeyboardActionEsc);
    report(0, {{100, 100}, {200, 100}});
    EXPECT_EQ(bridge->keyboardActionInput(), "finger2");
    bridge->setCompatibilityTestMode(true);
    EXPECT_TRUE(bridge->keyboardActionInput().isEmpty());
    EXPECT_FALSE(bridge->suppressInputUntilAllContactsUp());
    bridge->setCompatibilityTestMode(true);  // the same value again changes nothing
    bridge->setCompatibilityTestMode(false);
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

TEST_F(ModesTest, StoppingForgetsThatATouchWasToBeIgnored) {
    report(0, {{100, 100}});
    bridge->refreshDisplayMapping();
    bridge->stop();
    report(0.5, {{300, 300}});
    report(0.55, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.550 mouse type=1 button=0 x=300.00 y=300.00 flags=0x0 clicks=1",
                         "0.550 mouse type=2 button=0 x=300.00 y=300.00 flags=0x0 clicks=1",
                     }));
}

}  // namespace
