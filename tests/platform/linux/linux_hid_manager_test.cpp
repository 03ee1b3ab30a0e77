#include <errno.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <vector>

#include "platform/linux/evdev_grab.h"
#include "platform/linux/hidraw_monitor.h"
#include "platform/linux/linux_hid_manager.h"
#include "platform/linux/descriptor_bytes_helpers.h"
#include "platform/linux/hid_testbed_helpers.h"

namespace {

constexpr int kWaitMilliseconds = 5000;

// A keyboard: Generic Desktop, Keyboard; an 8-byte input report without report IDs.
QByteArray keyboardDescriptor() {
    return descriptorBytes(
        {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xC0});
}

HIDTestbed::USBDevice bigTouch(const QString& port, const QString& serial = QString()) {
    HIDTestbed::USBDevice usb;
    usb.portPath = port;
    usb.manufacturer = QStringLiteral("Acme: Displays");
    usb.productName = QStringLiteral("Big|Touch 65");
    usb.serial = serial;
    return usb;
}

QStringList nodesOf(const QList<OVHIDDeviceRef>& devices) {
    QStringList nodes;
    for (const OVHIDDeviceRef& device : devices) {
        nodes.append(device->nodePath());
    }
    return nodes;
}

const QVariantMap kTouchScreenMatch{{"DeviceUsagePage", 13}, {"DeviceUsage", 4}};

class LinuxHIDManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HIDTestbed::available()) {
            ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
            GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
        }
        testbed = std::make_unique<HIDTestbed>();
    }

    std::unique_ptr<HIDTestbed> testbed;
};

}  // namespace

TEST_F(LinuxHIDManagerTest, EnumeratesHidrawNodesInNumberOrderWithTheirProperties) {
    HIDTestbed::USBDevice keyboard;
    keyboard.portPath = QStringLiteral("2");
    keyboard.vendor = QStringLiteral("046d");
    keyboard.product = QStringLiteral("c31c");
    keyboard.productName = QStringLiteral("Keyboard");
    testbed->addUSBDevice(10, bigTouch("1.4", "SN-2"), touchScreenDescriptor());
    testbed->addUSBDevice(2, keyboard, keyboardDescriptor());
    testbed->addUSBDevice(3, bigTouch("1.3"), touchScreenDescriptor());

    OVLinuxHIDManager manager;
    const QList<OVHIDDeviceRef> devices = manager.copyDevices();
    EXPECT_EQ(nodesOf(devices), (QStringList{"/dev/hidraw2", "/dev/hidraw3", "/dev/hidraw10"}));

    const OVHIDDeviceRef& display = devices[2];
    EXPECT_EQ(display->property("VendorID"), QVariant(0x04E8));
    EXPECT_EQ(display->property("ProductID"), QVariant(0x1234));
    EXPECT_EQ(display->property("VersionNumber"), QVariant(0x0102));
    EXPECT_EQ(display->property("LocationID"), QVariant(0x01140000));
    EXPECT_EQ(display->property("Transport"), QVariant("USB"));
    EXPECT_EQ(display->property("Manufacturer"), QVariant("Acme: Displays"));
    EXPECT_EQ(display->property("Product"), QVariant("Big|Touch 65"));
    EXPECT_EQ(display->property("SerialNumber"), QVariant("SN-2"));
    EXPECT_EQ(display->property("PrimaryUsagePage"), QVariant(13));
    EXPECT_EQ(display->property("PrimaryUsage"), QVariant(4));
    EXPECT_EQ(display->property("MaxInputReportSize"), QVariant(14));
    EXPECT_EQ(display->property("ReportDescriptor").toByteArray(), touchScreenDescriptor());
    EXPECT_FALSE(display->property("NoSuchKey").isValid());
    // The twin on the next port differs in its location only, and has no serial number.
    EXPECT_EQ(devices[1]->property("LocationID"), QVariant(0x01130000));
    EXPECT_FALSE(devices[1]->property("SerialNumber").isValid());
    EXPECT_EQ(devices[0]->property("PrimaryUsagePage"), QVariant(1));
    EXPECT_EQ(devices[0]->property("MaxInputReportSize"), QVariant(8));

    // A Bluetooth pen display: strings from the kernel's HID name and unique ID.
    testbed->addOtherDevice(4, QStringLiteral("0005:0000056A:00000357"),
                            QStringLiteral("Pen Display"), QStringLiteral("aa:bb:cc:dd:ee:ff"),
                            QStringLiteral("11:22:33:44:55:66"), touchScreenDescriptor());
    const QList<OVHIDDeviceRef> withPen = manager.copyDevices();
    ASSERT_EQ(withPen.size(), 4);
    EXPECT_EQ(withPen[2]->nodePath(), QStringLiteral("/dev/hidraw4"));
    EXPECT_EQ(withPen[2]->property("Transport"), QVariant("Bluetooth"));
    EXPECT_EQ(withPen[2]->property("Product"), QVariant("Pen Display"));
    EXPECT_EQ(withPen[2]->property("SerialNumber"), QVariant("11:22:33:44:55:66"));
    EXPECT_EQ(withPen[2]->property("VendorID"), QVariant(0x056A));
    EXPECT_FALSE(withPen[2]->property("VersionNumber").isValid());
}

