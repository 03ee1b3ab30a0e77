#include <gtest/gtest.h>

#include <QActionGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/app_test_helpers.h"
#include "app/help_page.h"
#include "app/ui/about_window.h"
#include "app/ui/alert_dialog.h"
#include "app/ui/app_shell.h"
#include "app/ui/help_window.h"
#include "app/ui/status_item.h"
#include "app/ui/status_menu_window.h"
#include "compat/ui/intro_compatibility_window_controller.h"
#include "keyboard/ui/touch_keyboard_controller.h"

namespace {

QPushButton* buttonTitled(QWidget* window, const QString& title) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

// The application with widgets on a desktop without a tray, launched for a returning user.
class Shell : public ::testing::Test {
  protected:
    Shell() {
        OVQtAppShell::Options options;
        options.trayAvailable = false;
        options.alerts = &alerts;
        options.terminate = [this] { ++terminations; };
        shell = std::make_unique<OVQtAppShell>(std::move(options));
        app.delegate = std::make_unique<OVAppDelegate>(app.session, *shell);
        app.delegate->setRunningVersion("2.4.0");
        shell->setDelegate(app.delegate.get());
        app.setUpReturningUser();
        app.launch();
    }
    ~Shell() override {
        app.delegate.reset();
        shell.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    OVStatusItem* item() { return shell->statusItem(); }

    AppFixture app;
    ScriptedAlerts alerts;
    int terminations = 0;
    std::unique_ptr<OVQtAppShell> shell;
};

TEST_F(Shell, WithoutATrayAWindowShowsTheMenuUntilATrayTakesIt) {
    auto* window = static_cast<OVStatusMenuWindow*>(item()->menuWindow());
    ASSERT_TRUE(window && window->isVisible());
    app.advance(0.0);
    QTest::mouseClick(buttonTitled(window, "Stop Touch"), Qt::LeftButton);
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(window->statusLabel()->text(), "Status: Stopped");
    // Closing the window does not end the program; a later start shows it again.
    window->close();
    app.delegate->activationRequested();
    EXPECT_TRUE(window->isVisible());

    QPointer<QWidget> watched = window;
    item()->takeTray();
    EXPECT_FALSE(watched);
    item()->toggleAction()->trigger();
    EXPECT_TRUE(app.session.running());
    EXPECT_EQ(terminations, 0);
    item()->quitAction()->trigger();
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(app.session.running());
}

TEST_F(Shell, TheMenuItemsFollowTheProfilesTheKeyboardAndTheSessionAsTheMenuOpens) {
    app.advance(0.0);
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Mail"));
    QMenu* profiles = item()->profileMenu();
    profiles->actions()[0]->trigger();  // Default
    EXPECT_EQ(item()->profileAction()->text(), "Profile: Default");
    profiles->actions()[0]->trigger();  // chosen again: keeps its check mark
    EXPECT_TRUE(profiles->actions()[0]->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(profiles->findChildren<QActionGroup*>().size(), 1) << "one group for every refresh";

    OVDefaultCenter().post(OVTouchKeyboardShowNotification, &app.session);  // a touch action
    EXPECT_EQ(item()->keyboardAction()->text(), "Close Keyboard");
    shell->keyboardController()->model().keyPressed(OVKeyDescriptor(), "hide");  // its own key
    EXPECT_EQ(item()->keyboardAction()->text(), "Show Keyboard");

    app.session.loseDevice();  // nobody told the menu
    emit item()->menu()->aboutToShow();
    EXPECT_EQ(item()->statusAction()->text(), "Status: Device not found");
}

TEST_F(Shell, WindowsAreMadeOnFirstUseAndKeptAndTheCheckIsOneWindow) {
    item()->helpAction()->trigger();
    QTest::mouseClick(shell->helpWindowController()->documentView()->findChild<QPushButton*>(),
                      Qt::LeftButton);
    EXPECT_EQ(app.workspace.openedURLs(), QList<QUrl>({OVHelpPageURL()}));

    item()->aboutAction()->trigger();
    QPushButton* check =
        buttonTitled(shell->aboutWindowController()->window(), "Compatibility Check");
    ASSERT_TRUE(check);
    QTest::mouseClick(check, Qt::LeftButton);
    OVIntroCompatibilityWindowController* first = shell->introCompatibilityWindowController();
    ASSERT_TRUE(first);
    first->window()->hide();
    QTest::mouseClick(check, Qt::LeftButton);
    app.delegate->showCompatibilityCheckWindow();
    EXPECT_EQ(shell->introCompatibilityWindowController(), first);
    EXPECT_TRUE(first->window()->isVisible());
}

TEST(AlertDialog, ButtonsFromTheRightPlainTextsAndTheTextFieldComesBack) {
    OVModalAlert alert;
    alert.messageText = "<b>x</b>";
    alert.buttonTitles = {"Save &Quit", "Cancel"};
    alert.hasTextField = true;
    OVAlertDialog dialog(alert);
    EXPECT_TRUE(dialog.buttons()[0]->shortcut().isEmpty()) << "\"&\" is no shortcut mark";
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        EXPECT_TRUE(label->text().isEmpty() || label->textFormat() == Qt::PlainText);
    }
    QTimer::singleShot(0, &dialog, [&] {
        QTest::keyClicks(dialog.textField(), "Mail");
        QTest::mouseClick(dialog.buttons()[1], Qt::LeftButton);
    });
    EXPECT_EQ(dialog.run(), 1);
    EXPECT_EQ(dialog.textFieldValue(), "Mail");
    EXPECT_GT(dialog.buttons()[0]->x(), dialog.buttons()[1]->x());
    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    EXPECT_EQ(dialog.run(), -1) << "closed without a button";
}

}  // namespace
