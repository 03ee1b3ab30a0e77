#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

#include "keyboard/key_codes.h"
#include "keyboard/key_descriptor.h"
#include "keyboard/keyboard_layouts.h"

namespace {

QStringList titles(const OVKeyboardRow& row) {
    QStringList out;
    for (const OVKeyDescriptor& key : row) {
        out.append(OVKeyTitle(key));
    }
    return out;
}

QStringList actions(const OVKeyboardRow& row) {
    QStringList out;
    for (const OVKeyDescriptor& key : row) {
        out.append(OVKeyAction(key));
    }
    return out;
}

int units(const OVKeyboardRow& row) {
    int sum = 0;
    for (const OVKeyDescriptor& key : row) {
        sum += OVKeySpan(key);
    }
    return sum;
}

QList<int> keyCounts(const OVKeyboardLayout& layout) {
    QList<int> counts;
    for (const OVKeyboardRow& row : layout) {
        counts.append(static_cast<int>(row.size()));
    }
    return counts;
}

}  // namespace

TEST(KeyDescriptor, ConstructorsFillAllSixEntriesAndClampSpans) {
    const OVKeyDescriptor key =
        OVKeyboardKey(QStringLiteral("Q"), QStringLiteral("q"), QStringLiteral("text"), 0);
    EXPECT_EQ(key.size(), 6);
    EXPECT_EQ(key.value("span").toInt(), 1);
    EXPECT_EQ(key.value("rowSpan").toInt(), 1);
    EXPECT_EQ(key.value("shiftText").toString(), QString(""));
    EXPECT_TRUE(key.contains("shiftText"));

    const OVKeyDescriptor tall =
        OVKeyboardKeyTall(QStringLiteral("ret"), QString(), QStringLiteral("return"), -3, 0);
    EXPECT_EQ(tall.size(), 6);
    EXPECT_EQ(tall.value("span").toInt(), 1);
    EXPECT_EQ(tall.value("rowSpan").toInt(), 1);
    EXPECT_TRUE(tall.value("text").toString().isEmpty());
    EXPECT_EQ(OVKeyRowSpan(OVKeyboardKeyTall("ret", "", "return", 1, 2)), 2);

    const OVKeyDescriptor shifted = OVKeyboardKeyShift(QStringLiteral("é"), QStringLiteral("é"),
                                                       QStringLiteral("É"), QString(), 3);
    EXPECT_EQ(shifted.size(), 6);
    EXPECT_EQ(OVKeyShiftText(shifted), QStringLiteral("É"));
    EXPECT_EQ(OVKeyAction(shifted), QStringLiteral("text"));
    EXPECT_EQ(OVKeySpan(shifted), 3);

    // Readers of an empty descriptor.
    const OVKeyDescriptor empty;
    EXPECT_EQ(OVKeyTitle(empty), QString(""));
    EXPECT_FALSE(OVKeyTitle(empty).isNull());
    EXPECT_EQ(OVKeyAction(empty), QStringLiteral("text"));
    EXPECT_EQ(OVKeySpan(empty), 1);
    EXPECT_EQ(OVKeyRowSpan(empty), 1);
    EXPECT_EQ(OVKeyDispatchAction(empty, QStringLiteral("tab")), QStringLiteral("tab"));
    EXPECT_EQ(OVKeyDispatchAction(key, QStringLiteral("tab")), QStringLiteral("text"));
}

TEST(KeyboardLayouts, EveryRowFillsFourteenUnitsOrLeavesTheLastToTheTallReturnKey) {
    for (const OVKeyboardLayout& layout : {OVKeyboardABCRows(), OVKeyboardSymbolRows()}) {
        ASSERT_EQ(layout.size(), 6);
        for (int r = 0; r < 6; ++r) {
            const bool underTallKey = r == 4;
            EXPECT_EQ(units(layout[r]), underTallKey ? 13 : 14) << "row " << r;
        }
        const OVKeyDescriptor ret = layout[3].last();
        EXPECT_EQ(OVKeyAction(ret), QStringLiteral("return"));
        EXPECT_EQ(OVKeyRowSpan(ret), 2);
        EXPECT_TRUE(OVKeyText(ret).isEmpty());
        int tallKeys = 0;
        for (const OVKeyboardRow& row : layout) {
            for (const OVKeyDescriptor& key : row) {
                tallKeys += OVKeyRowSpan(key) > 1 ? 1 : 0;
            }
        }
        EXPECT_EQ(tallKeys, 1);
    }
    EXPECT_EQ(keyCounts(OVKeyboardABCRows()), QList<int>({14, 14, 14, 14, 12, 10}));
    EXPECT_EQ(keyCounts(OVKeyboardSymbolRows()), QList<int>({14, 13, 14, 14, 12, 10}));
}

