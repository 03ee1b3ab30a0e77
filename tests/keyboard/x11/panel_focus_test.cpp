#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>

#include "base/services.h"
#include "keyboard/ui/keyboard_button.h"
#include "keyboard/ui/touch_keyboard_controller.h"
#include "platform/assembled_platform.h"
#include "platform/linux/fixed_displays_helpers.h"
#include "platform/linux/x11_client_helpers.h"
#include "platform/linux/xtest_event_poster.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>

namespace {

unsigned long focusWindow(Display* display) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus;
}

}  // namespace

// Two windows: an application's, which has the focus, and the keyboard panel above it. Touches
// on the panel's keys type into the application, and the focus never moves to the panel.
TEST(KeyboardPanelOnX11, TapsTypeIntoTheFocusedWindowWhichKeepsIt) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run-tests runs it so";
    X11TestClient application;
    const unsigned long focused = focusWindow(application.display());
    ASSERT_EQ(focused, application.window());

    OVServicesGuard services;
    // The Xvfb screen run-tests makes.
    FixedDisplays displays{
        {OVDisplayInfo{1, "Xvfb", QRectF(0, 0, 1280, 800), QSize(1280, 800), true}}};
    QString why;
    const std::unique_ptr<OVXTestEventPoster> poster =
        OVXTestEventPoster::create(displays, {}, &why);
    ASSERT_TRUE(poster) << why.toStdString();
    OVAssembledPlatform platform;
    platform.poster = poster.get();
    platform.shortcutModifierFlag = 0x40000;
    services.setPlatform(&platform);

    OVTouchKeyboardController keyboard;
    keyboard.showKeyboard();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(keyboard.panel()));
    auto tap = [&](const QString& action, const QString& text) {
        for (OVKeyboardButton* button : keyboard.keyButtons()) {
            const OVKeyDescriptor key = OVTouchKeyboardController::descriptorForButton(button);
            if (OVKeyAction(key) == action && OVKeyText(key) == text) {
                const QPointF at = button->mapToGlobal(button->rect().center());
                poster->postMouseEvent(1, 0, at, 0, 1);
                poster->postMouseEvent(2, 0, at, 0, 1);
                return;
            }
        }
        ADD_FAILURE() << "no key " << action.toStdString() << " " << text.toStdString();
    };

    for (const auto& [action, text] :
         {std::pair{"shift", ""}, {"text", "h"}, {"text", "i"}, {"copy", ""}}) {
        tap(action, text);
    }
    QString typed;
    int controlPresses = 0;
    const bool delivered = QTest::qWaitFor(
        [&] {
            poster->synchronize();
            for (const X11TestClient::Event& event : application.takeEvents()) {
                if (event.kind == X11TestClient::Event::Kind::KeyDown) {
                    typed += event.text;
                    controlPresses += (event.state & ControlMask) ? 1 : 0;
                }
            }
            return controlPresses > 0;
        },
        5000);
    ASSERT_TRUE(delivered) << "typed so far: " << typed.toStdString();
    EXPECT_TRUE(typed.startsWith(QStringLiteral("Hi"))) << typed.toStdString();
    EXPECT_EQ(focusWindow(application.display()), focused);
    EXPECT_FALSE(keyboard.panel()->isActiveWindow());
}
