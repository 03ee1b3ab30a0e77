#include <gtest/gtest.h>

#include "app/app_test_helpers.h"
#include "app/status_menu_state.h"

namespace {

struct MenuRow {
    const char* name;
    bool updateRequired;
    bool setupRequired;
    bool running;
    const char* sessionStatus;
    bool keyboardVisible;
    const char* statusTitle;
    const char* toggleTitle;
    const char* keyboardTitle;
    bool commandsEnabled;
};

// Every row of the refresh rules: the status line's three sources, both titles of the toggle and
// keyboard items, and the enabling of the toggle, keyboard, profile and settings items.
const MenuRow kMenuRows[] = {
    {"running", false, false, true, "Touch active", false, "Status: Touch active", "Stop Touch",
     "Show Keyboard", true},
    {"stopped", false, false, false, "Stopped", true, "Status: Stopped", "Start Touch",
     "Close Keyboard", true},
    {"permission", false, false, false, "Needs permission", false, "Status: Needs permission",
     "Start Touch", "Show Keyboard", true},
    {"no device", false, false, false, "Device not found", false, "Status: Device not found",
     "Start Touch", "Show Keyboard", true},
    {"display", false, false, true, "Display updated", false, "Status: Display updated",
     "Stop Touch", "Show Keyboard", true},
    {"setup", false, true, true, "Touch active", true, "Status: Compatibility check required",
     "Stop Touch", "Close Keyboard", false},
    {"update", true, false, false, "Stopped", false, "Status: Update required", "Start Touch",
     "Show Keyboard", false},
    {"update and setup", true, true, false, "Stopped", false, "Status: Update required",
     "Start Touch", "Show Keyboard", false},
};

TEST(StatusMenuState, EveryRowOfTheRefreshRules) {
    for (const MenuRow& row : kMenuRows) {
        SCOPED_TRACE(row.name);
        OVStatusMenuInputs inputs;
        inputs.updateRequired = row.updateRequired;
        inputs.setupRequired = row.setupRequired;
        inputs.sessionRunning = row.running;
        inputs.sessionStatusText = row.sessionStatus;
        inputs.keyboardVisible = row.keyboardVisible;
        inputs.profileNames = {"Default"};
        inputs.activeProfileName = "Default";
        const OVStatusMenuState state = OVStatusMenuStateFor(inputs);
        EXPECT_EQ(state.statusTitle, row.statusTitle);
        EXPECT_EQ(state.toggleTitle, row.toggleTitle);
        EXPECT_EQ(state.keyboardTitle, row.keyboardTitle);
        EXPECT_EQ(state.toggleEnabled, row.commandsEnabled);
        EXPECT_EQ(state.keyboardEnabled, row.commandsEnabled);
        EXPECT_EQ(state.profileEnabled, row.commandsEnabled);
        EXPECT_EQ(state.settingsEnabled, row.commandsEnabled);
    }
}

TEST(StatusMenuState, TheProfileSubmenuListsTheNamesThenTheSwitchingItem) {
    using Kind = OVStatusMenuProfileItem::Kind;
    const auto single = OVStatusProfileMenuItems({"Default"}, "Default", true);
    ASSERT_EQ(single.size(), 3);
    EXPECT_EQ(single[0].kind, Kind::Profile);
    EXPECT_EQ(single[0].title, "Default");
    EXPECT_TRUE(single[0].checked);
    EXPECT_EQ(single[1].kind, Kind::Separator);
    EXPECT_EQ(single[2].kind, Kind::AutomaticSwitching);
    EXPECT_EQ(single[2].title, "Automatic Switching: On");
    EXPECT_TRUE(single[2].checked);

    OVStatusMenuInputs inputs;
    inputs.profileNames = {"Default", "Mail", "Safari"};
    inputs.activeProfileName = "Mail";
    inputs.automaticSwitching = false;
    const OVStatusMenuState state = OVStatusMenuStateFor(inputs);
    EXPECT_EQ(state.profileTitle, "Profile: Mail");
    ASSERT_EQ(state.profileItems.size(), 5);
    EXPECT_FALSE(state.profileItems[0].checked);
    EXPECT_TRUE(state.profileItems[1].checked);
    EXPECT_EQ(state.profileItems[1].profileName, "Mail");
    EXPECT_FALSE(state.profileItems[2].checked);
    EXPECT_EQ(state.profileItems[4].title, "Automatic Switching: Off");
    EXPECT_FALSE(state.profileItems[4].checked);
}

struct ErrorRow {
    qint64 code;
    const char* description;
    const char* title;
    QStringList buttons;
};

TEST(StartErrorAlert, EachErrorNamesItsCauseAndOffersTheButtonsItCallsFor) {
    const ErrorRow rows[] = {
        {10,
         "Missing permission: Accessibility, Input Monitoring",
         "Orvetta needs permission",
         {"Open Input Monitoring", "Open Accessibility", "OK"}},
        {10,
         "Missing permission: Input Monitoring",
         "Orvetta needs permission",
         {"Open Input Monitoring", "OK"}},
        {10,
         "Missing permission: Accessibility",
         "Orvetta needs permission",
         {"Open Accessibility", "OK"}},
        {13,
         "Could not open HID touch input: 0xd",
         "Orvetta cannot open the touch display",
         {"OK"}},
        {3, "Compatible HID touch device was not found.", "Touch display not found", {"OK"}},
        {4,
         "Selected touch device was not found or could not be parsed.",
         "Touch display not recognised",
         {"OK"}},
    };
    for (const ErrorRow& row : rows) {
        SCOPED_TRACE(row.description);
        const OVStartErrorAlert alert = OVStartErrorAlertFor(startError(row.code, row.description));
        EXPECT_EQ(alert.alert.messageText, row.title);
        EXPECT_EQ(alert.alert.buttonTitles, row.buttons);
        EXPECT_TRUE(alert.alert.informativeText.startsWith(QString(row.description) + "\n\n"));
        // Permission steps only where a permission can be the cause.
        EXPECT_EQ(alert.alert.informativeText.contains("udev rule"),
                  row.code != 3 && row.code != 4);
        EXPECT_EQ(OVStartErrorChoiceAt(alert, static_cast<int>(row.buttons.size()) - 1),
                  OVStartErrorChoice::OK);
        EXPECT_EQ(OVStartErrorChoiceAt(alert, -1), OVStartErrorChoice::OK);
        EXPECT_EQ(OVStartErrorChoiceAt(alert, 7), OVStartErrorChoice::OK);
    }
}

TEST(StartErrorAlert, TheOpenButtonsLeadToTheirSectionOfTheSetUpGuide) {
    struct Press {
        int button;
        QString fragment;  // empty: nothing opens
    };
    for (const Press& press : {Press{0, "input-monitoring"}, Press{1, "accessibility"},
                               Press{2, QString()}, Press{-1, QString()}}) {
        SCOPED_TRACE(press.button);
        AppFixture app;
        app.ui.answers = {press.button};
        app.delegate->showError(
            startError(10, "Missing permission: Accessibility, Input Monitoring"));
        ASSERT_EQ(app.ui.alerts.size(), 1);
        if (press.fragment.isEmpty()) {
            EXPECT_TRUE(app.workspace.openedURLs().isEmpty());
        } else {
            ASSERT_EQ(app.workspace.openedURLs().size(), 1);
            EXPECT_EQ(app.workspace.openedURLs()[0].fragment(), press.fragment);
            EXPECT_EQ(app.workspace.openedURLs()[0], OVPermissionHelpURL(press.fragment));
        }
    }
}

class MenuCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        app.setUpReturningUser();
        app.launch();
        app.advance(0.0);
    }

    AppFixture app;
};