TEST(KeyboardLayouts, ABCLayoutRowsInOrder) {
    const OVKeyboardLayout rows = OVKeyboardABCRows();
    EXPECT_EQ(titles(rows[1]).join(' '), QStringLiteral("` 1 2 3 4 5 6 7 8 9 0 - = del"));
    EXPECT_EQ(titles(rows[2]).join(' '), QStringLiteral("tab Q W E R T Y U I O P [ ] \\"));
    EXPECT_EQ(titles(rows[3]).join(' '), QStringLiteral("caps A S D F G H J K L ; ' ` ret"));
    EXPECT_EQ(titles(rows[4]).join(' '), QStringLiteral("shift Z X C V B N M , . / up"));
    EXPECT_EQ(OVKeyAction(rows[1].last()), QStringLiteral("backspace"));
    EXPECT_EQ(OVKeyAction(rows[2].first()), QStringLiteral("tab"));
    EXPECT_EQ(OVKeyAction(rows[3].first()), QStringLiteral("caps"));
    EXPECT_EQ(OVKeySpan(rows[4].first()), 2);
    EXPECT_EQ(OVKeyAction(rows[4].last()), QStringLiteral("up"));
    // Letters type their lower case; other characters type their title.
    EXPECT_EQ(OVKeyText(rows[2][1]), QStringLiteral("q"));
    EXPECT_EQ(OVKeyText(rows[3][12]), QStringLiteral("`"));
    EXPECT_EQ(OVKeyText(rows[2][13]), QStringLiteral("\\"));
    for (const OVKeyboardRow& row : rows) {
        for (const OVKeyDescriptor& key : row) {
            EXPECT_TRUE(OVKeyShiftText(key).isEmpty()) << OVKeyTitle(key).toStdString();
        }
    }
}

TEST(KeyboardLayouts, SymbolLayoutRowsInOrder) {
    const OVKeyboardLayout rows = OVKeyboardSymbolRows();
    EXPECT_EQ(titles(rows[0])[1], QStringLiteral("abc"));
    EXPECT_EQ(titles(rows[1]).join(' '), QString::fromUtf8("€ ´ ¨ © £ ∞ § ≈ ± ™ – ° back"));
    EXPECT_EQ(OVKeySpan(rows[1].last()), 2);
    EXPECT_EQ(OVKeyAction(rows[1].last()), QStringLiteral("backspace"));
    EXPECT_EQ(titles(rows[2]).join(' '), QString::fromUtf8("tab ä ö å é è ê ë á à â í ó ú"));
    EXPECT_EQ(titles(rows[3]).join(' '), QString::fromUtf8("caps ñ ç ü ù û ô ò ï î œ æ ¡ ret"));
    EXPECT_EQ(titles(rows[4]).join(' '), QString::fromUtf8("shift ¿ ¶ « » ≤ ≥ × ÷ µ ® up"));
    // The accented letters carry their upper case; the signs have no shifted form.
    EXPECT_EQ(OVKeyShiftText(rows[2][4]), QString::fromUtf8("É"));
    EXPECT_EQ(OVKeyShiftText(rows[3][10]), QString::fromUtf8("Œ"));
    EXPECT_EQ(OVKeyText(rows[3][10]), QString::fromUtf8("œ"));
    EXPECT_TRUE(OVKeyShiftText(rows[1][0]).isEmpty());
    EXPECT_TRUE(OVKeyShiftText(rows[3][12]).isEmpty());
    EXPECT_EQ(rows[1][10].value("text").toString(), QString(QChar(0x2013)));
    EXPECT_EQ(rows[4][9].value("text").toString(), QString(QChar(0x00B5)));
}

