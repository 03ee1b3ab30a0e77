#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/app_test_helpers.h"
#include "compat/intro_check.h"
#include "compat/step_test.h"

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

// A compatibility window taking test mode for itself or giving it back.
void postTestMode(const void* window, bool enabled) {
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, window,
                           {{"enabled", enabled}});
}

TEST_F(Lifecycle, SleepStopsTouchAndWakeRestartsItAfterOnePointTwoFiveSecondsInTheSameMode) {
    const int window = 0;
    postTestMode(&window, true);
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
    const int window = 0;
    postTestMode(&window, true);
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
    const int window = 0;
    postTestMode(&window, true);
    EXPECT_TRUE(app.session.running());
    EXPECT_TRUE(app.session.compatibilityTestMode());
    postTestMode(&window, false);
    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_TRUE(app.session.running()) << "the end of a test leaves touch running";
}

TEST_F(Lifecycle, TestModeHeldByTheCheckOutlastsTheStepTestOpeningAndClosing) {
    OVIntroCompatibilityCheckModel check;
    check.startCheck();
    ASSERT_TRUE(app.session.compatibilityTestMode());

    OVCompatibilityTestModel stepTest;
    stepTest.resetIntro();  // the step test's window shows
    EXPECT_TRUE(app.session.compatibilityTestMode()) << "the check still holds it";
    stepTest.startTest();
    app.advance(63.0);  // every step times out and the run finishes
    ASSERT_EQ(stepTest.state(), OVCompatibilityTestModel::State::Finished);
    stepTest.windowWillClose();
    EXPECT_TRUE(app.session.compatibilityTestMode());

    check.windowWillClose();  // not required: closing gives it back
    EXPECT_FALSE(app.session.compatibilityTestMode());
    EXPECT_EQ(app.session.testModeChanges, QList<bool>({true, false}));
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

TEST_F(Lifecycle, ADisplayBackLaterThanTheWakeRestartStartsWhenItAppearsWithoutAnAlert) {
    app.workspace.sleep();
    app.session.failStartsWith(startError(3, "Compatible HID touch device was not found."),
                               OVTouchStatus::DeviceNotFound);
    app.workspace.wake();
    app.advance(1.25);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");

    // The display re-enumerates 2 s after the wake.
    app.advance(0.75);
    app.session.succeedStarts();
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw3", nullptr});
    app.advance(0.49);
    EXPECT_FALSE(app.session.running());
    app.advance(0.01);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
    EXPECT_EQ(app.session.starts, 3);
    EXPECT_TRUE(app.ui.alerts.isEmpty());
}

TEST_F(Lifecycle, AutomaticStartsWithoutPermissionNotifyOncePerLaunchAndOnlyTheUserGetsAnAlert) {
    app.session.failStartsWith(startError(10, "Missing permission: Input Monitoring"),
                               OVTouchStatus::NeedsPermission);
    app.workspace.sleep();
    app.workspace.wake();
    app.advance(1.25);
    app.delegate->hidDeviceChanged(true);  // a device comes: touch is tried again
    app.advance(0.5);
    EXPECT_EQ(app.session.starts, 3);
    EXPECT_TRUE(app.ui.alerts.isEmpty());
    ASSERT_EQ(app.notifications.delivered().size(), 1);
    EXPECT_EQ(app.notifications.delivered()[0].link.fragment(), "input-monitoring");

    app.delegate->toggleTouch();
    EXPECT_EQ(app.ui.alertMessages(), QStringList({"Orvetta needs permission"}));
}

TEST(PreferencesOnDisk, WhatAnotherProgramWritesReachesTheMenuAndTheSession) {
    QTemporaryDir dir;
    OVPreferences store(dir.filePath("preferences.json"), nullptr);
    AppFixture app;
    app.usePreferences(store);
    app.setUpReturningUser();
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    OVSetActiveSettingsProfile(OVDefaultProfileName);
    app.launch();
    app.advance(0.0);
    ASSERT_TRUE(store.synchronize());

    OVPreferences other(store.path(), nullptr);
    other.setObject("activeSettingsProfile", "Work");
    other.setObject("deviceSelection", "0eef:0001:00000000:::");
    ASSERT_TRUE(other.synchronize());
    store.takeInFileChanges();  // as the file watch does when the file changes
    EXPECT_EQ(app.ui.menu.profileTitle, "Profile: Work");
    EXPECT_EQ(app.session.starts, 2) << "the session follows the new device choice";
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
    app.workspace.activationRequested({});
    EXPECT_EQ(app.ui.reveals, 1);
    app.advance(1.0);
    EXPECT_TRUE(app.ui.alerts.isEmpty());

    // One given the first-install switch brings the welcome and the check back.
    app.workspace.activationRequested({true});
    app.advance(0.0);
    EXPECT_EQ(app.ui.alertMessages(), QStringList({"Welcome to Orvetta"}));
    EXPECT_TRUE(app.session.compatibilityTestMode());
    EXPECT_EQ(app.ui.windows, QList<OVAppWindow>({OVAppWindow::CompatibilityCheck}));
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Compatibility check required");

    app.delegate->applicationWillTerminate();
    EXPECT_FALSE(app.workspace.activationRequested);
    EXPECT_FALSE(app.platform.hidDeviceChangeCallback);
}

}  // namespace
