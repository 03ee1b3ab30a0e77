#include <errno.h>
#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/diagnostics_report.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/linux/linux_hid_manager.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"
#include "platform/sim/sim_permissions.h"
#include "platform/linux/hid_testbed_helpers.h"
#include "settings/profiles.h"

// The touch session on the Linux HID manager: a display in the testbed, its reports through
// hidraw, its event nodes held, and its unplugging.

namespace {

constexpr int kWaitMilliseconds = 5000;

class TouchSessionOnLinuxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HIDTestbed::available()) {
            ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
            GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
        }
        OVRegisterDefaults();
        displays.setDisplays(
            {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true)});
        platform.poster = &poster;
        platform.displays = &displays;
        platform.permissionService = &permissions;
        platform.hidManagerFactory = [] { return std::make_unique<OVLinuxHIDManager>(); };
        guard.setPlatform(&platform);
        testbed = std::make_unique<HIDTestbed>();
        OVHIDTouchScreenDescription description;
        description.fingers = 5;
        description.xMaximum = 1920;
        description.yMaximum = 1080;
        descriptor = OVHIDTouchScreenDescriptor(description);
        layout = OVHIDDigitizerLayoutBuild(descriptor);
    }

    QByteArray report(std::initializer_list<QPointF> points) const {
        std::vector<OVTouchContact> contacts;
        for (const QPointF& point : points) {
            OVTouchContact contact;
            contact.contactId = static_cast<std::uint8_t>(contacts.size() + 1);
            contact.x = static_cast<std::uint32_t>(point.x());
            contact.y = static_cast<std::uint32_t>(point.y());
            contact.kind = OVContactKindFinger;
            contacts.push_back(contact);
        }
        return OVTouchReport(layout, contacts.data(), int(contacts.size()),
                             std::uint32_t(contacts.size()));
    }

    bool waitForEvents(size_t count) {
        return QTest::qWaitFor([&] { return poster.events().size() >= count; }, kWaitMilliseconds);
    }

    OVServicesGuard guard;
    OVSimEventPoster poster = OVSimEventPoster(*guard.virtualScheduler());
    OVSimDisplayServices displays;
    OVSimPermissions permissions;
    OVAssembledPlatform platform;
    std::unique_ptr<HIDTestbed> testbed;
    QByteArray descriptor;
    OVHIDDigitizerLayout layout;
};

}  // namespace

TEST_F(TouchSessionOnLinuxTest, ReportsHoldAndUnplug) {
    HIDTestbed::USBDevice usb;
    usb.productName = QStringLiteral("Touch Display");
    HIDTestbed::Device& display = testbed->addUSBDevice(2, usb, descriptor);
    HIDTestbed::EventNodeState& touchNode = testbed->addEventNode(display, 30, 12);

    OVTouchBridge bridge;
    OVError error;
    ASSERT_TRUE(bridge.start(&error)) << error.description.toStdString();
    EXPECT_TRUE(touchNode.grabbed);  // nothing was down as the session started

    std::vector<QVariantMap> lost;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVTouchDeviceLostNotification, &bridge,
                  [&](const OVNotification& note) { lost.push_back(note.userInfo); });

    testbed->sendReport(display, report({{640, 360}}));
    ASSERT_TRUE(waitForEvents(1));           // the cursor goes to the touch
    guard.virtualScheduler()->advance(0.2);  // the touch delay: the press is posted
    ASSERT_TRUE(bridge.mouseDown());

    testbed->unplug(display);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lost.empty(); }, kWaitMilliseconds));
    EXPECT_FALSE(bridge.running());
    EXPECT_EQ(bridge.statusText().toStdString(), "Device not found");
    EXPECT_FALSE(bridge.mouseDown());
    EXPECT_EQ(poster.lines().last().toStdString(),
              "0.200 mouse type=2 button=0 x=640.00 y=360.00 flags=0x0 clicks=1");
    EXPECT_FALSE(touchNode.grabbed);
    EXPECT_EQ(lost[0].value("errorNumber").toInt(), ENODEV);
    EXPECT_EQ(lost[0].value("node").toString().toStdString(), "/dev/hidraw2");
    EXPECT_EQ(lost.size(), 1u);
}

