#pragma once

#include <vector>

#include "platform/linux/input_translation.h"

typedef struct _XDisplay Display;

// One request to the X server's XTEST extension.
struct OVXTestCall {
    enum class Kind { Motion, Button, Key };
    Kind kind = Kind::Motion;
    int x = 0;  // Motion: root window pixels
    int y = 0;
    unsigned number = 0;  // Button: the X button; Key: the X key code
    bool press = false;
    bool operator==(const OVXTestCall&) const = default;
};

// X buttons of the wheels: 4 up, 5 down, 6 left, 7 right.
inline constexpr unsigned OVXButtonWheelUp = 4;
inline constexpr unsigned OVXButtonWheelDown = 5;
inline constexpr unsigned OVXButtonWheelLeft = 6;
inline constexpr unsigned OVXButtonWheelRight = 7;

// The X key code of an evdev key on servers that use the evdev key codes (all current ones):
// the evdev code plus 8. 0 when it does not fit X's key codes.
unsigned OVXKeycodeForEvdevCode(int code);

// Carries out input steps with XTEST requests on `display`, then flushes.
void OVPerformWithXTest(Display* display, const OVInputSteps& steps);

// The requests that carry out one input step. The core protocol knows whole wheel detents only:
// each becomes a press and release of a wheel button.
std::vector<OVXTestCall> OVXTestCallsForStep(const OVInputStep& step);
