#pragma once

#include "keyboard/key_descriptor.h"

// The keyboard is 14 key units wide. Every row's spans add up to 14, except a row under a key two
// rows tall, which adds up to 13 and leaves its last unit to the tall key above it.
inline constexpr int OVKeyboardGridUnits = 14;

// The bottom row of both full layouts: hold, the three modifiers, the space bar, home, end and
// the lower arrows.
OVKeyboardRow OVKeyboardCommonModifierRow();
// The top row of 14 action keys; `symbolTitle` titles its layout switch.
OVKeyboardRow OVKeyboardActionRow(const QString& symbolTitle);
// The two full layouts, six rows each.
OVKeyboardLayout OVKeyboardABCRows();
OVKeyboardLayout OVKeyboardSymbolRows();
// The layout to show: the action row alone when minimized, else the symbol or the ABC layout.
OVKeyboardLayout OVKeyboardRowsFor(bool symbolsOn, bool keyboardMinimized);
