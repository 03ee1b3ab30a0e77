#include <errno.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/descriptor_writer.h"
#include "hid/device_discovery.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"
#include "platform/sim/sim_hid_manager.h"
#include "platform/sim/sim_permissions.h"
#include "settings/profiles.h"
#include "support/log_capture.h"

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// A mouse: a descriptor without any touch layout.
QByteArray mouseDescriptor() {
    return QByteArray::fromHex(
        "05010902a101050919012903150025017501950381020501093009311581257f"
        "750895028106c0");
}

// A sim device whose input the desktop also reads, as the test says, and that notes when the
// session takes it and gives it back.
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

struct Display {
    int vendor = 0x04E8;
    int product = 0x2D50;
    int location = 0x01400000;
    QString product_name = QStringLiteral("Touch Display");
    int fingers = 5;
};

// A bridge on one 1920×1080 sim display with sim HID devices and permissions, in virtual time.
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

    std::shared_ptr<GrabbingDevice> addDisplay(const Display& display = Display(),
                                               QByteArray descriptor = QByteArray()) {
        OVHIDTouchScreenDescription description;
        description.fingers = display.fingers;
        description.xMaximum = 1920;
        description.yMaximum = 1080;
        if (descriptor.isNull()) {
            descriptor = OVHIDTouchScreenDescriptor(description);
        }
        auto device =
            std::make_shared<GrabbingDevice>(QVariantMap{{"VendorID", display.vendor},
                                                         {"ProductID", display.product},
                                                         {"LocationID", display.location},
                                                         {"PrimaryUsagePage", 0x0D},
                                                         {"PrimaryUsage", 0x04},
                                                         {"Manufacturer", "Acme"},
                                                         {"Product", display.product_name}},
                                             descriptor);
        device->setNodePath(QStringLiteral("/dev/hidraw%1").arg(devices.devices().size()));
        devices.add(device);
        return device;
    }

    // A report with one finger at each point (display points: the raw range is the display).
    QByteArray touchReport(const std::vector<QPointF>& points) const {
        std::vector<OVTouchContact> contacts;
        for (size_t i = 0; i < points.size(); ++i) {
            OVTouchContact contact;
            contact.contactId = static_cast<std::uint8_t>(i + 1);
            contact.x = static_cast<std::uint32_t>(points[i].x());
            contact.y = static_cast<std::uint32_t>(points[i].y());
            contact.kind = OVContactKindFinger;
            contacts.push_back(contact);
        }
        return OVTouchReport(bridge->hidLayout(), contacts.data(), int(contacts.size()),
                             std::uint32_t(contacts.size()));
    }

    void advance(double seconds) { guard.virtualScheduler()->advance(seconds); }

    QStringList mouseLines() const {
        QStringList lines;
        for (const QString& line : poster.lines()) {
            if (line.contains(QLatin1String("mouse"))) {
                lines.append(line);
            }
        }
        return lines;
    }

    OVServicesGuard guard;
    OVSimEventPoster poster;
    OVSimDisplayServices displays;
    OVSimPermissions permissions;
    OVSimHIDDeviceSet devices;
    OVAssembledPlatform platform;
    std::unique_ptr<OVTouchBridge> bridge;
};

}  // namespace

TEST_F(TouchSessionTest, StartsOnTheFirstCompatibleDeviceAndStops) {
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Stopped"));
    const auto first = addDisplay({0x04E8, 0x2D50, 0x01400000, "First", 5});
    const auto second = addDisplay({0x04E8, 0x2D51, 0x01500000, "Second", 10});

    OVError error;
    ASSERT_TRUE(bridge->start(&error)) << error.description.toStdString();
    EXPECT_TRUE(bridge->running());
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Touch active"));
    EXPECT_EQ(bridge->hidDecoderStatus(),
              QStringLiteral("HidDigitizerDescriptor report=1 contacts=5"));
    EXPECT_EQ(bridge->hidLayout().contactCount, 5);
    EXPECT_EQ(OVHIDReportDescriptorHex(),
              OVHexStringForData(OVHIDReportDescriptorForDevice(*first)));
    EXPECT_FALSE(OVHIDReportDescriptorSummary().isEmpty());
    EXPECT_TRUE(first->isOpen());
    EXPECT_EQ(first->takeTimes.size(), 1u);
    EXPECT_TRUE(second->takeTimes.empty());  // open under the manager, not listened to

    // A second start touches nothing.
    EXPECT_TRUE(bridge->start(&error));
    EXPECT_EQ(devices.managersCreated(), 1);

    bridge->stop();
    EXPECT_FALSE(bridge->running());
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Stopped"));
    EXPECT_EQ(bridge->hidDecoderStatus(), QStringLiteral("No descriptor decoder"));
    EXPECT_FALSE(bridge->hidLayout().valid);
    EXPECT_TRUE(OVHIDReportDescriptorHex().isEmpty());
    EXPECT_TRUE(OVHIDReportDescriptorSummary().isEmpty());
    EXPECT_FALSE(first->isOpen());
    EXPECT_EQ(first->releases, 1);
    bridge->stop();  // safe when stopped
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Stopped"));
}

