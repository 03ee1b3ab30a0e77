#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include "platform/linux/pointer_space.h"
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

OVDisplayInfo display(QRectF bounds, QSize pixels) {
    OVDisplayInfo info;
    info.bounds = bounds;
    info.pixelSize = pixels;
    return info;
}

// Where the desktop puts the pointer for a move: it spreads the axes over the area as libinput
// does (value × extent / 65536).
QPoint desktopPointOf(const Events& events, const QRect& area) {
    auto land = [](int value, int origin, int extent) {
        return origin + int(std::int64_t(value) * extent / (OVPointerAxisMaximum + 1));
    };
    return QPoint(land(events.at(0).value, area.left(), area.width()),
                  land(events.at(1).value, area.top(), area.height()));
}

}  // namespace

TEST(UInputEvents, StepsBecomeFramesOfTheirDevice) {
    const QRect area(-1920, 0, 6400, 1600);
    const Events move = OVEvdevEventsForStep(OVInputStep::move({-1, 300}), area);
    ASSERT_EQ(move.size(), 3u);
    EXPECT_EQ(move[0].code, unsigned(ABS_X));
    EXPECT_EQ(move[1].code, unsigned(ABS_Y));
    EXPECT_EQ(move[2], pointer(EV_SYN, SYN_REPORT, 0));
    EXPECT_EQ(desktopPointOf(move, area), QPoint(-1, 300));
    // Positions off the desktop land on its edge.
    EXPECT_EQ(desktopPointOf(OVEvdevEventsForStep(OVInputStep::move({9000, -5}), area), area),
              QPoint(4479, 0));

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

TEST(UInputEvents, EveryPixelOfADesktopUpToTheAxesSizeIsReached) {
    for (int extent : {1, 7, 800, 1081, 3840, 7680, 65536}) {
        const QRect area(-extent / 2, 0, extent, 1);
        for (int x = area.left(); x <= area.right(); ++x) {
            const Events move = OVEvdevEventsForStep(OVInputStep::move({x, 0}), area);
            ASSERT_EQ(desktopPointOf(move, area).x(), x) << extent;
        }
    }
}

TEST(UInputEvents, PositionsLandWhereTheSessionPutsThem) {
    // A 200 % laptop with a 100 % touch display on its right. A Wayland compositor spreads the
    // pointer over its logical layout; an X server over its screen, where the touch display
    // begins at the laptop's width in device pixels.
    const QList<OVDisplayInfo> wayland{display(QRectF(0, 0, 1280, 800), QSize(2560, 1600)),
                                       display(QRectF(1280, 0, 1920, 1080), QSize(1920, 1080))};
    const QList<OVDisplayInfo> x11{display(QRectF(0, 0, 1280, 800), QSize(2560, 1600)),
                                   display(QRectF(2560, 0, 1920, 1080), QSize(1920, 1080))};
    // 150 % on the left and above the main display: negative origins.
    const QList<OVDisplayInfo> leftAbove{
        display(QRectF(0, 0, 1280, 800), QSize(1280, 800)),
        display(QRectF(-1600, -300, 1600, 900), QSize(2400, 1350))};
    struct Case {
        QList<OVDisplayInfo> displays;
        OVPointerSpace space;
        QRect area;
        QPointF at;
        QPoint lands;
    };
    const Case cases[] = {
        {wayland, OVPointerSpace::Logical, QRect(0, 0, 3200, 1080), {2240, 540}, {2240, 540}},
        {wayland, OVPointerSpace::Logical, QRect(0, 0, 3200, 1080), {3199, 1079}, {3199, 1079}},
        {wayland, OVPointerSpace::Logical, QRect(0, 0, 3200, 1080), {640.6, 400.4}, {640, 400}},
        {x11, OVPointerSpace::DevicePixels, QRect(0, 0, 4480, 1600), {3520, 540}, {3520, 540}},
        {x11, OVPointerSpace::DevicePixels, QRect(0, 0, 4480, 1600), {640, 400}, {1280, 800}},
        {leftAbove,
         OVPointerSpace::Logical,
         QRect(-1600, -300, 2880, 1100),
         {-800, 150},
         {-800, 150}},
        {leftAbove,
         OVPointerSpace::Logical,
         QRect(-1600, -300, 2880, 1100),
         {-2000, 2000},
         {-1600, 799}},
        {leftAbove,
         OVPointerSpace::DevicePixels,
         QRect(-1600, -300, 2880, 1350),
         {-800, 150},
         {-400, 375}},
    };
    for (const Case& c : cases) {
        const QRect area = OVPointerArea(c.displays, c.space);
        EXPECT_EQ(area, c.area);
        const QPoint position = OVPointerPosition(c.at, c.displays, c.space);
        EXPECT_EQ(desktopPointOf(OVEvdevEventsForStep(OVInputStep::move(position), area), area),
                  c.lands)
            << c.at.x() << "," << c.at.y();
    }
    EXPECT_EQ(OVPointerArea({}, OVPointerSpace::Logical), QRect(0, 0, 1, 1));
}

TEST(UInputEvents, DeviceDescriptions) {
    libevdev* pointerDevice = OVCreatePointerDescription();
    EXPECT_STREQ(libevdev_get_name(pointerDevice), "Orvetta touch pointer");
    EXPECT_EQ(libevdev_get_abs_minimum(pointerDevice, ABS_X), 0);
    EXPECT_EQ(libevdev_get_abs_maximum(pointerDevice, ABS_X), 65535);
    EXPECT_EQ(libevdev_get_abs_maximum(pointerDevice, ABS_Y), 65535);
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
