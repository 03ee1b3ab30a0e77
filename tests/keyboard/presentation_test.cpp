#include <gtest/gtest.h>

#include <QSet>

#include "base/modifier_flags.h"
#include "keyboard/key_presentation.h"
#include "keyboard/keyboard_layouts.h"

namespace {

OVTouchKeyboardState stateWith(bool shift, bool caps, bool symbols = false) {
    OVTouchKeyboardState state;
    state.shiftOn = shift;
    state.capsOn = caps;
    state.symbolsOn = symbols;
    return state;
}

const OVKeyDescriptor kLetterA = OVKeyboardKey("A", "a", "text");
const OVKeyDescriptor kDigit1 = OVKeyboardKey("1", "1", "text");
const OVKeyDescriptor kAccentE = OVKeyboardKeyShift("é", "é", "É", "text");
const OVKeyDescriptor kEuro = OVKeyboardKey("€", "€", "text");

struct Expectation {
    bool shift;
    bool caps;
    const char* shown;
};

}  // namespace

TEST(KeyPresentation, ShiftAndCapsLockOnLettersDigitsAndSymbolLayoutLetters) {
    // Shift and caps lock cancel each other on letters.
    for (const Expectation& e : {Expectation{false, false, "a"}, Expectation{true, false, "A"},
                                 Expectation{false, true, "A"}, Expectation{true, true, "a"}}) {
        const OVTouchKeyboardState state = stateWith(e.shift, e.caps);
        EXPECT_EQ(OVKeyboardDisplayTitle(kLetterA, state), QString::fromUtf8(e.shown))
            << e.shift << e.caps;
        EXPECT_EQ(OVKeyboardOutputText(kLetterA, state), QString::fromUtf8(e.shown))
            << e.shift << e.caps;
    }
    // Caps lock does not shift digits; shift does, with or without caps lock.
    for (const Expectation& e : {Expectation{false, false, "1"}, Expectation{true, false, "!"},
                                 Expectation{false, true, "1"}, Expectation{true, true, "!"}}) {
        const OVTouchKeyboardState state = stateWith(e.shift, e.caps);
        EXPECT_EQ(OVKeyboardDisplayTitle(kDigit1, state), QString::fromUtf8(e.shown))
            << e.shift << e.caps;
        EXPECT_EQ(OVKeyboardOutputText(kDigit1, state), QString::fromUtf8(e.shown))
            << e.shift << e.caps;
    }
    // In the symbol layout only shift matters, through the key's own shifted text.
    for (const Expectation& e : {Expectation{false, false, "é"}, Expectation{true, false, "É"},
                                 Expectation{false, true, "é"}, Expectation{true, true, "É"}}) {
        const OVTouchKeyboardState state = stateWith(e.shift, e.caps, true);
        EXPECT_EQ(OVKeyboardDisplayTitle(kAccentE, state), QString::fromUtf8(e.shown))
            << e.shift << e.caps;
        EXPECT_EQ(OVKeyboardOutputText(kAccentE, state), QString::fromUtf8(e.shown))
            << e.shift << e.caps;
        EXPECT_EQ(OVKeyboardOutputText(kEuro, state), QString::fromUtf8("€"));
        EXPECT_EQ(OVKeyboardDisplayTitle(kEuro, state), QString::fromUtf8("€"));
    }
}

TEST(KeyPresentation, ShiftTableCoversTheUSKeyCapsOnly) {
    const OVTouchKeyboardState shifted = stateWith(true, false);
    const QString unshifted = QStringLiteral("`1234567890-=[]\\;',./");
    const QString expected = QStringLiteral("~!@#$%^&*()_+{}|:\"<>?");
    ASSERT_EQ(unshifted.size(), 21);
    for (int i = 0; i < unshifted.size(); ++i) {
        EXPECT_EQ(OVKeyboardShiftedText(QString(unshifted[i]), shifted), QString(expected[i])) << i;
    }
    EXPECT_EQ(OVKeyboardShiftedText("", shifted), QString(""));
    EXPECT_EQ(OVKeyboardShiftedText(" ", shifted), QStringLiteral(" "));
    EXPECT_EQ(OVKeyboardShiftedText("!", shifted), QStringLiteral("!"));
    EXPECT_EQ(OVKeyboardShiftedText(QString::fromUtf8("€"), shifted), QString::fromUtf8("€"));
    // Accented lower-case letters follow the letter rule; an upper-case letter is lowered when
    // neither or both are on.
    EXPECT_EQ(OVKeyboardShiftedText(QString::fromUtf8("ñ"), stateWith(false, true)),
              QString::fromUtf8("Ñ"));
    EXPECT_EQ(OVKeyboardShiftedText("Q", stateWith(false, false)), QStringLiteral("Q"));
}

