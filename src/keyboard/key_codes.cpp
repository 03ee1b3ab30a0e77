#include "keyboard/key_codes.h"

#include <QHash>

namespace {

const QHash<QString, std::uint16_t>& keyCodeTable() {
    static const QHash<QString, std::uint16_t> table{
        {QStringLiteral("a"), 0},  {QStringLiteral("s"), 1},   {QStringLiteral("d"), 2},
        {QStringLiteral("f"), 3},  {QStringLiteral("h"), 4},   {QStringLiteral("g"), 5},
        {QStringLiteral("z"), 6},  {QStringLiteral("x"), 7},   {QStringLiteral("c"), 8},
        {QStringLiteral("v"), 9},  {QStringLiteral("b"), 11},  {QStringLiteral("q"), 12},
        {QStringLiteral("w"), 13}, {QStringLiteral("e"), 14},  {QStringLiteral("r"), 15},
        {QStringLiteral("y"), 16}, {QStringLiteral("t"), 17},  {QStringLiteral("1"), 18},
        {QStringLiteral("2"), 19}, {QStringLiteral("3"), 20},  {QStringLiteral("4"), 21},
        {QStringLiteral("6"), 22}, {QStringLiteral("5"), 23},  {QStringLiteral("="), 24},
        {QStringLiteral("9"), 25}, {QStringLiteral("7"), 26},  {QStringLiteral("-"), 27},
        {QStringLiteral("8"), 28}, {QStringLiteral("0"), 29},  {QStringLiteral("]"), 30},
        {QStringLiteral("o"), 31}, {QStringLiteral("u"), 32},  {QStringLiteral("["), 33},
        {QStringLiteral("i"), 34}, {QStringLiteral("p"), 35},  {QStringLiteral("l"), 37},
        {QStringLiteral("j"), 38}, {QStringLiteral("'"), 39},  {QStringLiteral("k"), 40},
        {QStringLiteral(";"), 41}, {QStringLiteral("\\"), 42}, {QStringLiteral(","), 43},
        {QStringLiteral("/"), 44}, {QStringLiteral("n"), 45},  {QStringLiteral("m"), 46},
        {QStringLiteral("."), 47}, {QStringLiteral(" "), 49},  {QStringLiteral("\u0060"), 50},
    };
    return table;
}

const QHash<QString, QString>& shiftTable() {
    static const QHash<QString, QString> table{
        {QStringLiteral("\u0060"), QStringLiteral("~")},
        {QStringLiteral("1"), QStringLiteral("!")},
        {QStringLiteral("2"), QStringLiteral("@")},
        {QStringLiteral("3"), QStringLiteral("#")},
        {QStringLiteral("4"), QStringLiteral("$")},
        {QStringLiteral("5"), QStringLiteral("%")},
        {QStringLiteral("6"), QStringLiteral("^")},
        {QStringLiteral("7"), QStringLiteral("&")},
        {QStringLiteral("8"), QStringLiteral("*")},
        {QStringLiteral("9"), QStringLiteral("(")},
        {QStringLiteral("0"), QStringLiteral(")")},
        {QStringLiteral("-"), QStringLiteral("_")},
        {QStringLiteral("="), QStringLiteral("+")},
        {QStringLiteral("["), QStringLiteral("{")},
        {QStringLiteral("]"), QStringLiteral("}")},
        {QStringLiteral("\\"), QStringLiteral("|")},
        {QStringLiteral(";"), QStringLiteral(":")},
        {QStringLiteral("'"), QStringLiteral("\"")},
        {QStringLiteral(","), QStringLiteral("<")},
        {QStringLiteral("."), QStringLiteral(">")},
        {QStringLiteral("/"), QStringLiteral("?")},
    };
    return table;
}

const QHash<QString, std::uint16_t>& holdKeyCodeTable() {
    static const QHash<QString, std::uint16_t> table{
        {QStringLiteral("backspace"), OVKeyboardKeyCode::Delete},
        {QStringLiteral("return"), OVKeyboardKeyCode::Return},
        {QStringLiteral("tab"), OVKeyboardKeyCode::Tab},
        {QStringLiteral("escape"), OVKeyboardKeyCode::Escape},
        {QStringLiteral("left"), OVKeyboardKeyCode::Left},
        {QStringLiteral("right"), OVKeyboardKeyCode::Right},
        {QStringLiteral("up"), OVKeyboardKeyCode::Up},
        {QStringLiteral("down"), OVKeyboardKeyCode::Down},
        {QStringLiteral("home"), OVKeyboardKeyCode::Home},
        {QStringLiteral("end"), OVKeyboardKeyCode::End},
    };
    return table;
}

}  // namespace

std::optional<std::uint16_t> OVKeyboardKeyCodeForText(const QString& text) {
    const auto found = keyCodeTable().constFind(text.toLower());
    if (found == keyCodeTable().constEnd()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<QString> OVKeyboardShiftTableEntry(const QString& text) {
    const auto found = shiftTable().constFind(text);
    if (found == shiftTable().constEnd()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<std::uint16_t> OVKeyboardHoldKeyCodeForDescriptor(const OVKeyDescriptor& key) {
    const auto found = holdKeyCodeTable().constFind(OVKeyAction(key));
    if (found == holdKeyCodeTable().constEnd()) {
        return std::nullopt;
    }
    return *found;
}
