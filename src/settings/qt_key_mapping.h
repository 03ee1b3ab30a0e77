#pragma once

#include <cstdint>
#include <optional>

// Qt's key events in the program's key vocabulary: virtual key codes (the positions of an ANSI
// keyboard, 0 = A) and the modifier flag masks.

// The virtual key code of a Qt key (Qt::Key), with `keypad` set for keys of the numeric pad.
// Symbols that a shifted key types give that key ("!" gives the 1 key, "_" the minus key).
// Nothing for modifier keys pressed alone and for keys the vocabulary does not have.
std::optional<std::uint16_t> OVVirtualKeyForQtKey(int qtKey, bool keypad);

// Whether a Qt key is a modifier or lock key that never records on its own.
bool OVQtKeyIsModifierOnly(int qtKey);

// Shift 0x20000, Control 0x40000, Option (Alt) 0x80000 and Command (Meta, the Super key)
// 0x100000 of Qt's keyboard modifiers (Qt::KeyboardModifiers).
std::uint64_t OVEventFlagsForQtModifiers(int qtModifiers);
