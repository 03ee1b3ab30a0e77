#include <gtest/gtest.h>

#include <QStringList>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "keyboard/key_hold.h"
#include "keyboard/keyboard_test_helpers.h"
#include "keyboard/recording_event_poster.h"
#include "keyboard/touch_keyboard_model.h"
#include "platform/assembled_platform.h"
#include "settings/profiles.h"

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

    void press(const QString& action) { model.keyPressed(OVTestKeyWithAction(model, action)); }
    void type(const QString& text) { model.keyPressed(OVTestKeyWithText(model, text)); }
    QStringList posted() {
        QStringList lines = poster.lines();
        poster.calls.clear();
        return lines;
    }

    OVServicesGuard services;
    OVRecordingEventPoster poster;
    OVAssembledPlatform platform;
    RecordingPanel panel;
    OVTouchKeyboardModel model{&panel};
};

}  // namespace

TEST_F(KeyActions, ShiftTypesOneUpperCaseLetterAndDisarms) {
    press("shift");
    EXPECT_TRUE(model.state().shiftOn);
    EXPECT_EQ(model.currentModifierFlags(), 0x20000u);
    EXPECT_TRUE(posted().isEmpty());
    EXPECT_EQ(panel.calls, QStringList({"refresh"}));

    // The text carries its case: no shift flag travels with it.
    type("a");
    EXPECT_EQ(posted(), QStringList({"text A 0x0"}));
    EXPECT_FALSE(model.state().shiftOn);
    EXPECT_EQ(panel.calls.last(), QStringLiteral("refresh"));
    type("a");
    EXPECT_EQ(posted(), QStringList({"text a 0x0"}));

    // Pressing an armed modifier again disarms it without posting.
    press("shift");
    press("shift");
    EXPECT_FALSE(model.state().shiftOn);
    EXPECT_TRUE(posted().isEmpty());
}

TEST_F(KeyActions, ShortcutsTypedWithStickyModifiersPostKeyCodes) {
    press("command");
    type("s");
    EXPECT_EQ(posted(), QStringList({"key 1 down 0x100000", "key 1 up 0x100000"}));
    EXPECT_FALSE(model.state().commandOn);

    press("command");
    press("shift");
    type("z");
    EXPECT_EQ(posted(), QStringList({"key 6 down 0x120000", "key 6 up 0x120000"}));
    EXPECT_EQ(model.currentModifierFlags(), 0u);

    // Caps lock adds no flag: control with caps lock types control-A by its code.
    press("caps");
    press("control");
    type("a");
    EXPECT_EQ(posted(), QStringList({"key 0 down 0x40000", "key 0 up 0x40000"}));
    EXPECT_TRUE(model.state().capsOn);

    // Digits find their code too, so option-1 is a key press and not the text "1".
    press("option");
    type("1");
    EXPECT_EQ(posted(), QStringList({"key 18 down 0x80000", "key 18 up 0x80000"}));
}

TEST_F(KeyActions, TextCarriesItsOwnCaseAndSymbolWithoutShiftOrOption) {
    press("symbols");
    press("option");
    type(QString::fromUtf8("é"));
    EXPECT_EQ(posted(), QStringList({QString::fromUtf8("text é 0x0")}));
    EXPECT_FALSE(model.state().optionOn);

    press("shift");
    type(QString::fromUtf8("é"));
    EXPECT_EQ(posted(), QStringList({QString::fromUtf8("text É 0x0")}));

    // Control and command are shortcuts, and travel with a character that has no key code.
    press("control");
    type(QString::fromUtf8("é"));
    EXPECT_EQ(posted(), QStringList({QString::fromUtf8("text é 0x40000")}));
}

TEST_F(KeyActions, ShortcutKeysUseThePlatformsShortcutModifierAndDisarm) {
    press("command");
    press("copy");
    EXPECT_EQ(posted(), QStringList({"key 8 down 0x100000", "key 8 up 0x100000"}));
    EXPECT_FALSE(model.state().commandOn);
    press("emoji");
    EXPECT_EQ(posted(), QStringList({"key 49 down 0x140000", "key 49 up 0x140000"}));

    // Where Control makes the shortcuts (Linux), the keys use it, whatever is armed.
    platform.shortcutModifierFlag = 0x40000;
    press("option");
    press("cut");
    EXPECT_FALSE(model.state().optionOn);
    press("paste");
    press("undo");
    press("redo");
    press("emoji");
    EXPECT_EQ(posted(), QStringList({"key 7 down 0x40000", "key 7 up 0x40000", "key 9 down 0x40000",
                                     "key 9 up 0x40000", "key 6 down 0x40000", "key 6 up 0x40000",
                                     "key 6 down 0x60000", "key 6 up 0x60000",
                                     "key 47 down 0x40000", "key 47 up 0x40000"}));
}

TEST_F(KeyActions, EscapeIgnoresArmedModifiersButDisarmsThem) {
    press("control");
    press("escape");
    EXPECT_EQ(posted(), QStringList({"key 53 down 0x0", "key 53 up 0x0"}));
    EXPECT_FALSE(model.state().controlOn);
}