TEST_F(MenuCommands, ToggleStopsAndStartsTouchAndAFailedStartShowsItsAlert) {
    app.delegate->toggleTouch();
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.ui.menu.toggleTitle, "Start Touch");
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Stopped");

    app.session.failStartsWith(startError(10, "Missing permission: Input Monitoring"),
                               OVTouchStatus::NeedsPermission);
    app.delegate->toggleTouch();
    ASSERT_EQ(app.ui.alerts.size(), 1);
    EXPECT_EQ(app.ui.alerts[0].buttonTitles, QStringList({"Open Input Monitoring", "OK"}));
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Needs permission");

    app.session.succeedStarts();
    app.delegate->toggleTouch();
    EXPECT_TRUE(app.session.running());
    EXPECT_EQ(app.ui.menu.toggleTitle, "Stop Touch");
}

TEST_F(MenuCommands, WhileTheCheckIsDueTheCommandsOpenTheCheckWindowInstead) {
    app.preferences().setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    app.delegate->toggleTouch();
    app.delegate->showKeyboard();
    app.delegate->showSettings();
    EXPECT_EQ(app.ui.windows, QList<OVAppWindow>(3, OVAppWindow::CompatibilityCheck));
    EXPECT_TRUE(app.session.running()) << "toggle did not stop touch";
    EXPECT_FALSE(app.ui.keyboardShown);

    // A start while the check is due puts the session in test mode first.
    app.delegate->startTouch();
    EXPECT_TRUE(app.session.compatibilityTestMode());
}

