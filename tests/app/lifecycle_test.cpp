#include <gtest/gtest.h>

#include "app/app_test_helpers.h"

namespace {

// A returning user whose touch runs after launch.
class Lifecycle : public ::testing::Test {
  protected:
    void SetUp() override {
        app.setUpReturningUser();
        app.launch();
        app.advance(0.0);
        ASSERT_TRUE(app.session.running());
    }
    // A compatibility window taking test mode for itself or giving it back.
    static void postTestMode(const void* window, bool enabled) {
        OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, window,
                               {{"enabled", enabled}});
    }

    AppFixture app;
    const int window = 0;
    const int otherWindow = 0;
};

TEST_F(Lifecycle, SleepStopsTouchAndWakeRestartsItAfterOnePointTwoFiveSecondsInTheSameMode) {
    postTestMode(&window, true);
    app.workspace.sleep();
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Stopped");
    app.session.setCompatibilityTestMode(false);
    app.workspace.wake();
    app.advance(1.24);
    EXPECT_EQ(app.session.starts, 1);
    app.advance(0.02);
    EXPECT_EQ(app.session.testModeAtStarts, QList<bool>({false, true}));
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");

    // A wake with touch running (the sleep signal was lost) restarts it too; sleeping again
    // before the restart keeps touch wanted, and repeated wakes restart it once.
    app.workspace.wake();
    EXPECT_FALSE(app.session.running());
    app.advance(1.0);
    app.workspace.sleep();
    app.workspace.wake();
    app.workspace.wake();
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 3);
}

TEST_F(Lifecycle, TouchStoppedByTheUserOrForAnotherUsersSeatStaysStopped) {
    app.workspace.setSessionActive(false);
    EXPECT_FALSE(app.session.running());
    app.workspace.sleep();
    app.workspace.wake();
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 1);
    app.workspace.setSessionActive(true);  // the seat comes back: touch starts as after a wake
    app.advance(1.25);
    EXPECT_EQ(app.session.starts, 2);

    app.delegate->toggleTouch();
    app.workspace.sleep();
    app.workspace.wake();
    OVDefaultCenter().post(OVDeviceSelectionDidChangeNotification);
    EXPECT_FALSE(app.delegate->wakeRestartPending());
    EXPECT_EQ(app.session.starts, 2);
}

TEST_F(Lifecycle, DisplayArrangementChangesLeadToOneRefreshAfterTheBurstWhileTouchRuns) {
    for (int change = 0; change < 5; ++change) {
        app.displays.reconfigure(2, OVDisplayMovedFlag);
        app.advance(0.075);
    }
    app.advance(0.37);  // 0.445 s after the last change
    EXPECT_EQ(app.session.refreshes, 0);
    app.advance(0.01);
    EXPECT_EQ(app.session.refreshes, 1);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Display updated");
    app.displays.reconfigure(1, OVDisplaySetMainFlag);  // no new arrangement
    app.advance(1.0);
    EXPECT_EQ(app.session.refreshes, 1);
}

TEST_F(Lifecycle, TestModeLastsWhileAnyCompatibilityWindowHoldsItAndStartsStoppedTouch) {
    app.delegate->toggleTouch();
    postTestMode(&window, true);
    EXPECT_TRUE(app.session.running());
    postTestMode(&otherWindow, true);
    postTestMode(&otherWindow, false);
    EXPECT_TRUE(app.session.compatibilityTestMode()) << "the first window still holds it";
    postTestMode(&window, false);
    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_TRUE(app.session.running()) << "the end of a test leaves touch running";
}

TEST_F(Lifecycle, TouchFollowsTheChosenDeviceAndOneThatComesBackLateOrAfterItWasLost) {
    OVDefaultCenter().post(OVDeviceSelectionDidChangeNotification);
    EXPECT_EQ(app.session.starts, 2);
    app.session.loseDevice();
    OVDefaultCenter().post(OVTouchDeviceLostNotification, &app.session);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
    // The display comes back as several nodes: touch starts 0.5 s after the last one.
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw3", nullptr});
    app.advance(0.2);
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw4", nullptr});
    app.advance(0.49);
    EXPECT_EQ(app.session.starts, 2);
    app.advance(0.01);
    EXPECT_EQ(app.session.starts, 3);
    app.delegate->hidDeviceChanged(true);  // another device: touch works, nothing happens
    app.advance(1.0);
    EXPECT_EQ(app.session.stops, 1);

    // After a wake the display is not there yet; a removal alone starts nothing.
    app.workspace.sleep();
    app.session.failStartsWith(startError(3, "Compatible HID touch device was not found."),
                               OVTouchStatus::DeviceNotFound);
    app.workspace.wake();
    app.advance(1.25);
    app.platform.reportHIDDeviceChange({false, "/dev/hidraw3", nullptr});
    app.advance(1.0);
    EXPECT_EQ(app.session.starts, 4);
    app.session.succeedStarts();
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw3", nullptr});
    app.advance(0.5);
    EXPECT_EQ(app.session.starts, 5);
    EXPECT_TRUE(app.alerts().isEmpty() && app.notifications.delivered().isEmpty());
}

TEST_F(Lifecycle, AutomaticStartsWithoutPermissionNotifyOncePerLaunchAndOnlyTheUserGetsAnAlert) {
    app.session.failStartsWith(startError(10, "Missing permission: Input Monitoring"),
                               OVTouchStatus::NeedsPermission);
    app.workspace.sleep();
    app.workspace.wake();
    app.advance(1.25);
    app.delegate->hidDeviceChanged(true);
    app.advance(0.5);
    EXPECT_EQ(app.session.starts, 3);
    ASSERT_EQ(app.notifications.delivered().size(), 1);
    EXPECT_EQ(app.notifications.delivered()[0].link.fragment(), "input-monitoring");
    EXPECT_TRUE(app.alerts().isEmpty());
    app.delegate->toggleTouch();
    EXPECT_EQ(app.ui.alerts.messages, QStringList({"Orvetta needs permission"}));
}

TEST_F(Lifecycle, ALaterStartWithTheFirstInstallSwitchRunsTheFirstRunAgain) {
    app.delegate->activationRequested({true});
    app.advance(0.0);
    EXPECT_EQ(app.ui.alerts.messages, QStringList({"Welcome to Orvetta"}));
    EXPECT_TRUE(app.session.compatibilityTestMode());
    EXPECT_EQ(app.ui.windows, QList<OVAppWindow>({OVAppWindow::CompatibilityCheck}));
}

}  // namespace
