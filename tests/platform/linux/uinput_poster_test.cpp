#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include <functional>
#include <memory>

#include "base/services.h"
#include "platform/linux/fixed_displays_helpers.h"
#include "platform/linux/hid_testbed_helpers.h"
#include "platform/linux/linux_event_poster.h"
#include "platform/linux/linux_permissions.h"
#include "platform/linux/uinput_event_poster.h"

// The uinput poster against a fake /dev/uinput in a umockdev testbed (the same ioctls and writes
// as with the kernel's driver): what the desktop reads, one frame per " | ".

namespace {

constexpr std::uint64_t kShift = 0x20000;
constexpr std::uint64_t kControl = 0x40000;
constexpr std::uint64_t kCommand = 0x100000;

// The axis value of a pixel of a desktop `extent` pixels wide: its middle, on 0-65535.
int axis(int pixel, int extent) {
    return int((2 * std::int64_t(pixel) + 1) * 65536 / (2 * std::int64_t(extent)));
}

OVDisplayInfo display(std::uint32_t id, QRectF bounds, QSize pixels) {
    OVDisplayInfo info;
    info.displayID = id;
    info.bounds = bounds;
    info.pixelSize = pixels;
    info.isMain = id == 1;
    return info;
}

class UInputPosterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HIDTestbed::available()) {
            ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
            GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
        }
        qunsetenv("DISPLAY");  // X11 text typing is the XTEST tests' business
        testbed = std::make_unique<HIDTestbed>();
        uinput = &testbed->addUInput();
    }
    void TearDown() override { qputenv("DISPLAY", savedDisplay); }

    // A poster in an X session's device pixels, whose devices the desktop has opened.
    void makePoster() {
        QString why;
        poster = OVUInputEventPoster::create(displays, "/dev/uinput", &why,
                                             OVPointerSpace::DevicePixels);
        ASSERT_TRUE(poster) << why.toStdString();
        uinput->openReaders();
    }

    QString stream() {
        QStringList frames{QString()};
        for (const HIDTestbed::WrittenEvent& event : uinput->takeEvents()) {
            if (event.type == EV_SYN) {
                frames.append(QString());
                continue;
            }
            QString& frame = frames.last();
            frame += (frame.isEmpty() ? "" : " ") +
                     QString::fromUtf8(libevdev_event_code_get_name(event.type, event.code)) + '=' +
                     QString::number(event.value);
        }
        frames.removeLast();  // after the last SYN_REPORT
        return frames.join(" | ");
    }

    QByteArray savedDisplay = qgetenv("DISPLAY");
    OVServicesGuard services;
    std::unique_ptr<HIDTestbed> testbed;
    HIDTestbed::FakeUInput* uinput = nullptr;
    // 1280×800 at a ratio of 2, and a 1920×1080 display right of it: 4480×1600 device pixels.
    FixedDisplays displays{{display(1, QRectF(0, 0, 1280, 800), QSize(2560, 1600)),
                            display(2, QRectF(2560, 0, 1920, 1080), QSize(1920, 1080))}};
    std::unique_ptr<OVUInputEventPoster> poster;
};

}  // namespace

TEST_F(UInputPosterTest, MakesAnAbsolutePointerAndAKeyboardOnce) {
    makePoster();
    ASSERT_EQ(uinput->devices.size(), 2u);
    EXPECT_EQ(uinput->devices[0].name, "Orvetta touch pointer");
    EXPECT_EQ(uinput->devices[1].name, "Orvetta touch keyboard");
    EXPECT_TRUE(uinput->devices[0].created && uinput->devices[1].created);
    poster.reset();
    EXPECT_EQ(uinput->destroyed, 2);
    QString why;
    EXPECT_FALSE(OVUInputEventPoster::create(displays, "/dev/uinput-missing", &why));
    EXPECT_TRUE(why.contains("/dev/uinput-missing")) << why.toStdString();

    // The pointer's axes span the range the events are spread over; nothing makes it a touch
    // screen, tablet or touchpad.
    libevdev* pointer = OVCreatePointerDescription();
    EXPECT_EQ(libevdev_get_abs_maximum(pointer, ABS_X), OVPointerAxisMaximum);
    EXPECT_EQ(libevdev_get_abs_maximum(pointer, ABS_Y), OVPointerAxisMaximum);
    EXPECT_FALSE(libevdev_has_event_code(pointer, EV_KEY, BTN_TOUCH));
    for (unsigned property = 0; property <= INPUT_PROP_MAX; ++property) {
        EXPECT_FALSE(libevdev_has_property(pointer, property)) << property;
    }
    libevdev_free(pointer);
}

