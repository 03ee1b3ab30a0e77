#include "keyboard/keyboard_layouts.h"

#include <QStringList>

namespace {

QString graveAccent() {
    return QStringLiteral("\u0060");
}

OVKeyDescriptor characterKey(const QString& character) {
    return OVKeyboardKey(character, character, OVKeyActionText);
}

OVKeyDescriptor letterKey(QChar letter) {
    return OVKeyboardKey(QString(letter.toUpper()), QString(letter.toLower()), OVKeyActionText);
}

OVKeyDescriptor actionKey(const QString& title, const QString& action, int span = 1) {
    return OVKeyboardKey(title, QString(), action, span);
}

void appendCharacters(OVKeyboardRow& row, const QStringList& characters) {
    for (const QString& character : characters) {
        row.append(characterKey(character));
    }
}

void appendLetters(OVKeyboardRow& row, QStringView letters) {
    for (QChar letter : letters) {
        row.append(letterKey(letter));
    }
}

// Accented letters typed lower case, with their upper-case form under shift.
void appendShiftPairs(OVKeyboardRow& row, QStringView lowerCaseLetters) {
    for (QChar letter : lowerCaseLetters) {
        const QString lower(letter);
        row.append(OVKeyboardKeyShift(lower, lower, lower.toUpper(), OVKeyActionText));
    }
}

OVKeyDescriptor returnKey() {
    return OVKeyboardKeyTall(QStringLiteral("ret"), QString(), QStringLiteral("return"), 1, 2);
}

}  // namespace

OVKeyboardRow OVKeyboardCommonModifierRow() {
    return {actionKey(QStringLiteral("hold"), QStringLiteral("holdToggle")),
            actionKey(QStringLiteral("ctrl"), QStringLiteral("control")),
            actionKey(QStringLiteral("opt"), QStringLiteral("option")),
            actionKey(QStringLiteral("cmd"), QStringLiteral("command")),
            OVKeyboardKey(QStringLiteral(""), QStringLiteral(" "), OVKeyActionText, 5),
            actionKey(QStringLiteral("home"), QStringLiteral("home")),
            actionKey(QStringLiteral("end"), QStringLiteral("end")),
            actionKey(QStringLiteral("left"), QStringLiteral("left")),
            actionKey(QStringLiteral("down"), QStringLiteral("down")),
            actionKey(QStringLiteral("right"), QStringLiteral("right"))};
}

OVKeyboardRow OVKeyboardActionRow(const QString& symbolTitle) {
    // Redo stands before undo.
    return {actionKey(QStringLiteral("esc"), QStringLiteral("escape")),
            actionKey(symbolTitle, QStringLiteral("symbols")),
            actionKey(QStringLiteral("emoji"), QStringLiteral("emoji")),
            actionKey(QStringLiteral("cut"), QStringLiteral("cut")),
            actionKey(QStringLiteral("copy"), QStringLiteral("copy")),
            actionKey(QStringLiteral("paste"), QStringLiteral("paste")),
            actionKey(QStringLiteral("redo"), QStringLiteral("redo")),
            actionKey(QStringLiteral("undo"), QStringLiteral("undo")),
            actionKey(QStringLiteral("vol-"), QStringLiteral("volumeDown")),
            actionKey(QStringLiteral("vol+"), QStringLiteral("volumeUp")),
            actionKey(QStringLiteral("mission"), QStringLiteral("missionControl")),
            actionKey(QStringLiteral("place"), QStringLiteral("position")),
            actionKey(QStringLiteral("size"), QStringLiteral("keyboardSize")),
            actionKey(QStringLiteral("hide"), QStringLiteral("hide"))};
}

