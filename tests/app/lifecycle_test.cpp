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

    AppFixture app;
};

TEST_F(Lifecycle, SleepStopsTouchAndWakeRestartsItAfterOnePointTwoFiveSecondsInTheSameMode) {
    app.session.setCompatibilityTestMode(true);
    app.workspace.sleep();
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Stopped");

    app.session.setCompatibilityTestMode(false);
    app.workspace.wake();
    EXPECT_TRUE(app.delegate->wakeRestartPending());
    app.advance(1.24);
    EXPECT_EQ(app.session.starts, 1);
    app.advance(0.02);
    EXPECT_EQ(app.session.starts, 2);
    EXPECT_EQ(app.session.testModeAtStarts, QList<bool>({false, true}));
    EXPECT_FALSE(app.delegate->wakeRestartPending());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
}

TEST_F(Lifecycle, SleepWithTouchStoppedRestartsNothing) {
    app.delegate->toggleTouch();
    ASSERT_FALSE(app.session.running());
    app.workspace.sleep();
    app.workspace.wake();
    EXPECT_FALSE(app.delegate->wakeRestartPending());
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 1);
}

TEST_F(Lifecycle, AWakeWithTouchRunningAgainStopsItAndRestartsOnce) {
    // No sleep was seen (the sleep signal got lost), but the session runs at wake.
    app.workspace.wake();
    EXPECT_FALSE(app.session.running());
    app.workspace.wake();
    app.advance(1.25);
    EXPECT_EQ(app.session.starts, 2);
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 2);
}

TEST_F(Lifecycle, SleepingAgainBeforeTheRestartStillRestartsAfterTheNextWake) {
    app.session.setCompatibilityTestMode(true);
    app.workspace.sleep();
    app.workspace.wake();
    app.advance(1.0);
    app.workspace.sleep();
    EXPECT_FALSE(app.delegate->wakeRestartPending());
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 1);

    // Touch was on before the first sleep: the second wake brings it back, in test mode.
    app.workspace.wake();
    EXPECT_TRUE(app.delegate->wakeRestartPending());
    app.advance(1.25);
    EXPECT_EQ(app.session.starts, 2);
    EXPECT_EQ(app.session.testModeAtStarts, QList<bool>({false, true}));
}

TEST_F(Lifecycle, AnotherUserAtTheSeatStopsTouchUntilTheSeatComesBack) {
    app.workspace.setSessionActive(false);
    EXPECT_FALSE(app.session.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Stopped");
    // The machine sleeps and wakes while the other user has the seat: touch stays stopped.
    app.workspace.sleep();
    app.workspace.wake();
    app.advance(5.0);
    EXPECT_EQ(app.session.starts, 1);

    // The seat comes back: touch starts as after a wake.
    app.workspace.setSessionActive(true);
    EXPECT_TRUE(app.delegate->wakeRestartPending());
    app.advance(1.25);
    EXPECT_EQ(app.session.starts, 2);
    EXPECT_TRUE(app.session.running());
}

TEST_F(Lifecycle, ADeviceArrivingAtAnotherUsersSeatStartsNothing) {
    app.session.loseDevice();
    app.workspace.setSessionActive(false);
    app.delegate->hidDeviceChanged(true);
    app.advance(1.0);
    EXPECT_EQ(app.session.starts, 1);
    app.workspace.setSessionActive(true);
    app.delegate->hidDeviceChanged(true);
    app.advance(1.0);
    EXPECT_EQ(app.session.starts, 2);
}

TEST_F(Lifecycle, FiveDisplayChangesInABurstLeadToOneRefreshAfterTheLast) {
    for (int change = 0; change < 5; ++change) {
        app.displays.reconfiguration(2, OVDisplayMovedFlag);
        app.advance(0.075);
    }
    // 0.375 s after the first change; the last came at 0.3 s.
    EXPECT_EQ(app.session.refreshes, 0);
    app.advance(0.37);
    EXPECT_EQ(app.session.refreshes, 0);
    app.advance(0.01);
    EXPECT_EQ(app.session.refreshes, 1);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Display updated");
    app.advance(5.0);
    EXPECT_EQ(app.session.refreshes, 1);
}

TEST_F(Lifecycle, OnlyChangesOfTheArrangementRefreshTheMapping) {
    app.displays.reconfiguration(1, OVDisplaySetMainFlag);
    app.displays.reconfiguration(1, OVDisplayDesktopShapeChangedFlag);
    app.advance(1.0);
    EXPECT_EQ(app.session.refreshes, 0);

    for (const std::uint32_t flag :
         {OVDisplayBeginConfigurationFlag, OVDisplaySetModeFlag, OVDisplayAddFlag,
          OVDisplayRemoveFlag, OVDisplayEnabledFlag, OVDisplayDisabledFlag}) {
        app.displays.reconfiguration(1, flag | OVDisplaySetMainFlag);
        app.advance(1.0);
    }
    EXPECT_EQ(app.session.refreshes, 6);
}

TEST_F(Lifecycle, ARefreshIsSkippedWhileTouchIsStopped) {
    app.delegate->toggleTouch();
    OVDefaultCenter().post(OVDisplaySelectionDidChangeNotification);
    app.advance(1.0);
    EXPECT_EQ(app.session.refreshes, 0);
    app.delegate->toggleTouch();
    OVDefaultCenter().post(OVDisplaySelectionDidChangeNotification);
    app.advance(0.45);
    EXPECT_EQ(app.session.refreshes, 1);
}

TEST_F(Lifecycle, ANewDeviceChoiceRestartsARunningSessionButNotAStoppedOne) {
    OVDefaultCenter().post(OVDeviceSelectionDidChangeNotification);
    EXPECT_EQ(app.session.stops, 1);
    EXPECT_EQ(app.session.starts, 2);
    EXPECT_TRUE(app.session.running());

    app.delegate->toggleTouch();
    OVDefaultCenter().post(OVDeviceSelectionDidChangeNotification);
    EXPECT_EQ(app.session.starts, 2);
    EXPECT_FALSE(app.session.running());
}

TEST_F(Lifecycle, TheCompatibilityWindowsSwitchTestModeAndStartTouchWhenTheyBegin) {
    app.delegate->toggleTouch();
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, nullptr,
                           {{"enabled", true}});
    EXPECT_TRUE(app.session.running());
    EXPECT_TRUE(app.session.compatibilityTestMode());
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, nullptr,
                           {{"enabled", false}});
    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_TRUE(app.session.running()) << "the end of a test leaves touch running";
}

