#include <gtest/gtest.h>

#include "app/app_test_helpers.h"
#include "app/bridge_touch_session.h"
#include "hid/descriptor_writer.h"
#include "hid/touch_bridge.h"
#include "platform/sim/sim_event_poster.h"

namespace {

// The shell over the real touch bridge, with sim touch displays and sim event output.
class ShellWithBridge : public ::testing::Test {
  protected:
    ShellWithBridge() : poster(app.scheduler()) {
        app.platform.poster = &poster;
        app.setUpReturningUser();
        bridgeDelegate = std::make_unique<OVAppDelegate>(session, app.ui);
        bridgeDelegate->setRunningVersion("2.4.0");
    }
    ~ShellWithBridge() override {
        bridgeDelegate.reset();
        bridge.stop();
    }

    OVSimHIDDeviceRef attachDisplay() {
        OVHIDTouchScreenDescription description;
        description.fingers = 5;
        return app.devices.add({{"VendorID", 0x04E8},
                                {"ProductID", 0x2D50},
                                {"LocationID", 0x01400000},
                                {"PrimaryUsagePage", 0x0D},
                                {"PrimaryUsage", 0x04},
                                {"Manufacturer", "Acme"},
                                {"Product", "Touch Display"}},
                               OVHIDTouchScreenDescriptor(description));
    }
    void launch() {
        bridgeDelegate->applicationDidFinishLaunching();
        app.advance(0.0);
    }

    AppFixture app;
    OVSimEventPoster poster;
    OVTouchBridge bridge;
    OVBridgeTouchSession session{bridge};
    std::unique_ptr<OVAppDelegate> bridgeDelegate;
};

TEST_F(ShellWithBridge, TouchStartsOnTheAttachedDisplayAndReturnsWithIt) {
    const OVSimHIDDeviceRef display = attachDisplay();
    launch();
    EXPECT_TRUE(bridge.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
    EXPECT_EQ(app.ui.menu.toggleTitle, "Stop Touch");

    // Unplugged: the session ends and the menu says so at once.
    app.devices.remove(display);
    app.advance(0.0);
    EXPECT_FALSE(bridge.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
    EXPECT_EQ(app.ui.menu.toggleTitle, "Start Touch");

    // Plugged in again: touch comes back half a second after the last node appeared.
    const OVSimHIDDeviceRef returned = attachDisplay();
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw0", returned});
    app.advance(0.5);
    EXPECT_TRUE(bridge.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");
    EXPECT_TRUE(app.ui.alerts.isEmpty());
}

TEST_F(ShellWithBridge, WithoutADisplayTheLaunchSaysSoAndStartTouchAlertsWithOnlyOK) {
    launch();
    EXPECT_FALSE(bridge.running());
    EXPECT_TRUE(app.ui.alerts.isEmpty());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
    bridgeDelegate->toggleTouch();
    ASSERT_EQ(app.ui.alerts.size(), 1);
    EXPECT_EQ(app.ui.alerts[0].messageText, "Touch display not found");
    EXPECT_EQ(app.ui.alerts[0].buttonTitles, QStringList({"OK"}));
    EXPECT_TRUE(app.ui.alerts[0].informativeText.startsWith(
        "Compatible HID touch device was not found.\n\n"));
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
}

TEST_F(ShellWithBridge, AStartWithBothPermissionsDeniedOffersBothOpenButtons) {
    attachDisplay();
    launch();
    bridgeDelegate->toggleTouch();
    ASSERT_FALSE(bridge.running());

    app.permissions.setCanPostEvents(false);
    app.permissions.setCanListenToInput(false);
    app.ui.answers = {1};
    bridgeDelegate->toggleTouch();
    ASSERT_EQ(app.ui.alerts.size(), 1);
    EXPECT_EQ(app.ui.alerts[0].buttonTitles,
              QStringList({"Open Input Monitoring", "Open Accessibility", "OK"}));
    EXPECT_TRUE(app.ui.alerts[0].informativeText.startsWith(
        "Missing permission: Accessibility, Input Monitoring\n\n"));
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Needs permission");
    ASSERT_EQ(app.workspace.openedURLs().size(), 1);
    EXPECT_EQ(app.workspace.openedURLs()[0].fragment(), "accessibility");
}

TEST_F(ShellWithBridge, TheFirstRunCheckRunsTheRealSessionInTestMode) {
    attachDisplay();
    app.preferences().setBool(OVInitialCompatibilityReportSentKey, false);
    launch();
    EXPECT_TRUE(bridge.running());
    EXPECT_TRUE(bridge.compatibilityTestMode());
    EXPECT_EQ(app.ui.windows, QList<OVAppWindow>({OVAppWindow::CompatibilityCheck}));

    app.preferences().setBool(OVInitialCompatibilityReportSentKey, true);
    OVDefaultCenter().post(OVInitialCompatibilityCompletedNotification);
    EXPECT_FALSE(bridge.compatibilityTestMode());
    EXPECT_TRUE(bridge.running());
}

}  // namespace