TEST_F(KeyActions, NavigationKeysCarryTheArmedModifiersOnce) {
    press("command");
    press("option");
    press("left");
    EXPECT_EQ(posted(), QStringList({"key 123 down 0x180000", "key 123 up 0x180000"}));
    press("left");
    press("right");
    press("up");
    press("down");
    press("home");
    press("end");
    press("backspace");
    press("return");
    press("tab");
    const QStringList lines = posted();
    QStringList downs;
    for (const QString& line : lines) {
        if (line.contains("down")) {
            downs.append(line);
        }
    }
    EXPECT_EQ(downs, QStringList({"key 123 down 0x0", "key 124 down 0x0", "key 126 down 0x0",
                                  "key 125 down 0x0", "key 115 down 0x0", "key 119 down 0x0",
                                  "key 51 down 0x0", "key 36 down 0x0", "key 48 down 0x0"}));
    EXPECT_EQ(lines.size(), 18);
}

TEST_F(KeyActions, MediaKeysAndTheOverviewDisarmModifiers) {
    press("shift");
    press("volumeUp");
    EXPECT_FALSE(model.state().shiftOn);
    press("volumeDown");
    press("command");
    press("missionControl");
    EXPECT_FALSE(model.state().commandOn);
    EXPECT_EQ(posted(), QStringList({"system 0 down", "system 0 up", "system 1 down", "system 1 up",
                                     "open missionControl"}));
}

TEST_F(KeyActions, SwitchingLayoutsClearsCapsLockAndShiftAndRebuilds) {
    press("caps");
    press("shift");
    panel.calls.clear();
    press("symbols");
    EXPECT_TRUE(model.state().symbolsOn);
    EXPECT_FALSE(model.state().capsOn);
    EXPECT_FALSE(model.state().shiftOn);
    EXPECT_EQ(panel.calls, QStringList({"build"}));
    EXPECT_EQ(OVKeyTitle(model.keyboardRows()[0][1]), QStringLiteral("abc"));
    press("symbols");
    EXPECT_FALSE(model.state().symbolsOn);
    EXPECT_FALSE(model.state().capsOn);
    EXPECT_TRUE(posted().isEmpty());
}

TEST_F(KeyActions, PanelActionsAndKeysWithoutDescriptors) {
    press("hide");
    press("position");
    EXPECT_EQ(panel.calls, QStringList({"hide", "cycle"}));
    panel.calls.clear();
    press("keyboardSize");
    EXPECT_TRUE(model.state().keyboardMinimized);
    EXPECT_EQ(panel.calls, QStringList({"build", "position"}));
    EXPECT_EQ(model.keyboardRows().size(), 1);
    press("keyboardSize");
    EXPECT_FALSE(model.state().keyboardMinimized);

    // A button without a descriptor acts by its identifier; an unknown action does nothing.
    model.keyPressed(OVKeyDescriptor(), QStringLiteral("backspace"));
    model.keyPressed(OVKeyDescriptor(), QStringLiteral("nothing"));
    model.keyPressed(OVKeyDescriptor(), QString());
    EXPECT_EQ(posted(), QStringList({"key 51 down 0x0", "key 51 up 0x0"}));

    // A model without a window still keeps its state.
    OVTouchKeyboardModel alone;
    alone.keyPressed(OVKeyboardKey("size", "", "keyboardSize"));
    alone.keyPressed(OVKeyboardKey("hide", "", "hide"));
    EXPECT_TRUE(alone.state().keyboardMinimized);
}

TEST_F(KeyActions, LongTextIsCutAtEightCodeUnitsWithoutSplittingACharacter) {
    model.postOutputText(QStringLiteral("0123456789"), std::nullopt);
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    model.postOutputText("abcdefg" + grin, std::nullopt);
    model.postOutputText(grin.repeated(5), std::nullopt);
    EXPECT_EQ(posted(), QStringList({"text 01234567 0x0", "text abcdefg 0x0",
                                     "text " + grin.repeated(4) + " 0x0"}));

    // Empty text types nothing and leaves the modifiers armed.
    press("shift");
    model.postOutputText(QString(), std::nullopt);
    EXPECT_TRUE(posted().isEmpty());
    EXPECT_TRUE(model.state().shiftOn);

    // Without a hint the output text finds the key code.
    press("command");
    model.postOutputText(QStringLiteral("v"), std::nullopt);
    EXPECT_EQ(posted(), QStringList({"key 9 down 0x120000", "key 9 up 0x120000"}));
    // An empty hint finds none, so the text goes out with the flags.
    press("command");
    model.postOutputText(QStringLiteral("v"), QString(""));
    EXPECT_EQ(posted(), QStringList({"text v 0x100000"}));
}

// Hold mode, in virtual time.
class KeyHold : public KeyActions {
  protected:
    KeyHold() { press("holdToggle"); }
    OVVirtualScheduler& clock() { return *services.virtualScheduler(); }
    // Holds a key for `seconds`.
    void hold(const OVKeyDescriptor& key, double seconds) {
        ASSERT_TRUE(press_.begin(&model, key));
        clock().advance(seconds);
        press_.end();
    }
    OVKeyHoldPress press_;
};

