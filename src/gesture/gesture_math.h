#pragma once

#include <QPointF>
#include <array>
#include <cstdint>

// Pure helpers of the gesture engine.

// Rounds to the nearest integer, halves to the even neighbour (1.5 -> 2, 2.5 -> 2, -0.5 -> 0).
double OVRoundHalfToEven(double value);
// The whole scroll-wheel units of a remainder: rounded halves to even and held within the
// 32-bit range; a remainder that is not a number gives 0.
std::int32_t OVScrollWheelUnits(double remainder);
double OVDistanceBetween(QPointF a, QPointF b);
// The magnify amount of one pinch report: the distance change over 90 points, held within
// +-0.08.
double OVMagnifyAmountForDistanceChange(double change);

// The modifier flag mask of keyboard actions 1 to 4 (Shift, Control, Option, Command); 0 for
// every other action.
std::uint64_t OVModifierFlagsForKeyboardAction(std::int64_t action);

struct OVModifierKey {
    std::uint64_t mask;
    std::uint16_t keyCode;
};
// Shift, Control, Option, Command: the order in which a key combo presses its modifiers.
const std::array<OVModifierKey, 4>& OVModifierKeys();