TEST_F(UInputPosterTest, PostedInputBecomesTheEventStreamTheDesktopReads) {
    makePoster();
    struct Case {
        const char* what;
        std::function<void(OVEventPoster&)> post;
        QString expected;
    };
    const Case cases[] = {
        {"a shift-click pressed on one display and released on the other",
         [](OVEventPoster& p) {
             p.postMouseEvent(1, 0, QPointF(640, 400), kShift, 1);
             p.postMouseEvent(2, 0, QPointF(2560 + 10, 20), kShift, 1);
         },
         QString("KEY_LEFTSHIFT=1 | ABS_X=%1 ABS_Y=%2 | BTN_LEFT=1 | ABS_X=%3 ABS_Y=%4 | "
                 "BTN_LEFT=0 | KEY_LEFTSHIFT=0")
             .arg(axis(1280, 4480))
             .arg(axis(800, 1600))
             .arg(axis(2570, 4480))
             .arg(axis(20, 1600))},
        {"a right-button drag whose flags change from Shift to Control",
         [](OVEventPoster& p) {
             p.postMouseEvent(3, 1, QPointF(0, 0), kShift, 1);
             p.postMouseEvent(7, 1, QPointF(0, 1), kShift, 1);
             p.postMouseEvent(7, 1, QPointF(0, 2), kControl, 1);
             p.postMouseEvent(4, 1, QPointF(0, 2), 0, 1);
             p.postMouseEvent(5, 0, QPointF(0, 3), kShift, 0);
         },
         QString("KEY_LEFTSHIFT=1 | ABS_X=7 ABS_Y=20 | BTN_RIGHT=1 | ABS_Y=102 | KEY_LEFTSHIFT=0 | "
                 "KEY_LEFTCTRL=1 | ABS_Y=184 | BTN_RIGHT=0 | KEY_LEFTCTRL=0 | ABS_Y=266")},
        {"keys hold their modifiers in order, and a held key pressed again is pressed anew",
         [](OVEventPoster& p) {
             p.postKey(0, true, kShift | kCommand);
             p.postKey(0, false, 0);
             p.postKey(49, true, 0);
             p.postKey(49, true, 0);
             p.postKey(49, false, 0);
             p.postKey(49, false, 0);
             p.postKey(63, true, 0);  // no PC key
         },
         "KEY_LEFTSHIFT=1 | KEY_LEFTMETA=1 | KEY_A=1 | KEY_A=0 | KEY_LEFTMETA=0 | "
         "KEY_LEFTSHIFT=0 | KEY_SPACE=1 | KEY_SPACE=0 | KEY_SPACE=1 | KEY_SPACE=0"},
        {"wheel pixels add up to detents; left is positive, the horizontal wheel counts right",
         [](OVEventPoster& p) {
             p.postScrollWheel(45, 0, 0);
             p.postScrollWheel(15, -30, 0);
             p.postScrollWheel(-30, 0, kControl);
         },
         "REL_WHEEL_HI_RES=90 | REL_WHEEL_HI_RES=30 REL_HWHEEL_HI_RES=60 REL_WHEEL=1 | "
         "KEY_LEFTCTRL=1 | REL_WHEEL_HI_RES=-60 | KEY_LEFTCTRL=0"},
        {"a pinch is Control held around the wheel, at the pinch's centre",
         [](OVEventPoster& p) {
             p.postMagnify(0.0, 1, QPointF(0, 0));
             p.postMagnify(0.05, 2, QPointF(0, 0));
             p.postMagnify(0.05, 2, QPointF(0, 0));
             p.postMagnify(0.0, 8, QPointF(0, 0));
         },
         "ABS_Y=20 | KEY_LEFTCTRL=1 | REL_WHEEL_HI_RES=60 | REL_WHEEL_HI_RES=60 REL_WHEEL=1 | "
         "KEY_LEFTCTRL=0"},
        {"text on a US layout, the screenshot tool and the volume; é has no key outside X",
         [](OVEventPoster& p) {
             p.postText(QStringLiteral("Hi"), 0);
             p.openSystemApplication(QStringLiteral("screenshot"));
             p.postSystemKey(0, true);
             p.postSystemKey(0, false);
             p.postText(QStringLiteral("é"), 0);
         },
         "KEY_LEFTSHIFT=1 | KEY_H=1 | KEY_H=0 | KEY_LEFTSHIFT=0 | KEY_I=1 | KEY_I=0 | "
         "KEY_SYSRQ=1 | KEY_SYSRQ=0 | KEY_VOLUMEUP=1 | KEY_VOLUMEUP=0"},
    };
    for (const Case& c : cases) {
        c.post(*poster);
        EXPECT_EQ(stream().toStdString(), c.expected.toStdString()) << c.what;
    }
}

