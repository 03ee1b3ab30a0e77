#include <gtest/gtest.h>

#include <QStringList>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "keyboard/key_hold.h"
#include "keyboard/key_presentation.h"
#include "keyboard/touch_keyboard_model.h"
#include "platform/assembled_platform.h"
#include "settings/profiles.h"
#include "support/keyboard_helpers.h"

namespace {

// Records what the key actions ask of the keyboard window.
class RecordingPanel : public OVTouchKeyboardPanel {
  public:
    void hideKeyboard() override { calls.append("hide"); }
    void cycleKeyboardPosition() override { calls.append("cycle"); }
    void buildKeys() override { calls.append("build"); }
    void positionKeyboardAtSavedPosition() override { calls.append("position"); }
    void refreshModifierButtons() override { calls.append("refresh"); }
    QStringList calls;
};

class KeyActions : public ::testing::Test {
  protected:
    KeyActions() {
        platform.poster = &poster;
        services.setPlatform(&platform);
        OVRegisterDefaults();
    }

    // Presses each action key in turn.
    void press(std::initializer_list<const char*> actions) {
        for (const char* action : actions) {
            model.keyPressed(OVTestKeyWithAction(model, action));
        }
    }
    void type(const QString& text) { model.keyPressed(OVTestKeyWithText(model, text)); }
    QStringList posted() { return poster.take(); }
    static QStringList tap(int code, const char* flags) {
        return {QStringLiteral("key %1 down %2").arg(code).arg(flags),
                QStringLiteral("key %1 up %2").arg(code).arg(flags)};
    }

    OVServicesGuard services;
    OVRecordingEventPoster poster;
    OVAssembledPlatform platform;
    RecordingPanel panel;
    OVTouchKeyboardModel model{&panel};
};

}  // namespace

TEST_F(KeyActions, ShiftAndCapsLockChangeWhatLettersTypeAndShowAndShiftDisarms) {
    press({"shift"});
    EXPECT_EQ(model.currentModifierFlags(), 0x20000u);
    EXPECT_EQ(OVKeyboardDisplayTitle(OVTestKeyWithText(model, "1"), model.state()), "!");
    type("a");  // the text carries its case: no shift flag travels with it
    type("a");
    EXPECT_EQ(posted(), QStringList({"text A 0x0", "text a 0x0"}));
    EXPECT_EQ(panel.calls, QStringList(3, QStringLiteral("refresh")));  // armed, disarmed, typed

    // Shift and caps lock cancel each other on letters; caps lock alone leaves digits alone.
    press({"caps"});
    EXPECT_EQ(OVKeyboardDisplayTitle(OVTestKeyWithText(model, "1"), model.state()), "1");
    press({"shift"});
    type("b");
    press({"shift", "shift"});  // pressing an armed modifier again disarms it
    type("b");
    EXPECT_EQ(posted(), QStringList({"text b 0x0", "text B 0x0"}));
}

TEST_F(KeyActions, ShortcutsWithStickyModifiersPostKeyCodesAndSymbolsPostText) {
    press({"command"});
    type("s");
    press({"command", "shift"});
    type("z");
    press({"caps", "control"});  // caps lock adds no flag
    type("a");
    press({"option"});  // digits have a code too: option-1 is a key press, not the text "1"
    type("1");
    EXPECT_EQ(posted(),
              tap(1, "0x100000") + tap(6, "0x120000") + tap(0, "0x40000") + tap(18, "0x80000"));

    // Symbols carry their own case; only control and command travel with them.
    press({"symbols", "option"});
    type(QString::fromUtf8("é"));
    press({"shift"});
    type(QString::fromUtf8("é"));
    press({"control"});
    type(QString::fromUtf8("é"));
    EXPECT_EQ(posted(),
              QStringList({QString::fromUtf8("text é 0x0"), QString::fromUtf8("text É 0x0"),
                           QString::fromUtf8("text é 0x40000")}));
}

TEST_F(KeyActions, ShortcutKeysUseThePlatformsShortcutModifier) {
    press({"command", "copy", "emoji"});
    EXPECT_FALSE(model.state().commandOn);
    // Where Control makes the shortcuts (Linux), the keys use it, whatever is armed.
    platform.shortcutModifierFlag = 0x40000;
    press({"option", "cut"});
    EXPECT_FALSE(model.state().optionOn);
    press({"paste", "undo", "redo", "emoji"});
    EXPECT_EQ(posted(), tap(8, "0x100000") + tap(49, "0x140000") + tap(7, "0x40000") +
                            tap(9, "0x40000") + tap(6, "0x40000") + tap(6, "0x60000") +
                            tap(47, "0x40000"));
}

TEST_F(KeyActions, NavigationKeysCarryTheArmedModifiersOnceAndEscapeNone) {
    press({"command", "option", "left", "up", "backspace", "control", "escape"});
    EXPECT_FALSE(model.state().controlOn);
    EXPECT_EQ(posted(), tap(123, "0x180000") + tap(126, "0x0") + tap(51, "0x0") + tap(53, "0x0"));
    press({"shift", "volumeUp", "volumeDown", "command", "missionControl"});
    EXPECT_FALSE(model.state().shiftOn || model.state().commandOn);
    EXPECT_EQ(posted(), QStringList({"system 0 down", "system 0 up", "system 1 down", "system 1 up",
                                     "open missionControl"}));
}

