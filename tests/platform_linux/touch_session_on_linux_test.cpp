#include <errno.h>
#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/linux/linux_hid_manager.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"
#include "platform/sim/sim_permissions.h"
#include "platform_linux/hid_testbed_helpers.h"
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