TEST_F(TouchSessionTest, MissingPermissions) {
    addDisplay();
    permissions.setCanListenToInput(false);
    OVError error;
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.domain, QStringLiteral("Orvetta"));
    EXPECT_EQ(error.code, 10);
    EXPECT_EQ(error.description, QStringLiteral("Missing permission: Input Monitoring"));
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Needs permission"));
    EXPECT_EQ(permissions.listenAccessRequests(), 1);
    EXPECT_EQ(permissions.postEventAccessRequests(), 0);
    EXPECT_EQ(devices.managersCreated(), 0);

    permissions.setCanPostEvents(false);
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.description,
              QStringLiteral("Missing permission: Accessibility, Input Monitoring"));
    EXPECT_EQ(permissions.postEventAccessRequests(), 1);

    // A request that grants: listening is checked again and counts; posting's first answer stands.
    permissions.setRequestsGrant(true);
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.description, QStringLiteral("Missing permission: Accessibility"));
    EXPECT_TRUE(bridge->start(&error));
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Touch active"));
}

TEST_F(TouchSessionTest, DevicesThatCannotServe) {
    OVError error;
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.code, 3);
    EXPECT_EQ(error.description, QStringLiteral("Compatible HID touch device was not found."));
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Device not found"));

    // A device that calls itself a touch screen but describes a mouse, then one with no
    // descriptor at all.
    const auto noLayout = addDisplay({0x04E8, 1, 0x01400000, "No layout", 5}, mouseDescriptor());
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.code, 4);
    EXPECT_EQ(error.description, QStringLiteral("No compatible HID touch descriptor was found."));
    EXPECT_EQ(bridge->hidDecoderStatus(),
              QStringLiteral("Descriptor parser could not build touch layout"));
    EXPECT_FALSE(bridge->running());
    addDisplay({0x04E8, 2, 0x01500000, "No descriptor", 5}, QByteArray(""));
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(bridge->hidDecoderStatus(), QStringLiteral("HID report descriptor unavailable"));
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Device not found"));
    EXPECT_FALSE(noLayout->isOpen());

    devices.setOpenResult(13);
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.code, 13);
    EXPECT_EQ(error.description, QStringLiteral("Could not open HID touch input: 0xd"));
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Needs permission"));
}

TEST_F(TouchSessionTest, ASelectedDeviceAndNoOther) {
    const auto chosen = addDisplay({0x04E8, 0x2D50, 0x01400000, "Chosen", 5});
    const auto twin = addDisplay({0x04E8, 0x2D50, 0x01500000, "Twin", 7});
    OVStandardPreferences().setObject(QStringLiteral("deviceSelection"), OVDeviceSignature(*twin));
    OVError error;
    ASSERT_TRUE(bridge->start(&error)) << error.description.toStdString();
    EXPECT_EQ(bridge->hidLayout().contactCount, 7);
    EXPECT_FALSE(twin->takeTimes.empty());
    EXPECT_TRUE(chosen->takeTimes.empty());
    bridge->stop();

    // The same vendor and product but another place: matched, then refused; no fallback.
    OVStandardPreferences().setObject(QStringLiteral("deviceSelection"),
                                      QStringLiteral("04e8:2d50:01600000:Acme:Twin:-"));
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.code, 4);
    EXPECT_EQ(error.description,
              QStringLiteral("Selected touch device was not found or could not be parsed."));
    OVStandardPreferences().setObject(QStringLiteral("deviceSelection"),
                                      QStringLiteral("1111:2222:01600000:Acme:Other:-"));
    EXPECT_FALSE(bridge->start(&error));
    EXPECT_EQ(error.code, 3);
    EXPECT_EQ(error.description, QStringLiteral("Selected touch device was not found."));
}

