#pragma once

#include <cstdint>
#include <optional>

// The virtual key codes of the keys that type a character: the places of a US keyboard ("a" 0,
// "z" 6, "1" 18, " " 49, ...), each with the character it types unshifted. A backend that knows
// the active keyboard layout sends such a key as the key that types the same character there.
std::optional<std::uint16_t> OVVirtualKeyForCharacter(char32_t character);
std::optional<char32_t> OVCharacterForVirtualKey(std::uint16_t keyCode);