TEST_F(LinuxHIDManagerTest, MatchingAndBrokenDescriptors) {
    HIDTestbed::USBDevice keyboard;
    keyboard.portPath = QStringLiteral("2");
    keyboard.vendor = QStringLiteral("046d");
    testbed->addUSBDevice(0, keyboard, keyboardDescriptor());
    testbed->addUSBDevice(1, bigTouch("1.4"), touchScreenDescriptor());
    // The descriptor ends in the middle of an item.
    QByteArray broken = touchScreenDescriptor().left(30);
    broken.append(char(0x96));  // Report Count, two bytes promised, none given
    HIDTestbed::USBDevice other = bigTouch("1.5");
    other.product = QStringLiteral("5678");
    testbed->addUSBDevice(2, other, broken);
    // No report_descriptor file at all.
    HIDTestbed::USBDevice blank = bigTouch("1.6");
    blank.product = QStringLiteral("9999");
    testbed->addUSBDevice(3, blank, QByteArray());

    OVLinuxHIDManager manager;
    manager.setDeviceMatching({kTouchScreenMatch});
    // The broken descriptor still declares its touch screen collection before it breaks.
    EXPECT_EQ(nodesOf(manager.copyDevices()), (QStringList{"/dev/hidraw1", "/dev/hidraw2"}));
    manager.setDeviceMatching({{{"VendorID", 0x04E8}, {"ProductID", 0x5678}}});
    const QList<OVHIDDeviceRef> brokenOnly = manager.copyDevices();
    ASSERT_EQ(nodesOf(brokenOnly), (QStringList{"/dev/hidraw2"}));
    EXPECT_EQ(brokenOnly[0]->property("ReportDescriptor").toByteArray(), broken);
    EXPECT_EQ(brokenOnly[0]->property("PrimaryUsagePage"), QVariant(13));
    EXPECT_EQ(brokenOnly[0]->property("MaxInputReportSize"), QVariant(2));  // the complete items

    manager.setDeviceMatching({{{"ProductID", 0x9999}}});
    const QList<OVHIDDeviceRef> blankOnly = manager.copyDevices();
    ASSERT_EQ(blankOnly.size(), 1);
    EXPECT_FALSE(blankOnly[0]->property("ReportDescriptor").isValid());
    EXPECT_FALSE(blankOnly[0]->property("PrimaryUsagePage").isValid());
    EXPECT_EQ(blankOnly[0]->property("VendorID"), QVariant(0x04E8));

    manager.setDeviceMatching({{{"VendorID", 0x1111}}});
    EXPECT_TRUE(manager.copyDevices().isEmpty());
    EXPECT_EQ(manager.open(), 0);  // nothing matched, nothing failed
    EXPECT_TRUE(manager.copyDevices().isEmpty());
}

