#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "keyboard/recording_event_poster.h"
#include "keyboard/ui/keyboard_button.h"
#include "keyboard/ui/keyboard_icons.h"
#include "keyboard/ui/touch_keyboard_controller.h"
#include "keyboard/ui/window_placement.h"
#include "platform/assembled_platform.h"
#include "settings/profiles.h"

namespace {

// The cell of a key at `column` (in key units) of `row`: 49-point units and 40-point rows, 6 apart.
QRect cell(int column, int row, int span = 1, int rowSpan = 1) {
    return QRect(55 * column, 46 * row, 55 * span - 6, 46 * rowSpan - 6);
}

class TouchKeyboardPanel : public ::testing::Test {
  protected:
    TouchKeyboardPanel() {
        platform.poster = &poster;
        services.setPlatform(&platform);
        OVRegisterDefaults();
    }
    ~TouchKeyboardPanel() override {
        keyboard.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    OVKeyboardButton* button(const QString& action) {
        for (OVKeyboardButton* candidate : keyboard->keyButtons()) {
            if (candidate->objectName() == action) {
                return candidate;
            }
        }
        ADD_FAILURE() << "no button " << action.toStdString();
        return nullptr;
    }
    OVKeyboardButton* textButton(const QString& text) {
        for (OVKeyboardButton* candidate : keyboard->keyButtons()) {
            if (candidate->descriptor().value("text").toString() == text) {
                return candidate;
            }
        }
        ADD_FAILURE() << "no button typing " << text.toStdString();
        return nullptr;
    }
    void click(OVKeyboardButton* key) { QTest::mouseClick(key, Qt::LeftButton); }

    // Every button in the key view, checked against the grid, row by row.
    void expectGrid(const QList<QList<int>>& spansPerRow) {
        const QList<OVKeyboardButton*> buttons = keyboard->keyButtons();
        qsizetype index = 0;
        for (int row = 0; row < spansPerRow.size(); ++row) {
            int column = 0;
            for (int span : spansPerRow[row]) {
                ASSERT_LT(index, buttons.size());
                OVKeyboardButton* key = buttons[index++];
                const int rowSpan = key->objectName() == "return" ? 2 : 1;
                EXPECT_EQ(key->geometry(), cell(column, row, span, rowSpan))
                    << "row " << row << " column " << column << " "
                    << key->objectName().toStdString();
                EXPECT_EQ(key->parentWidget(), keyboard->keyView());
                column += span;
            }
        }
        EXPECT_EQ(index, buttons.size());
    }

    QRect available() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
    OVVirtualScheduler& clock() { return *services.virtualScheduler(); }

    OVServicesGuard services;
    OVRecordingEventPoster poster;
    OVAssembledPlatform platform;
    std::unique_ptr<OVTouchKeyboardController> keyboard =
        std::make_unique<OVTouchKeyboardController>();
};

const QList<int> kFourteenOnes(14, 1);

}  // namespace

TEST_F(TouchKeyboardPanel, AFramelessFloatingToolWindowThatNeverTakesFocus) {
    EXPECT_EQ(keyboard->panel(), nullptr);
    EXPECT_FALSE(keyboard->visible());
    keyboard->showKeyboard();
    QWidget* panel = keyboard->panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(keyboard->visible());
    const Qt::WindowFlags flags = panel->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(panel->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_NE(QApplication::activeWindow(), panel);
    for (OVKeyboardButton* key : keyboard->keyButtons()) {
        EXPECT_EQ(key->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(panel->size(), QSize(780, 286));
    EXPECT_EQ(keyboard->keyView()->geometry(), QRect(8, 8, 764, 270));
    EXPECT_EQ(OVTouchKeyboardController::panelSizeForRowCount(6), QSizeF(780, 286));
    EXPECT_EQ(OVTouchKeyboardController::panelSizeForRowCount(1), QSizeF(780, 56));
}

TEST_F(TouchKeyboardPanel, ButtonFramesOfBothLayoutsAndTheMinimizedRow) {
    keyboard->showKeyboard();
    // The return key (two rows tall) ends row 3 and fills the last unit of row 4.
    const QList<int> lettersUnderReturn{2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    const QList<int> modifiers{1, 1, 1, 1, 5, 1, 1, 1, 1, 1};
    expectGrid({kFourteenOnes, kFourteenOnes, kFourteenOnes, kFourteenOnes, lettersUnderReturn,
                modifiers});
    EXPECT_EQ(keyboard->keyButtons().size(), 78);
    EXPECT_EQ(button("return")->geometry(), QRect(715, 138, 49, 86));
    EXPECT_EQ(button("up")->geometry().x(), button("down")->geometry().x());

    click(button("symbols"));
    QList<int> signs(12, 1);
    signs.append(2);
    expectGrid({kFourteenOnes, signs, kFourteenOnes, kFourteenOnes, lettersUnderReturn, modifiers});
    EXPECT_EQ(keyboard->keyButtons().size(), 77);
    EXPECT_EQ(button("backspace")->geometry(), QRect(660, 46, 104, 40));
    EXPECT_EQ(keyboard->panel()->size(), QSize(780, 286));

    click(button("keyboardSize"));
    expectGrid({kFourteenOnes});
    EXPECT_EQ(keyboard->panel()->size(), QSize(780, 56));
    EXPECT_EQ(keyboard->keyView()->geometry(), QRect(8, 8, 764, 40));
    EXPECT_EQ(button("symbols")->text(), QStringLiteral("abc"));

    click(button("keyboardSize"));
    EXPECT_EQ(keyboard->panel()->size(), QSize(780, 286));
    EXPECT_EQ(keyboard->keyButtons().size(), 77);
}

TEST_F(TouchKeyboardPanel, ButtonsCarryTheirDescriptorsIdentifiersAndLook) {
    keyboard->showKeyboard();
    OVKeyboardButton* q = textButton("q");
    EXPECT_EQ(q->objectName(), QStringLiteral("text"));
    EXPECT_EQ(q->descriptor().value("title").toString(), QStringLiteral("Q"));
    EXPECT_EQ(OVTouchKeyboardController::descriptorForButton(q), q->descriptor());
    EXPECT_EQ(q->text(), QStringLiteral("q"));
    EXPECT_EQ(q->toolTip(), QStringLiteral("q"));
    EXPECT_FALSE(q->hasKeyImage());
    EXPECT_EQ(q->font().weight(), QFont::Medium);
    EXPECT_EQ(q->backgroundColor(), QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.74f));

    // Keys with an icon show it instead of a title and say their title as a tooltip.
    OVKeyboardButton* tab = button("tab");
    EXPECT_TRUE(tab->hasKeyImage());
    EXPECT_EQ(tab->text(), QString(""));
    EXPECT_EQ(tab->toolTip(), QStringLiteral("tab"));
    EXPECT_EQ(tab->font().weight(), QFont::Normal);
    EXPECT_LT(tab->font().pointSizeF(), q->font().pointSizeF());
    EXPECT_EQ(button("escape")->text(), QStringLiteral("esc"));
    EXPECT_FALSE(button("escape")->hasKeyImage());
    EXPECT_EQ(button("holdToggle")->text(), QStringLiteral("hold"));
    int withIcons = 0;
    for (OVKeyboardButton* key : keyboard->keyButtons()) {
        withIcons += key->hasKeyImage() ? 1 : 0;
    }
    EXPECT_EQ(withIcons, 26);  // 12 in the action row, 6 in the letter rows, 8 in the bottom row

    // A button without a descriptor, or with something else under the key, has an empty one.
    QPushButton plain;
    EXPECT_TRUE(OVTouchKeyboardController::descriptorForButton(&plain).isEmpty());
    plain.setProperty(OVKeyboardKeyDescriptorKey, QStringLiteral("not a dictionary"));
    EXPECT_TRUE(OVTouchKeyboardController::descriptorForButton(&plain).isEmpty());
    EXPECT_TRUE(OVTouchKeyboardController::descriptorForButton(nullptr).isEmpty());
}

TEST_F(TouchKeyboardPanel, ArmedModifiersLightUpAndShiftChangesTheLabels) {
    keyboard->showKeyboard();
    click(button("command"));
    OVKeyboardButton* command = button("command");
    EXPECT_TRUE(command->isActive());
    EXPECT_EQ(command->backgroundColor(), QColor::fromRgbF(0.72f, 0.14f, 0.82f, 0.92f));
    EXPECT_EQ(command->tintColor(), QColor(Qt::white));
    click(textButton("s"));
    EXPECT_EQ(poster.lines(), QStringList({"key 1 down 0x100000", "key 1 up 0x100000"}));
    EXPECT_FALSE(command->isActive());
    EXPECT_EQ(command->tintColor(), OVKeyboardButton::labelColor());

    click(button("shift"));
    EXPECT_EQ(textButton("a")->text(), QStringLiteral("A"));
    EXPECT_EQ(textButton("1")->text(), QStringLiteral("!"));
    click(button("caps"));
    EXPECT_EQ(textButton("a")->text(), QStringLiteral("a"));
    EXPECT_EQ(textButton("1")->text(), QStringLiteral("!"));
    EXPECT_TRUE(button("caps")->isActive());
    EXPECT_TRUE(button("shift")->isActive());
}

TEST_F(TouchKeyboardPanel, HoldRepeatsUntilReleaseAndAnOrdinaryPressClicksOnRelease) {
    keyboard->showKeyboard();
    OVKeyboardButton* del = button("backspace");
    // An ordinary press posts when it is released inside the key, not before.
    QTest::mousePress(del, Qt::LeftButton);
    EXPECT_TRUE(poster.calls.isEmpty());
    QTest::mouseRelease(del, Qt::LeftButton);
    EXPECT_EQ(poster.lines(), QStringList({"key 51 down 0x0", "key 51 up 0x0"}));
    // Released outside the key, it posts nothing.
    poster.calls.clear();
    QTest::mousePress(del, Qt::LeftButton);
    QTest::mouseRelease(del, Qt::LeftButton, {}, QPoint(200, 20));
    EXPECT_TRUE(poster.calls.isEmpty());

    click(button("holdToggle"));
    EXPECT_TRUE(button("holdToggle")->isActive());
    QTest::mousePress(del, Qt::LeftButton);
    EXPECT_TRUE(del->isHolding());
    EXPECT_TRUE(del->isDown());
    EXPECT_EQ(poster.calls.size(), 2);
    clock().advance(0.5);  // the first repeat after the initial delay
    EXPECT_EQ(poster.calls.size(), 4);
    QTest::mouseMove(del, QPoint(30, 30));
    clock().advance(0.25);
    EXPECT_EQ(poster.calls.size(), 8);
    QTest::mouseRelease(del, Qt::LeftButton);
    EXPECT_FALSE(del->isHolding());
    clock().advance(1.0);
    // No click follows a hold.
    EXPECT_EQ(poster.calls.size(), 8);

    // In hold mode a clipboard key is still an ordinary tap.
    poster.calls.clear();
    click(button("copy"));
    EXPECT_EQ(poster.lines(), QStringList({"key 8 down 0x100000", "key 8 up 0x100000"}));

    // Hiding the keyboard under a held key stops the repeats.
    poster.calls.clear();
    QTest::mousePress(textButton("x"), Qt::LeftButton);
    keyboard->hideKeyboard();
    clock().advance(1.0);
    EXPECT_EQ(poster.lines(), QStringList({"text x 0x0"}));
    EXPECT_EQ(clock().pendingCount(), 0);
}

TEST_F(TouchKeyboardPanel, SixSavedPositionsClampedOnASmallScreen) {
    const QRect area = available();
    // The offscreen screen is narrower than the panel and its margins.
    ASSERT_LT(area.width(), 780 + 2 * 16);
    const int pushedLeft = area.x() + area.width() - 780 - 16;
    const int top = area.y() + 16;
    const int bottom = area.y() + area.height() - 286 - 16;

    keyboard->showKeyboard();
    EXPECT_EQ(keyboard->keyboardPosition(), QStringLiteral("bottomCenter"));
    EXPECT_EQ(keyboard->panel()->pos(), QPoint(pushedLeft, bottom));

    const QList<std::pair<QString, QPoint>> cycle{
        {"bottomRight", {pushedLeft, bottom}}, {"topLeft", {pushedLeft, top}},
        {"topCenter", {pushedLeft, top}},      {"topRight", {pushedLeft, top}},
        {"bottomLeft", {pushedLeft, bottom}},  {"bottomCenter", {pushedLeft, bottom}}};
    for (const auto& [position, origin] : cycle) {
        click(button("position"));
        EXPECT_EQ(OVStandardPreferences().stringForKey("keyboardPosition"), position);
        EXPECT_EQ(keyboard->panel()->pos(), origin) << position.toStdString();
    }

    // Shorthands and unknown values.
    OVStandardPreferences().setObject("keyboardPosition", "top");
    keyboard->positionKeyboardAtSavedPosition();
    EXPECT_EQ(keyboard->panel()->pos().y(), top);
    OVStandardPreferences().setObject("keyboardPosition", "somewhere");
    EXPECT_EQ(keyboard->keyboardPosition(), QStringLiteral("bottomCenter"));
    keyboard->cycleKeyboardPosition();
    EXPECT_EQ(OVStandardPreferences().stringForKey("keyboardPosition"), "bottomRight");

    // Cycling while hidden stores the position without moving the panel.
    keyboard->hideKeyboard();
    const QPoint before = keyboard->panel()->pos();
    keyboard->cycleKeyboardPosition();
    EXPECT_EQ(OVStandardPreferences().stringForKey("keyboardPosition"), "topLeft");
    EXPECT_EQ(keyboard->panel()->pos(), before);
    keyboard->showKeyboard();
    EXPECT_EQ(keyboard->panel()->pos().y(), top);
}

TEST_F(TouchKeyboardPanel, MinimizingKeepsThePanelAnchoredToItsEdge) {
    const QRect area = available();
    OVStandardPreferences().setObject("keyboardPosition", "topRight");
    keyboard->showKeyboard();
    click(button("keyboardSize"));
    EXPECT_EQ(keyboard->panel()->geometry().top(), area.y() + 16);
    EXPECT_EQ(keyboard->panel()->height(), 56);

    OVStandardPreferences().setObject("keyboardPosition", "bottomLeft");
    click(button("keyboardSize"));
    EXPECT_EQ(keyboard->panel()->geometry().bottom() + 1, area.y() + area.height() - 16);
    click(button("keyboardSize"));
    EXPECT_EQ(keyboard->panel()->height(), 56);
    EXPECT_EQ(keyboard->panel()->geometry().bottom() + 1, area.y() + area.height() - 16);
}

TEST_F(TouchKeyboardPanel, HidingResetsTheKeysButKeepsCapsLockAndTheSymbolLayout) {
    keyboard->showKeyboard();
    click(button("symbols"));
    click(button("caps"));
    click(button("shift"));
    click(button("command"));
    click(button("option"));
    click(button("control"));
    click(button("holdToggle"));
    click(button("keyboardSize"));
    ASSERT_EQ(keyboard->keyButtons().size(), 14);

    click(button("hide"));
    EXPECT_FALSE(keyboard->visible());
    const OVTouchKeyboardState& state = keyboard->model().state();
    EXPECT_TRUE(state.capsOn);
    EXPECT_TRUE(state.symbolsOn);
    EXPECT_FALSE(state.shiftOn || state.commandOn || state.optionOn || state.controlOn);
    EXPECT_FALSE(state.holdMode);
    EXPECT_FALSE(state.keyboardMinimized);
    EXPECT_TRUE(poster.calls.isEmpty());

    // It comes back full size with the minimize icon on the size key.
    OVDefaultCenter().post(OVTouchKeyboardShowNotification);
    EXPECT_TRUE(keyboard->visible());
    EXPECT_EQ(keyboard->panel()->size(), QSize(780, 286));
    EXPECT_EQ(keyboard->keyButtons().size(), 77);
    EXPECT_EQ(button("keyboardSize")->keyImage(), *OVKeyboardIconNamed("keyboard-minimize"));
    EXPECT_TRUE(button("caps")->isActive());
    EXPECT_FALSE(button("shift")->isActive());
    EXPECT_EQ(button("symbols")->text(), QStringLiteral("abc"));

    // Hiding before the panel exists only resets the state.
    OVTouchKeyboardController fresh;
    fresh.model().state().shiftOn = true;
    fresh.hideKeyboard();
    EXPECT_EQ(fresh.panel(), nullptr);
    EXPECT_FALSE(fresh.model().state().shiftOn);
}

TEST_F(TouchKeyboardPanel, TheShowNotificationReachesOnlyALivingController) {
    OVDefaultCenter().post(OVTouchKeyboardShowNotification, this, {{"ignored", 1}});
    EXPECT_TRUE(keyboard->visible());
    keyboard.reset();
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVTouchKeyboardShowNotification));
    OVDefaultCenter().post(OVTouchKeyboardShowNotification);
}

TEST_F(TouchKeyboardPanel, AMissingIconLeavesTheKeyWithItsTitleAndIsLookedUpAgain) {
    QTemporaryDir icons;
    ASSERT_TRUE(icons.isValid());
    ASSERT_TRUE(QFile::copy(":/KeyboardIcons/tab.svg", icons.filePath("tab.svg")));
    QFile broken(icons.filePath("backspace.svg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<svg this is not");
    broken.close();

    keyboard->setIconDirectory(icons.path());
    keyboard->showKeyboard();
    EXPECT_TRUE(button("tab")->hasKeyImage());
    for (const char* action : {"return", "backspace", "keyboardSize", "shift"}) {
        EXPECT_FALSE(button(action)->hasKeyImage()) << action;
    }
    EXPECT_EQ(button("return")->text(), QStringLiteral("ret"));
    EXPECT_EQ(button("backspace")->text(), QStringLiteral("del"));
    EXPECT_EQ(button("keyboardSize")->text(), QStringLiteral("size"));
    EXPECT_EQ(button("return")->toolTip(), QString(""));  // the key's text, which is empty

    ASSERT_TRUE(QFile::copy(":/KeyboardIcons/return.svg", icons.filePath("return.svg")));
    keyboard->refreshModifierButtons();
    EXPECT_TRUE(button("return")->hasKeyImage());
    EXPECT_EQ(button("return")->text(), QString(""));
    EXPECT_EQ(button("return")->toolTip(), QStringLiteral("ret"));

    EXPECT_FALSE(OVKeyboardIconNamed("").has_value());
    EXPECT_FALSE(OVKeyboardIconNamed("no-such-icon").has_value());
    const std::optional<QImage> shift = OVKeyboardIconNamed("shift");
    ASSERT_TRUE(shift.has_value());
    EXPECT_EQ(shift->deviceIndependentSize(), QSizeF(18, 18));
}

TEST_F(TouchKeyboardPanel, WindowsGoToThePreferredScreen) {
    EXPECT_EQ(OVPreferredWindowScreen(), QGuiApplication::primaryScreen());
    QWidget window;
    window.resize(400, 301);
    OVCenterWindowOnPreferredScreen(&window);
    const QRect area = available();
    EXPECT_EQ(window.pos(),
              QPoint(area.x() + area.width() / 2 - 200, area.y() + (area.height() - 301 + 1) / 2));
    OVCenterWindowOnPreferredScreen(nullptr);
}
