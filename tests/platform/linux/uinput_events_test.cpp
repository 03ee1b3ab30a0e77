#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include <algorithm>

#include "platform/linux/input_translation.h"
#include "platform/linux/pointer_space.h"
#include "platform/linux/uinput_events.h"

// What the uinput poster writes for the calls it gets: translated into steps, each step encoded
// as the events of its device, and a repeated position nudged. A stream reads "CODE=value",
// frames apart by " | ", keyboard events marked "kbd:".

namespace {

constexpr std::uint64_t kShift = 0x20000;
constexpr std::uint64_t kControl = 0x40000;
constexpr std::uint64_t kCommand = 0x100000;

// The axis value of a pixel of a desktop `extent` pixels wide: its middle, on 0-65535.
int axis(int pixel, int extent) {
    return int((2 * std::int64_t(pixel) + 1) * 65536 / (2 * std::int64_t(extent)));
}

OVDisplayInfo display(QRectF bounds, QSize pixels) {
    OVDisplayInfo info;
    info.bounds = bounds;
    info.pixelSize = pixels;
    return info;
}

class UInputEncoding : public ::testing::Test {
  protected:
    QPoint at(double x, double y) const {
        return OVPointerPosition({x, y}, displays, OVPointerSpace::DevicePixels);
    }
    std::string stream(const OVInputSteps& steps) {
        const QRect area = OVPointerArea(displays, OVPointerSpace::DevicePixels);
        QStringList frames;
        for (const OVInputStep& step : steps) {
            std::vector<OVEvdevEvent> events = OVEvdevEventsForStep(step, area);
            nudge.apply(events);
            QStringList frame;
            for (const OVEvdevEvent& event : events) {
                if (event.type != EV_SYN) {
                    frame << (event.device == OVEvdevEvent::Device::Keyboard ? "kbd:" : "") +
                                 QString(libevdev_event_code_get_name(event.type, event.code)) +
                                 '=' + QString::number(event.value);
                }
            }
            EXPECT_EQ(events.back(), (OVEvdevEvent{events.back().device, EV_SYN, SYN_REPORT, 0}));
            frames << frame.join(' ');
        }
        return frames.join(" | ").toStdString();
    }

    // 1280×800 at a ratio of 2 and a 1920×1080 display right of it, as Qt reports them in an X
    // session: 4480×1600 device pixels.
    QList<OVDisplayInfo> displays{display(QRectF(0, 0, 1280, 800), QSize(2560, 1600)),
                                  display(QRectF(2560, 0, 1920, 1080), QSize(1920, 1080))};
    OVInputTranslator translator{2.0};
    OVRepeatedPositionNudge nudge;
};

}  // namespace

TEST_F(UInputEncoding, ButtonsCarryTheirModifiersFromPressToRelease) {
    // A shift-click pressed on one display and released on the other.
    EXPECT_EQ(stream(translator.mouseEvent(1, 0, at(640, 400), kShift)),
              QString("kbd:KEY_LEFTSHIFT=1 | ABS_X=%1 ABS_Y=%2 | BTN_LEFT=1")
                  .arg(axis(1280, 4480))
                  .arg(axis(800, 1600))
                  .toStdString());
    EXPECT_EQ(stream(translator.mouseEvent(2, 0, at(2570, 20), kShift)),
              QString("ABS_X=%1 ABS_Y=%2 | BTN_LEFT=0 | kbd:KEY_LEFTSHIFT=0")
                  .arg(axis(2570, 4480))
                  .arg(axis(20, 1600))
                  .toStdString());
    // A right-button drag whose flags change from Shift to Control; its release without flags
    // still lets go of Control; a move without a button carries none.
    EXPECT_EQ(stream(translator.mouseEvent(3, 1, at(0, 0), kShift)),
              "kbd:KEY_LEFTSHIFT=1 | ABS_X=7 ABS_Y=20 | BTN_RIGHT=1");
    EXPECT_EQ(stream(translator.mouseEvent(7, 1, at(0, 1), kControl)),
              "kbd:KEY_LEFTSHIFT=0 | kbd:KEY_LEFTCTRL=1 | ABS_X=7 ABS_Y=102");
    EXPECT_EQ(stream(translator.mouseEvent(4, 1, at(0, 1), 0)),
              "ABS_X=7 ABS_Y=102 | BTN_RIGHT=0 | kbd:KEY_LEFTCTRL=0");
    EXPECT_EQ(stream(translator.mouseEvent(5, 0, at(0, 2), kShift)), "ABS_X=7 ABS_Y=184");
    // The pointer has three buttons; an unknown event type posts nothing.
    EXPECT_EQ(stream(translator.mouseEvent(25, 2, at(0, 2), 0)),
              "ABS_X=8 ABS_Y=184 | BTN_MIDDLE=1");
    EXPECT_EQ(stream(translator.mouseEvent(29, 0, at(0, 2), 0)), "");
}

