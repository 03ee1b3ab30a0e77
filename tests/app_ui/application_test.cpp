#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>

#include "app/ui/application.h"
#include "app/ui/status_item.h"
#include "app_ui/app_ui_test_helpers.h"
#include "compat/ui/debug_window_controller.h"

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
    EXPECT_FALSE(application.shell().debugWindowController()) << "the program is ending";
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
    application.launch({"orvetta", "--debug-reports"});
    QCoreApplication::processEvents();
    app.advance(0.0);
    EXPECT_EQ(app.session.starts, 1);
    EXPECT_TRUE(alerts.alerts.isEmpty());
    EXPECT_TRUE(application.shell().statusItem()->menuWindow()->isVisible());
    ASSERT_TRUE(application.shell().debugWindowController());
    EXPECT_TRUE(application.shell().debugWindowController()->window()->isVisible());
}

TEST(ProcessEntry, ASecondStartHandsOverToTheFirstAndShowsNothing) {
    AppFixture app;
    app.workspace.otherInstanceRuns = true;
    int sessionsMade = 0;
    int loops = 0;
    OVApplicationRun run;
    run.arguments = {"orvetta"};
    run.makeSession = [&] {
        ++sessionsMade;
        return std::make_unique<ScriptedTouchSession>();
    };
    run.shellOptions.trayAvailable = false;
    run.exec = [&] {
        ++loops;
        return 0;
    };
    const int visibleBefore = [] {
        int count = 0;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            count += widget->isVisible() ? 1 : 0;
        }
        return count;
    }();

    app.preferences().setBool(OVInitialCompatibilityReportSentKey, true);
    run.arguments.append("-firstinstall");
    EXPECT_EQ(OVRunApplication(std::move(run)), 0);
    EXPECT_EQ(app.workspace.handedOver, QList<bool>({true}));
    EXPECT_TRUE(app.preferences().boolForKey(OVInitialCompatibilityReportSentKey))
        << "the running instance applies the switch, not this one";
    EXPECT_EQ(sessionsMade, 0);
    EXPECT_EQ(loops, 0);
    QCoreApplication::processEvents();
    app.advance(5.0);
    EXPECT_TRUE(app.transport.requests.isEmpty()) << "no policy request";
    int visibleAfter = 0;
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        visibleAfter += widget->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(visibleAfter, visibleBefore);
}

TEST(ProcessEntry, TheFirstStartRunsAndALaterStartRevealsItsMenuWindow) {
    AppFixture app;
    app.setUpReturningUser();
    ScriptedAlerts alerts;
    ScriptedTouchSession* session = nullptr;
    OVApplicationRun run;
    run.arguments = {"orvetta"};
    run.makeSession = [&] {
        auto made = std::make_unique<ScriptedTouchSession>();
        session = made.get();
        return made;
    };
    run.shellOptions.trayAvailable = false;
    run.shellOptions.alerts = &alerts;
    run.shellOptions.terminate = [] {};
    bool revealed = false;
    run.exec = [&] {
        QCoreApplication::processEvents();
        app.advance(0.0);
        EXPECT_TRUE(session && session->running());
        QWidget* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible() && widget->windowTitle() == "Orvetta") {
                window = widget;
            }
        }
        if (!window) {
            return 1;
        }
        window->close();
        app.workspace.activationRequested({});
        revealed = window->isVisible();
        return 0;
    };
    EXPECT_EQ(OVRunApplication(std::move(run)), 0);
    EXPECT_TRUE(revealed);
    EXPECT_EQ(app.transport.requests.size(), 1);
}

}  // namespace
