#include "keyboard/key_codes.h"

#include <QHash>

#include "base/virtual_keys.h"

namespace {

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

}  // namespace

std::optional<std::uint16_t> OVKeyboardKeyCodeForText(const QString& text) {
    const QString lower = text.toLower();
    if (lower.size() != 1) {
        return std::nullopt;
    }
    return OVVirtualKeyForCharacter(lower.at(0).unicode());
}

std::optional<QString> OVKeyboardShiftTableEntry(const QString& text) {
    const auto found = shiftTable().constFind(text);
    if (found == shiftTable().constEnd()) {
        return std::nullopt;
    }
    return *found;
}