TEST_F(TouchSessionOnLinuxTest, ANodeHeldElsewhereIsTriedAgainOnTheSchedulerNotPerReport) {
    HIDTestbed::USBDevice usb;
    usb.productName = QStringLiteral("Touch Display");
    HIDTestbed::Device& display = testbed->addUSBDevice(2, usb, descriptor);
    HIDTestbed::EventNodeState& touchNode = testbed->addEventNode(display, 30, 12);
    HIDTestbed::EventNodeState& penNode = testbed->addEventNode(display, 31, 13);
    touchNode.grabError = EBUSY;  // another program holds it

    OVTouchBridge bridge;
    ASSERT_TRUE(bridge.start());
    EXPECT_TRUE(penNode.grabbed);
    EXPECT_EQ(bridge.statusText().toStdString(),
              "Touch active, but the desktop also receives some touches");
    EXPECT_TRUE(OVDeviceReportText().contains(
        "\nTouch input of the device in use:\n- the desktop also receives touches through "
        "/dev/input/event12: Device or resource busy; kept from it: /dev/input/event13\n"));
    EXPECT_EQ(touchNode.grabRequests, 1);

    // Taps lift every contact, and not one of them looks at the nodes. (A pseudo-terminal keeps
    // no report boundaries: each report is read before the next is sent.)
    for (int tap = 0; tap < 3; ++tap) {
        testbed->sendReport(display, report({{640.0 + 100 * tap, 360}}));
        ASSERT_TRUE(waitForEvents(poster.events().size() + 1));  // the cursor moves
        testbed->sendReport(display, report({}));
        ASSERT_TRUE(waitForEvents(poster.events().size() + 2));  // press and release
    }
    EXPECT_EQ(touchNode.grabRequests, 1);

    // 1 s after the start, then 2 s after that, then 4 s.
    guard.virtualScheduler()->advance(0.9);
    EXPECT_EQ(touchNode.grabRequests, 1);
    guard.virtualScheduler()->advance(0.1);
    EXPECT_EQ(touchNode.grabRequests, 2);
    guard.virtualScheduler()->advance(2.0);
    EXPECT_EQ(touchNode.grabRequests, 3);
    touchNode.grabError = 0;
    guard.virtualScheduler()->advance(4.0);
    EXPECT_TRUE(touchNode.grabbed);
    EXPECT_EQ(bridge.statusText().toStdString(), "Touch active");
    guard.virtualScheduler()->advance(60.0);
    EXPECT_EQ(touchNode.grabRequests, 4);
    bridge.stop();
    EXPECT_FALSE(touchNode.grabbed);
    EXPECT_FALSE(penNode.grabbed);
}

TEST_F(TouchSessionOnLinuxTest, AutoPrefersAUSBDisplayToTheBuiltInPanel) {
    // The laptop's own panel (I2C) has the lower number; the USB display has five contacts.
    OVHIDTouchScreenDescription panel;
    panel.fingers = 2;
    testbed->addOtherDevice(0, QStringLiteral("0018:000004F3:00002A1C"),
                            QStringLiteral("ELAN touch panel"), QStringLiteral("i2c-ELAN"),
                            QString(), OVHIDTouchScreenDescriptor(panel));
    HIDTestbed::USBDevice usb;
    usb.productName = QStringLiteral("Touch Display");
    HIDTestbed::Device& display = testbed->addUSBDevice(4, usb, descriptor);

    OVTouchBridge bridge;
    ASSERT_TRUE(bridge.start());
    EXPECT_EQ(bridge.hidLayout().contactCount, 5);
    bridge.stop();

    // Nothing else attached: the panel it is.
    testbed->unplug(display);
    ASSERT_TRUE(bridge.start());
    EXPECT_EQ(bridge.hidLayout().contactCount, 2);
}

TEST_F(TouchSessionOnLinuxTest, AnOpenFailureNamesTheSystemsReason) {
    HIDTestbed::USBDevice usb;
    usb.productName = QStringLiteral("Touch Display");
    testbed->addUSBDevice(2, usb, descriptor, false);  // no node to open

    OVTouchBridge bridge;
    OVError error;
    EXPECT_FALSE(bridge.start(&error));
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_EQ(error.description.toStdString(),
              "Could not open HID touch input: No such file or directory");
    EXPECT_EQ(bridge.status(), OVTouchStatus::NeedsPermission);
}
