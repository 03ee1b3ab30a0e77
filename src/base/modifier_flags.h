#pragma once

#include <cstdint>

// The modifier flag masks of keyboard and mouse events, as the event poster takes them, the key
// combos store them and the keyboard arms them.
inline constexpr std::uint64_t OVEventFlagShift = 0x20000;
inline constexpr std::uint64_t OVEventFlagControl = 0x40000;
inline constexpr std::uint64_t OVEventFlagOption = 0x80000;
inline constexpr std::uint64_t OVEventFlagCommand = 0x100000;
// All four; every other bit of an event's flags (caps lock, the function key, device bits) is
// no modifier.
inline constexpr std::uint64_t OVEventFlagModifiers =
    OVEventFlagShift | OVEventFlagControl | OVEventFlagOption | OVEventFlagCommand;
