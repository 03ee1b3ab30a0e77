#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "keyboard/ui/keyboard_button.h"
#include "keyboard/ui/keyboard_icons.h"
#include "keyboard/ui/touch_keyboard_controller.h"
#include "platform/assembled_platform.h"
#include "settings/profiles.h"
#include "support/keyboard_helpers.h"

namespace {

class TouchKeyboardPanel : public ::testing::Test {
  protected:
    TouchKeyboardPanel() {
        platform.poster = &poster;
        services.setPlatform(&platform);
        OVRegisterDefaults();
        keyboard->showKeyboard();
    }
    ~TouchKeyboardPanel() override {
        keyboard.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The button of the first key with `action` (typing `text`, for text keys).
    OVKeyboardButton* button(const QString& action, const QString& text = QString()) {
        for (OVKeyboardButton* candidate : keyboard->keyButtons()) {
            if (candidate->objectName() == action &&
                (text.isNull() || candidate->descriptor().value("text").toString() == text)) {
                return candidate;
            }
        }
        ADD_FAILURE() << "no button " << action.toStdString() << " " << text.toStdString();
        return nullptr;
    }
    void click(const QString& action, const QString& text = QString()) {
        QTest::mouseClick(button(action, text), Qt::LeftButton);
    }
    QRect area() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
    QWidget& panel() { return *keyboard->panel(); }

    OVServicesGuard services;
    OVRecordingEventPoster poster;
    OVAssembledPlatform platform;
    std::unique_ptr<OVTouchKeyboardController> keyboard =
        std::make_unique<OVTouchKeyboardController>();
};

}  // namespace

// The X11 test checks that the panel never takes the focus; here, what it is made of.
TEST_F(TouchKeyboardPanel, AToolWindowOfTheLayoutsKeysThatTakesNoFocus) {
    EXPECT_EQ(panel().windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(button("backspace")->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(panel().size(), QSize(780, 286));
    EXPECT_EQ(button("return")->geometry(), QRect(715, 138, 49, 86));
}

TEST_F(TouchKeyboardPanel, ClicksTypeAndArmedModifiersLightUpAndRelabel) {
    click("command");
    EXPECT_TRUE(button("command")->isActive());
    click("text", "s");
    EXPECT_EQ(poster.take(), QStringList({"key 1 down 0x100000", "key 1 up 0x100000"}));
    EXPECT_FALSE(button("command")->isActive());

    click("shift");
    EXPECT_EQ(button("text", "1")->text(), QStringLiteral("!"));
}

TEST_F(TouchKeyboardPanel, AnOrdinaryPressPostsOnReleaseInsideAndAHoldRepeatsUntilRelease) {
    OVKeyboardButton* del = button("backspace");
    QTest::mousePress(del, Qt::LeftButton);
    EXPECT_TRUE(poster.calls.isEmpty());
    QTest::mouseRelease(del, Qt::LeftButton);
    EXPECT_EQ(poster.take().size(), 2);
    QTest::mousePress(del, Qt::LeftButton);
    QTest::mouseRelease(del, Qt::LeftButton, {}, QPoint(200, 20));  // released outside
    EXPECT_TRUE(poster.calls.isEmpty());

    OVVirtualScheduler& clock = *services.virtualScheduler();
    click("holdToggle");
    QTest::mousePress(del, Qt::LeftButton);
    clock.advance(0.5);  // the first repeat after the initial delay
    QTest::mouseRelease(del, Qt::LeftButton);
    clock.advance(1.0);
    EXPECT_EQ(poster.take().size(), 4);  // and no click after the hold

    // Hiding the keyboard under a held key stops the repeats.
    QTest::mousePress(button("text", "x"), Qt::LeftButton);
    keyboard->hideKeyboard();
    clock.advance(1.0);
    EXPECT_EQ(poster.take(), QStringList({"text x 0x0"}));
    EXPECT_EQ(clock.pendingCount(), 0);
}

// The offscreen screen is narrower than the panel and its margins: the panel is clamped.
TEST_F(TouchKeyboardPanel, SavedPositionsAreClampedToTheScreenAndMinimizingKeepsTheEdge) {
    const int left = area().right() + 1 - 780 - 16;
    const int bottom = area().bottom() + 1 - 16;
    EXPECT_EQ(panel().pos(), QPoint(left, bottom - 286));
    click("position");
    click("position");
    EXPECT_EQ(OVStandardPreferences().stringForKey("keyboardPosition"), "topLeft");
    click("keyboardSize");
    EXPECT_EQ(panel().geometry(), QRect(left, area().y() + 16, 780, 56));
    OVStandardPreferences().setObject("keyboardPosition", "somewhere");
    click("keyboardSize");
    click("keyboardSize");
    EXPECT_EQ(panel().geometry(), QRect(left, bottom - 56, 780, 56));
}

TEST_F(TouchKeyboardPanel, HidingResetsTheKeysButKeepsCapsLockAndTheSymbolLayout) {
    for (const char* action : {"symbols", "caps", "shift", "command", "option", "control",
                               "holdToggle", "keyboardSize", "hide"}) {
        click(action);
    }
    EXPECT_FALSE(keyboard->visible());
    const OVTouchKeyboardState& state = keyboard->model().state();
    EXPECT_TRUE(state.capsOn && state.symbolsOn);
    EXPECT_FALSE(state.shiftOn || state.commandOn || state.optionOn || state.controlOn ||
                 state.holdMode || state.keyboardMinimized);
    EXPECT_TRUE(poster.calls.isEmpty());

    OVDefaultCenter().post(OVTouchKeyboardShowNotification);
    EXPECT_TRUE(keyboard->visible());
    EXPECT_EQ(panel().size(), QSize(780, 286));
    EXPECT_EQ(button("keyboardSize")->keyImage(), *OVKeyboardIconNamed("keyboard-minimize"));
    EXPECT_TRUE(button("caps")->isActive());
    EXPECT_EQ(button("symbols")->text(), QStringLiteral("abc"));

    keyboard.reset();  // the show notification reaches only a living controller
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVTouchKeyboardShowNotification));
}