TEST(KeyPresentation, TitlesOfSpaceSymbolsAndActionKeys) {
    const OVKeyboardRow bottom = OVKeyboardCommonModifierRow();
    const OVKeyDescriptor space = bottom[4];
    EXPECT_EQ(OVKeyboardDisplayTitle(space, stateWith(true, true)), QString(""));
    EXPECT_EQ(OVKeyboardOutputText(space, stateWith(true, true)), QStringLiteral(" "));
    EXPECT_EQ(OVKeyboardOutputText(space, stateWith(true, false, true)), QStringLiteral(" "));

    // The layout switch shows what it switches to, whatever its own title says.
    const OVKeyDescriptor symbols = OVKeyboardKey("anything", "", "symbols");
    EXPECT_EQ(OVKeyboardDisplayTitle(symbols, stateWith(false, false)), QStringLiteral("#+="));
    EXPECT_EQ(OVKeyboardDisplayTitle(symbols, stateWith(false, false, true)),
              QStringLiteral("abc"));

    const OVKeyDescriptor tab = OVKeyboardKey("tab", "", "tab");
    EXPECT_EQ(OVKeyboardDisplayTitle(tab, stateWith(true, true)), QStringLiteral("tab"));
    // A text key with a longer text shows its title.
    const OVKeyDescriptor word = OVKeyboardKey("Word", "word", "text");
    EXPECT_EQ(OVKeyboardDisplayTitle(word, stateWith(true, false)), QStringLiteral("Word"));
    EXPECT_EQ(OVKeyboardOutputText(word, stateWith(true, false)), QStringLiteral("WORD"));
}

TEST(KeyPresentation, IconNamesFontsAndActiveKeys) {
    QSet<QString> names;
    for (bool minimized : {false, true}) {
        for (const OVKeyboardLayout& layout : {OVKeyboardABCRows(), OVKeyboardSymbolRows()}) {
            for (const OVKeyboardRow& row : layout) {
                for (const OVKeyDescriptor& key : row) {
                    const QString name = OVKeyboardIconName(key, minimized, OVEventFlagCommand);
                    if (!name.isEmpty()) {
                        names.insert(name);
                    }
                }
            }
        }
    }
    EXPECT_EQ(names.size(), 27);
    for (const char* action : {"text", "escape", "symbols", "holdToggle", "unknown"}) {
        EXPECT_TRUE(
            OVKeyboardIconName(OVKeyboardKey("", "", action), false, OVEventFlagCommand).isEmpty())
            << action;
    }
    const OVKeyDescriptor size = OVKeyboardKey("size", "", "keyboardSize");
    EXPECT_EQ(OVKeyboardIconName(size, false, OVEventFlagCommand),
              QStringLiteral("keyboard-minimize"));
    EXPECT_EQ(OVKeyboardIconName(size, true, OVEventFlagCommand),
              QStringLiteral("keyboard-maximize"));
    EXPECT_EQ(OVKeyboardIconName(OVKeyboardKey("", "", "caps"), false, OVEventFlagCommand),
              QStringLiteral("caps-lock"));
    EXPECT_EQ(
        OVKeyboardIconName(OVKeyboardKey("", "", "missionControl"), false, OVEventFlagCommand),
        QStringLiteral("mission-control"));
    // Where Control makes the shortcuts, the Command key is the Super key.
    const OVKeyDescriptor command = OVKeyboardKey("cmd", "", "command");
    EXPECT_EQ(OVKeyboardIconName(command, false, OVEventFlagCommand), QStringLiteral("command"));
    EXPECT_EQ(OVKeyboardIconName(command, false, OVEventFlagControl), QStringLiteral("super"));

    const OVKeyFont letter = OVKeyboardFont(kLetterA);
    EXPECT_DOUBLE_EQ(letter.pointSize, 15.0);
    EXPECT_EQ(letter.weight, OVKeyFontWeight::Medium);
    const OVKeyFont noAction = OVKeyboardFont(OVKeyDescriptor{{"title", "x"}});
    EXPECT_DOUBLE_EQ(noAction.pointSize, 15.0);
    const OVKeyFont action = OVKeyboardFont(size);
    EXPECT_DOUBLE_EQ(action.pointSize, 10.5);
    EXPECT_EQ(action.weight, OVKeyFontWeight::Regular);

    OVTouchKeyboardState state;
    state.shiftOn = state.commandOn = state.holdMode = true;
    EXPECT_TRUE(OVKeyboardKeyIsActive("shift", state));
    EXPECT_TRUE(OVKeyboardKeyIsActive("command", state));
    EXPECT_TRUE(OVKeyboardKeyIsActive("holdToggle", state));
    EXPECT_FALSE(OVKeyboardKeyIsActive("caps", state));
    EXPECT_FALSE(OVKeyboardKeyIsActive("option", state));
    EXPECT_FALSE(OVKeyboardKeyIsActive("control", state));
    EXPECT_FALSE(OVKeyboardKeyIsActive("text", state));
}

