#include <gtest/gtest.h>

#include <QApplication>

#include "app/app_test_helpers.h"
#include "app/ui/application.h"

namespace {

TEST(ProcessEntry, ASecondStartHandsTheFirstInstallSwitchOverAndRunsNothing) {
    AppFixture app;
    app.workspace.otherInstanceRuns = true;
    app.preferences().setBool(OVInitialCompatibilityReportSentKey, true);
    OVApplicationRun run;
    run.arguments = {"orvetta", "-firstinstall"};
    run.exec = [] { return 1; };
    EXPECT_EQ(OVRunApplication(std::move(run)), 0);
    EXPECT_EQ(app.workspace.handedOver, QList<bool>({true}));
    EXPECT_TRUE(app.preferences().boolForKey(OVInitialCompatibilityReportSentKey))
        << "the running instance applies the switch, not this one";
}

TEST(ProcessEntry, TheFirstStartRunsTouchAndItsWindowsFromTheEventLoop) {
    AppFixture app;
    app.setUpReturningUser();
    ScriptedAlerts alerts;
    ScriptedTouchSession* session = nullptr;
    OVApplicationRun run;
    run.arguments = {"orvetta", "--debug-reports"};
    run.makeSession = [&] {
        auto made = std::make_unique<ScriptedTouchSession>();
        session = made.get();
        return made;
    };
    run.shellOptions.trayAvailable = false;
    run.shellOptions.alerts = &alerts;
    run.shellOptions.terminate = [] {};
    QStringList shown;
    run.exec = [&] {
        EXPECT_FALSE(session->running()) << "nothing before the event loop runs";
        QCoreApplication::processEvents();
        app.advance(0.0);
        EXPECT_TRUE(session->running());
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->isVisible()) {
                shown.append(widget->windowTitle());
            }
        }
        return 3;
    };
    EXPECT_EQ(OVRunApplication(std::move(run)), 3);
    shown.sort();
    EXPECT_EQ(shown, QStringList({"Orvetta", "Orvetta Debug Reports"}));
    EXPECT_EQ(app.transport.requests.size(), 1);
}

}  // namespace
