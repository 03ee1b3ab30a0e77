#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "platform/linux/descriptor_bytes_helpers.h"
#include "platform/linux/hid_testbed_helpers.h"

// orvetta-tool devices and udev-match on the devices of a testbed (the tool inherits it from
// this process).

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

ToolRun runTool(const QString& verb, const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"), QStringList{verb} + arguments);
    ToolRun run;
    if (tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit) {
        run.exitCode = tool.exitCode();
        run.out = tool.readAllStandardOutput();
        run.err = QString::fromUtf8(tool.readAllStandardError());
    }
    return run;
}

ToolRun runDevices(const QStringList& arguments) {
    return runTool(QStringLiteral("devices"), arguments);
}

}  // namespace

TEST(DevicesCommand, ListsTheCandidatesWithTheirNodes) {
    if (!HIDTestbed::available()) {
        ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
        GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
    }
    HIDTestbed testbed;
    ToolRun run = runDevices({});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("No touch devices found.\n"));

    HIDTestbed::USBDevice big;
    big.manufacturer = QStringLiteral("Acme");
    big.productName = QStringLiteral("Zeta Touch");
    big.serial = QStringLiteral("SN:1");
    testbed.addUSBDevice(7, big, touchScreenDescriptor());
    HIDTestbed::USBDevice other = big;
    other.portPath = QStringLiteral("2");
    other.productName = QStringLiteral("Alpha Touch");
    other.serial = QString();
    testbed.addUSBDevice(2, other, touchScreenDescriptor());
    // A touch display by its name whose descriptor has no touch layout; and a keyboard.
    HIDTestbed::USBDevice unparsed = big;
    unparsed.portPath = QStringLiteral("3");
    unparsed.productName = QStringLiteral("Meeting Touch Display");
    testbed.addUSBDevice(4, unparsed, descriptorBytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0}));
    HIDTestbed::USBDevice keyboard;
    keyboard.portPath = QStringLiteral("4");
    keyboard.productName = QStringLiteral("Keyboard");
    testbed.addUSBDevice(1, keyboard, descriptorBytes({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0xC0}));

    run = runDevices({"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray devices = QJsonDocument::fromJson(run.out).array();
    ASSERT_EQ(devices.size(), 3) << run.out.toStdString();
    // Supported ones first, by title; the unparseable display last.
    EXPECT_EQ(devices[0]["title"].toString(), QStringLiteral("Alpha Touch (0x04e8:0x1234)"));
    EXPECT_EQ(devices[0]["node"].toString(), QStringLiteral("/dev/hidraw2"));
    EXPECT_EQ(devices[0]["signature"].toString(),
              QStringLiteral("04e8:1234:01200000:Acme:Alpha Touch:-"));
    EXPECT_TRUE(devices[0]["supported"].toBool());
    EXPECT_EQ(devices[1]["title"].toString(), QStringLiteral("Zeta Touch (0x04e8:0x1234)"));
    EXPECT_EQ(devices[1]["signature"].toString(),
              QStringLiteral("04e8:1234:01140000:Acme:Zeta Touch:SN_1"));
    EXPECT_EQ(devices[1]["node"].toString(), QStringLiteral("/dev/hidraw7"));
    EXPECT_EQ(devices[2]["node"].toString(), QStringLiteral("/dev/hidraw4"));
    EXPECT_FALSE(devices[2]["supported"].toBool());

    run = runDevices({});
    EXPECT_TRUE(
        run.out.startsWith("Alpha Touch (0x04e8:0x1234)\n  signature: "
                           "04e8:1234:01200000:Acme:Alpha Touch:-\n  supported: yes\n"
                           "  node:      /dev/hidraw2\n"))
        << run.out.toStdString();
    EXPECT_EQ(runDevices({"--all"}).exitCode, 2);
}

TEST(UdevMatchCommand, ReadsTheDescriptorOfAHIDRawDeviceFromSysfs) {
    if (!HIDTestbed::available()) {
        ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
        GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
    }
    HIDTestbed testbed;
    HIDTestbed::USBDevice usb;
    const QString screen = testbed.addUSBDevice(1, usb, touchScreenDescriptor()).hidrawSysPath;
    usb.portPath = QStringLiteral("2");
    const QString touchpad =
        testbed.addUSBDevice(2, usb, descriptorBytes({0x05, 0x0D, 0x09, 0x05, 0xA1, 0x01, 0xC0}))
            .hidrawSysPath;
    usb.portPath = QStringLiteral("3");
    const QString unreadable = testbed.addUSBDevice(3, usb, QByteArray()).hidrawSysPath;

    // udev passes the device's path in sysfs and imports the line as a property.
    ToolRun run = runTool(QStringLiteral("udev-match"), {screen});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("ORVETTA_TOUCH_DIGITIZER=1\n")) << run.err.toStdString();
    run = runTool(QStringLiteral("udev-match"), {touchpad});
    EXPECT_EQ(run.out, QByteArray("ORVETTA_TOUCH_DIGITIZER=0\n"));
    run = runTool(QStringLiteral("udev-match"), {unreadable});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QByteArray("ORVETTA_TOUCH_DIGITIZER=0\n"));
    EXPECT_TRUE(run.err.contains("no report descriptor")) << run.err.toStdString();
    EXPECT_EQ(runTool(QStringLiteral("udev-match"), {}).exitCode, 2);
}
