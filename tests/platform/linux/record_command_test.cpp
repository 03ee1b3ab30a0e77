#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "hid/descriptor_writer.h"
#include "hid/hid_recording.h"
#include "platform/linux/hid_testbed_helpers.h"
#include "support/files.h"

// orvetta-tool's devices, udev-match and record verbs, run as a user runs them, on displays in
// the testbed: the tool inherits umockdev's preload library and the testbed from this process.

namespace {

constexpr int kWait = 10000;
const QByteArray kTouchScreen = OVHIDTouchScreenDescriptor({.fingers = 2});

class ToolVerbsTest : public HIDTestbedTest {
  protected:
    // Runs the tool to its end: its exit code (-1 when it did not end), standard output and error.
    int run(const QStringList& arguments) {
        start(arguments);
        return finish();
    }
    void start(const QStringList& arguments) {
        tool.start(ORVETTA_BINARY_DIR "/orvetta-tool", arguments);
        err.clear();
    }
    int finish() {
        if (!tool.waitForFinished(kWait) || tool.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        out = tool.readAllStandardOutput();
        err += QString::fromUtf8(tool.readAllStandardError());
        return tool.exitCode();
    }

    QProcess tool;
    QByteArray out;
    QString err;
    QTemporaryDir dir;
    QString output;
};

}  // namespace

TEST_F(ToolVerbsTest, DevicesListsTheCandidatesAndUdevMatchReadsSysfs) {
    ASSERT_EQ(run({"devices"}), 0);
    EXPECT_EQ(out, QByteArray("No touch devices found.\n"));

    HIDTestbed::USBDevice usb{.manufacturer = "Acme", .productName = "Zeta", .serial = "SN:1"};
    const QString zeta = testbed->addUSBDevice(7, usb, kTouchScreen).hidrawSysPath;
    testbed->addUSBDevice(2, {.portPath = "2", .manufacturer = "Acme", .productName = "Alpha"},
                          kTouchScreen);
    // A touch display by its name whose descriptor has no touch layout.
    const QString mouse =
        testbed
            ->addUSBDevice(4, {.portPath = "3", .productName = "Meeting Touch Display"},
                           QByteArray::fromHex("05010902a101c0"))
            .hidrawSysPath;
    const QString unreadable = testbed->addUSBDevice(3, {.portPath = "5"}, {}).hidrawSysPath;

    ASSERT_EQ(run({"devices", "--json"}), 0) << err.toStdString();
    const QJsonArray devices = QJsonDocument::fromJson(out).array();
    ASSERT_EQ(devices.size(), 3) << out.toStdString();
    // Supported ones first, by title; the unparseable display last.
    EXPECT_EQ(devices[0]["title"].toString(), QStringLiteral("Alpha (0x04e8:0x1234)"));
    EXPECT_EQ(devices[1]["signature"].toString(),
              QStringLiteral("04e8:1234:01140000:Acme:Zeta:SN_1"));
    EXPECT_EQ(devices[2]["node"].toString(), QStringLiteral("/dev/hidraw4"));
    EXPECT_EQ(devices[2]["supported"].toBool(), false);

    // udev passes a device's path in sysfs and imports the line as a property.
    for (const auto& [path, line] : {std::pair{zeta, "ORVETTA_TOUCH_DIGITIZER=1\n"},
                                     {mouse, "ORVETTA_TOUCH_DIGITIZER=0\n"},
                                     {unreadable, "ORVETTA_TOUCH_DIGITIZER=0\n"}}) {
        EXPECT_EQ(run({"udev-match", path}), 0);
        EXPECT_EQ(out, QByteArray(line)) << path.toStdString();
    }
    EXPECT_TRUE(err.contains("no report descriptor")) << err.toStdString();
}

TEST_F(ToolVerbsTest, RecordRunsUntilInterruptedOrUnplugged) {
    HIDTestbed::Device& display =
        testbed->addUSBDevice(3, {.manufacturer = "Acme", .productName = "Big"}, kTouchScreen);
    const QByteArray first = QByteArray::fromHex("01010a001000200000000000000001");
    const QByteArray second = QByteArray::fromHex("01000a001000200000000000000000");
    for (bool interrupt : {true, false}) {
        output = dir.filePath(interrupt ? "interrupted.hidrec" : "unplugged.hidrec");
        start({"record", interrupt ? "hidraw3" : "/dev/hidraw3", "--output", output});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                err += QString::fromUtf8(tool.readAllStandardError());
                return err.contains("press Ctrl-C") || tool.state() == QProcess::NotRunning;
            },
            kWait));
        ASSERT_TRUE(err.contains("Recording /dev/hidraw3")) << err.toStdString();
        for (const QByteArray& report : {first, second}) {
            const qsizetype before = OVFileBytes(output).count("\nE: ");
            testbed->sendReport(display, report);
            ASSERT_TRUE(QTest::qWaitFor([&] { return OVFileBytes(output).count("\nE: ") > before; },
                                        kWait));
        }
        if (interrupt) {
            ::kill(pid_t(tool.processId()), SIGINT);
            EXPECT_EQ(finish(), 0) << err.toStdString();
        } else {
            testbed->unplug(display);
            EXPECT_EQ(finish(), 1);
            EXPECT_TRUE(err.contains("the device stopped")) << err.toStdString();
        }
        EXPECT_TRUE(err.contains("Recorded 2 reports to " + output));
        // What was recorded is kept either way.
        OVError error;
        const auto recording = OVReadHIDRecording(OVFileBytes(output), &error);
        ASSERT_TRUE(recording) << error.description.toStdString();
        EXPECT_EQ(recording->descriptor, kTouchScreen);
        EXPECT_EQ(recording->name, QStringLiteral("Acme Big"));
        ASSERT_EQ(recording->events.size(), 2);
        EXPECT_EQ(recording->events[1].bytes, second);
        EXPECT_DOUBLE_EQ(recording->events[0].time, 0.0);
    }
}