TEST(KeyPresentation, DressingWithAndWithoutAnIcon) {
    const OVKeyDescriptor tab = OVKeyboardKey("tab", "", "tab");
    const OVKeyDressing withIcon = OVKeyboardDressing(tab, {}, true, true);
    EXPECT_TRUE(withIcon.showsIcon);
    EXPECT_EQ(withIcon.title, QString(""));
    EXPECT_EQ(withIcon.toolTip, QStringLiteral("tab"));
    EXPECT_TRUE(withIcon.tintWhite);

    const OVKeyDressing untitled =
        OVKeyboardDressing(OVKeyDescriptor{{"action", "cut"}}, {}, true, false);
    EXPECT_EQ(untitled.toolTip, QStringLiteral("cut"));
    EXPECT_FALSE(untitled.tintWhite);
    EXPECT_EQ(OVKeyboardDressing(OVKeyDescriptor{}, {}, true, false).toolTip, QString(""));

    const OVKeyDressing withoutIcon =
        OVKeyboardDressing(kLetterA, stateWith(true, false), false, false);
    EXPECT_FALSE(withoutIcon.showsIcon);
    EXPECT_EQ(withoutIcon.title, QStringLiteral("A"));
    EXPECT_FALSE(withoutIcon.toolTip.has_value());
}

TEST(KeyPresentation, TruncationNeverSplitsASurrogatePair) {
    EXPECT_EQ(OVTruncatedUTF16("abcdefghij", 8), QStringLiteral("abcdefgh"));
    EXPECT_EQ(OVTruncatedUTF16("abcdefgh", 8), QStringLiteral("abcdefgh"));
    EXPECT_EQ(OVTruncatedUTF16("abc", 8), QStringLiteral("abc"));
    EXPECT_EQ(OVTruncatedUTF16("abc", 0), QString(""));

    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");  // U+1F600, two code units
    ASSERT_EQ(grin.size(), 2);
    // The pair would straddle the cut: the whole character stays out.
    EXPECT_EQ(OVTruncatedUTF16("1234567" + grin, 8), QStringLiteral("1234567"));
    EXPECT_EQ(OVTruncatedUTF16("1234567" + grin + "x", 8), QStringLiteral("1234567"));
    // A pair that ends exactly at the cut is kept whole.
    EXPECT_EQ(OVTruncatedUTF16("123456" + grin + "x", 8), "123456" + grin);
    EXPECT_EQ(OVTruncatedUTF16(grin + grin + grin + grin + grin, 8), grin + grin + grin + grin);
    const QString cut = OVTruncatedUTF16(grin.repeated(3) + "a" + grin, 8);
    EXPECT_EQ(cut, grin.repeated(3) + "a");
    EXPECT_TRUE(QStringView(cut).isValidUtf16());
}