TEST_F(LinuxHIDManagerTest, EveryReadIsOneReportUntilTheDeviceGoes) {
    HIDTestbed::Device& display =
        testbed->addUSBDevice(0, bigTouch("1.4"), touchScreenDescriptor());
    HIDTestbed::Device& other = testbed->addUSBDevice(1, bigTouch("1.5"), touchScreenDescriptor());

    OVLinuxHIDManager manager;
    manager.setDeviceMatching({kTouchScreenMatch});
    ASSERT_EQ(manager.open(), 0);
    const QList<OVHIDDeviceRef> devices = manager.copyDevices();
    ASSERT_EQ(devices.size(), 2);
    std::vector<QByteArray> reports;
    devices[0]->registerInputReportCallback([&](const std::uint8_t* bytes, qsizetype length) {
        reports.emplace_back(reinterpret_cast<const char*>(bytes), length);
    });
    std::vector<std::pair<QString, int>> errors;
    manager.setDeviceErrorCallback([&](const OVHIDDeviceRef& device, int errorNumber) {
        errors.emplace_back(device->nodePath(), errorNumber);
    });

    const QByteArray touch = QByteArray::fromHex("01010a00100020000000000000000001");
    testbed->sendReport(display, touch);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.size() == 1; }, kWaitMilliseconds));
    EXPECT_EQ(reports[0], touch);
    QByteArray large(200, '\x5a');
    large[0] = '\x02';
    testbed->sendReport(display, large);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.size() == 2; }, kWaitMilliseconds));
    EXPECT_EQ(reports[1], large);

    // The other matched device is open but not listened to.
    testbed->sendReport(other, QByteArray::fromHex("0102"));
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.size(), 2u);

    // Unplugged: reading ends, the error callback runs once, and nothing reads again.
    testbed->unplug(display);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !errors.empty(); }, kWaitMilliseconds));
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, QStringLiteral("/dev/hidraw0"));
    EXPECT_EQ(errors[0].second, ENODEV);
    EXPECT_EQ(reports.size(), 2u);
    manager.close();
}

TEST_F(LinuxHIDManagerTest, ACallbackMayCloseTheManagerAndReportsStopAfterClose) {
    HIDTestbed::Device& display =
        testbed->addUSBDevice(0, bigTouch("1.4"), touchScreenDescriptor());
    auto manager = std::make_unique<OVLinuxHIDManager>();
    ASSERT_EQ(manager->open(), 0);
    OVHIDDeviceRef device = manager->copyDevices().value(0);
    ASSERT_TRUE(device);
    int reports = 0;
    device->registerInputReportCallback([&](const std::uint8_t*, qsizetype) {
        ++reports;
        manager.reset();  // the session stops from within a report
    });
    testbed->sendReport(display, QByteArray::fromHex("0100"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports == 1; }, kWaitMilliseconds));
    testbed->sendReport(display, QByteArray::fromHex("0101"));
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(reports, 1);
}

TEST_F(LinuxHIDManagerTest, OpenKeepsTheNodesThatOpen) {
    testbed->addUSBDevice(0, bigTouch("1.4"), touchScreenDescriptor(), /*withNode=*/false);
    testbed->addUSBDevice(1, bigTouch("1.5"), touchScreenDescriptor());
    OVLinuxHIDManager manager;
    EXPECT_EQ(manager.open(), 0);
    EXPECT_EQ(nodesOf(manager.copyDevices()), (QStringList{"/dev/hidraw1"}));
    manager.close();

    manager.setDeviceMatching({{{"LocationID", 0x01140000}}});
    EXPECT_EQ(manager.open(), ENOENT);  // the only match cannot be opened
    EXPECT_EQ(nodesOf(manager.copyDevices()), (QStringList{"/dev/hidraw0"}));
}

TEST_F(LinuxHIDManagerTest, TheMonitorSeesDevicesComeAndGo) {
    std::vector<OVHIDDeviceChange> changes;
    OVHIDRawMonitor monitor([&](const OVHIDDeviceChange& change) { changes.push_back(change); });
    ASSERT_TRUE(monitor.isWatching());

    // umockdev announces a device as it is added, as udev does when it is plugged in.
    HIDTestbed::Device& display =
        testbed->addUSBDevice(5, bigTouch("1.4"), touchScreenDescriptor());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.empty(); }, kWaitMilliseconds));
    EXPECT_TRUE(changes[0].added);
    EXPECT_EQ(changes[0].nodePath, QStringLiteral("/dev/hidraw5"));
    ASSERT_TRUE(changes[0].device);
    EXPECT_EQ(changes[0].device->property("ProductID"), QVariant(0x1234));
    EXPECT_EQ(changes[0].device->nodePath(), QStringLiteral("/dev/hidraw5"));

    changes.clear();
    testbed->uevent(display.hidSysPath, "change");     // not a hidraw node: not reported
    testbed->uevent(display.hidrawSysPath, "change");  // says nothing about presence
    testbed->unplug(display);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.empty(); }, kWaitMilliseconds));
    for (const OVHIDDeviceChange& change : changes) {
        EXPECT_FALSE(change.added);
        EXPECT_EQ(change.nodePath, QStringLiteral("/dev/hidraw5"));
        EXPECT_FALSE(change.device);
    }
}

