#pragma once

#include <QString>
#include <cstdint>

#include "base/modifier_flags.h"

// Key combos: the virtual key code of one key and the modifiers held with it, as an input's
// keyboard action posts them.

// The readable name of a virtual key code: "A", "7", "[", "Esc", "Page Up", "F5"; "Key 105" for a
// code without a name.
QString OVKeyNameForKeyCode(std::uint16_t keyCode);

// The Shift, Control, Option and Command bits of an event's modifier flags; caps lock, the
// function key, the numeric pad and device bits never enter a combo.
std::uint64_t OVComboFlagsFromEventFlags(std::uint64_t eventFlags);

// "Ctrl", "Opt", "Shift", "Cmd" for the bits that are set, always in this order, then the key's
// name, joined with "+": "Ctrl+K", "Shift+Cmd+P", "F5".
QString OVKeyComboLabel(std::uint16_t keyCode, std::uint64_t comboFlags);

// What the recorder hands back: cancelled, or a key code with its combo flags and label.
struct OVRecordedKeyCombo {
    bool cancelled = false;
    std::uint16_t keyCode = 0;
    std::uint64_t flags = 0;
    QString label;  // null when there is none
};

// The combo a key-down records: every key counts (Escape, Return and Tab included), with the
// event's flags reduced to the four modifiers and the label built from both.
OVRecordedKeyCombo OVKeyComboFromKeyDown(std::uint16_t keyCode, std::uint64_t eventFlags);

// Stores a recorded combo as `input`'s keyboard action in the active profile: ModifierAction
// becomes Key combo, then the key code, the flags and the label are stored, in this order. A
// missing or empty label is built from the key code and flags. A cancelled recording stores
// nothing and returns false.
bool OVStoreRecordedKeyCombo(const QString& input, const OVRecordedKeyCombo& combo);
