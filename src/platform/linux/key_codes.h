#pragma once

#include <cstdint>
#include <optional>

#include "base/modifier_flags.h"

// The program's modifier flag masks and the four modifier keys they stand for, in the order in
// which modifiers are pressed (and released in reverse).
enum class OVModifierKey { Shift, Control, Option, Command };
inline constexpr OVModifierKey OVModifierPressOrder[] = {
    OVModifierKey::Shift, OVModifierKey::Control, OVModifierKey::Option, OVModifierKey::Command};

std::uint64_t OVFlagMaskForModifier(OVModifierKey modifier);
// The left-hand evdev key that presses a modifier (Option is Alt, Command is Super).
int OVEvdevCodeForModifier(OVModifierKey modifier);
// The modifier an evdev key is (either hand); nothing for other keys.
std::optional<OVModifierKey> OVModifierForEvdevCode(int code);

// The evdev key (KEY_*) at the place of a virtual key code of the program's key vocabulary
// (the positions of an ANSI keyboard, 0 = A); -1 for codes without a PC key.
int OVEvdevCodeForVirtualKey(std::uint16_t virtualKey);
// The virtual key code at the place of an evdev key; nothing for keys without one.
std::optional<std::uint16_t> OVVirtualKeyForEvdevCode(int code);

// The evdev key of a system-defined media key number (0 sound up, 1 sound down, 7 mute, 16 play,
// ...); -1 when there is none.
int OVEvdevCodeForSystemKey(int systemKey);
