#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include "platform/linux/uinput_events.h"
#include "platform/linux/xtest_calls.h"

namespace {

using Device = OVEvdevEvent::Device;
using Events = std::vector<OVEvdevEvent>;
using Calls = std::vector<OVXTestCall>;

OVEvdevEvent pointer(unsigned type, unsigned code, int value) {
    return {Device::Pointer, type, code, value};
}

OVInputStep wheel(int vertical, int horizontal, int verticalDetents, int horizontalDetents) {
    OVInputStep step;
    step.kind = OVInputStep::Kind::Wheel;
    step.verticalUnits = vertical;
    step.horizontalUnits = horizontal;
    step.verticalDetents = verticalDetents;
    step.horizontalDetents = horizontalDetents;
    return step;
}

OVXTestCall button(unsigned number, bool press) {
    return {OVXTestCall::Kind::Button, 0, 0, number, press};
}

}  // namespace

TEST(UInputEvents, StepsBecomeFramesOfTheirDevice) {
    const QRect area(-1920, 0, 6400, 1600);
    EXPECT_EQ(OVEvdevEventsForStep(OVInputStep::move({-1, 300}), area),
              (Events{pointer(EV_ABS, ABS_X, 1919), pointer(EV_ABS, ABS_Y, 300),
                      pointer(EV_SYN, SYN_REPORT, 0)}));
    // Positions stay inside the axes' ranges.
    EXPECT_EQ(OVEvdevEventsForStep(OVInputStep::move({9000, -5}), area)[0].value, 6399);
    EXPECT_EQ(OVEvdevEventsForStep(OVInputStep::move({9000, -5}), area)[1].value, 0);

    EXPECT_EQ(OVEvdevEventsForStep(OVInputStep::button(BTN_RIGHT, true), area),
              (Events{pointer(EV_KEY, BTN_RIGHT, 1), pointer(EV_SYN, SYN_REPORT, 0)}));
    EXPECT_EQ(
        OVEvdevEventsForStep(OVInputStep::key(KEY_A, false), area),
        (Events{{Device::Keyboard, EV_KEY, KEY_A, 0}, {Device::Keyboard, EV_SYN, SYN_REPORT, 0}}));
    EXPECT_EQ(
        OVEvdevEventsForStep(wheel(180, -30, 1, 0), area),
        (Events{pointer(EV_REL, REL_WHEEL_HI_RES, 180), pointer(EV_REL, REL_HWHEEL_HI_RES, -30),
                pointer(EV_REL, REL_WHEEL, 1), pointer(EV_SYN, SYN_REPORT, 0)}));
    EXPECT_EQ(OVEvdevEventsForStep(wheel(0, 240, 0, 2), area),
              (Events{pointer(EV_REL, REL_HWHEEL_HI_RES, 240), pointer(EV_REL, REL_HWHEEL, 2),
                      pointer(EV_SYN, SYN_REPORT, 0)}));
}

TEST(UInputEvents, DeviceDescriptions) {
    libevdev* pointerDevice = OVCreatePointerDescription(QRect(0, 0, 4480, 1600));
    EXPECT_STREQ(libevdev_get_name(pointerDevice), "Orvetta touch pointer");
    EXPECT_EQ(libevdev_get_abs_minimum(pointerDevice, ABS_X), 0);
    EXPECT_EQ(libevdev_get_abs_maximum(pointerDevice, ABS_X), 4479);
    EXPECT_EQ(libevdev_get_abs_maximum(pointerDevice, ABS_Y), 1599);
    for (unsigned code : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}) {
        EXPECT_TRUE(libevdev_has_event_code(pointerDevice, EV_KEY, code)) << code;
    }
    for (unsigned code : {REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}) {
        EXPECT_TRUE(libevdev_has_event_code(pointerDevice, EV_REL, code)) << code;
    }
    // Not a touch screen, not a tablet, not a touchpad: an absolute mouse.
    EXPECT_FALSE(libevdev_has_event_code(pointerDevice, EV_KEY, BTN_TOUCH));
    EXPECT_FALSE(libevdev_has_event_code(pointerDevice, EV_REL, REL_X));
    for (unsigned property = 0; property <= INPUT_PROP_MAX; ++property) {
        EXPECT_FALSE(libevdev_has_property(pointerDevice, property)) << property;
    }
    libevdev_free(pointerDevice);

    libevdev* keyboard = OVCreateKeyboardDescription();
    for (unsigned code : {KEY_A, KEY_LEFTMETA, KEY_SYSRQ, KEY_VOLUMEUP, KEY_KBDILLUMTOGGLE, KEY_F20,
                          KEY_KPJPCOMMA}) {
        EXPECT_TRUE(libevdev_has_event_code(keyboard, EV_KEY, code)) << code;
    }
    EXPECT_FALSE(libevdev_has_event_type(keyboard, EV_REP));  // repeats are the desktop's
    EXPECT_FALSE(libevdev_has_event_code(keyboard, EV_KEY, BTN_LEFT));
    libevdev_free(keyboard);
}

TEST(XTestCalls, StepsBecomeCoreProtocolInput) {
    EXPECT_EQ(OVXTestCallsForStep(OVInputStep::move({2660, 50})),
              (Calls{{OVXTestCall::Kind::Motion, 2660, 50, 0, false}}));
    EXPECT_EQ(OVXTestCallsForStep(OVInputStep::button(BTN_LEFT, true)), (Calls{button(1, true)}));
    EXPECT_EQ(OVXTestCallsForStep(OVInputStep::button(BTN_MIDDLE, false)),
              (Calls{button(2, false)}));
    EXPECT_EQ(OVXTestCallsForStep(OVInputStep::button(BTN_RIGHT, true)), (Calls{button(3, true)}));
    EXPECT_EQ(OVXTestCallsForStep(OVInputStep::key(KEY_A, true)),
              (Calls{{OVXTestCall::Kind::Key, 0, 0, 38, true}}));
    EXPECT_EQ(OVXKeycodeForEvdevCode(KEY_LEFTSHIFT), 50u);
    EXPECT_EQ(OVXKeycodeForEvdevCode(KEY_MICMUTE), 0u);  // beyond X's 255
    EXPECT_TRUE(OVXTestCallsForStep(OVInputStep::key(KEY_MICMUTE, true)).empty());

    // High-resolution units alone click nothing; each due detent is a press and release.
    EXPECT_TRUE(OVXTestCallsForStep(wheel(60, 0, 0, 0)).empty());
    EXPECT_EQ(OVXTestCallsForStep(wheel(-240, 0, -2, 0)),
              (Calls{button(5, true), button(5, false), button(5, true), button(5, false)}));
    EXPECT_EQ(OVXTestCallsForStep(wheel(120, 120, 1, 1)),
              (Calls{button(4, true), button(4, false), button(7, true), button(7, false)}));
    EXPECT_EQ(OVXTestCallsForStep(wheel(0, -120, 0, -1)),
              (Calls{button(6, true), button(6, false)}));
}
