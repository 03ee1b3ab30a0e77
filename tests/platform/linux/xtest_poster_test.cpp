#include <gtest/gtest.h>

#include <QPoint>
#include <memory>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "keyboard/touch_keyboard_model.h"
#include "platform/assembled_platform.h"
#include "platform/linux/x11_text_typer.h"
#include "platform/linux/xtest_event_poster.h"
#include "platform/linux/fixed_displays_helpers.h"
#include "platform/linux/x11_client_helpers.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/X.h>
#include <X11/keysym.h>

namespace {

using Kind = X11TestClient::Event::Kind;

constexpr std::uint64_t kShift = 0x20000;

// The Xvfb screen (1280×800 device pixels) as one display of ratio 2: 640×400 logical pixels.
OVDisplayInfo halfScaleDisplay() {
    OVDisplayInfo display;
    display.displayID = 7;
    display.bounds = QRectF(0, 0, 640, 400);
    display.pixelSize = QSize(1280, 800);
    display.isMain = true;
    return display;
}

class XTestPosterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!X11TestClient::available()) {
            ASSERT_FALSE(X11TestClient::required()) << "no X server";
            GTEST_SKIP() << "needs an X server (ctest runs one)";
        }
        client = std::make_unique<X11TestClient>();
        QString why;
        poster = OVXTestEventPoster::create(displays, {}, &why);
        ASSERT_TRUE(poster) << why.toStdString();
    }

    std::vector<X11TestClient::Event> delivered() {
        poster->synchronize();
        return client->takeEvents();
    }

    OVServicesGuard services;
    FixedDisplays displays{{halfScaleDisplay()}};
    std::unique_ptr<X11TestClient> client;
    std::unique_ptr<OVXTestEventPoster> poster;
};

}  // namespace

TEST_F(XTestPosterTest, PointerAndButtons) {
    poster->postMouseEvent(1, 0, QPointF(100, 50), 0, 1);
    poster->postMouseEvent(6, 0, QPointF(110.5, 60.25), 0, 1);
    poster->postMouseEvent(2, 0, QPointF(110.5, 60.25), 0, 1);
    auto events = delivered();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::ButtonDown);
    EXPECT_EQ(events[0].detail, 1u);
    EXPECT_EQ(QPoint(events[0].x, events[0].y), QPoint(200, 100));  // logical × 2
    EXPECT_EQ(events[1].kind, Kind::ButtonUp);
    EXPECT_EQ(QPoint(events[1].x, events[1].y), QPoint(221, 120));
    EXPECT_TRUE(events[1].state & Button1Mask);  // released after the drag held it
    EXPECT_EQ(client->pointer(), QPoint(221, 120));

    poster->postMouseEvent(3, 1, QPointF(300, 200), 0, 0);
    poster->postMouseEvent(4, 1, QPointF(300, 200), 0, 0);
    poster->postMouseEvent(25, 2, QPointF(301, 200), 0, 0);
    poster->postMouseEvent(26, 2, QPointF(301, 200), 0, 0);
    events = delivered();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].detail, 3u);  // right
    EXPECT_EQ(QPoint(events[0].x, events[0].y), QPoint(600, 400));
    EXPECT_EQ(events[1].detail, 3u);
    EXPECT_EQ(events[2].detail, 2u);  // middle
    EXPECT_EQ(events[3].kind, Kind::ButtonUp);

    poster->warpCursor(QPointF(639.9, 399.9));
    EXPECT_TRUE(delivered().empty());
    EXPECT_EQ(client->pointer(), QPoint(1279, 799));
}

TEST_F(XTestPosterTest, WheelDetentsAndMagnify) {
    poster->warpCursor(QPointF(50, 50));
    poster->postScrollWheel(30, 0, 0);  // half a detent: nothing yet
    EXPECT_TRUE(delivered().empty());
    poster->postScrollWheel(30, 0, 0);
    poster->postScrollWheel(-60, 0, 0);
    poster->postScrollWheel(0, -60, 0);
    poster->postScrollWheel(0, 60, 0);
    auto events = delivered();
    std::vector<unsigned> presses;
    for (const auto& event : events) {
        if (event.kind == Kind::ButtonDown) {
            presses.push_back(event.detail);
        }
    }
    EXPECT_EQ(presses, (std::vector<unsigned>{4, 5, 7, 6}));  // up, down, right, left
    EXPECT_EQ(events.size(), 8u);

    // A pinch: Control held, the wheel turned up for zooming in.
    poster->postMagnify(0.0, 1, QPointF(200, 100));
    poster->postMagnify(0.1, 2, QPointF(200, 100));
    poster->postMagnify(0.0, 8, QPointF(200, 100));
    events = delivered();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, Kind::KeyDown);
    EXPECT_EQ(events[0].keysym, unsigned(XK_Control_L));
    EXPECT_EQ(events[1].kind, Kind::ButtonDown);
    EXPECT_EQ(events[1].detail, 4u);
    EXPECT_TRUE(events[1].state & ControlMask);
    EXPECT_EQ(QPoint(events[1].x, events[1].y), QPoint(400, 200));
    EXPECT_EQ(events[3].kind, Kind::KeyUp);
    EXPECT_EQ(events[3].keysym, unsigned(XK_Control_L));
}

