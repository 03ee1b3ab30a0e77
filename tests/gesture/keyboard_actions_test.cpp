#include "base/notification_center.h"
#include "base/notification_names.h"
#include "gesture/gesture_math.h"
#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

using KeyboardActionsTest = GestureTest;

TEST_F(KeyboardActionsTest, EscapeFiresOncePerTouchAndHoldsTheLeftPressBack) {
    setProfileValue(OVModifierActionKey("finger1"), OVKeyboardActionEsc);
    setProfileValue("touchDelay", 0.0);
    report(0.0, {{100, 100}});
    report(0.02, {{110, 100}});
    report(0.04, {{120, 100}});
    advanceTo(0.06);
    report(0.08, {});
    report(0.30, {{300, 100}});
    report(0.40, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.000 key code=53 down=1 flags=0x0",
                         "0.000 key code=53 down=0 flags=0x0",
                         "0.050 mouse type=1 button=0 x=120.00 y=100.00 flags=0x0 clicks=1",
                         "0.080 mouse type=2 button=0 x=120.00 y=100.00 flags=0x0 clicks=1",
                         "0.300 key code=53 down=1 flags=0x0",
                         "0.300 key code=53 down=0 flags=0x0",
                         "0.350 mouse type=1 button=0 x=300.00 y=100.00 flags=0x0 clicks=1",
                         "0.400 mouse type=2 button=0 x=300.00 y=100.00 flags=0x0 clicks=1",
                     }));
}

TEST_F(KeyboardActionsTest, TheLongerOfTouchDelayAndHoldBackWins) {
    setProfileValue(OVModifierActionKey("finger1"), OVKeyboardActionEsc);
    report(0.0, {{100, 100}});
    advanceTo(0.2);
    EXPECT_EQ(linesContaining("type=1 "),
              QStringList{"0.100 mouse type=1 button=0 x=100.00 y=100.00 flags=0x0 clicks=1"});
}

TEST_F(KeyboardActionsTest, OneShotActionsFireOncePerTouch) {
    struct Case {
        std::int64_t action;
        QString line;
    };
    const Case cases[] = {{OVKeyboardActionMissionControl, "open app=missionControl"},
                          {OVKeyboardActionScreenshot, "open app=screenshot"}};
    for (const Case& c : cases) {
        poster.clear();
        setProfileValue(OVModifierActionKey("finger1"), c.action);
        const double start = clock().now();
        report(start + 0.0, {{100, 100}});
        report(start + 0.05, {{150, 100}});
        report(start + 0.2, {{200, 100}});
        report(start + 0.3, {});
        EXPECT_EQ(linesContaining(c.line).size(), 1) << c.line.toStdString();
        report(start + 0.5, {{100, 100}});
        report(start + 0.6, {});
        EXPECT_EQ(linesContaining(c.line).size(), 2) << c.line.toStdString();
    }
}

TEST_F(KeyboardActionsTest, ShowKeyboardPostsTheNotificationOncePerTouch) {
    setProfileValue(OVModifierActionKey("pen"), OVKeyboardActionShowKeyboard);
    int shown = 0;
    const void* sender = nullptr;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVTouchKeyboardShowNotification, nullptr, [&](const OVNotification& note) {
        ++shown;
        sender = note.sender;
        EXPECT_TRUE(note.userInfo.isEmpty());
    });
    report(0.0, {{100, 100, OVContactKindPen}});
    report(0.05, {{120, 100, OVContactKindPen}});
    report(0.1, {});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(sender, bridge.get());
    report(0.3, {{100, 100}});  // a finger: no action
    report(0.35, {});
    EXPECT_EQ(shown, 1);
    report(0.5, {{100, 100, OVContactKindPen}});
    EXPECT_EQ(shown, 2);
}

TEST_F(KeyboardActionsTest, KeyCombosPressModifiersInOrderAndReleaseInReverse) {
    setProfileValue(OVModifierActionKey("finger1"), OVKeyboardActionKeyCombo);
    setProfileValue(OVKeyComboKeyCodeKey("finger1"), 21);
    setProfileValue(OVKeyComboFlagsKey("finger1"), 0x120000);
    report(0.0, {{100, 100}});
    EXPECT_EQ(linesContaining("key"), (QStringList{
                                          "0.000 key code=56 down=1 flags=0x20000",
                                          "0.000 key code=55 down=1 flags=0x120000",
                                          "0.000 key code=21 down=1 flags=0x120000",
                                          "0.000 key code=21 down=0 flags=0x120000",
                                          "0.000 key code=55 down=0 flags=0x20000",
                                          "0.000 key code=56 down=0 flags=0x0",
                                      }));
    report(0.05, {});
    setProfileValue(OVKeyComboFlagsKey("finger1"), 0xC0001);  // Control, Option, one other bit
    report(0.2, {{100, 100}});
    EXPECT_EQ(linesContaining("key").mid(6), (QStringList{
                                                 "0.200 key code=59 down=1 flags=0x40000",
                                                 "0.200 key code=58 down=1 flags=0xc0000",
                                                 "0.200 key code=21 down=1 flags=0xc0001",
                                                 "0.200 key code=21 down=0 flags=0xc0001",
                                                 "0.200 key code=58 down=0 flags=0x40000",
                                                 "0.200 key code=59 down=0 flags=0x0",
                                             }));
    report(0.25, {});
    setProfileValue(OVKeyComboFlagsKey("finger1"), 0);
    report(0.4, {{100, 100}});
    EXPECT_EQ(linesContaining("key").mid(12), (QStringList{"0.400 key code=21 down=1 flags=0x0",
                                                           "0.400 key code=21 down=0 flags=0x0"}));
}