TEST_F(UInputEncoding, ATapWhereThePointerWasLastSentStillMovesIt) {
    auto tap = [&] {
        const std::string press = stream(translator.mouseEvent(1, 0, at(300, 200), 0));
        return press + " | " + stream(translator.mouseEvent(2, 0, at(300, 200), 0));
    };
    const int x = axis(600, 4480);
    auto expected = [](int first, int second) {
        return QString("ABS_X=%1 ABS_Y=%2 | BTN_LEFT=1 | ABS_X=%3 ABS_Y=%2 | BTN_LEFT=0")
            .arg(first)
            .arg(axis(400, 1600))
            .arg(second)
            .toStdString();
    };
    // A press and its release at one point stay a click; the mouse may have moved the cursor
    // in between taps: the same position again goes one unit aside on x (the same pixel).
    EXPECT_EQ(tap(), expected(x, x));
    EXPECT_EQ(tap(), expected(x + 1, x + 1));
    EXPECT_EQ(tap(), expected(x, x));
}

TEST_F(UInputEncoding, KeysWheelPinchAndText) {
    // Modifiers in order around a key, released in reverse; a code without a PC key posts
    // nothing.
    EXPECT_EQ(stream(translator.key(0, true, kShift | kCommand)),
              "kbd:KEY_LEFTSHIFT=1 | kbd:KEY_LEFTMETA=1 | kbd:KEY_A=1");
    EXPECT_EQ(stream(translator.key(0, false, 0)),
              "kbd:KEY_A=0 | kbd:KEY_LEFTMETA=0 | kbd:KEY_LEFTSHIFT=0");
    EXPECT_EQ(stream(translator.key(63, true, kShift)), "");

    // 2 units per pixel, 120 to a detent; left is positive, the horizontal wheel counts right;
    // turning back starts the count again.
    EXPECT_EQ(stream(translator.scrollWheel(45, 0, 0)), "REL_WHEEL_HI_RES=90");
    EXPECT_EQ(stream(translator.scrollWheel(15, -30, 0)),
              "REL_WHEEL_HI_RES=30 REL_HWHEEL_HI_RES=60 REL_WHEEL=1");
    EXPECT_EQ(stream(translator.scrollWheel(-60, 0, kControl)),
              "kbd:KEY_LEFTCTRL=1 | REL_WHEEL_HI_RES=-120 REL_WHEEL=-1 | kbd:KEY_LEFTCTRL=0");

    // A pinch holds Control around the wheel at its centre; scrolling keeps its own count.
    EXPECT_EQ(stream(translator.magnify(0.0, 1, at(0, 0))),
              "ABS_X=7 ABS_Y=20 | kbd:KEY_LEFTCTRL=1");
    EXPECT_EQ(stream(translator.magnify(0.05, 2, at(0, 0))), "REL_WHEEL_HI_RES=60");
    EXPECT_EQ(stream(translator.magnify(0.05, 2, at(0, 0))), "REL_WHEEL_HI_RES=60 REL_WHEEL=1");
    EXPECT_EQ(stream(translator.magnify(0.0, 8, at(0, 0))), "kbd:KEY_LEFTCTRL=0");
    EXPECT_EQ(stream(translator.scrollWheel(30, 0, 0)), "REL_WHEEL_HI_RES=60");

    // Text strokes with what each needs held; the screenshot tool; the volume.
    EXPECT_EQ(stream(translator.keyStrokes({{KEY_H, true}, {KEY_Q, false, KEY_RIGHTALT}}, 0)),
              "kbd:KEY_LEFTSHIFT=1 | kbd:KEY_H=1 | kbd:KEY_H=0 | kbd:KEY_LEFTSHIFT=0 | "
              "kbd:KEY_RIGHTALT=1 | kbd:KEY_Q=1 | kbd:KEY_Q=0 | kbd:KEY_RIGHTALT=0");
    EXPECT_EQ(stream(translator.systemApplication("screenshot")),
              "kbd:KEY_SYSRQ=1 | kbd:KEY_SYSRQ=0");
    EXPECT_EQ(stream(translator.systemKey(0, true)), "kbd:KEY_VOLUMEUP=1");
    EXPECT_EQ(stream(translator.releaseEverything()), "kbd:KEY_VOLUMEUP=0");
}

TEST(UInputEvents, EveryPixelOfADesktopUpToTheAxesSizeIsReached) {
    for (int extent : {1, 7, 1081, 7680, 65536}) {
        const QRect area(-extent / 2, 0, extent, 1);
        for (int x = area.left() - 1; x <= area.right() + 1; ++x) {
            const auto move = OVEvdevEventsForStep(OVInputStep::move({x, 0}), area);
            const int lands = area.left() + int(std::int64_t(move.at(0).value) * extent / 65536);
            ASSERT_EQ(lands, std::clamp(x, area.left(), area.right())) << extent;
        }
    }
}
