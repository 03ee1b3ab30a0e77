#include <errno.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "hid/descriptor_writer.h"
#include "platform/linux/hid_testbed_helpers.h"
#include "platform/linux/linux_hid_manager.h"
#include "platform/linux/linux_platform.h"

// The Linux HID manager over hidraw nodes, udev and event nodes of a umockdev testbed.

namespace {

constexpr int kWait = 5000;
// Report 1: two contacts of 6 bytes and a contact count; 14 bytes with the ID.
const QByteArray kTouchScreen = OVHIDTouchScreenDescriptor({.fingers = 2});
const QByteArray kMouse = QByteArray::fromHex("05010902a101c0");

HIDTestbed::USBDevice bigTouch(const QString& port, const QString& product = "1234") {
    return {.portPath = port, .product = product, .productName = "Big|Touch 65"};
}

QStringList nodesOf(const QList<OVHIDDeviceRef>& devices) {
    QStringList nodes;
    for (const OVHIDDeviceRef& device : devices) {
        nodes.append(device->nodePath());
    }
    return nodes;
}

void spin() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
}

using LinuxHIDManagerTest = HIDTestbedTest;

}  // namespace

TEST_F(LinuxHIDManagerTest, EnumeratesAndMatchesWithPropertiesFromSysfs) {
    testbed->addUSBDevice(10, bigTouch("1.4"), kTouchScreen);
    testbed->addUSBDevice(2, {.portPath = "2", .vendor = "046d"}, kMouse);
    testbed->addUSBDevice(3, bigTouch("1.3"), kTouchScreen);
    // A descriptor that ends in the middle of an item (Report Count promising two bytes), and
    // one with no report_descriptor at all.
    testbed->addUSBDevice(5, bigTouch("1.5", "5678"), kTouchScreen.left(30) + '\x96');
    testbed->addUSBDevice(6, bigTouch("1.6", "9999"), QByteArray());

    OVLinuxHIDManager manager;
    const QList<OVHIDDeviceRef> devices = manager.copyDevices();
    ASSERT_EQ(nodesOf(devices), (QStringList{"/dev/hidraw2", "/dev/hidraw3", "/dev/hidraw5",
                                             "/dev/hidraw6", "/dev/hidraw10"}));
    const QVariantMap expected{
        {"VersionNumber", 0x0102},         {"LocationID", 0x01140000}, {"Transport", "USB"},
        {"PrimaryUsagePage", 13},          {"PrimaryUsage", 4},        {"MaxInputReportSize", 14},
        {"ReportDescriptor", kTouchScreen}};
    for (auto [key, value] : expected.asKeyValueRange()) {
        EXPECT_EQ(devices[4]->property(key), value) << key.toStdString();
    }
    EXPECT_EQ(devices[1]->property("LocationID"), QVariant(0x01130000));  // the twin's port
    // The broken descriptor declares its touch screen before it breaks; its complete items count.
    EXPECT_EQ(devices[2]->property("PrimaryUsagePage"), QVariant(13));
    EXPECT_EQ(devices[2]->property("MaxInputReportSize"), QVariant(2));
    EXPECT_FALSE(devices[3]->property("PrimaryUsagePage").isValid());

    manager.setDeviceMatching({{{"DeviceUsagePage", 13}, {"DeviceUsage", 4}}});
    EXPECT_EQ(nodesOf(manager.copyDevices()),
              (QStringList{"/dev/hidraw3", "/dev/hidraw5", "/dev/hidraw10"}));
    manager.setDeviceMatching({{{"ProductID", 0x9999}}, {{"VendorID", 0x046D}}});
    EXPECT_EQ(nodesOf(manager.copyDevices()), (QStringList{"/dev/hidraw2", "/dev/hidraw6"}));
    manager.setDeviceMatching({{{"VendorID", 0x1111}}});
    EXPECT_TRUE(manager.copyDevices().isEmpty());
    EXPECT_EQ(manager.open(), 0);  // nothing matched, nothing failed
}