TEST_F(UInputPosterTest, ATapWhereThePointerWasLastSentStillMovesIt) {
    makePoster();
    auto tap = [&] {
        poster->postMouseEvent(1, 0, QPointF(300, 200), 0, 1);
        poster->postMouseEvent(2, 0, QPointF(300, 200), 0, 1);
        return stream();
    };
    const QString x = QString::number(axis(600, 4480));
    const QString x1 = QString::number(axis(600, 4480) + 1);
    EXPECT_EQ(tap(), "ABS_X=" + x + " ABS_Y=" + QString::number(axis(400, 1600)) +
                         " | BTN_LEFT=1 | BTN_LEFT=0");
    // The mouse may have moved the cursor in between: the same position again arrives one unit
    // aside on x (the same pixel), then the position itself again.
    EXPECT_EQ(tap(), "ABS_X=" + x1 + " | BTN_LEFT=1 | BTN_LEFT=0");
    EXPECT_EQ(tap(), "ABS_X=" + x + " | BTN_LEFT=1 | BTN_LEFT=0");
}

TEST_F(UInputPosterTest, ADisplayChangeKeepsTheDevicesAndRemapsTheAxes) {
    makePoster();
    // A display arrives left of the others: 6400 device pixels wide. What is written to a new
    // device before the desktop opens it would be lost.
    QList<OVDisplayInfo> three = displays.activeDisplays();
    three.append(display(3, QRectF(-1920, 0, 1920, 1080), QSize(1920, 1080)));
    FixedDisplays grown(three);
    std::swap(displays, grown);
    poster->postMouseEvent(5, 0, QPointF(-1920 + 100, 50), 0, 0);
    EXPECT_EQ(stream(), QString("ABS_X=%1 ABS_Y=%2").arg(axis(100, 6400)).arg(axis(50, 1600)));
    EXPECT_EQ(uinput->devices.size(), 2u);
}

TEST(UInputEvents, EveryPixelOfADesktopUpToTheAxesSizeIsReached) {
    for (int extent : {1, 7, 1081, 7680, 65536}) {
        const QRect area(-extent / 2, 0, extent, 1);
        for (int x = area.left(); x <= area.right(); ++x) {
            const auto move = OVEvdevEventsForStep(OVInputStep::move({x, 0}), area);
            const int lands = area.left() + int(std::int64_t(move.at(0).value) * extent / 65536);
            ASSERT_EQ(lands, x) << extent;
        }
    }
}

TEST(UInputEvents, LogicalPositionsOnAWaylandDesktop) {
    // 150 % left of and above a 100 % main display: the compositor's layout in logical pixels.
    const QList<OVDisplayInfo> displays{
        display(1, QRectF(0, 0, 1280, 800), QSize(1280, 800)),
        display(2, QRectF(-1600, -300, 1600, 900), QSize(2400, 1350))};
    EXPECT_EQ(OVPointerArea(displays, OVPointerSpace::Logical), QRect(-1600, -300, 2880, 1100));
    EXPECT_EQ(OVPointerPosition({-800, 150}, displays, OVPointerSpace::Logical), QPoint(-800, 150));
    EXPECT_EQ(OVPointerArea(displays, OVPointerSpace::DevicePixels),
              QRect(-1600, -300, 2880, 1350));
    EXPECT_EQ(OVPointerPosition({-800, 150}, displays, OVPointerSpace::DevicePixels),
              QPoint(-400, 375));
}

TEST_F(UInputPosterTest, TheChooserPrefersUInputAndAccessibilityFollowsIt) {
    OVLinuxEventPoster chooser(displays);
    EXPECT_TRUE(chooser.canPost());
    EXPECT_EQ(chooser.backendName(), QStringLiteral("uinput"));
    EXPECT_TRUE(OVLinuxPermissions(chooser).canPostEvents());
}
