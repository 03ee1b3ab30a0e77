#include <gtest/gtest.h>

#include "app/app_test_helpers.h"

namespace {

TEST(LaunchSequence, AFreshInstallMissingAPermissionWelcomesThenExplainsAndDoesNotStart) {
    AppFixture app;
    app.permissions.setCanListenToInput(false);
    app.ui.alerts.pressAccessoryButton = true;  // Help in the permission notice
    app.holdPolicyCheck();
    app.launch();
    // The welcome comes first, before the policy check; accepting stores this version.
    EXPECT_EQ(app.ui.alerts.messages, QStringList({"Welcome to Orvetta"}));
    EXPECT_EQ(app.preferences().stringForKey(OVWelcomeAcceptedVersionKey), "2.4.0");
    EXPECT_EQ(app.transport.requests.size(), 1);
    app.completePolicyCheck();
    app.advance(5.0);
    EXPECT_EQ(app.ui.alerts.messages.last(), "Orvetta needs permissions");
    EXPECT_EQ(app.workspace.openedURLs(), QList<QUrl>({OVPermissionHelpURL()}));
    EXPECT_EQ(app.session.starts, 0);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Compatibility check required");
    EXPECT_FALSE(app.ui.menu.toggleEnabled);
}

TEST(LaunchSequence, QuitInTheWelcomeEndsBeforeThePolicyCheck) {
    AppFixture app;
    app.ui.alerts.answers = {{1}};
    app.launch();
    app.advance(5.0);
    EXPECT_EQ(app.ui.terminations, 1);
    EXPECT_TRUE(app.transport.requests.isEmpty());
    EXPECT_FALSE(app.preferences().hasStoredValue(OVWelcomeAcceptedVersionKey));
    EXPECT_EQ(app.session.starts, 0);
}

TEST(LaunchSequence, TheFirstRunStartsInTestModeAndOpensTheCheckAfterTheLaunchStep) {
    AppFixture app;
    app.preferences().setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.4.0"));
    app.launch();
    EXPECT_EQ(app.session.starts, 0);
    app.advance(0.0);
    EXPECT_EQ(app.session.testModeAtStarts, QList<bool>({true}));
    EXPECT_EQ(app.ui.windows, QList<OVAppWindow>({OVAppWindow::CompatibilityCheck}));

    // The check window records its completion and announces it: test mode ends.
    app.preferences().setBool(OVInitialCompatibilityReportSentKey, true);
    OVDefaultCenter().post(OVInitialCompatibilityCompletedNotification);
    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_EQ(app.session.starts, 1);
    EXPECT_TRUE(app.ui.menu.settingsEnabled);
    app.session.stop();
    app.delegate->continueStartupAfterPolicyCheck();
    EXPECT_EQ(app.session.starts, 1) << "the deferred start runs once per launch";
}

TEST(LaunchSequence, AVersionBelowTheMinimumStopsTouchEndsTheProgramAndNothingStartsTouch) {
    AppFixture app;
    app.setUpReturningUser();
    app.transport.responses = {ScriptedTransport::json(
        R"({"policy": {"version_policy": {"minimum_supported_version": "999.0"}}})")};
    app.holdPolicyCheck();
    app.ui.alerts.answers = {{-1}};  // the update alert is closed without pressing "Quit"
    app.launch();
    app.delegate->toggleTouch();  // from the menu while the request is in flight
    app.delegate->showKeyboard();
    app.workspace.sleep();
    app.workspace.wake();
    app.completePolicyCheck();
    EXPECT_EQ(app.ui.alerts.messages, QStringList({"Orvetta update required"}));
    EXPECT_EQ(app.ui.terminations, 1);
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Update required");
    EXPECT_FALSE(app.ui.menu.toggleEnabled || app.ui.menu.keyboardEnabled ||
                 app.ui.menu.profileEnabled || app.ui.menu.settingsEnabled);

    // Until the program has ended, whatever happens leaves touch off.
    app.delegate->continueStartupAfterPolicyCheck();
    OVDefaultCenter().post(OVInitialCompatibilityCompletedNotification);
    app.delegate->toggleTouch();
    app.delegate->showSettings();
    app.delegate->hidDeviceChanged(true);
    app.advance(10.0);
    EXPECT_EQ(app.session.starts, 1) << "the wake restart must not run";
    EXPECT_TRUE(app.ui.windows.isEmpty());
}

TEST(LaunchSequence, QuitAndTerminationUndoTheCursorStopTouchAndDropTimersAndCallbacks) {
    AppFixture app;
    app.setUpReturningUser();
    app.preferences().setBool(OVHideCursorKey, true);  // left by an earlier run
    app.launch();
    app.advance(0.0);
    EXPECT_FALSE(app.delegate->cursorHidden());
    app.delegate->setCursorHidden(true);
    app.workspace.sleep();
    app.workspace.wake();
    app.delegate->scheduleDisplayMappingRefresh();
    ASSERT_TRUE(app.delegate->wakeRestartPending() && app.delegate->displayRefreshPending());
    app.delegate->quit();
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.displays.shows, 8);
    EXPECT_EQ(app.ui.terminations, 1);

    app.delegate->applicationWillTerminate();
    EXPECT_FALSE(app.delegate->wakeRestartPending() || app.delegate->displayRefreshPending());
    EXPECT_FALSE(app.platform.hidDeviceChangeCallback);
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, nullptr,
                           {{"enabled", true}});
    app.workspace.sleep();
    app.workspace.wake();
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 1) << "nothing reaches the delegate any more";
}

}  // namespace
