#include <gtest/gtest.h>

#include <map>

#include "settings/key_names.h"
#include "settings_test_helpers.h"

TEST(KeyNames, EveryNamedCodeAndNoOther) {
    std::map<std::uint16_t, QString> expected;
    // The codes of A to Z and of 0 to 9.
    const std::uint16_t letters[26] = {0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,
                                       45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6};
    const std::uint16_t digits[10] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
    for (int i = 0; i < 26; ++i) {
        expected[letters[i]] = QChar(u'A' + i);
    }
    for (int i = 0; i < 10; ++i) {
        expected[digits[i]] = QChar(u'0' + i);
    }
    // clang-format off
    const std::pair<std::uint16_t, QString> others[] = {
        {27, "-"}, {24, "="}, {33, "["}, {30, "]"}, {42, "\\"}, {41, ";"}, {39, "'"},
        {50, "\u0060"}, {43, ","}, {47, "."}, {44, "/"},
        {49, "Space"}, {53, "Esc"}, {48, "Tab"}, {36, "Return"}, {51, "Delete"},
        {117, "Forward Delete"},
        {123, "Left"}, {124, "Right"}, {126, "Up"}, {125, "Down"}, {115, "Home"}, {119, "End"},
        {116, "Page Up"}, {121, "Page Down"},
        {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"}, {98, "F7"},
        {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"}};
    // clang-format on
    for (const auto& [code, name] : others) {
        expected[code] = name;
    }
    ASSERT_EQ(expected.size(), 73u);
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        const auto known = expected.find(static_cast<std::uint16_t>(code));
        const QString want =
            known != expected.end() ? known->second : QStringLiteral("Key %1").arg(code);
        ASSERT_EQ(OVKeyNameForKeyCode(static_cast<std::uint16_t>(code)), want) << code;
    }
    EXPECT_EQ(OVKeyNameForKeyCode(105), "Key 105");
    EXPECT_EQ(OVKeyNameForKeyCode(65535), "Key 65535");
}

TEST(KeyNames, ComboFlagsKeepOnlyTheFourModifiers) {
    const std::uint64_t capsLock = 0x10000, numericPad = 0x200000, help = 0x400000,
                        function = 0x800000, deviceBits = 0x2109;
    EXPECT_EQ(OVComboFlagsFromEventFlags(0x1E0000 | capsLock | numericPad | help | function |
                                         deviceBits | (1ull << 40)),
              0x1E0000u);
    EXPECT_EQ(OVComboFlagsFromEventFlags(capsLock | function), 0u);
    EXPECT_EQ(OVComboFlagsFromEventFlags(OVEventFlagOption | deviceBits), OVEventFlagOption);
}

TEST(KeyNames, LabelsPutTheModifiersInTheirFixedOrder) {
    EXPECT_EQ(OVKeyComboLabel(40, OVEventFlagControl), "Ctrl+K");
    EXPECT_EQ(OVKeyComboLabel(35, OVEventFlagCommand | OVEventFlagShift), "Shift+Cmd+P");
    EXPECT_EQ(OVKeyComboLabel(96, 0), "F5");
    EXPECT_EQ(OVKeyComboLabel(0, 0x1E0000), "Ctrl+Opt+Shift+Cmd+A");
    EXPECT_EQ(OVKeyComboLabel(105, OVEventFlagOption), "Opt+Key 105");
    EXPECT_EQ(OVKeyComboLabel(49, OVEventFlagOption | OVEventFlagControl), "Ctrl+Opt+Space");
    // Bits other than the four add nothing.
    EXPECT_EQ(OVKeyComboLabel(53, 0x10000), "Esc");
}

TEST(KeyNames, EveryKeyDownRecordsACombo) {
    const OVRecordedKeyCombo all = OVKeyComboFromKeyDown(0, 0x1E0000 | 0x100);
    EXPECT_FALSE(all.cancelled);
    EXPECT_EQ(all.keyCode, 0);
    EXPECT_EQ(all.flags, 0x1E0000u);
    EXPECT_EQ(all.label, "Ctrl+Opt+Shift+Cmd+A");

    const OVRecordedKeyCombo f5WithCapsLock = OVKeyComboFromKeyDown(96, 0x10000);
    EXPECT_EQ(f5WithCapsLock.flags, 0u);
    EXPECT_EQ(f5WithCapsLock.label, "F5");

    const OVRecordedKeyCombo escape = OVKeyComboFromKeyDown(53, 0);  // Escape does not cancel
    EXPECT_FALSE(escape.cancelled);
    EXPECT_EQ(escape.keyCode, 53);
    EXPECT_EQ(escape.label, "Esc");

    EXPECT_EQ(OVKeyComboFromKeyDown(105, 0).label, "Key 105");
}

namespace {

class RecordedCombos : public ::testing::Test {
  protected:
    SettingsFixtureState state;
};

}  // namespace

TEST_F(RecordedCombos, StoringSetsTheActionCodeFlagsAndLabel) {
    OVSetProfileValueForKey(OVModifierActionKey("pen"), qlonglong(OVKeyboardActionShift));
    ASSERT_TRUE(OVStoreRecordedKeyCombo("pen", OVKeyComboFromKeyDown(35, 0x120000 | 0x10000)));
    EXPECT_EQ(OVEffectiveModifierActionForInput("pen"), OVKeyboardActionKeyCombo);
    EXPECT_EQ(OVProfileIntegerForKey("penKeyComboKeyCode"), 35);
    EXPECT_EQ(OVProfileIntegerForKey("penKeyComboFlags"), 0x120000);
    EXPECT_EQ(OVProfileStringForKey("penKeyComboLabel"), "Shift+Cmd+P");
    const QVariantMap stored = state.preferences().storedValues();
    EXPECT_EQ(stored.value("penKeyComboKeyCode").typeId(), QMetaType::UShort);
    EXPECT_EQ(stored.value("penKeyComboFlags").typeId(), QMetaType::ULongLong);
    // Other inputs keep their actions; storing posts nothing.
    EXPECT_EQ(OVEffectiveModifierActionForInput("finger1"), OVKeyboardActionNone);
    EXPECT_EQ(state.posts(), 0);
}

TEST_F(RecordedCombos, AMissingOrEmptyLabelIsBuiltAndACancelStoresNothing) {
    ASSERT_TRUE(OVStoreRecordedKeyCombo("finger3", {false, 40, OVEventFlagControl, QString()}));
    EXPECT_EQ(OVProfileStringForKey("finger3KeyComboLabel"), "Ctrl+K");
    // Key code 0 with an empty label would read as "nothing recorded".
    ASSERT_TRUE(OVStoreRecordedKeyCombo("finger1", {false, 0, 0, QString("")}));
    EXPECT_EQ(OVProfileStringForKey("finger1KeyComboLabel"), "A");
    ASSERT_TRUE(OVStoreRecordedKeyCombo("eraser", {false, 1, 0, QString("Custom")}));
    EXPECT_EQ(OVProfileStringForKey("eraserKeyComboLabel"), "Custom");

    const QVariantMap before = state.preferences().storedValues();
    EXPECT_FALSE(OVStoreRecordedKeyCombo("finger2", {true, 0, 0, QString()}));
    EXPECT_EQ(state.preferences().storedValues(), before);
}

TEST_F(RecordedCombos, ANamedProfileReceivesTheComboAndDefaultKeepsItsOwn) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Drawing"));
    ASSERT_TRUE(OVStoreRecordedKeyCombo("eraser", OVKeyComboFromKeyDown(6, OVEventFlagCommand)));
    const QVariantMap drawing = state.storedProfile("Drawing");
    EXPECT_EQ(drawing.value("eraserModifierAction").toLongLong(), OVKeyboardActionKeyCombo);
    EXPECT_EQ(drawing.value("eraserKeyComboLabel").toString(), "Cmd+Z");
    EXPECT_FALSE(state.preferences().hasStoredValue("eraserModifierAction"));
    OVSetActiveSettingsProfile("Default");
    EXPECT_EQ(OVEffectiveModifierActionForInput("eraser"), OVKeyboardActionNone);
    EXPECT_EQ(OVProfileStringForKey("eraserKeyComboLabel"), "");
}