TEST_F(LinuxHIDManagerTest, EveryReadIsOneReportUntilTheDeviceGoes) {
    HIDTestbed::Device& display = testbed->addUSBDevice(0, bigTouch("1.4"), kTouchScreen);
    HIDTestbed::Device& other = testbed->addUSBDevice(1, bigTouch("1.5"), kTouchScreen);
    testbed->addUSBDevice(2, bigTouch("1.6"), kTouchScreen, /*withNode=*/false);

    auto manager = std::make_unique<OVLinuxHIDManager>();
    ASSERT_EQ(manager->open(), 0);  // keeps the nodes that open
    const QList<OVHIDDeviceRef> devices = manager->copyDevices();
    ASSERT_EQ(nodesOf(devices), (QStringList{"/dev/hidraw0", "/dev/hidraw1"}));
    std::vector<QByteArray> reports;
    devices[1]->registerInputReportCallback([&](const std::uint8_t* bytes, qsizetype length) {
        reports.emplace_back(reinterpret_cast<const char*>(bytes), length);
        manager.reset();  // the session stops from within a report
    });
    devices[0]->registerInputReportCallback([&](const std::uint8_t* bytes, qsizetype length) {
        reports.emplace_back(reinterpret_cast<const char*>(bytes), length);
    });
    std::vector<std::pair<QString, int>> errors;
    manager->setDeviceErrorCallback([&](const OVHIDDeviceRef& device, int errorNumber) {
        errors.emplace_back(device->nodePath(), errorNumber);
    });

    const QByteArray touch = QByteArray::fromHex("01010a00100020000000000000000001");
    const QByteArray large(200, '\x5a');
    for (const QByteArray& report : {touch, large}) {
        const std::size_t before = reports.size();
        testbed->sendReport(display, report);
        ASSERT_TRUE(QTest::qWaitFor([&] { return reports.size() > before; }, kWait));
    }
    EXPECT_EQ(reports, (std::vector<QByteArray>{touch, large}));

    // Unplugged: reading ends, the error callback runs once, and nothing reads again.
    testbed->unplug(display);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !errors.empty(); }, kWait));
    spin();
    EXPECT_EQ(errors, (std::vector<std::pair<QString, int>>{{"/dev/hidraw0", ENODEV}}));

    testbed->sendReport(other, QByteArray::fromHex("0100"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.size() == 3; }, kWait));
    testbed->sendReport(other, QByteArray::fromHex("0101"));
    spin();
    EXPECT_EQ(reports.size(), 3u);  // closed by the first
    manager = std::make_unique<OVLinuxHIDManager>();
    manager->setDeviceMatching({{{"LocationID", 0x01160000}}});
    EXPECT_EQ(manager->open(), ENOENT);  // the only match cannot be opened
}

TEST_F(LinuxHIDManagerTest, ThePlatformsMonitorSeesDevicesComeAndGo) {
    std::unique_ptr<OVLinuxPlatform> platform = OVCreateLinuxPlatform();
    // No digitizer: nothing to be kept from; one that cannot be opened: kept from it.
    EXPECT_TRUE(platform->permissions().canListenToInput());
    testbed->addUSBDevice(6, bigTouch("1.5"), kTouchScreen, /*withNode=*/false);
    EXPECT_FALSE(platform->permissions().canListenToInput());
    std::vector<OVHIDDeviceChange> changes;
    platform->setHIDDeviceChangeCallback(
        [&](const OVHIDDeviceChange& change) { changes.push_back(change); });

    HIDTestbed::Device& display = testbed->addUSBDevice(5, bigTouch("1.4"), kTouchScreen);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.empty(); }, kWait));
    EXPECT_TRUE(changes[0].added);
    EXPECT_EQ(changes[0].nodePath, QStringLiteral("/dev/hidraw5"));
    EXPECT_TRUE(changes[0].device);
    EXPECT_TRUE(platform->permissions().canListenToInput());  // one this test may open

    testbed->uevent(display.hidSysPath, "change");     // not a hidraw node: not reported
    testbed->uevent(display.hidrawSysPath, "change");  // says nothing about presence
    testbed->unplug(display);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.size() > 1; }, kWait));
    EXPECT_FALSE(changes.back().added);
    EXPECT_EQ(changes.back().nodePath, QStringLiteral("/dev/hidraw5"));
}

TEST_F(LinuxHIDManagerTest, TheKernelsEventNodesAreHeldWhileNoContactIsDown) {
    HIDTestbed::Device& display = testbed->addUSBDevice(0, bigTouch("1.4"), kTouchScreen);
    HIDTestbed::EventNodeState& touch = testbed->addEventNode(display, 7);
    HIDTestbed::EventNodeState& mouse = testbed->addEventNode(display, 8);
    HIDTestbed::Device& otherDisplay = testbed->addUSBDevice(1, bigTouch("1.5"), kTouchScreen);
    HIDTestbed::EventNodeState& other = testbed->addEventNode(otherDisplay, 9);

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

    mouse.grabError = 0;
    EXPECT_EQ(device->takeExclusiveUse().hold(), OVExclusiveUse::Hold::All);
    device->releaseExclusiveUse();
    EXPECT_FALSE(touch.grabbed || mouse.grabbed);

    // Held again, then the display goes: given back as reading fails.
    device->takeExclusiveUse();
    ASSERT_TRUE(touch.grabbed);
    bool failed = false;
    manager.setDeviceErrorCallback([&](const OVHIDDeviceRef&, int) { failed = true; });
    testbed->unplug(display);
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed; }, kWait));
    EXPECT_FALSE(touch.grabbed || mouse.grabbed);
}
