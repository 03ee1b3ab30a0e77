#include "platform/linux/xtest_calls.h"

#include <linux/input-event-codes.h>

#include <cstdlib>

// Xlib last: its macros clash with other names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

constexpr unsigned kFirstXKeycode = 8;
constexpr unsigned kLastXKeycode = 255;

unsigned xButtonForEvdevCode(int code) {
    switch (code) {
        case BTN_LEFT:
            return 1;
        case BTN_MIDDLE:
            return 2;
        case BTN_RIGHT:
            return 3;
        default:
            return 0;
    }
}

void clickWheelButton(unsigned button, int times, std::vector<OVXTestCall>& calls) {
    for (int i = 0; i < times; ++i) {
        calls.push_back({OVXTestCall::Kind::Button, 0, 0, button, true});
        calls.push_back({OVXTestCall::Kind::Button, 0, 0, button, false});
    }
}

}  // namespace

unsigned OVXKeycodeForEvdevCode(int code) {
    if (code <= 0) {
        return 0;
    }
    const unsigned keycode = unsigned(code) + kFirstXKeycode;
    return keycode <= kLastXKeycode ? keycode : 0;
}

std::vector<OVXTestCall> OVXTestCallsForStep(const OVInputStep& step) {
    std::vector<OVXTestCall> calls;
    switch (step.kind) {
        case OVInputStep::Kind::Move:
            calls.push_back(
                {OVXTestCall::Kind::Motion, step.position.x(), step.position.y(), 0, false});
            break;
        case OVInputStep::Kind::Button:
            if (const unsigned button = xButtonForEvdevCode(step.code)) {
                calls.push_back({OVXTestCall::Kind::Button, 0, 0, button, step.press});
            }
            break;
        case OVInputStep::Kind::Key:
            if (const unsigned keycode = OVXKeycodeForEvdevCode(step.code)) {
                calls.push_back({OVXTestCall::Kind::Key, 0, 0, keycode, step.press});
            }
            break;
        case OVInputStep::Kind::Wheel:
            clickWheelButton(step.verticalDetents > 0 ? OVXButtonWheelUp : OVXButtonWheelDown,
                             std::abs(step.verticalDetents), calls);
            clickWheelButton(step.horizontalDetents > 0 ? OVXButtonWheelRight : OVXButtonWheelLeft,
                             std::abs(step.horizontalDetents), calls);
            break;
    }
    return calls;
}

void OVPerformWithXTest(Display* display, const OVInputSteps& steps) {
    if (steps.empty()) {
        return;
    }
    for (const OVInputStep& step : steps) {
        for (const OVXTestCall& call : OVXTestCallsForStep(step)) {
            switch (call.kind) {
                case OVXTestCall::Kind::Motion:
                    XTestFakeMotionEvent(display, -1, call.x, call.y, CurrentTime);
                    break;
                case OVXTestCall::Kind::Button:
                    XTestFakeButtonEvent(display, call.number, call.press, CurrentTime);
                    break;
                case OVXTestCall::Kind::Key:
                    XTestFakeKeyEvent(display, call.number, call.press, CurrentTime);
                    break;
            }
        }
    }
    XFlush(display);
}
