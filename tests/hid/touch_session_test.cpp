// The touch session end to end on sim devices, permissions and one 1920×1080 display, in virtual
// time: start and stop, what keeps it from starting, reports driving the pointer, an unplugged
// device, and taking the device's input from the desktop again with back-off.

#include <errno.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/descriptor_summary.h"
#include "hid/device_discovery.h"
#include "hid/touch_bridge.h"
#include "hid_test_support.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"
#include "platform/sim/sim_hid_manager.h"
#include "platform/sim/sim_permissions.h"
#include "settings/profiles.h"
#include "support/log_capture.h"

using namespace hidtest;

namespace {

// A sim device that notes when the session takes its input from the desktop and gives it back.
class GrabbingDevice : public OVSimHIDDevice {
  public:
    using OVSimHIDDevice::OVSimHIDDevice;
    OVExclusiveUse takeExclusiveUse() override {
        takeTimes.push_back(OVMainScheduler().now());
        return held;
    }
    void releaseExclusiveUse() override { ++releases; }
    OVExclusiveUse held;  // what a take answers: everything by default
    std::vector<double> takeTimes;
    int releases = 0;
};

class TouchSessionTest : public ::testing::Test {
  protected:
    TouchSessionTest() : poster(*guard.virtualScheduler()) {
        OVRegisterDefaults();
        displays.setDisplays(
            {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true)});
        platform.poster = &poster;
        platform.displays = &displays;
        platform.permissionService = &permissions;
        platform.hidManagerFactory = devices.managerFactory();
        guard.setPlatform(&platform);
        bridge = std::make_unique<OVTouchBridge>();
    }

    // A touch display whose raw range is the display's points; `descriptor` replaces its own.
    std::shared_ptr<GrabbingDevice> addDisplay(int fingers = 5, int location = 0x01400000,
                                               const QByteArray& descriptor = QByteArray()) {
        OVHIDTouchScreenDescription description;
        description.fingers = fingers;
        description.xMaximum = 1920;
        description.yMaximum = 1080;
        auto device = std::make_shared<GrabbingDevice>(
            QVariantMap{{"VendorID", 0x04E8},
                        {"ProductID", 0x2D50},
                        {"LocationID", location},
                        {"PrimaryUsagePage", 0x0D},
                        {"PrimaryUsage", 0x04},
                        {"Product", QStringLiteral("Display %1").arg(fingers)}},
            descriptor.isNull() ? OVHIDTouchScreenDescriptor(description) : descriptor);
        device->setNodePath(QStringLiteral("/dev/hidraw%1").arg(devices.devices().size()));
        devices.add(device);
        return device;
    }

    // A report with one finger down at (x, y) in display points, or with none.
    QByteArray touchReport(int x = -1, int y = 0) const {
        const OVTouchContact finger = fingerAt(1, x, y);
        return OVTouchReport(bridge->hidLayout(), &finger, x < 0 ? 0 : 1, x < 0 ? 0 : 1);
    }

    void advance(double seconds) { guard.virtualScheduler()->advance(seconds); }

    OVServicesGuard guard;
    OVSimEventPoster poster;
    OVSimDisplayServices displays;
    OVSimPermissions permissions;
    OVSimHIDDeviceSet devices;
    OVAssembledPlatform platform;
    std::unique_ptr<OVTouchBridge> bridge;
};

}  // namespace

TEST_F(TouchSessionTest, StartsOnTheFirstCompatibleOrTheSelectedDeviceAndStops) {
    const auto first = addDisplay(5);
    const auto twin = addDisplay(7, 0x01500000);
    OVError error;
    ASSERT_TRUE(bridge->start(&error)) << error.description.toStdString();
    EXPECT_EQ(bridge->statusText(), "Touch active");
    EXPECT_EQ(OVHIDReportDescriptorHex(),
              OVHexStringForData(OVHIDReportDescriptorForDevice(*first)));
    EXPECT_TRUE(bridge->start(&error));  // a second start touches nothing
    EXPECT_EQ(devices.managersCreated(), 1);
    bridge->stop();
    EXPECT_TRUE(OVHIDReportDescriptorHex().isEmpty());
    EXPECT_EQ(first->releases, 1);

    OVStandardPreferences().setObject("deviceSelection", OVDeviceSignature(*twin));
    ASSERT_TRUE(bridge->start());
    EXPECT_EQ(bridge->hidLayout().contactCount, 7);
    bridge->stop();
    // The same vendor and product at another place: matched, then refused; no fallback.
    OVStandardPreferences().setObject("deviceSelection", "04e8:2d50:01600000:-:Display 7:-");
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.description, "Selected touch device was not found or could not be parsed.");
}