TEST_F(Lifecycle, ALostDeviceThatComesBackRestartsTouchWithoutAnAlert) {
    // The session ends by itself and says so; the menu follows at once.
    app.session.loseDevice();
    OVDefaultCenter().post(OVTouchDeviceLostNotification, &app.session);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
    app.platform.reportHIDDeviceChange({false, "/dev/hidraw3", nullptr});

    // The display comes back as several nodes within a moment.
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw3", nullptr});
    app.advance(0.2);
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw4", nullptr});
    app.advance(0.2);
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw5", nullptr});
    app.advance(0.49);
    EXPECT_EQ(app.session.starts, 1);
    app.advance(0.01);
    EXPECT_EQ(app.session.starts, 2);
    EXPECT_TRUE(app.session.running());
    EXPECT_TRUE(app.ui.alerts.isEmpty());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
}

TEST_F(Lifecycle, ARemovalAloneRefreshesTheMenuOnceItSettles) {
    app.session.loseDevice();
    app.platform.reportHIDDeviceChange({false, "/dev/hidraw3", nullptr});
    EXPECT_TRUE(app.delegate->deviceChangesPending());
    app.advance(0.5);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
    EXPECT_EQ(app.session.starts, 1);
}

TEST_F(Lifecycle, ADeviceArrivingLeavesTouchAloneWhenItWorksOrTheUserStoppedIt) {
    app.delegate->hidDeviceChanged(true);
    app.advance(1.0);
    EXPECT_EQ(app.session.starts, 1);
    EXPECT_EQ(app.session.stops, 0);

    app.delegate->toggleTouch();
    app.delegate->hidDeviceChanged(true);
    app.advance(1.0);
    EXPECT_FALSE(app.session.running());
}

TEST_F(Lifecycle, ADeviceThatStillFailsToStartStaysQuiet) {
    app.session.loseDevice();
    app.session.failStartsWith(startError(4, "No compatible HID touch descriptor was found."),
                               OVTouchStatus::DeviceNotFound);
    app.delegate->hidDeviceChanged(true);
    app.advance(1.0);
    EXPECT_EQ(app.session.starts, 2);
    EXPECT_TRUE(app.ui.alerts.isEmpty());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
}

TEST_F(Lifecycle, AutomaticSwitchingFollowsTheFrontmostApplicationButNotOrvettaItself) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Safari"));
    OVSetActiveSettingsProfile(OVDefaultProfileName);

    app.workspace.activateApplication({"com.example.browser", "Safari"});
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");
    EXPECT_EQ(app.ui.menu.profileTitle, "Profile: Safari");

    app.workspace.activateApplication({"orvetta", "Orvetta"});
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");

    app.workspace.activateApplication({"org.example.files", "Files"});
    EXPECT_EQ(OVActiveSettingsProfileName(), OVDefaultProfileName);
    EXPECT_EQ(app.ui.menu.profileTitle, "Profile: Default");
}

TEST_F(Lifecycle, ALaterStartOfTheProgramRevealsTheMenu) {
    ASSERT_TRUE(app.workspace.activationRequested);
    app.workspace.activationRequested();
    EXPECT_EQ(app.ui.reveals, 1);

    app.delegate->applicationWillTerminate();
    EXPECT_FALSE(app.workspace.activationRequested);
    EXPECT_FALSE(app.platform.hidDeviceChangeCallback);
}

}  // namespace
