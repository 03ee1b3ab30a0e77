#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/app_test_helpers.h"
#include "compat/intro_check.h"
#include "compat_windows/compat_test_helpers.h"
#include "service/report_outbox.h"
#include "service/service_client.h"
#include "support/log_capture.h"

namespace {

TEST(LaunchSequence, FreshInstallWithPermissionsMissingShowsWelcomeThenNoticeAndDoesNotStart) {
    AppFixture app;
    app.permissions.setCanPostEvents(false);
    app.permissions.setCanListenToInput(false);
    app.holdPolicyCheck();
    app.launch();

    // The welcome comes first, before the policy check; accepting stores this version.
    ASSERT_EQ(app.ui.alerts.size(), 1);
    EXPECT_EQ(app.ui.alerts[0].windowTitle, "Welcome to Orvetta");
    EXPECT_EQ(app.ui.alerts[0].buttonTitles, QStringList({"Accept and Continue", "Quit"}));
    EXPECT_EQ(app.preferences().stringForKey(OVWelcomeAcceptedVersionKey), "2.4.0");
    EXPECT_TRUE(app.policyCheckStarted());
    EXPECT_EQ(app.ui.menu.statusTitle, "Starting...");
    EXPECT_EQ(app.ui.keyboardControllersMade, 1);
    EXPECT_EQ(app.ui.statusItemsMade, 1);

    app.completePolicyCheck();
    app.advance(5.0);
    EXPECT_EQ(app.ui.alertMessages(),
              QStringList({"Welcome to Orvetta", "Orvetta needs permissions"}));
    EXPECT_EQ(app.ui.alerts[1].buttonTitles, QStringList({"OK, I understand"}));
    EXPECT_EQ(app.ui.alerts[1].accessoryButtonTitle, "Help");
    EXPECT_TRUE(app.preferences().boolForKey(OVPermissionsCompatibilityCheckPendingKey));
    EXPECT_EQ(app.permissions.postEventAccessRequests(), 1);
    EXPECT_EQ(app.permissions.listenAccessRequests(), 1);
    EXPECT_EQ(app.session.starts, 0);
    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Compatibility check required");
    EXPECT_FALSE(app.ui.menu.toggleEnabled);
    EXPECT_TRUE(app.ui.windows.isEmpty());
}

TEST(LaunchSequence, PermissionNoticeHelpOpensTheSetUpGuideAndRequestsOnlyWhatIsMissing) {
    AppFixture app;
    app.setUpReturningUser();
    app.permissions.setCanListenToInput(false);
    app.ui.pressAccessoryButton = true;
    app.launch();
    app.advance(0.0);

    EXPECT_EQ(app.ui.alertMessages(),
              QStringList({"Welcome to Orvetta", "Orvetta needs permissions"}));
    ASSERT_EQ(app.workspace.openedURLs().size(), 1);
    EXPECT_EQ(app.workspace.openedURLs()[0], OVPermissionHelpURL());
    EXPECT_EQ(app.permissions.postEventAccessRequests(), 0);
    EXPECT_EQ(app.permissions.listenAccessRequests(), 1);
    EXPECT_EQ(app.session.starts, 0);
}

TEST(LaunchSequence, QuitInTheWelcomeEndsBeforeThePolicyCheck) {
    AppFixture app;
    app.holdPolicyCheck();
    app.ui.answers = {1};
    app.launch();
    app.advance(5.0);

    EXPECT_EQ(app.ui.terminations, 1);
    EXPECT_FALSE(app.policyCheckStarted());
    EXPECT_TRUE(app.preferences().stringForKey(OVWelcomeAcceptedVersionKey).isEmpty());
    EXPECT_EQ(app.session.starts, 0);
}

TEST(LaunchSequence, FirstRunWithPermissionsStartsInTestModeAndOpensTheCheckAfterTheStep) {
    AppFixture app;
    app.preferences().setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.4.0"));
    app.holdPolicyCheck();
    app.launch();
    EXPECT_TRUE(app.ui.alerts.isEmpty());
    EXPECT_EQ(app.session.starts, 0);

    app.completePolicyCheck();
    EXPECT_EQ(app.session.testModeAtStarts, QList<bool>({true}));
    EXPECT_TRUE(app.ui.windows.isEmpty()) << "the check window opens after the launch step";
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Compatibility check required");
    EXPECT_EQ(app.ui.menu.toggleTitle, "Stop Touch");
    EXPECT_FALSE(app.ui.menu.toggleEnabled);
    EXPECT_FALSE(app.ui.menu.settingsEnabled);

    app.advance(0.0);
    EXPECT_EQ(app.ui.windows, QList<OVAppWindow>({OVAppWindow::CompatibilityCheck}));

    // The check window records its completion and announces it: test mode ends.
    app.preferences().setBool(OVInitialCompatibilityReportSentKey, true);
    OVDefaultCenter().post(OVInitialCompatibilityCompletedNotification);
    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_EQ(app.session.starts, 1) << "the session ran already";
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
    EXPECT_TRUE(app.ui.menu.toggleEnabled);
    EXPECT_TRUE(app.ui.menu.settingsEnabled);
}

TEST(LaunchSequence, WithoutAServiceTheFirstRunCheckFinishesOfflineAndTouchLeavesTestMode) {
    QTemporaryDir outboxDirectory;
    AppFixture app;
    app.preferences().setObject("apiBaseURL", "");
    OVCurrentProcessState().reportOutboxDirectory = outboxDirectory.path();
    OVIntroCompatibilityCheckModel check;
    check.setContactFilter(compat_test::keepAll);
    OVLogCapture log;
    app.launch();
    EXPECT_EQ(app.ui.alertMessages(), QStringList({"Welcome to Orvetta"}));
    EXPECT_EQ(app.session.starts, 0) << "touch starts after the launch step";
    app.advance(0.0);
    EXPECT_EQ(app.session.testModeAtStarts, QList<bool>({true}));
    ASSERT_EQ(app.ui.windows, QList<OVAppWindow>({OVAppWindow::CompatibilityCheck}));
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Compatibility check required");

    // The user touches, picks the model and taps Send: the report waits, Finish opens.
    check.startCheck();
    check.modelSelectionChanged("Samsung Flip", QString());
    compat_test::postReport(compat_test::contacts({OVContactKindFinger}),
                            compat_test::sampleText("f1"));
    check.sendReport();
    EXPECT_EQ(check.presentation().statusText,
              "Report saved; it will be sent when the service can be reached.\n"
              "No Orvetta service is configured.");
    ASSERT_TRUE(check.presentation().finishEnabled);
    check.finish();

    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_TRUE(app.session.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
    EXPECT_EQ(OVReportOutbox(outboxDirectory.path()).fileNames().size(), 1);
    EXPECT_TRUE(app.transport.requests.isEmpty());
    EXPECT_EQ(log.lines().filter("no service is configured").size(), 1);
    app.advance(30.0);
    EXPECT_EQ(app.ui.terminations, 0);
}

TEST(LaunchSequence, TouchWaitsNoLongerForThePolicyThanARequestMayTake) {
    AppFixture app;
    app.setUpReturningUser();
    app.holdPolicyCheck();  // the service never answers
    app.launch();
    app.advance(OVServiceRequestTimeout - 0.01);
    EXPECT_EQ(app.session.starts, 0);
    app.advance(0.01);
    EXPECT_EQ(app.session.starts, 1);
    app.completePolicyCheck();
    EXPECT_EQ(app.session.starts, 1);
}

TEST(LaunchSequence, ReportsKeptByAnEarlierStartGoAtLaunch) {
    QTemporaryDir outboxDirectory;
    AppFixture app;
    app.setUpReturningUser();
    OVCurrentProcessState().reportOutboxDirectory = outboxDirectory.path();
    const OVReportOutbox outbox(outboxDirectory.path());
    outbox.add({{"n", 1}});
    app.transport.responses = {ScriptedTransport::json(R"({"id": "cr-1"})", 201)};
    app.launch();
    app.advance(0.0);
    ASSERT_EQ(app.transport.requests.size(), 2);  // the report, then the policy
    EXPECT_EQ(app.transport.requests[0].url.path(), "/v1/compatibility-reports/");
    EXPECT_TRUE(outbox.fileNames().isEmpty());
}

TEST(LaunchSequence, ReturningUserStartsTouchOnceThePolicyCheckFailed) {
    AppFixture app;
    app.setUpReturningUser();
    app.holdPolicyCheck();
    app.launch();
    ASSERT_EQ(app.transport.requests.size(), 1);
    EXPECT_EQ(app.transport.requests[0].url.path(), "/v1/app-policy/");
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 0) << "touch waits for the policy check";

    // The service cannot be reached: startup goes on all the same.
    app.completePolicyCheck();
    EXPECT_TRUE(app.ui.alerts.isEmpty());
    EXPECT_EQ(app.session.testModeAtStarts, QList<bool>({false}));
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
    EXPECT_TRUE(app.delegate->startupContinued());

    // The deferred start runs once per launch.
    app.session.stop();
    app.delegate->continueStartupAfterPolicyCheck();
    EXPECT_EQ(app.session.starts, 1);
}

TEST(LaunchSequence, APolicyThatPassesStartsTouchOnTheMainLoop) {
    for (const QByteArray& answer :
         {QByteArray(R"({"policy": {"version_policy": {"minimum_supported_version": "0.1"}}})"),
          QByteArray(R"({"version_policy": {}, "messages": []})"), QByteArray("[1, 2]"),
          QByteArray("<html>busy</html>")}) {
        SCOPED_TRACE(answer.constData());
        AppFixture app;
        app.setUpReturningUser();
        app.transport.responses.append(ScriptedTransport::json(answer));
        app.launch();
        EXPECT_EQ(app.session.starts, 0);
        app.advance(0.0);
        EXPECT_EQ(app.session.starts, 1);
        EXPECT_FALSE(OVCurrentProcessState().updateRequired);
        EXPECT_EQ(app.ui.terminations, 0);
    }
}

TEST(LaunchSequence, ALaunchWithoutTheDisplaySaysSoInTheMenuOnly) {
    AppFixture app;
    app.setUpReturningUser();
    app.session.failStartsWith(startError(3, "Compatible HID touch device was not found."),
                               OVTouchStatus::DeviceNotFound);
    app.launch();
    app.advance(0.0);

    EXPECT_TRUE(app.ui.alerts.isEmpty());
    EXPECT_TRUE(app.notifications.delivered().isEmpty());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
    EXPECT_EQ(app.ui.menu.toggleTitle, "Start Touch");

    // "Start Touch" is asked for: the alert names the cause.
    app.delegate->toggleTouch();
    ASSERT_EQ(app.ui.alerts.size(), 1);
    EXPECT_EQ(app.ui.alerts[0].messageText, "Touch display not found");
    EXPECT_EQ(app.ui.alerts[0].buttonTitles, QStringList({"OK"}));
}

TEST(LaunchSequence, MinimumVersionFailureStopsEverythingAndNothingStartsTouchAgain) {
    AppFixture app;
    app.setUpReturningUser();
    app.answerWithMinimumVersionAbove();
    app.ui.answers = {-1};  // the update alert is left without pressing "Quit"
    app.launch();
    app.ui.showKeyboard();
    app.advance(0.0);

    // The service's answer: the alert, the end of the application, and touch never started.
    EXPECT_EQ(app.ui.alertMessages(), QStringList({"Orvetta update required"}));
    EXPECT_EQ(app.ui.terminations, 1);
    EXPECT_FALSE(app.delegate->startupContinued());
    EXPECT_FALSE(app.ui.keyboardShown);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Update required");
    EXPECT_FALSE(app.ui.menu.toggleEnabled);
    EXPECT_FALSE(app.ui.menu.keyboardEnabled);
    EXPECT_FALSE(app.ui.menu.profileEnabled);
    EXPECT_FALSE(app.ui.menu.settingsEnabled);

    // Until the application has ended, whatever happens leaves touch off.
    app.delegate->continueStartupAfterPolicyCheck();
    app.workspace.sleep();
    app.workspace.wake();
    EXPECT_FALSE(app.delegate->wakeRestartPending());
    OVDefaultCenter().post(OVDeviceSelectionDidChangeNotification);
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, nullptr,
                           {{"enabled", true}});
    OVDefaultCenter().post(OVInitialCompatibilityCompletedNotification);
    app.delegate->toggleTouch();
    app.delegate->showKeyboard();
    app.delegate->showSettings();
    app.delegate->hidDeviceChanged(true);
    app.advance(10.0);
    EXPECT_EQ(app.session.starts, 0);
    EXPECT_FALSE(app.ui.keyboardShown);
    EXPECT_TRUE(app.ui.windows.isEmpty());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Update required");
}

