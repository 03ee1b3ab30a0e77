#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Virtual key codes of the keys the keyboard posts by code.
namespace OVKeyboardKeyCode {
inline constexpr std::uint16_t Z = 6;
inline constexpr std::uint16_t X = 7;
inline constexpr std::uint16_t C = 8;
inline constexpr std::uint16_t V = 9;
inline constexpr std::uint16_t Return = 36;
inline constexpr std::uint16_t Period = 47;
inline constexpr std::uint16_t Tab = 48;
inline constexpr std::uint16_t Space = 49;
inline constexpr std::uint16_t Delete = 51;
inline constexpr std::uint16_t Escape = 53;
inline constexpr std::uint16_t Home = 115;
inline constexpr std::uint16_t End = 119;
inline constexpr std::uint16_t Left = 123;
inline constexpr std::uint16_t Right = 124;
inline constexpr std::uint16_t Down = 125;
inline constexpr std::uint16_t Up = 126;
}  // namespace OVKeyboardKeyCode

// Media key types of the system-defined key events.
namespace OVKeyboardMediaKey {
inline constexpr int VolumeUp = 0;
inline constexpr int VolumeDown = 1;
}  // namespace OVKeyboardMediaKey

// The virtual key code of an unshifted character on a US keyboard ("a" 0, " " 49, ...), found
// after lower-casing `text`; nothing for any other text ("!", "é", "ab").
std::optional<std::uint16_t> OVKeyboardKeyCodeForText(const QString& text);

// The US key cap's shifted character ("1" gives "!"), or nothing.
std::optional<QString> OVKeyboardShiftTableEntry(const QString& text);