TEST_F(KeyboardActionsTest, AKeyComboNeedsAKeyOrALabel) {
    setProfileValue(OVModifierActionKey("finger1"), OVKeyboardActionKeyCombo);
    report(0.0, {{100, 100}});
    report(0.05, {});
    EXPECT_TRUE(linesContaining("key").isEmpty());  // nothing recorded

    setProfileValue(OVKeyComboLabelKey("finger1"), "A");  // key code 0 is the A key
    report(0.2, {{100, 100}});
    EXPECT_EQ(linesContaining("key"), (QStringList{"0.200 key code=0 down=1 flags=0x0",
                                                   "0.200 key code=0 down=0 flags=0x0"}));
    report(0.25, {});
    setProfileValue(OVKeyComboKeyCodeKey("finger1"), 0x10024);  // the low 16 bits are the key
    report(0.4, {{100, 100}});
    EXPECT_EQ(linesContaining("code=36").size(), 2);
}

TEST_F(KeyboardActionsTest, AScrollingInputFiresItsActionAgainOnTheNextTouch) {
    setProfileValue(OVMouseActionKey("finger1"), OVMouseActionScroll);
    setProfileValue(OVModifierActionKey("finger1"), OVKeyboardActionEsc);
    setProfileValue(OVMouseActionKey("finger3"), OVMouseActionScroll);
    setProfileValue(OVModifierActionKey("finger3"), OVKeyboardActionMissionControl);
    for (double start : {0.0, 0.5}) {
        report(start, {{100, 100}});
        report(start + 0.05, {{100, 120}});
        report(start + 0.1, {});  // lifted while scrolling
    }
    for (double start : {1.0, 1.5}) {
        report(start, {{100, 100}, {200, 100}, {300, 100}});
        report(start + 0.05, {{100, 120}, {200, 120}, {300, 120}});
        report(start + 0.1, {});
    }
    EXPECT_EQ(linesContaining("key code=53 down=1").size(), 2);
    EXPECT_EQ(linesContaining("open app=missionControl").size(), 2);
}

TEST_F(KeyboardActionsTest, TwoFingerScrollingNeverFiresFinger2sAction) {
    setProfileValue(OVModifierActionKey("finger2"), OVKeyboardActionEsc);
    report(0.0, {{100, 100}, {200, 100}});
    report(0.05, {{100, 110}, {200, 110}});
    report(0.1, {});
    EXPECT_TRUE(linesContaining("key").isEmpty());
    setProfileValue(OVMouseActionKey("finger2"), 1);
    report(0.5, {{100, 100}, {200, 100}});
    report(0.55, {{100, 110}, {200, 110}});
    report(0.6, {});
    report(0.8, {{100, 100}, {200, 100}});
    EXPECT_EQ(linesContaining("key code=53 down=1").size(), 2);
}

TEST_F(KeyboardActionsTest, ChangingInputsWithinATouchFiresTheNewInputsAction) {
    setProfileValue(OVMouseActionKey("finger2"), 2);
    setProfileValue(OVModifierActionKey("finger2"), OVKeyboardActionEsc);
    setProfileValue(OVModifierActionKey("finger3"), OVKeyboardActionMissionControl);
    report(0.0, {{100, 100}, {200, 100}});
    report(0.05, {{100, 100}, {200, 100}, {300, 100}});
    report(0.1, {{100, 100}, {200, 100}, {300, 100}});
    report(0.15, {});
    EXPECT_EQ(linesContaining("key code=53 down=1").size(), 1);
    EXPECT_EQ(linesContaining("open app=missionControl").size(), 1);
}

TEST_F(KeyboardActionsTest, ModifierActionsRideOnEventsAndPostNoKeys) {
    setProfileValue(OVModifierActionKey("finger1"), OVKeyboardActionShift);
    setProfileValue(OVModifierActionKey("finger3"), OVKeyboardActionOption);
    report(0.0, {{100, 100}});
    report(0.05, {});
    report(0.3, {{100, 100}, {200, 100}, {300, 100}});
    report(0.35, {});
    EXPECT_EQ(log(), (QStringList{
                         "0.050 mouse type=1 button=0 x=100.00 y=100.00 flags=0x20000 clicks=1",
                         "0.050 mouse type=2 button=0 x=100.00 y=100.00 flags=0x20000 clicks=1",
                         "0.300 mouse type=25 button=2 x=200.00 y=100.00 flags=0x80000",
                         "0.350 mouse type=26 button=2 x=200.00 y=100.00 flags=0x80000",
                     }));
}

TEST(ModifierFlagsTest, OnlyTheFourModifierActionsHaveFlags) {
    EXPECT_EQ(OVModifierFlagsForKeyboardAction(1), 0x20000u);
    EXPECT_EQ(OVModifierFlagsForKeyboardAction(2), 0x40000u);
    EXPECT_EQ(OVModifierFlagsForKeyboardAction(3), 0x80000u);
    EXPECT_EQ(OVModifierFlagsForKeyboardAction(4), 0x100000u);
    for (std::int64_t action : {0, 5, 6, 7, 8, 9, -1, 10}) {
        EXPECT_EQ(OVModifierFlagsForKeyboardAction(action), 0u) << action;
    }
}

}  // namespace
