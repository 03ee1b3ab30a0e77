#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/app_test_helpers.h"
#include "app/ui/about_window.h"
#include "app/ui/alert_dialog.h"
#include "app/ui/app_shell.h"
#include "app/ui/help_window.h"
#include "app/ui/status_icon.h"
#include "app/ui/status_item.h"
#include "app/ui/status_menu_window.h"
#include "app_ui/app_ui_test_helpers.h"
#include "compat/ui/compatibility_window_controller.h"
#include "compat/ui/debug_window_controller.h"
#include "compat/ui/intro_compatibility_window_controller.h"
#include "keyboard/ui/touch_keyboard_controller.h"

namespace {

QPushButton* buttonTitled(OVStatusMenuWindow* window, const QString& title) {
    for (QPushButton* button : window->buttons()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

// The application with widgets, on a desktop without a tray, and scripted alerts.
class Shell : public ::testing::Test {
  protected:
    Shell() {
        OVQtAppShell::Options options;
        options.trayAvailable = false;
        options.alerts = &alerts;
        options.terminate = [this] { ++terminations; };
        shell = std::make_unique<OVQtAppShell>(std::move(options));
        delegate = std::make_unique<OVAppDelegate>(app.session, *shell);
        shell->setDelegate(delegate.get());
        app.setUpReturningUser();
        delegate->setRunningVersion("2.4.0");
    }
    ~Shell() override {
        delegate.reset();
        shell.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    OVStatusMenuWindow* menuWindow() {
        return static_cast<OVStatusMenuWindow*>(shell->statusItem()->menuWindow());
    }

    AppFixture app;
    ScriptedAlerts alerts;
    int terminations = 0;
    std::unique_ptr<OVQtAppShell> shell;
    std::unique_ptr<OVAppDelegate> delegate;
};

TEST_F(Shell, WithoutATrayAWindowShowsTheStatusMenu) {
    delegate->applicationDidFinishLaunching();
    OVStatusItem* item = shell->statusItem();
    ASSERT_TRUE(item);
    EXPECT_FALSE(item->usesTray());
    OVStatusMenuWindow* window = menuWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Orvetta");
    EXPECT_EQ(window->statusLabel()->text(), "Starting...");

    app.advance(0.0);
    EXPECT_EQ(window->statusLabel()->text(), "Status: Touch active");
    QStringList titles;
    for (const QPushButton* button : window->buttons()) {
        titles.append(button->text());
    }
    EXPECT_EQ(titles, QStringList({"Stop Touch", "Show Keyboard", "Profile: Default", "Settings...",
                                   "Orvetta Help", "About Orvetta", "Advanced", "Quit Orvetta"}));

    QTest::mouseClick(buttonTitled(window, "Stop Touch"), Qt::LeftButton);
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(window->statusLabel()->text(), "Status: Stopped");
    EXPECT_TRUE(buttonTitled(window, "Start Touch"));
}

TEST_F(Shell, TheMenuHoldsEveryItemWithItsShortcutAndTheAdvancedSubmenu) {
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    OVStatusItem* item = shell->statusItem();
    QStringList titles;
    for (const QAction* action : item->menu()->actions()) {
        titles.append(action->isSeparator() ? "---" : action->text());
    }
    EXPECT_EQ(titles, QStringList({"Status: Touch active", "---", "Stop Touch", "Show Keyboard",
                                   "Profile: Default", "Settings...", "Orvetta Help",
                                   "About Orvetta", "Advanced", "---", "Quit Orvetta"}));
    EXPECT_FALSE(item->statusAction()->isEnabled());
    EXPECT_EQ(item->keyboardAction()->shortcut(), QKeySequence("Ctrl+K"));
    EXPECT_EQ(item->settingsAction()->shortcut(), QKeySequence("Ctrl+,"));
    EXPECT_EQ(item->helpAction()->shortcut(), QKeySequence("Ctrl+?"));
    EXPECT_EQ(item->quitAction()->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_TRUE(item->toggleAction()->shortcut().isEmpty());
    // The debug reports window opens with --debug-reports only.
    EXPECT_EQ(item->advancedMenu()->actions().size(), 1);
    EXPECT_EQ(item->compatibilityTestAction()->text(), "Compatibility Test...");

    QStringList profileTitles;
    for (const QAction* action : item->profileMenu()->actions()) {
        profileTitles.append(action->isSeparator() ? "---" : action->text());
    }
    EXPECT_EQ(profileTitles, QStringList({"Default", "---", "Automatic Switching: On"}));
    EXPECT_TRUE(item->profileMenu()->actions()[0]->isChecked());
    EXPECT_TRUE(item->profileMenu()->actions()[2]->isChecked());
}

TEST_F(Shell, ProfileItemsInTheMenuSwitchProfilesAndTheMenuFollows) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Mail"));
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    OVStatusItem* item = shell->statusItem();
    EXPECT_EQ(item->profileAction()->text(), "Profile: Mail");

    item->profileMenu()->actions()[0]->trigger();  // Default
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(item->profileAction()->text(), "Profile: Default");
    ASSERT_EQ(item->profileMenu()->actions().size(), 4);
    EXPECT_TRUE(item->profileMenu()->actions()[0]->isChecked());
    EXPECT_FALSE(item->profileMenu()->actions()[1]->isChecked());

    // Choosing the active profile again keeps its check mark.
    item->profileMenu()->actions()[0]->trigger();
    EXPECT_TRUE(item->profileMenu()->actions()[0]->isChecked());
    // However often the menu is refreshed, its items share one group.
    for (int refresh = 0; refresh < 5; ++refresh) {
        ASSERT_TRUE(OVSaveCurrentSettingsAsProfile(QStringLiteral("P%1").arg(refresh)));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(item->profileMenu()->findChildren<QActionGroup*>().size(), 1);
    EXPECT_EQ(item->profileMenu()->actions().size(), 9);

    item->profileMenu()->actions().last()->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(OVAutomaticProfileSwitchingEnabled());
    EXPECT_EQ(item->profileMenu()->actions().last()->text(), "Automatic Switching: Off");
    EXPECT_FALSE(item->profileMenu()->actions().last()->isChecked());
}

TEST_F(Shell, BlockedCommandsAreDisabledInTheWindowToo) {
    app.preferences().setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    OVStatusMenuWindow* window = menuWindow();
    EXPECT_EQ(window->statusLabel()->text(), "Status: Compatibility check required");
    EXPECT_FALSE(buttonTitled(window, "Stop Touch")->isEnabled());
    EXPECT_FALSE(buttonTitled(window, "Show Keyboard")->isEnabled());
    EXPECT_FALSE(buttonTitled(window, "Profile: Default")->isEnabled());
    EXPECT_FALSE(buttonTitled(window, "Settings...")->isEnabled());
    EXPECT_TRUE(buttonTitled(window, "Orvetta Help")->isEnabled());
    EXPECT_TRUE(buttonTitled(window, "Quit Orvetta")->isEnabled());
}

TEST_F(Shell, ALaterStartShowsTheClosedWindowAgain) {
    delegate->applicationDidFinishLaunching();
    OVStatusMenuWindow* window = menuWindow();
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(terminations, 0) << "closing the window does not end the program";
    delegate->activationRequested();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Shell, TheKeyboardItemFollowsTheKeyboardWhoeverShowsOrHidesIt) {
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    ASSERT_TRUE(shell->keyboardController());
    QAction* keyboard = shell->statusItem()->keyboardAction();
    shell->statusItem()->keyboardAction()->trigger();
    EXPECT_TRUE(shell->keyboardController()->visible());
    EXPECT_EQ(keyboard->text(), "Close Keyboard");
    shell->statusItem()->keyboardAction()->trigger();
    EXPECT_FALSE(shell->keyboardController()->visible());

    // An input whose keyboard action shows the keyboard touches the screen.
    OVDefaultCenter().post(OVTouchKeyboardShowNotification, &app.session);
    EXPECT_TRUE(shell->keyboardController()->visible());
    EXPECT_EQ(keyboard->text(), "Close Keyboard");
    EXPECT_EQ(buttonTitled(menuWindow(), "Close Keyboard"), menuWindow()->buttons()[1]);
    // Its own close key.
    shell->keyboardController()->model().keyPressed(OVKeyDescriptor(), "hide");
    EXPECT_EQ(keyboard->text(), "Show Keyboard");
    keyboard->trigger();
    EXPECT_TRUE(shell->keyboardController()->visible()) << "the item does what it says";
}

TEST_F(Shell, TheMenuIsBroughtUpToDateAsItOpens) {
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    app.session.loseDevice();  // nobody told the menu
    EXPECT_EQ(shell->statusItem()->statusAction()->text(), "Status: Touch active");
    emit shell->statusItem()->menu()->aboutToShow();
    EXPECT_EQ(shell->statusItem()->statusAction()->text(), "Status: Device not found");
}

TEST_F(Shell, ATrayThatAppearsLaterTakesTheMenuAndTheWindowCloses) {
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    QPointer<QWidget> window = menuWindow();
    ASSERT_TRUE(window && window->isVisible());
    shell->statusItem()->takeTray();
    EXPECT_TRUE(shell->statusItem()->usesTray());
    EXPECT_FALSE(window);
    EXPECT_EQ(shell->statusItem()->trayIcon()->contextMenu(), shell->statusItem()->menu());
    shell->statusItem()->toggleAction()->trigger();
    EXPECT_FALSE(app.session.running()) << "the menu still works";
    delegate->activationRequested();  // nothing to reveal
}

TEST_F(Shell, WindowsAreMadeOnFirstUseAndKept) {
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    shell->statusItem()->settingsAction()->trigger();
    OVSettingsWindowController* settings = shell->settingsWindowController();
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->window()->isVisible());
    settings->window()->close();
    shell->statusItem()->settingsAction()->trigger();
    EXPECT_EQ(shell->settingsWindowController(), settings);
    EXPECT_TRUE(settings->window()->isVisible());

    shell->statusItem()->aboutAction()->trigger();
    shell->statusItem()->helpAction()->trigger();
    ASSERT_TRUE(shell->aboutWindowController());
    ASSERT_TRUE(shell->helpWindowController());
    EXPECT_TRUE(shell->aboutWindowController()->window()->isVisible());
    EXPECT_TRUE(shell->helpWindowController()->window()->isVisible());
}

TEST_F(Shell, TheCompatibilityWindowsOpenFromTheAdvancedMenuAndTheAboutWindow) {
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    OVStatusItem* item = shell->statusItem();
    delegate->showDebugReports();
    ASSERT_TRUE(shell->debugWindowController());
    EXPECT_TRUE(shell->debugWindowController()->window()->isVisible());
    item->compatibilityTestAction()->trigger();
    ASSERT_TRUE(shell->compatibilityWindowController());
    EXPECT_TRUE(shell->compatibilityWindowController()->window()->isVisible());

    // The About window's check is the one check window, however often it is asked for.
    item->aboutAction()->trigger();
    QPushButton* check = nullptr;
    for (QPushButton* button :
         shell->aboutWindowController()->window()->findChildren<QPushButton*>()) {
        if (button->text() == "Compatibility Check") {
            check = button;
        }
    }
    ASSERT_TRUE(check);
    QTest::mouseClick(check, Qt::LeftButton);
    OVIntroCompatibilityWindowController* first = shell->introCompatibilityWindowController();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->window()->isVisible());
    first->window()->hide();
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(shell->introCompatibilityWindowController(), first);
    EXPECT_TRUE(first->window()->isVisible());
    delegate->showCompatibilityCheckWindow();
    EXPECT_EQ(shell->introCompatibilityWindowController(), first);
}

TEST_F(Shell, QuitFromTheMenuEndsTheApplication) {
    delegate->applicationDidFinishLaunching();
    app.advance(0.0);
    shell->statusItem()->quitAction()->trigger();
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(app.session.running());
}

TEST(StatusIcon, TheArtworkLoadsAndTheDrawnFallbackStandsInWhenItIsMissing) {
    const QImage artwork = OVStatusIconArtwork(36);
    ASSERT_FALSE(artwork.isNull());
    EXPECT_EQ(artwork.size(), QSize(36, 36));
    EXPECT_GT(qAlpha(artwork.pixel(18, 18)), 200);

    EXPECT_TRUE(OVStatusIconArtwork(36, ":/no-such-icon.svg").isNull());
    const QImage fallback = OVStatusIconImage(18, ":/no-such-icon.svg");
    EXPECT_EQ(fallback, OVDrawnStatusIconImage(18));
    // The violet disc around a white centre, clear in the corners.
    EXPECT_EQ(qAlpha(fallback.pixel(0, 0)), 0);
    const QColor centre = QColor::fromRgba(fallback.pixel(9, 9));
    EXPECT_GT(centre.lightness(), 240);
    const QColor disc = QColor::fromRgba(fallback.pixel(9, 3));
    EXPECT_GT(disc.blue(), disc.green() + 80);
    EXPECT_FALSE(OVStatusIcon().isNull());
}

TEST(AlertDialog, ButtonsFromTheRightTheFirstTheDefaultAndHelpKeepsItOpen) {
    OVModalAlert alert;
    alert.messageText = "Orvetta needs permissions";
    alert.informativeText = "Some text.";
    alert.buttonTitles = {"OK, I understand", "Later"};
    int helpPresses = 0;
    alert.accessoryButtonTitle = "Help";
    alert.accessoryButtonAction = [&] { ++helpPresses; };
    OVAlertDialog dialog(alert);
    ASSERT_EQ(dialog.buttons().size(), 2);
    EXPECT_TRUE(dialog.buttons()[0]->isDefault());
    EXPECT_EQ(dialog.accessoryButton()->size(), QSize(96, 30));

    QTimer::singleShot(0, &dialog, [&] {
        QTest::mouseClick(dialog.accessoryButton(), Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        dialog.show();
        QTest::mouseClick(dialog.buttons()[0], Qt::LeftButton);
    });
    EXPECT_EQ(dialog.run(), 0);
    EXPECT_EQ(helpPresses, 1);
    EXPECT_GT(dialog.buttons()[0]->geometry().x(), dialog.buttons()[1]->geometry().x());
}

TEST(AlertDialog, TheTextFieldComesBackAndClosingChoosesNoButton) {
    OVModalAlert alert;
    alert.messageText = "Save Profile";
    alert.buttonTitles = {"Save", "Cancel"};
    alert.hasTextField = true;
    OVAlertDialog dialog(alert);
    ASSERT_TRUE(dialog.textField());
    EXPECT_EQ(dialog.textField()->size(), QSize(260, 24));
    QTimer::singleShot(0, &dialog, [&] {
        QTest::keyClicks(dialog.textField(), "Mail");
        QTest::mouseClick(dialog.buttons()[1], Qt::LeftButton);
    });
    EXPECT_EQ(dialog.run(), 1);
    EXPECT_EQ(dialog.textFieldValue(), "Mail");

    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    EXPECT_EQ(dialog.run(), -1);
}

TEST(AlertDialog, TextsFromAPolicyShowAsWrittenNeverAsMarkup) {
    // As markup this title would be one bold "x" and a picture; as written it wraps over lines.
    OVModalAlert alert;
    alert.messageText =
        "<b>x</b><img src=\"https://tracker.test/p.png\">" + QString(" <i></i>").repeated(60);
    alert.informativeText = alert.messageText;
    alert.buttonTitles = {"Save &Quit"};
    OVAlertDialog dialog(alert);
    const QList<QLabel*> texts = dialog.findChildren<QLabel*>();
    const int lineSpacing = QFontMetrics(QApplication::font()).lineSpacing();
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [&](const QLabel* label) {
                                return label->text() == alert.messageText &&
                                       label->height() > 4 * lineSpacing;
                            }),
              2);
    EXPECT_TRUE(dialog.buttons()[0]->shortcut().isEmpty());  // "&" is no shortcut mark
}

TEST(AboutWindow, VersionLineButtonsAndFallbackVersion) {
    const QString saved = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion("");
    EXPECT_EQ(OVAboutWindowController::versionLine(), "Version 0.1.0 (beta)");
    QCoreApplication::setApplicationVersion("1.4.2");
    EXPECT_EQ(OVAboutWindowController::versionLine(), "Version 1.4.2 (beta)");

    int updates = 0;
    int checks = 0;
    OVAboutWindowController about({[&] { ++updates; }, [&] { ++checks; }, nullptr});
    QCoreApplication::setApplicationVersion(saved);
    EXPECT_EQ(about.window()->windowTitle(), "About Orvetta");
    EXPECT_EQ(about.window()->size(), QSize(280, 296));
    QStringList texts;
    for (const QLabel* label : about.window()->findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    EXPECT_TRUE(texts.contains("Orvetta"));
    EXPECT_TRUE(texts.contains("Version 1.4.2 (beta)"));
    EXPECT_TRUE(texts.contains("Orvetta by marrowfen"));
    for (QPushButton* button : about.window()->findChildren<QPushButton*>()) {
        QTest::mouseClick(button, Qt::LeftButton);
        if (button->text() == "Compatibility Check") {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(checks, 2);
    about.startCompatibilityTest();  // no action given: nothing happens
}

TEST(HelpWindow, SectionsStackWithoutOverlapAndTheButtonOpensTheHelpPage) {
    AppFixture app;
    OVHelpWindowController help;
    EXPECT_EQ(help.window()->windowTitle(), "Orvetta Help");
    EXPECT_EQ(help.window()->size(), QSize(440, 420));

    QList<QRect> frames;
    QStringList texts;
    for (const QLabel* label : help.documentView()->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            frames.append(label->geometry());
            texts.append(label->text());
        }
    }
    for (qsizetype a = 0; a < frames.size(); ++a) {
        for (qsizetype b = a + 1; b < frames.size(); ++b) {
            EXPECT_FALSE(frames[a].intersects(frames[b]))
                << qPrintable(texts[a]) << " / " << qPrintable(texts[b]);
        }
    }
    for (const char* title :
         {"Touch Control", "Keyboard", "Settings > Profiles", "Settings > Input types",
          "cycle location", "close keyboard", "minimize keyboard", "maximize keyboard"}) {
        EXPECT_TRUE(texts.contains(title)) << title;
    }
    for (const char* icon : {"place", "hide", "keyboard-minimize", "keyboard-maximize"}) {
        const QLabel* image =
            help.documentView()->findChild<QLabel*>(QStringLiteral("hintIcon-") + icon);
        ASSERT_TRUE(image) << icon;
        EXPECT_FALSE(image->pixmap().isNull()) << icon;
    }
    // The body is measured for its wrapped height, not one line.
    const QFont font = help.documentView()->font();
    const int oneLine = OVHelpWindowController::helpBodyHeightForText("Word", font, 380);
    EXPECT_GT(OVHelpWindowController::helpBodyHeightForText(QString(40, 'x').replace("x", "word "),
                                                            font, 380),
              2 * oneLine);
    EXPECT_EQ(OVHelpWindowController::helpSectionHeightForBody(40, 18), 20 + 6 + 40 + 18);

    QPushButton* open = help.documentView()->findChild<QPushButton*>();
    ASSERT_TRUE(open);
    EXPECT_EQ(open->text(), "Open Help Page");
    QTest::mouseClick(open, Qt::LeftButton);
    ASSERT_EQ(app.workspace.openedURLs().size(), 1);
    EXPECT_EQ(app.workspace.openedURLs()[0], OVHelpPageURL());
}

}  // namespace