TEST_F(MenuCommands, KeyboardSettingsHelpAboutAndTheAdvancedWindows) {
    app.delegate->showKeyboard();
    EXPECT_TRUE(app.ui.keyboardShown);
    EXPECT_EQ(app.ui.menu.keyboardTitle, "Close Keyboard");
    app.delegate->showKeyboard();
    EXPECT_FALSE(app.ui.keyboardShown);
    EXPECT_EQ(app.ui.menu.keyboardTitle, "Show Keyboard");

    app.delegate->showSettings();
    app.delegate->showHelp();
    app.delegate->showAbout();
    app.delegate->showCompatibilityTest();
    app.delegate->showDebugReports();
    EXPECT_EQ(app.ui.windows,
              QList<OVAppWindow>({OVAppWindow::Settings, OVAppWindow::Help, OVAppWindow::About,
                                  OVAppWindow::CompatibilityTest, OVAppWindow::DebugReports}));
}

TEST_F(MenuCommands, ProfileItemsSelectAndToggleAndTheMenuFollows) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Mail"));
    EXPECT_EQ(app.ui.menu.profileTitle, "Profile: Mail");
    ASSERT_EQ(app.ui.menu.profileItems.size(), 4);

    app.delegate->selectProfileFromMenu(QString("Default"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(app.ui.menu.profileTitle, "Profile: Default");
    EXPECT_TRUE(app.ui.menu.profileItems[0].checked);

    app.delegate->selectProfileFromMenu(QString());
    app.delegate->selectProfileFromMenu(QVariant(3));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");

    ASSERT_TRUE(OVAutomaticProfileSwitchingEnabled());
    app.delegate->toggleAutomaticProfileSwitching();
    EXPECT_FALSE(OVAutomaticProfileSwitchingEnabled());
    EXPECT_EQ(app.ui.menu.profileItems.last().title, "Automatic Switching: Off");
    EXPECT_FALSE(app.ui.menu.profileItems.last().checked);
}

TEST_F(MenuCommands, NestedCursorHidesAreUndoneByOneShow) {
    app.displays.displayCount = 2;
    app.delegate->setCursorHidden(true);
    app.delegate->setCursorHidden(true);
    EXPECT_EQ(app.displays.hides, 4);
    app.delegate->setCursorHidden(false);
    EXPECT_EQ(app.displays.shows, 16);
    app.delegate->setCursorHidden(false);
    EXPECT_EQ(app.displays.shows, 16) << "showing again without a hide does nothing";

    app.delegate->toggleHideCursor();
    EXPECT_TRUE(app.preferences().boolForKey(OVHideCursorKey));
    EXPECT_TRUE(app.delegate->cursorHidden());
    app.delegate->toggleHideCursor();
    EXPECT_FALSE(app.delegate->cursorHidden());
    EXPECT_EQ(app.displays.shows, 32);
}

TEST_F(MenuCommands, WithoutDisplaysTheMainDisplayStandsIn) {
    app.displays.displayCount = 0;
    app.delegate->setCursorHidden(true);
    app.delegate->setCursorHidden(false);
    EXPECT_EQ(app.displays.hides, 1);
    EXPECT_EQ(app.displays.shows, 8);
}

}  // namespace
