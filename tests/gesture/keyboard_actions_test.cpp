#include "base/notification_center.h"
#include "base/notification_names.h"
#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

using KeyboardActionsTest = GestureTest;

TEST_F(KeyboardActionsTest, EscapeFiresOncePerTouchAndHoldsTheLeftPressBack) {
    set(OVModifierActionKey("finger1"), OVKeyboardActionEsc);
    set("touchDelay", 0.0);
    report(0.0, {{100, 100}});
    report(0.02, {{110, 100}});
    report(0.04, {{120, 100}});
    advanceTo(0.06);
    report(0.08, {});
    set("touchDelay", 0.1);  // the longer of the touch delay and the hold-back wins
    report(0.30, {{300, 100}});
    report(0.45, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.000 key code=53 down=1 flags=0x0",
                         "0.000 key code=53 down=0 flags=0x0",
                         "0.050 mouse type=1 button=0 x=120.00 y=100.00 flags=0x0 clicks=1",
                         "0.080 mouse type=2 button=0 x=120.00 y=100.00 flags=0x0 clicks=1",
                         "0.300 key code=53 down=1 flags=0x0",
                         "0.300 key code=53 down=0 flags=0x0",
                         "0.400 mouse type=1 button=0 x=300.00 y=100.00 flags=0x0 clicks=1",
                         "0.450 mouse type=2 button=0 x=300.00 y=100.00 flags=0x0 clicks=1",
                     }));
}

TEST_F(KeyboardActionsTest, ActionsFireOncePerTouchOfTheirInput) {
    set(OVModifierActionKey("finger1"), OVKeyboardActionScreenshot);
    set(OVMouseActionKey("finger3"), OVMouseActionScroll);
    set(OVModifierActionKey("finger3"), OVKeyboardActionMissionControl);
    set(OVModifierActionKey("finger2"), OVKeyboardActionEsc);  // never while finger2 scrolls
    for (double start : {0.0, 0.5}) {
        report(start, {{100, 100}});
        report(start + 0.05, {{150, 100}});
        report(start + 0.2, {{200, 100}});
        report(start + 0.3, {});
        // Lifted while scrolling: the next touch fires again.
        report(start + 1.0, {{100, 100}, {200, 100}, {300, 100}});
        report(start + 1.05, {{100, 120}, {200, 120}, {300, 120}});
        report(start + 1.1, {});
        report(start + 2.0, {{100, 100}, {200, 100}});
        report(start + 2.05, {{100, 110}, {200, 110}});
        report(start + 2.1, {});
    }
    EXPECT_EQ(linesContaining("open app=screenshot").size(), 2);
    EXPECT_EQ(linesContaining("open app=missionControl").size(), 2);
    EXPECT_TRUE(linesContaining("key").isEmpty());
    // A group that changes inputs within the touch fires the new input's action.
    set(OVMouseActionKey("finger2"), OVMouseActionRight);
    report(3.0, {{100, 100}, {200, 100}});
    report(3.05, {{100, 100}, {200, 100}, {300, 100}});
    report(3.1, {{100, 100}, {200, 100}, {300, 100}});
    report(3.15, {});
    EXPECT_EQ(linesContaining("key code=53 down=1").size(), 1);
    EXPECT_EQ(linesContaining("open app=missionControl").size(), 3);
}

TEST_F(KeyboardActionsTest, ShowKeyboardPostsTheNotificationOncePerTouch) {
    set(OVModifierActionKey("pen"), OVKeyboardActionShowKeyboard);
    int shown = 0;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVTouchKeyboardShowNotification, nullptr,
                  [&](const OVNotification& note) { shown += note.sender == bridge.get(); });
    report(0.0, {{100, 100, OVContactKindPen}});
    report(0.05, {{120, 100, OVContactKindPen}});
    report(0.1, {});
    report(0.3, {{100, 100}});  // a finger: no action
    report(0.35, {});
    EXPECT_EQ(shown, 1);
    report(0.5, {{100, 100, OVContactKindPen}});
    EXPECT_EQ(shown, 2);
}

TEST_F(KeyboardActionsTest, KeyCombosPressModifiersInOrderAndReleaseInReverse) {
    set(OVModifierActionKey("finger1"), OVKeyboardActionKeyCombo);
    const auto combo = [&](double at) {
        report(at, {{100, 100}});
        report(at + 0.05, {});
        return linesContaining(QStringLiteral("%1 key").arg(at, 0, 'f', 3));
    };
    EXPECT_TRUE(combo(0.0).isEmpty());  // no key and no label: nothing
    set(OVKeyComboKeyCodeKey("finger1"), 21);
    set(OVKeyComboFlagsKey("finger1"), 0x120000);
    EXPECT_EQ(combo(0.2), (QStringList{
                              "0.200 key code=56 down=1 flags=0x20000",
                              "0.200 key code=55 down=1 flags=0x120000",
                              "0.200 key code=21 down=1 flags=0x120000",
                              "0.200 key code=21 down=0 flags=0x120000",
                              "0.200 key code=55 down=0 flags=0x20000",
                              "0.200 key code=56 down=0 flags=0x0",
                          }));
    set(OVKeyComboFlagsKey("finger1"), 0xC0001);  // Control, Option, one other bit
    EXPECT_EQ(combo(0.4), (QStringList{
                              "0.400 key code=59 down=1 flags=0x40000",
                              "0.400 key code=58 down=1 flags=0xc0000",
                              "0.400 key code=21 down=1 flags=0xc0001",
                              "0.400 key code=21 down=0 flags=0xc0001",
                              "0.400 key code=58 down=0 flags=0x40000",
                              "0.400 key code=59 down=0 flags=0x0",
                          }));
    set(OVKeyComboFlagsKey("finger1"), 0);
    set(OVKeyComboKeyCodeKey("finger1"), 0x10024);  // the low 16 bits are the key
    EXPECT_EQ(combo(0.6), (QStringList{"0.600 key code=36 down=1 flags=0x0",
                                       "0.600 key code=36 down=0 flags=0x0"}));
    set(OVKeyComboKeyCodeKey("finger1"), 0);
    set(OVKeyComboLabelKey("finger1"), QStringLiteral("A"));  // key code 0 is the A key
    EXPECT_EQ(combo(0.8).size(), 2);
}

}  // namespace