TEST_F(KeyHold, AHeldKeyRepeatsAfterTheInitialDelayThenEveryInterval) {
    hold(OVTestKeyWithText(model, "x"), 0.4);
    EXPECT_EQ(posted(), QStringList({"text x 0x0"}));

    // 1 at the press, the first repeat at 0.5 s, then every 0.1 s.
    hold(OVTestKeyWithAction(model, "backspace"), 0.99);
    QStringList taps;
    for (int i = 0; i < 6; ++i) {
        taps << "key 51 down 0x0"
             << "key 51 up 0x0";
    }
    EXPECT_EQ(posted(), taps);
    EXPECT_EQ(clock().pendingCount(), 0);
    EXPECT_FALSE(model.heldKey().heldKeyActive);

    // The profile's interval, read at each hold start and raised to 0.03 s.
    OVStandardPreferences().setObject("holdRepeatInterval", 0.01);
    ASSERT_TRUE(press_.begin(&model, OVTestKeyWithText(model, "x")));
    OVStandardPreferences().setObject("holdRepeatInterval", 0.5);
    clock().advance(0.5 + 0.065);
    press_.end();
    EXPECT_EQ(posted().size(), 4);  // at once, 0.5, 0.53, 0.56
    EXPECT_DOUBLE_EQ(OVEffectiveHoldRepeatInterval(-1.0), 0.03);
    EXPECT_DOUBLE_EQ(OVEffectiveHoldRepeatInterval(std::nan("")), 0.03);
}

TEST_F(KeyHold, AHeldKeyRepeatsExactlyWhatItsTapSends) {
    // A held shortcut repeats the shortcut, never the plain letter.
    press("control");
    hold(OVTestKeyWithText(model, "z"), 0.65);
    EXPECT_EQ(posted(),
              QStringList({"key 6 down 0x40000", "key 6 up 0x40000", "key 6 down 0x40000",
                           "key 6 up 0x40000", "key 6 down 0x40000", "key 6 up 0x40000"}));
    EXPECT_FALSE(model.state().controlOn);  // disarmed when the key is let go

    // A shifted letter stays upper case; esc goes out without the armed modifiers, as tapped.
    press("shift");
    hold(OVTestKeyWithText(model, "a"), 0.55);
    press("command");
    hold(OVTestKeyWithAction(model, "escape"), 0.55);
    press("option");
    hold(OVTestKeyWithAction(model, "left"), 0.55);
    EXPECT_EQ(posted(),
              QStringList({"text A 0x0", "text A 0x0", "key 53 down 0x0", "key 53 up 0x0",
                           "key 53 down 0x0", "key 53 up 0x0", "key 123 down 0x80000",
                           "key 123 up 0x80000", "key 123 down 0x80000", "key 123 up 0x80000"}));
    EXPECT_FALSE(model.state().optionOn);
}

TEST_F(KeyHold, OnlyRepeatableKeysInHoldModeAreHeld) {
    for (const char* action : {"cut", "command", "shift", "symbols", "holdToggle", "emoji"}) {
        EXPECT_FALSE(press_.begin(&model, OVTestKeyWithAction(model, action))) << action;
    }
    EXPECT_FALSE(press_.begin(nullptr, OVTestKeyWithAction(model, "backspace")));
    EXPECT_FALSE(model.keyButtonShouldUseHold(OVKeyboardKey("", "", "text")));
    EXPECT_TRUE(poster.calls.isEmpty());

    press("holdToggle");
    EXPECT_FALSE(model.state().holdMode);
    EXPECT_FALSE(press_.begin(&model, OVTestKeyWithAction(model, "backspace")));
    EXPECT_FALSE(press_.begin(&model, OVTestKeyWithText(model, "a")));
    EXPECT_TRUE(poster.calls.isEmpty());
}

TEST_F(KeyHold, DroppingTheHeldKeyStopsTheRepeats) {
    ASSERT_TRUE(press_.begin(&model, OVTestKeyWithAction(model, "down")));
    // A second hold start while one is held is ignored.
    model.keyButtonHoldBegan(OVTestKeyWithAction(model, "up"));
    EXPECT_EQ(model.heldKey().heldKeyCode, 125);
    press("holdToggle");  // toggling hold mode drops the held key
    EXPECT_FALSE(model.heldKey().heldKeyActive);
    clock().advance(1.0);
    press_.end();
    EXPECT_EQ(posted(), QStringList({"key 125 down 0x0", "key 125 up 0x0"}));

    press("holdToggle");
    press("option");
    ASSERT_TRUE(press_.begin(&model, OVTestKeyWithAction(model, "down")));
    model.releaseHeldKeyIfNeeded();
    EXPECT_TRUE(model.state().optionOn);  // releasing leaves the modifiers alone
    press_.end();
    EXPECT_TRUE(model.state().optionOn);  // and a hold that was dropped ends quietly
}
