#include "settings/key_names.h"

#include <QStringList>
#include <array>

#include "settings/profiles.h"

namespace {

struct KeyName {
    std::uint16_t code;
    const char* name;
};

// Letters by their upper-case letter, digits and punctuation by the character itself.
constexpr KeyName kKeyNames[] = {
    // letters
    {0, "A"},
    {11, "B"},
    {8, "C"},
    {2, "D"},
    {14, "E"},
    {3, "F"},
    {5, "G"},
    {4, "H"},
    {34, "I"},
    {38, "J"},
    {40, "K"},
    {37, "L"},
    {46, "M"},
    {45, "N"},
    {31, "O"},
    {35, "P"},
    {12, "Q"},
    {15, "R"},
    {1, "S"},
    {17, "T"},
    {32, "U"},
    {9, "V"},
    {13, "W"},
    {7, "X"},
    {16, "Y"},
    {6, "Z"},
    // digits
    {29, "0"},
    {18, "1"},
    {19, "2"},
    {20, "3"},
    {21, "4"},
    {23, "5"},
    {22, "6"},
    {26, "7"},
    {28, "8"},
    {25, "9"},
    // punctuation
    {27, "-"},
    {24, "="},
    {33, "["},
    {30, "]"},
    {42, "\\"},
    {41, ";"},
    {39, "'"},
    {50, "`"},
    {43, ","},
    {47, "."},
    {44, "/"},
    // keys
    {49, "Space"},
    {53, "Esc"},
    {48, "Tab"},
    {36, "Return"},
    {51, "Delete"},
    {117, "Forward Delete"},
    // navigation
    {123, "Left"},
    {124, "Right"},
    {126, "Up"},
    {125, "Down"},
    {115, "Home"},
    {119, "End"},
    {116, "Page Up"},
    {121, "Page Down"},
    // function keys
    {122, "F1"},
    {120, "F2"},
    {99, "F3"},
    {118, "F4"},
    {96, "F5"},
    {97, "F6"},
    {98, "F7"},
    {100, "F8"},
    {101, "F9"},
    {109, "F10"},
    {103, "F11"},
    {111, "F12"},
};

// Every named code is below 128: a direct table, built once on first use.
constexpr std::size_t kNamedCodeLimit = 128;

const std::array<QString, kNamedCodeLimit>& keyNameTable() {
    static const std::array<QString, kNamedCodeLimit> table = [] {
        std::array<QString, kNamedCodeLimit> names;
        for (const KeyName& key : kKeyNames) {
            names[key.code] = QString::fromLatin1(key.name);
        }
        return names;
    }();
    return table;
}

struct ModifierPart {
    std::uint64_t flag;
    const char* text;
};

// The order of the parts in a label.
constexpr ModifierPart kModifierParts[] = {
    {OVEventFlagControl, "Ctrl"},
    {OVEventFlagOption, "Opt"},
    {OVEventFlagShift, "Shift"},
    {OVEventFlagCommand, "Cmd"},
};

}  // namespace

QString OVKeyNameForKeyCode(std::uint16_t keyCode) {
    if (keyCode < kNamedCodeLimit && !keyNameTable()[keyCode].isNull()) {
        return keyNameTable()[keyCode];
    }
    return QStringLiteral("Key %1").arg(keyCode);
}

std::uint64_t OVComboFlagsFromEventFlags(std::uint64_t eventFlags) {
    return eventFlags & OVEventFlagModifiers;
}

QString OVKeyComboLabel(std::uint16_t keyCode, std::uint64_t comboFlags) {
    QStringList parts;
    for (const ModifierPart& modifier : kModifierParts) {
        if (comboFlags & modifier.flag) {
            parts << QString::fromLatin1(modifier.text);
        }
    }
    parts << OVKeyNameForKeyCode(keyCode);
    return parts.join(QLatin1Char('+'));
}

OVRecordedKeyCombo OVKeyComboFromKeyDown(std::uint16_t keyCode, std::uint64_t eventFlags) {
    const std::uint64_t flags = OVComboFlagsFromEventFlags(eventFlags);
    return {false, keyCode, flags, OVKeyComboLabel(keyCode, flags)};
}

bool OVStoreRecordedKeyCombo(const QString& input, const OVRecordedKeyCombo& combo) {
    if (combo.cancelled) {
        return false;
    }
    // An empty label would make the combo read as not recorded (key code 0 with no label).
    const QString label =
        combo.label.isEmpty() ? OVKeyComboLabel(combo.keyCode, combo.flags) : combo.label;
    OVSetProfileValueForKey(OVModifierActionKey(input),
                            QVariant::fromValue<qlonglong>(OVKeyboardActionKeyCombo));
    OVSetProfileValueForKey(OVKeyComboKeyCodeKey(input), QVariant::fromValue(combo.keyCode));
    OVSetProfileValueForKey(OVKeyComboFlagsKey(input),
                            QVariant::fromValue<qulonglong>(combo.flags));
    OVSetProfileValueForKey(OVKeyComboLabelKey(input), label);
    return true;
}
