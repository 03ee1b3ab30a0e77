#include "gesture/gesture_math.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "gesture/gesture_constants.h"
#include "settings/profiles.h"

double OVRoundHalfToEven(double value) {
    const double rounded = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5) {
        return 2.0 * std::round(value / 2.0);
    }
    return rounded;
}

std::int32_t OVScrollWheelUnits(double remainder) {
    if (std::isnan(remainder)) {
        return 0;
    }
    const double rounded = OVRoundHalfToEven(remainder);
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(rounded, lowest, highest));
}

double OVDistanceBetween(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

double OVMagnifyAmountForDistanceChange(double change) {
    return std::clamp(change / OVMagnifyDivisor, -OVMagnifyStepLimit, OVMagnifyStepLimit);
}

std::uint64_t OVModifierFlagsForKeyboardAction(std::int64_t action) {
    switch (action) {
        case OVKeyboardActionShift:
            return OVEventFlagShift;
        case OVKeyboardActionControl:
            return OVEventFlagControl;
        case OVKeyboardActionOption:
            return OVEventFlagOption;
        case OVKeyboardActionCommand:
            return OVEventFlagCommand;
        default:
            return 0;
    }
}

const std::array<OVModifierKey, 4>& OVModifierKeys() {
    static constexpr std::array<OVModifierKey, 4> keys{{{OVEventFlagShift, OVKeyCodeShift},
                                                        {OVEventFlagControl, OVKeyCodeControl},
                                                        {OVEventFlagOption, OVKeyCodeOption},
                                                        {OVEventFlagCommand, OVKeyCodeCommand}}};
    return keys;
}