TEST(KeyboardLayouts, ActionRowModifierRowAndMinimizedLayout) {
    const OVKeyboardRow top = OVKeyboardActionRow(QStringLiteral("#+="));
    EXPECT_EQ(actions(top).join(' '),
              QStringLiteral("escape symbols emoji cut copy paste redo undo volumeDown volumeUp "
                             "missionControl position keyboardSize hide"));
    EXPECT_EQ(titles(top).join(' '),
              QStringLiteral("esc #+= emoji cut copy paste redo undo vol- vol+ mission place "
                             "size hide"));
    for (const OVKeyDescriptor& key : top) {
        EXPECT_EQ(OVKeySpan(key), 1);
        EXPECT_TRUE(OVKeyText(key).isEmpty());
    }

    const OVKeyboardRow bottom = OVKeyboardCommonModifierRow();
    EXPECT_EQ(actions(bottom).join(' '),
              QStringLiteral("holdToggle control option command text home end left down right"));
    const OVKeyDescriptor space = bottom[4];
    EXPECT_EQ(OVKeySpan(space), 5);
    EXPECT_EQ(OVKeyTitle(space), QString(""));
    EXPECT_EQ(OVKeyText(space), QStringLiteral(" "));

    EXPECT_EQ(OVKeyboardRowsFor(false, false), OVKeyboardABCRows());
    EXPECT_EQ(OVKeyboardRowsFor(true, false), OVKeyboardSymbolRows());
    for (bool symbols : {false, true}) {
        const OVKeyboardLayout minimized = OVKeyboardRowsFor(symbols, true);
        ASSERT_EQ(minimized.size(), 1);
        ASSERT_EQ(minimized[0].size(), 14);
        EXPECT_EQ(OVKeyTitle(minimized[0][1]),
                  symbols ? QStringLiteral("abc") : QStringLiteral("#+="));
    }
}

TEST(KeyCodes, EveryABCCharacterHasItsOwnCodeAndOnlyUnshiftedASCIIHasOne) {
    QHash<QString, std::uint16_t> seen;
    for (const OVKeyboardRow& row : OVKeyboardABCRows()) {
        for (const OVKeyDescriptor& key : row) {
            if (OVKeyAction(key) != QLatin1String("text")) {
                continue;
            }
            const std::optional<std::uint16_t> code = OVKeyboardKeyCodeForText(OVKeyText(key));
            ASSERT_TRUE(code.has_value()) << OVKeyText(key).toStdString();
            for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
                if (it.key() != OVKeyText(key)) {
                    EXPECT_NE(it.value(), *code) << it.key().toStdString();
                }
            }
            seen.insert(OVKeyText(key), *code);
        }
    }
    EXPECT_EQ(seen.size(), 48);  // the table's 48 characters, the grave accent counted once

    EXPECT_EQ(OVKeyboardKeyCodeForText("A"), 0);
    EXPECT_EQ(OVKeyboardKeyCodeForText("Q"), 12);
    EXPECT_EQ(OVKeyboardKeyCodeForText(" "), 49);
    EXPECT_EQ(OVKeyboardKeyCodeForText("`"), 50);
    EXPECT_EQ(OVKeyboardKeyCodeForText("6"), 22);
    EXPECT_EQ(OVKeyboardKeyCodeForText("5"), 23);
    EXPECT_EQ(OVKeyboardKeyCodeForText("\\"), 42);
    EXPECT_EQ(OVKeyboardKeyCodeForText("b"), 11);
    EXPECT_EQ(OVKeyboardKeyCodeForText("l"), 37);
    EXPECT_FALSE(OVKeyboardKeyCodeForText(QString::fromUtf8("é")).has_value());
    EXPECT_FALSE(OVKeyboardKeyCodeForText("!").has_value());
    EXPECT_FALSE(OVKeyboardKeyCodeForText("ab").has_value());
    EXPECT_FALSE(OVKeyboardKeyCodeForText("").has_value());
    for (const OVKeyboardRow& row : OVKeyboardSymbolRows()) {
        for (const OVKeyDescriptor& key : row) {
            if (OVKeyAction(key) == QLatin1String("text") && OVKeyText(key) != " ") {
                EXPECT_FALSE(OVKeyboardKeyCodeForText(OVKeyText(key)).has_value())
                    << OVKeyText(key).toStdString();
            }
        }
    }
}
