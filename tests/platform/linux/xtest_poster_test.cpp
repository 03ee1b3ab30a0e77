#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/linux/fixed_displays_helpers.h"
#include "platform/linux/x11_active_window.h"
#include "platform/linux/x11_client_helpers.h"
#include "platform/linux/x11_text_typer.h"
#include "platform/linux/xtest_event_poster.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/X.h>
#include <X11/keysym.h>

// The XTEST poster and the active-window watch on the X server run-tests starts (Xvfb), as a
// client of it sees them.

namespace {

using Kind = X11TestClient::Event::Kind;

class X11Test : public ::testing::Test {
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

    // What the client received, one "kind detail @x,y" (buttons) or "kind text|keysym" (keys)
    // each, with "+shift"/"+control"/"+button1" for the modifiers held before the event.
    QStringList delivered() {
        poster->synchronize();
        QStringList lines;
        for (const X11TestClient::Event& e : client->takeEvents()) {
            const bool key = e.kind == Kind::KeyDown || e.kind == Kind::KeyUp;
            const bool down = e.kind == Kind::KeyDown || e.kind == Kind::ButtonDown;
            QString line = QString(down ? "down " : "up ") +
                           (key ? (e.text.isEmpty() ? QString::number(e.keysym, 16) : e.text)
                                : QString("%1 @%2,%3").arg(e.detail).arg(e.x).arg(e.y));
            for (auto [mask, name] : {std::pair{ShiftMask, "shift"},
                                      {ControlMask, "control"},
                                      {Button1Mask, "button1"}}) {
                line += (e.state & mask) ? QString("+") + name : QString();
            }
            lines << line;
        }
        return lines;
    }

    OVServicesGuard services;
    // The Xvfb screen (1280×800 device pixels) as one display of ratio 2.
    FixedDisplays displays{{{7, "Xvfb", QRectF(0, 0, 640, 400), QSize(1280, 800), true}}};
    std::unique_ptr<X11TestClient> client;
    std::unique_ptr<OVXTestEventPoster> poster;
};

}  // namespace

TEST_F(X11Test, PointerButtonsWheelAndPinch) {
    poster->postMouseEvent(1, 0, QPointF(100, 50), 0, 1);
    poster->postMouseEvent(6, 0, QPointF(110.5, 60.25), 0, 1);
    poster->postMouseEvent(2, 0, QPointF(110.5, 60.25), 0, 1);
    poster->postMouseEvent(3, 1, QPointF(300, 200), 0, 0);
    poster->postMouseEvent(4, 1, QPointF(300, 200), 0, 0);
    poster->postMouseEvent(25, 2, QPointF(301, 200), 0, 0);
    poster->postMouseEvent(26, 2, QPointF(301, 200), 0, 0);
    EXPECT_EQ(delivered(),
              (QStringList{"down 1 @200,100", "up 1 @221,120+button1", "down 3 @600,400",
                           "up 3 @600,400", "down 2 @602,400", "up 2 @602,400"}));
    // Half a detent posts nothing; then up, down, right, left; then a pinch: Control held
    // around the wheel turned up at its centre.
    poster->warpCursor(QPointF(50, 50));
    poster->postScrollWheel(30, 0, 0);
    EXPECT_TRUE(delivered().isEmpty());
    poster->postScrollWheel(30, 0, 0);
    poster->postScrollWheel(-60, 0, 0);
    poster->postScrollWheel(0, -60, 0);
    poster->postScrollWheel(0, 60, 0);
    poster->postMagnify(0.0, 1, QPointF(200, 100));
    poster->postMagnify(0.1, 2, QPointF(200, 100));
    poster->postMagnify(0.0, 8, QPointF(200, 100));
    EXPECT_EQ(delivered(),
              (QStringList{"down 4 @100,100", "up 4 @100,100", "down 5 @100,100", "up 5 @100,100",
                           "down 7 @100,100", "up 7 @100,100", "down 6 @100,100", "up 6 @100,100",
                           "down ffe3", "down 4 @400,200+control", "up 4 @400,200+control",
                           "up ffe3+control"}));
}

TEST_F(X11Test, KeysTextAndSystemTools) {
    poster->postKey(0, true, 0x20000);  // Shift-A
    poster->postKey(0, false, 0x20000);
    poster->postKey(36, true, 0);  // Return
    poster->postKey(36, false, 0);
    poster->openSystemApplication(QStringLiteral("missionControl"));
    poster->openSystemApplication(QStringLiteral("screenshot"));
    poster->postText(QStringLiteral("Hi!"), 0);
    EXPECT_EQ(delivered(),
              (QStringList{"down ffe1",  "down A+shift",  "up A+shift", "up ffe1+shift",
                           "down \r",    "up \r",         "down ffeb",  "up ffeb",
                           "down ff61",  "up ff61",       "down ffe1",  "down H+shift",
                           "up H+shift", "up ffe1+shift", "down i",     "up i",
                           "down ffe1",  "down !+shift",  "up !+shift", "up ffe1+shift"}));

    // é and € have no key on the server's layout: spare key codes get them for a moment, and
    // are given back once clients had the time to read the map.
    poster->postText(QStringLiteral("é€"), 0);
    std::vector<unsigned> keycodes;
    for (const X11TestClient::Event& event : client->takeEvents()) {
        if (event.kind == Kind::KeyDown) {
            keycodes.push_back(event.detail);
        }
    }
    ASSERT_EQ(keycodes.size(), 2u);
    EXPECT_EQ(client->keysymOf(keycodes[0]), 0xE9ul);
    EXPECT_EQ(client->keysymOf(keycodes[1]), unsigned(XK_EuroSign));
    services.virtualScheduler()->advance(OVX11TextTyper::kRestoreDelaySeconds);
    EXPECT_EQ(client->keysymOf(keycodes[0]), unsigned(NoSymbol));
    EXPECT_EQ(client->keysymOf(keycodes[1]), unsigned(NoSymbol));
}

TEST_F(X11Test, TheActiveWindowWatchFollowsTheWindowManager) {
    std::vector<OVApplicationInfo> activated;
    auto watch = OVX11ActiveWindowWatch::create(
        [&](const OVApplicationInfo& application) { activated.push_back(application); },
        QStringLiteral("orvetta"));
    ASSERT_TRUE(watch);
    const unsigned long browser = client->makeClassWindow("Navigator", "firefox", 4242);
    const unsigned long otherBrowser = client->makeClassWindow("Navigator", "firefox", 4242);
    const unsigned long terminal = client->makeClassWindow("xterm", "XTerm", 4343);
    const unsigned long ours = client->makeClassWindow("orvetta", "Orvetta", long(getpid()));
    // Another window of the same application, and the bare desktop: no activation.
    const std::vector<std::vector<unsigned long>> bursts{
        {browser}, {otherBrowser, 0, terminal}, {ours}};
    for (const auto& burst : bursts) {
        const std::size_t before = activated.size();
        for (unsigned long window : burst) {
            client->setActiveWindow(window);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return activated.size() > before; }, 5000));
    }
    ASSERT_EQ(activated.size(), 3u);
    EXPECT_EQ(activated[0].bundleIdentifier, QStringLiteral("firefox"));
    EXPECT_EQ(activated[1].localizedName, QStringLiteral("XTerm"));
    // Its own window: the program's name, its class as it is shown.
    EXPECT_EQ(activated[2].bundleIdentifier, QStringLiteral("orvetta"));
    EXPECT_EQ(activated[2].localizedName, QStringLiteral("Orvetta"));
}