TEST_F(LinuxHIDManagerTest, TheKernelsEventNodesAreHeldWhileNoContactIsDown) {
    HIDTestbed::Device& display =
        testbed->addUSBDevice(0, bigTouch("1.4"), touchScreenDescriptor());
    HIDTestbed::EventNodeState& touch = testbed->addEventNode(display, 20, 7);
    HIDTestbed::EventNodeState& mouse = testbed->addEventNode(display, 21, 8);
    HIDTestbed::Device& otherDisplay =
        testbed->addUSBDevice(1, bigTouch("1.5"), touchScreenDescriptor());
    HIDTestbed::EventNodeState& other = testbed->addEventNode(otherDisplay, 22, 9);

    EXPECT_EQ(OVEvdevGrab::eventNodesOfHIDRaw(display.hidrawSysPath),
              (QStringList{"/dev/input/event7", "/dev/input/event8"}));

    OVLinuxHIDManager manager;
    manager.setDeviceMatching({{{"LocationID", 0x01140000}}});
    ASSERT_EQ(manager.open(), 0);
    OVHIDDeviceRef device = manager.copyDevices().value(0);
    ASSERT_TRUE(device);
    device->registerInputReportCallback([](const std::uint8_t*, qsizetype) {});

    // A finger rests on the display as the session starts: the kernel shows it; nothing is taken.
    touch.contactDown = true;
    OVExclusiveUse held = device->takeExclusiveUse();
    EXPECT_EQ(held.hold(), OVExclusiveUse::Hold::None);
    EXPECT_EQ(held.unheldNodes, (QStringList{"/dev/input/event7: a contact is down",
                                             "/dev/input/event8: a contact is down"}));
    EXPECT_FALSE(touch.grabbed);
    EXPECT_EQ(touch.grabRequests, 0);

    // Lifted; another program holds the mouse node: the touch node alone.
    touch.contactDown = false;
    mouse.grabError = EBUSY;
    held = device->takeExclusiveUse();
    EXPECT_EQ(held.hold(), OVExclusiveUse::Hold::Some);
    EXPECT_EQ(held.heldNodes, QStringList{"/dev/input/event7"});
    EXPECT_EQ(held.unheldNodes, QStringList{"/dev/input/event8: Device or resource busy"});
    EXPECT_TRUE(touch.grabbed);
    EXPECT_FALSE(other.grabbed);

    // Refused by the system: said so; the node already held is not asked again.
    mouse.grabError = EACCES;
    EXPECT_EQ(device->takeExclusiveUse().unheldNodes,
              QStringList{"/dev/input/event8: Permission denied"});
    EXPECT_EQ(touch.grabRequests, 1);
    mouse.grabError = 0;
    held = device->takeExclusiveUse();
    EXPECT_EQ(held.hold(), OVExclusiveUse::Hold::All);
    EXPECT_EQ(held.heldNodes, (QStringList{"/dev/input/event7", "/dev/input/event8"}));

    device->releaseExclusiveUse();
    EXPECT_FALSE(touch.grabbed);
    EXPECT_FALSE(mouse.grabbed);

    // Held again, then the display goes: given back as reading fails.
    device->takeExclusiveUse();
    ASSERT_TRUE(touch.grabbed);
    bool failed = false;
    manager.setDeviceErrorCallback([&](const OVHIDDeviceRef&, int) { failed = true; });
    testbed->unplug(display);
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed; }, kWaitMilliseconds));
    EXPECT_FALSE(touch.grabbed);
    EXPECT_FALSE(mouse.grabbed);
}