TEST_F(XTestPosterTest, KeysModifiersAndSystemTools) {
    poster->postKey(0, true, 0);  // A
    poster->postKey(0, false, 0);
    poster->postKey(0, true, kShift);
    poster->postKey(0, false, kShift);
    poster->postKey(36, true, 0);  // Return
    poster->postKey(36, false, 0);
    auto events = delivered();
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0].text, QStringLiteral("a"));
    EXPECT_EQ(events[0].detail, 38u);
    EXPECT_EQ(events[1].kind, Kind::KeyUp);
    EXPECT_EQ(events[2].keysym, unsigned(XK_Shift_L));
    EXPECT_EQ(events[3].text, QStringLiteral("A"));
    EXPECT_TRUE(events[3].state & ShiftMask);
    EXPECT_EQ(events[4].kind, Kind::KeyUp);
    EXPECT_TRUE(events[4].state & ShiftMask);  // held from the key's press to its release
    EXPECT_EQ(events[5].keysym, unsigned(XK_Shift_L));
    EXPECT_EQ(events[5].kind, Kind::KeyUp);
    EXPECT_EQ(events[6].keysym, unsigned(XK_Return));

    poster->openSystemApplication(QStringLiteral("missionControl"));
    poster->openSystemApplication(QStringLiteral("screenshot"));
    events = delivered();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].keysym, unsigned(XK_Super_L));
    EXPECT_EQ(events[1].kind, Kind::KeyUp);
    EXPECT_EQ(events[2].keysym, unsigned(XK_Print));
}

TEST_F(XTestPosterTest, TextWithAndWithoutKeys) {
    poster->postText(QStringLiteral("Hi!"), 0);
    QString typed;
    for (const auto& event : delivered()) {
        if (event.kind == Kind::KeyDown) {
            typed += event.text;
        }
    }
    EXPECT_EQ(typed, QStringLiteral("Hi!"));

    // é and € have no key on the server's layout: spare key codes get them for a moment.
    poster->postText(QStringLiteral("é€x"), 0);
    std::vector<unsigned long> keysyms;
    std::vector<unsigned> keycodes;
    for (const auto& event : delivered()) {
        if (event.kind == Kind::KeyDown) {
            keysyms.push_back(event.keysym);
            keycodes.push_back(event.detail);
        }
    }
    ASSERT_EQ(keysyms.size(), 3u);
    EXPECT_EQ(keysyms[0], 0xE9ul);
    EXPECT_EQ(keysyms[1], unsigned(XK_EuroSign));
    EXPECT_EQ(keysyms[2], unsigned('x'));
    EXPECT_NE(keycodes[0], keycodes[1]);

    // The borrowed key codes are given back once clients had the time to read the map.
    EXPECT_EQ(client->keysymOf(keycodes[0]), 0xE9ul);
    services.virtualScheduler()->advance(OVX11TextTyper::kRestoreDelaySeconds);
    EXPECT_EQ(client->keysymOf(keycodes[0]), unsigned(NoSymbol));
    EXPECT_EQ(client->keysymOf(keycodes[1]), unsigned(NoSymbol));
}

TEST_F(XTestPosterTest, TheKeyboardsTextCarriesItsOwnCase) {
    OVAssembledPlatform platform;
    platform.poster = poster.get();
    services.setPlatform(&platform);
    OVTouchKeyboardModel keyboard;
    // Caps lock and shift cancel: the key shows "a" and types "a", with no Shift held.
    keyboard.keyPressed(OVKeyboardKey("caps", "", "caps"));
    keyboard.keyPressed(OVKeyboardKey("shift", "", "shift"));
    keyboard.keyPressed(OVKeyboardKey("A", "a", "text"));
    const auto events = delivered();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text, QStringLiteral("a"));
    EXPECT_FALSE(events[0].state & ShiftMask);
}