TEST_F(KeyActions, LayoutSizeAndPanelKeys) {
    press({"caps", "shift"});
    panel.calls.clear();
    press({"symbols"});
    EXPECT_TRUE(model.state().symbolsOn);
    EXPECT_FALSE(model.state().capsOn || model.state().shiftOn);
    EXPECT_EQ(OVKeyboardDisplayTitle(OVTestKeyWithAction(model, "symbols"), model.state()), "abc");
    press({"hide", "position", "keyboardSize"});
    EXPECT_EQ(panel.calls, QStringList({"build", "hide", "cycle", "build", "position"}));
    EXPECT_EQ(model.keyboardRows().size(), 1);
    press({"keyboardSize"});
    EXPECT_EQ(model.keyboardRows().size(), 6);

    // A button without a descriptor acts by its identifier; an unknown action does nothing.
    model.keyPressed(OVKeyDescriptor(), QStringLiteral("backspace"));
    model.keyPressed(OVKeyDescriptor(), QStringLiteral("nothing"));
    EXPECT_EQ(posted(), tap(51, "0x0"));
}

TEST_F(KeyActions, LongTextIsCutAtEightCodeUnitsWithoutSplittingACharacter) {
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    model.postOutputText(QStringLiteral("0123456789"), std::nullopt);
    model.postOutputText("abcdefg" + grin, std::nullopt);
    model.postOutputText("123456" + grin + "x", std::nullopt);
    EXPECT_EQ(posted(), QStringList({"text 01234567 0x0", "text abcdefg 0x0",
                                     "text 123456" + grin + " 0x0"}));
    press({"command"});
    model.postOutputText(QStringLiteral("v"), std::nullopt);  // without a hint: its key code
    press({"command"});
    model.postOutputText(QStringLiteral("v"), QString(""));  // an empty hint: as text
    EXPECT_EQ(posted(), tap(9, "0x100000") + QStringList{"text v 0x100000"});
}

// Hold mode, in virtual time.
class KeyHold : public KeyActions {
  protected:
    KeyHold() { press({"holdToggle"}); }
    OVVirtualScheduler& clock() { return *services.virtualScheduler(); }
    void hold(const OVKeyDescriptor& key, double seconds) {
        ASSERT_TRUE(press_.begin(&model, key));
        clock().advance(seconds);
        press_.end();
    }
    OVKeyHoldPress press_;
};

TEST_F(KeyHold, AHeldKeyRepeatsWhatItsTapSendsAfterTheDelayThenEveryInterval) {
    hold(OVTestKeyWithText(model, "x"), 0.4);
    EXPECT_EQ(posted(), QStringList({"text x 0x0"}));
    // At the press, at 0.5 s, then every 0.1 s; a held shortcut repeats the shortcut.
    press({"control"});
    hold(OVTestKeyWithText(model, "z"), 0.65);
    EXPECT_EQ(posted(), tap(6, "0x40000") + tap(6, "0x40000") + tap(6, "0x40000"));
    EXPECT_FALSE(model.state().controlOn);  // disarmed when the key is let go
    press({"command"});
    hold(OVTestKeyWithAction(model, "escape"), 0.55);
    EXPECT_EQ(posted(), tap(53, "0x0") + tap(53, "0x0"));
    EXPECT_EQ(clock().pendingCount(), 0);

    // The profile's interval, read at each hold start and raised to 0.03 s.
    OVStandardPreferences().setObject("holdRepeatInterval", 0.01);
    ASSERT_TRUE(press_.begin(&model, OVTestKeyWithText(model, "x")));
    OVStandardPreferences().setObject("holdRepeatInterval", 0.5);
    clock().advance(0.5 + 0.065);
    press_.end();
    EXPECT_EQ(posted().size(), 4);  // at once, 0.5, 0.53, 0.56
}

TEST_F(KeyHold, OnlyRepeatableKeysInHoldModeAreHeldAndDroppingOneStopsIt) {
    for (const char* action : {"cut", "command", "shift", "symbols", "holdToggle", "emoji"}) {
        EXPECT_FALSE(press_.begin(&model, OVTestKeyWithAction(model, action))) << action;
    }
    EXPECT_TRUE(poster.calls.isEmpty());

    press({"option"});
    ASSERT_TRUE(press_.begin(&model, OVTestKeyWithAction(model, "down")));
    model.keyButtonHoldBegan(OVTestKeyWithAction(model, "up"));  // ignored while one is held
    model.releaseHeldKeyIfNeeded();
    EXPECT_TRUE(model.state().optionOn);  // releasing leaves the modifiers alone
    clock().advance(1.0);
    press_.end();
    EXPECT_EQ(posted(), tap(125, "0x80000"));

    press({"holdToggle"});  // out of hold mode nothing is held
    EXPECT_FALSE(press_.begin(&model, OVTestKeyWithText(model, "a")));
}