TEST(LaunchSequence, MinimumVersionFailureWhileTouchRunsStopsItForGood) {
    AppFixture app;
    app.setUpReturningUser();
    app.answerWithMinimumVersionAbove();
    app.holdPolicyCheck();
    app.launch();
    // The user starts touch from the menu while the policy request is in flight, and the
    // machine sleeps and wakes.
    app.delegate->toggleTouch();
    ASSERT_TRUE(app.session.running());
    app.workspace.sleep();
    app.workspace.wake();

    app.completePolicyCheck();
    app.advance(2.0);
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.session.starts, 1) << "the wake restart must not run";
    EXPECT_EQ(app.ui.terminations, 1);
}

TEST(LaunchSequence, ACursorLeftHiddenByAnEarlierRunIsResetAtLaunch) {
    AppFixture app;
    app.setUpReturningUser();
    app.preferences().setBool(OVHideCursorKey, true);
    app.launch();
    EXPECT_FALSE(app.preferences().boolForKey(OVHideCursorKey));
    EXPECT_FALSE(app.delegate->cursorHidden());
    EXPECT_EQ(app.displays.hides, 0);
}

TEST(LaunchSequence, TerminationStopsTouchShowsTheCursorAndDropsTimersAndObservers) {
    AppFixture app;
    app.setUpReturningUser();
    app.launch();
    app.advance(0.0);
    app.delegate->setCursorHidden(true);
    app.workspace.sleep();
    app.workspace.wake();
    app.delegate->scheduleDisplayMappingRefresh();
    ASSERT_TRUE(app.delegate->wakeRestartPending());
    ASSERT_TRUE(app.delegate->displayRefreshPending());

    app.delegate->applicationWillTerminate();
    EXPECT_FALSE(app.delegate->wakeRestartPending());
    EXPECT_FALSE(app.delegate->displayRefreshPending());
    EXPECT_FALSE(app.delegate->cursorHidden());
    EXPECT_EQ(app.displays.shows, 8);
    EXPECT_FALSE(app.session.running());
    EXPECT_FALSE(app.displays.reconfiguration);

    // Nothing reaches the delegate any more.
    const int starts = app.session.starts;
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, nullptr,
                           {{"enabled", true}});
    app.workspace.sleep();
    app.workspace.wake();
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Files"));
    app.workspace.activateApplication({"org.example.files", "Other"});
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, starts);
    EXPECT_EQ(OVActiveSettingsProfileName(), "Files");
}

TEST(LaunchSequence, QuitShowsTheCursorStopsTouchAndEndsTheApplication) {
    AppFixture app;
    app.setUpReturningUser();
    app.launch();
    app.advance(0.0);
    app.delegate->setCursorHidden(true);
    app.delegate->quit();
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.displays.shows, 8);
    EXPECT_EQ(app.ui.terminations, 1);
}

}  // namespace
