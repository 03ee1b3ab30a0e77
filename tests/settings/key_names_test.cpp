#include <gtest/gtest.h>

#include <Qt>

#include "settings/key_names.h"
#include "settings/qt_key_mapping.h"
#include "settings_test_helpers.h"

// A key typed in the recorder maps to the key whose name is the character it types, shifted or
// not, so that every recorded combo reads back as what was pressed.
TEST(KeyNames, QtKeysMapToTheKeyOfTheirCharacter) {
    const QString typed = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-=[]\\;',./`");
    const QString shifted = QStringLiteral(")!@#$%^&*(_+{}|:\"<>?~");
    const QString unshifted = QStringLiteral("0123456789-=[]\\;',./`");
    for (const QChar character : typed + shifted) {
        const auto code = OVVirtualKeyForQtKey(character.unicode(), false);
        ASSERT_TRUE(code) << character.toLatin1();
        const qsizetype index = shifted.indexOf(character);
        EXPECT_EQ(OVKeyNameForKeyCode(*code), index < 0 ? QString(character) : unshifted[index])
            << character.toLatin1();
    }
    // Keys without a character read back by their names.
    const std::pair<int, const char*> named[] = {
        {Qt::Key_Backspace, "Delete"}, {Qt::Key_Home, "Home"},          {Qt::Key_End, "End"},
        {Qt::Key_PageUp, "Page Up"},   {Qt::Key_PageDown, "Page Down"}, {Qt::Key_F2, "F2"}};
    for (const auto& [key, name] : named) {
        EXPECT_EQ(OVKeyNameForKeyCode(*OVVirtualKeyForQtKey(key, false)), name);
    }
    EXPECT_EQ(OVKeyNameForKeyCode(*OVVirtualKeyForQtKey(Qt::Key_Enter, true)), "Key 76");
    EXPECT_FALSE(OVVirtualKeyForQtKey(Qt::Key_Shift, false));
    EXPECT_EQ(OVEventFlagsForQtModifiers(Qt::ShiftModifier | Qt::MetaModifier), 0x120000u);
}

TEST(KeyNames, ALabelKeepsOnlyTheFourModifiersInTheirFixedOrder) {
    EXPECT_EQ(OVKeyComboLabel(0, 0x1E0000), "Ctrl+Opt+Shift+Cmd+A");
    EXPECT_EQ(OVKeyComboLabel(35, OVEventFlagCommand | OVEventFlagShift), "Shift+Cmd+P");
    const OVRecordedKeyCombo combo = OVKeyComboFromKeyDown(96, 0x10000 | 0x800000 | 0x2109);
    EXPECT_FALSE(combo.cancelled);
    EXPECT_EQ(combo.flags, 0u);
    EXPECT_EQ(combo.label, "F5");
    EXPECT_EQ(OVKeyComboFromKeyDown(53, 0x40000).label, "Ctrl+Esc");  // Escape does not cancel
}

TEST(RecordedCombos, StoringSetsTheActionCodeFlagsAndLabel) {
    SettingsFixtureState state;
    ASSERT_TRUE(OVStoreRecordedKeyCombo("pen", OVKeyComboFromKeyDown(35, 0x120000 | 0x10000)));
    EXPECT_EQ(OVEffectiveModifierActionForInput("pen"), OVKeyboardActionKeyCombo);
    EXPECT_EQ(OVProfileIntegerForKey("penKeyComboKeyCode"), 35);
    EXPECT_EQ(OVProfileIntegerForKey("penKeyComboFlags"), 0x120000);
    EXPECT_EQ(OVProfileStringForKey("penKeyComboLabel"), "Shift+Cmd+P");
    EXPECT_EQ(OVEffectiveModifierActionForInput("finger1"), OVKeyboardActionNone);
    // A missing label is built; a cancel stores nothing; storing posts nothing.
    ASSERT_TRUE(OVStoreRecordedKeyCombo("finger1", {false, 0, 0, QString("")}));
    EXPECT_EQ(OVProfileStringForKey("finger1KeyComboLabel"), "A");
    const QVariantMap before = state.preferences().storedValues();
    EXPECT_FALSE(OVStoreRecordedKeyCombo("finger2", {true, 0, 0, QString()}));
    EXPECT_EQ(state.preferences().storedValues(), before);
    EXPECT_EQ(state.posts(), 0);
}
