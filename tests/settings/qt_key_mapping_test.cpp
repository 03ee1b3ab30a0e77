#include <gtest/gtest.h>

#include <Qt>

#include "settings/key_names.h"
#include "settings/qt_key_mapping.h"

namespace {

// Every key that types a character maps to the key whose name is that character, shifted or not.
TEST(QtKeyMapping, CharacterKeysMapToTheKeyOfTheirName) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto code = OVVirtualKeyForQtKey(Qt::Key_A + (letter - 'A'), false);
        ASSERT_TRUE(code) << letter;
        EXPECT_EQ(OVKeyNameForKeyCode(*code), QString(QChar(letter)));
    }
    for (char digit = '0'; digit <= '9'; ++digit) {
        const auto code = OVVirtualKeyForQtKey(Qt::Key_0 + (digit - '0'), false);
        ASSERT_TRUE(code) << digit;
        EXPECT_EQ(OVKeyNameForKeyCode(*code), QString(QChar(digit)));
    }
    // Each shifted symbol of a US layout and the key that types it unshifted.
    const char* const pairs[] = {")0",  "!1",   "@2", "#3", "$4", "%5", "^6",  "&7",
                                 "*8",  "(9",   "_-", "+=", "{[", "}]", "|\\", ":;",
                                 "\"'", "~`",   "<,", ">.", "?/", "--", "==",  "[[",
                                 "]]",  "\\\\", ";;", "''", "``", ",,", "..",  "//"};
    for (const char* pair : pairs) {
        const auto code = OVVirtualKeyForQtKey(static_cast<unsigned char>(pair[0]), false);
        ASSERT_TRUE(code) << pair;
        EXPECT_EQ(OVKeyNameForKeyCode(*code), QString(QChar(pair[1]))) << pair;
    }
}

TEST(QtKeyMapping, NamedKeysKeypadAndModifiers) {
    const struct {
        int key;
        bool keypad;
        const char* name;
    } rows[] = {
        {Qt::Key_Escape, false, "Esc"},
        {Qt::Key_Tab, false, "Tab"},
        {Qt::Key_Backtab, false, "Tab"},
        {Qt::Key_Return, false, "Return"},
        {Qt::Key_Backspace, false, "Delete"},
        {Qt::Key_Delete, false, "Forward Delete"},
        {Qt::Key_Space, false, "Space"},
        {Qt::Key_PageDown, false, "Page Down"},
        {Qt::Key_Up, false, "Up"},
        {Qt::Key_F1, false, "F1"},
        {Qt::Key_F12, false, "F12"},
        {Qt::Key_1, true, "Key 83"},
        {Qt::Key_Enter, true, "Key 76"},
        {Qt::Key_Minus, true, "Key 78"},
    };
    for (const auto& row : rows) {
        const auto code = OVVirtualKeyForQtKey(row.key, row.keypad);
        ASSERT_TRUE(code) << row.name;
        EXPECT_EQ(OVKeyNameForKeyCode(*code), row.name);
    }
    for (const int key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta,
                          Qt::Key_CapsLock, Qt::Key_AltGr, Qt::Key_Super_R}) {
        EXPECT_TRUE(OVQtKeyIsModifierOnly(key));
        EXPECT_FALSE(OVVirtualKeyForQtKey(key, false));
    }
    EXPECT_FALSE(OVVirtualKeyForQtKey(Qt::Key_VolumeUp, false));
    EXPECT_EQ(OVEventFlagsForQtModifiers(Qt::ShiftModifier | Qt::MetaModifier), 0x120000u);
    EXPECT_EQ(OVEventFlagsForQtModifiers(Qt::ControlModifier | Qt::AltModifier), 0xC0000u);
    EXPECT_EQ(OVEventFlagsForQtModifiers(Qt::KeypadModifier | Qt::GroupSwitchModifier), 0u);
}

}  // namespace
