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
        app.delegate = std::make_unique<OVAppDelegate>(session, app.ui);
        app.delegate->setRunningVersion("2.4.0");
    }
    ~ShellWithBridge() override {
        app.delegate.reset();
        bridge.stop();
    }

    AppFixture app;
    OVSimEventPoster poster;
    OVTouchBridge bridge;
    OVBridgeTouchSession session{bridge};
};

TEST_F(ShellWithBridge, TouchFollowsTheDisplayAndOnlyTheUsersStartAlerts) {
    app.launch();
    app.advance(0.0);
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
    app.delegate->toggleTouch();
    EXPECT_EQ(app.ui.alerts.messages, QStringList({"Touch display not found"}));

    // Plugged in: touch comes half a second after the last node appeared.
    const OVSimHIDDeviceRef display =
        app.devices.add({{"VendorID", 0x04E8},
                         {"ProductID", 0x2D50},
                         {"PrimaryUsagePage", 0x0D},
                         {"PrimaryUsage", 4}},
                        OVHIDTouchScreenDescriptor(OVHIDTouchScreenDescription{}));
    app.platform.reportHIDDeviceChange({true, "/dev/hidraw0", display});
    app.advance(0.5);
    EXPECT_TRUE(bridge.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Touch active");

    // Unplugged: the session ends and the menu says so at once.
    app.devices.remove(display);
    app.advance(0.0);
    EXPECT_FALSE(bridge.running());
    EXPECT_EQ(app.ui.menu.statusTitle, "Status: Device not found");
}

}  // namespace