TEST_F(TouchSessionTest, WhatKeepsASessionFromStarting) {
    OVError error;
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.description, "Compatible HID touch device was not found.");
    EXPECT_EQ(bridge->statusText(), "Device not found");

    // A touch screen that describes a mouse.
    addDisplay(5, 1,
               QByteArray::fromHex("05010902a101050919012903150025017501950381020501093009"
                                   "311581257f750895028106c0"));
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.description, "No compatible HID touch descriptor was found.");

    addDisplay(5, 2);
    permissions.setCanPostEvents(false);
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(bridge->statusText(), "Needs permission");
}

TEST_F(TouchSessionTest, ReportsDriveThePointerAndAnUnpluggedDeviceEndsTheSession) {
    const auto display = addDisplay();
    ASSERT_TRUE(bridge->start());
    std::vector<QVariantMap> lost;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVTouchDeviceLostNotification, bridge.get(),
                  [&](const OVNotification& note) { lost.push_back(note.userInfo); });

    // A finger holds the left button down, moves, and the display goes.
    display->deliverInputReport(touchReport(300, 200));
    advance(0.3);
    display->deliverInputReport(touchReport(320, 200));
    ASSERT_TRUE(bridge->mouseDown());
    devices.remove(display);

    EXPECT_EQ(bridge->statusText(), "Device not found");
    EXPECT_TRUE(poster.lines().filter("mouse").last().contains("mouse type=2 button=0 x=320.00"));
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].value("errorNumber").toInt(), ENODEV);
}

TEST_F(TouchSessionTest, InputTheDesktopAlsoReceivesIsTakenAgainWithBackOff) {
    const auto display = addDisplay();
    display->held.unheldNodes = QStringList{"/dev/input/event7: Device or resource busy"};
    int statusChanges = 0;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVTouchStatusDidChangeNotification, bridge.get(),
                  [&](const OVNotification&) { ++statusChanges; });
    OVLogCapture log;
    const double startTime = OVMainScheduler().now();
    ASSERT_TRUE(bridge->start());
    EXPECT_EQ(bridge->statusText(), "Touch active, but the desktop also receives every touch");

    // Tries 1 s later, then twice as long each time up to 30 s, and logs only what changed.
    advance(100.0);
    std::vector<double> after;
    for (double time : display->takeTimes) {
        after.push_back(time - startTime);
    }
    EXPECT_EQ(after, (std::vector<double>{0, 1, 3, 7, 15, 31, 61, 91}));
    EXPECT_EQ(statusChanges, 0);

    // Part of it held at the next try: the menu hears of it.
    display->held = {{"/dev/input/event8"}, {"/dev/input/event7: Device or resource busy"}};
    advance(30.0);
    EXPECT_EQ(bridge->status(), OVTouchStatus::PartlySharedWithDesktop);
    EXPECT_EQ(statusChanges, 1);

    // No try while a finger is down: the one after it lifted takes the rest, and the last.
    display->held = {{"/dev/input/event7", "/dev/input/event8"}, {}};
    display->deliverInputReport(touchReport(300, 200));
    const size_t takes = display->takeTimes.size();
    advance(30.0);
    EXPECT_EQ(display->takeTimes.size(), takes);
    display->deliverInputReport(touchReport());
    advance(130.0);
    EXPECT_EQ(display->takeTimes.size(), takes + 1);
    EXPECT_EQ(statusChanges, 2);
    EXPECT_TRUE(log.lines().last().contains(
        "/dev/hidraw0: kept from the desktop: /dev/input/event7, /dev/input/event8"));
}