TEST_F(TouchSessionTest, ReportsDriveTheGesturesAndTheHold) {
    const auto display = addDisplay();
    ASSERT_TRUE(bridge->start());
    std::vector<QString> texts;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVCompatibilityReportNotification, bridge.get(), [&](const OVNotification& note) {
        texts.push_back(note.userInfo.value("text").toString());
    });

    // A tap: down, then up after the touch delay.
    ASSERT_TRUE(display->deliverInputReport(touchReport({{300, 200}})));
    advance(0.2);
    ASSERT_TRUE(display->deliverInputReport(touchReport({})));
    EXPECT_EQ(texts.size(), 2u);
    const QStringList clicks = mouseLines();
    ASSERT_EQ(clicks.size(), 2) << poster.lines().join('\n').toStdString();
    EXPECT_TRUE(clicks[0].contains("mouse type=1 button=0 x=300.00 y=200.00"))
        << clicks[0].toStdString();
    EXPECT_TRUE(clicks[1].contains("mouse type=2 button=0 x=300.00 y=200.00"))
        << clicks[1].toStdString();
    // The device's input was taken at the start, never again from a report.
    EXPECT_EQ(display->takeTimes.size(), 1u);

    // In test mode the reports are published and nothing is posted.
    bridge->setCompatibilityTestMode(true);
    const size_t posted = poster.events().size();
    display->deliverInputReport(touchReport({{500, 500}}));
    advance(0.5);
    display->deliverInputReport(touchReport({}));
    EXPECT_EQ(texts.size(), 4u);
    EXPECT_EQ(poster.events().size(), posted);
}

TEST_F(TouchSessionTest, AnUnpluggedDeviceEndsTheSessionAndSaysSo) {
    const auto display = addDisplay();
    ASSERT_TRUE(bridge->start());
    std::vector<QVariantMap> lost;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVTouchDeviceLostNotification, bridge.get(),
                  [&](const OVNotification& note) { lost.push_back(note.userInfo); });

    // A finger holds the left button down when the display goes.
    display->deliverInputReport(touchReport({{300, 200}}));
    advance(0.3);
    display->deliverInputReport(touchReport({{320, 200}}));
    ASSERT_TRUE(bridge->mouseDown());
    devices.remove(display);

    EXPECT_FALSE(bridge->running());
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Device not found"));
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_TRUE(mouseLines().last().contains("mouse type=2 button=0 x=320.00"))
        << poster.lines().join(QLatin1Char(10)).toStdString();
    EXPECT_FALSE(bridge->hidLayout().valid);
    EXPECT_TRUE(OVHIDReportDescriptorHex().isEmpty());
    EXPECT_EQ(display->releases, 1);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].value("errorNumber").toInt(), ENODEV);
    EXPECT_EQ(lost[0].value("node").toString(), display->nodePath());

    // It comes back: the shell starts the session again.
    const auto returned = addDisplay();
    ASSERT_TRUE(bridge->start());
    EXPECT_EQ(returned->takeTimes.size(), 1u);
    bridge->stop();
    EXPECT_EQ(lost.size(), 1u);
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
    EXPECT_EQ(bridge->statusText(),
              QStringLiteral("Touch active, but the desktop also receives every touch"));
    EXPECT_TRUE(OVCurrentProcessState().touchInputHoldDescription.contains(
        "the desktop also receives every touch: /dev/input/event7: Device or resource busy"));

    // Tries 1 s later, then twice as long each time up to 30 s, and logs only what changed.
    advance(100.0);
    std::vector<double> after;
    for (double time : display->takeTimes) {
        after.push_back(time - startTime);
    }
    EXPECT_EQ(after, (std::vector<double>{0, 1, 3, 7, 15, 31, 61, 91}));
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_EQ(statusChanges, 0);

    // Part of it held at the next try: the menu hears of it.
    display->held = {{"/dev/input/event8"}, {"/dev/input/event7: Device or resource busy"}};
    advance(30.0);
    EXPECT_EQ(bridge->status(), OVTouchStatus::PartlySharedWithDesktop);
    EXPECT_EQ(statusChanges, 1);
    EXPECT_EQ(log.lines().size(), 2);
    // A display change says nothing of the input the desktop still gets.
    bridge->refreshDisplayMapping();
    EXPECT_EQ(bridge->status(), OVTouchStatus::PartlySharedWithDesktop);

    // No try while a finger is down: the one after it lifted takes the rest.
    display->held = {{"/dev/input/event7", "/dev/input/event8"}, {}};
    display->deliverInputReport(touchReport({{300, 200}}));
    const size_t takes = display->takeTimes.size();
    advance(30.0);
    EXPECT_EQ(display->takeTimes.size(), takes);
    display->deliverInputReport(touchReport({}));
    advance(30.0);
    EXPECT_EQ(display->takeTimes.size(), takes + 1);
    EXPECT_EQ(bridge->status(), OVTouchStatus::DisplayUpdated);
    EXPECT_EQ(statusChanges, 2);
    EXPECT_TRUE(log.lines().last().contains(
        "/dev/hidraw0: kept from the desktop: /dev/input/event7, /dev/input/event8"))
        << log.lines().last().toStdString();
    advance(100.0);
    EXPECT_EQ(display->takeTimes.size(), takes + 1);

    bridge->stop();
    EXPECT_TRUE(OVCurrentProcessState().touchInputHoldDescription.isEmpty());
}