OVKeyboardLayout OVKeyboardABCRows() {
    OVKeyboardRow numbers;
    appendCharacters(numbers,
                     {graveAccent(), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                      QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                      QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9"),
                      QStringLiteral("0"), QStringLiteral("-"), QStringLiteral("=")});
    numbers.append(actionKey(QStringLiteral("del"), QStringLiteral("backspace")));

    OVKeyboardRow top{actionKey(QStringLiteral("tab"), QStringLiteral("tab"))};
    appendLetters(top, u"qwertyuiop");
    appendCharacters(top, {QStringLiteral("["), QStringLiteral("]"), QStringLiteral("\\")});

    // The grave accent appears here a second time, as it does in the number row.
    OVKeyboardRow home{actionKey(QStringLiteral("caps"), QStringLiteral("caps"))};
    appendLetters(home, u"asdfghjkl");
    appendCharacters(home, {QStringLiteral(";"), QStringLiteral("'"), graveAccent()});
    home.append(returnKey());

    // 13 units: the return key above fills the 14th.
    OVKeyboardRow bottom{actionKey(QStringLiteral("shift"), QStringLiteral("shift"), 2)};
    appendLetters(bottom, u"zxcvbnm");
    appendCharacters(bottom, {QStringLiteral(","), QStringLiteral("."), QStringLiteral("/")});
    bottom.append(actionKey(QStringLiteral("up"), QStringLiteral("up")));

    return {OVKeyboardActionRow(QStringLiteral("#+=")),
            numbers,
            top,
            home,
            bottom,
            OVKeyboardCommonModifierRow()};
}

OVKeyboardLayout OVKeyboardSymbolRows() {
    OVKeyboardRow signs;
    appendCharacters(
        signs, {QStringLiteral("\u20AC"), QStringLiteral("\u00B4"), QStringLiteral("\u00A8"),
                QStringLiteral("\u00A9"), QStringLiteral("\u00A3"), QStringLiteral("\u221E"),
                QStringLiteral("\u00A7"), QStringLiteral("\u2248"), QStringLiteral("\u00B1"),
                QStringLiteral("\u2122"), QStringLiteral("\u2013"), QStringLiteral("\u00B0")});
    signs.append(actionKey(QStringLiteral("back"), QStringLiteral("backspace"), 2));

    OVKeyboardRow accentsTop{actionKey(QStringLiteral("tab"), QStringLiteral("tab"))};
    appendShiftPairs(accentsTop,
                     u"\u00E4\u00F6\u00E5\u00E9\u00E8\u00EA\u00EB\u00E1\u00E0\u00E2"
                     u"\u00ED\u00F3\u00FA");

    OVKeyboardRow accentsHome{actionKey(QStringLiteral("caps"), QStringLiteral("caps"))};
    appendShiftPairs(accentsHome,
                     u"\u00F1\u00E7\u00FC\u00F9\u00FB\u00F4\u00F2\u00EF\u00EE\u0153\u00E6");
    appendCharacters(accentsHome, {QStringLiteral("\u00A1")});
    accentsHome.append(returnKey());

    OVKeyboardRow marks{actionKey(QStringLiteral("shift"), QStringLiteral("shift"), 2)};
    appendCharacters(marks,
                     {QStringLiteral("\u00BF"), QStringLiteral("\u00B6"), QStringLiteral("\u00AB"),
                      QStringLiteral("\u00BB"), QStringLiteral("\u2264"), QStringLiteral("\u2265"),
                      QStringLiteral("\u00D7"), QStringLiteral("\u00F7"), QStringLiteral("\u00B5"),
                      QStringLiteral("\u00AE")});
    marks.append(actionKey(QStringLiteral("up"), QStringLiteral("up")));

    return {OVKeyboardActionRow(QStringLiteral("abc")),
            signs,
            accentsTop,
            accentsHome,
            marks,
            OVKeyboardCommonModifierRow()};
}

OVKeyboardLayout OVKeyboardRowsFor(bool symbolsOn, bool keyboardMinimized) {
    if (keyboardMinimized) {
        return {OVKeyboardActionRow(symbolsOn ? QStringLiteral("abc") : QStringLiteral("#+="))};
    }
    return symbolsOn ? OVKeyboardSymbolRows() : OVKeyboardABCRows();
}
