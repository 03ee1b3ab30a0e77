#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/ui/application.h"
#include "app/ui/status_item.h"
#include "app_ui/app_ui_test_helpers.h"

namespace {

TEST(ProcessEntry, DefaultsComeFirstAndTheFirstInstallSwitchResetsTheFirstRun) {
    OVServicesGuard services;
    OVStandardPreferences().setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("1.0.0"));
    OVStandardPreferences().setBool(OVInitialCompatibilityReportSentKey, true);
    OVPrepareProcess({"orvetta"});
    EXPECT_TRUE(OVStandardPreferences().boolForKey("automaticProfileSwitching"));
    EXPECT_FALSE(OVInitialCompatibilitySetupRequired());

    OVPrepareProcess({"orvetta", "-firstinstall"});
    EXPECT_TRUE(OVInitialCompatibilitySetupRequired());
    EXPECT_TRUE(OVStandardPreferences().stringForKey(OVWelcomeAcceptedVersionKey).isEmpty());
}

TEST(ProcessEntry, TheLaunchRunsFromTheEventLoopAndADeclinedWelcomeEndsIt) {
    AppFixture app;
    ScriptedAlerts alerts;
    alerts.answers = {{1, {}}};  // Quit in the welcome
    int terminations = 0;
    OVQtAppShell::Options options;
    options.trayAvailable = false;
    options.alerts = &alerts;
    options.terminate = [&] { ++terminations; };
    OVApplication application(app.session, std::move(options));
    application.delegate().setRunningVersion("2.4.0");

    application.launch({"orvetta", "--debug-reports"});
    EXPECT_FALSE(application.shell().statusItem()) << "nothing before the event loop runs";
    QCoreApplication::processEvents();
    ASSERT_TRUE(application.shell().statusItem());
    EXPECT_EQ(alerts.alerts.size(), 1);
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(application.delegate().terminationRequested());
    app.advance(1.0);
    EXPECT_EQ(app.session.starts, 0);
}

TEST(ProcessEntry, AnAcceptedLaunchStartsTouchAndShowsTheMenu) {
    AppFixture app;
    app.setUpReturningUser();
    ScriptedAlerts alerts;
    OVQtAppShell::Options options;
    options.trayAvailable = false;
    options.alerts = &alerts;
    options.terminate = [] {};
    OVApplication application(app.session, std::move(options));
    application.delegate().setRunningVersion("2.4.0");
    application.launch();
    QCoreApplication::processEvents();
    app.advance(0.0);
    EXPECT_EQ(app.session.starts, 1);
    EXPECT_TRUE(alerts.alerts.isEmpty());
    EXPECT_TRUE(application.shell().statusItem()->menuWindow()->isVisible());
}

}  // namespace
