#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "hid/hid_recording.h"
#include "platform/linux/descriptor_bytes_helpers.h"
#include "platform/linux/hid_testbed_helpers.h"

// orvetta-tool record, run as a user runs it, on a display in the testbed: the tool inherits
// umockdev's preload library and the testbed from this process.

namespace {

constexpr int kWaitMilliseconds = 10000;

class RecordCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HIDTestbed::available()) {
            ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
            GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
        }
        ASSERT_TRUE(QFile::exists(toolPath())) << "build the orvetta-tool target first";
        testbed = std::make_unique<HIDTestbed>();
        HIDTestbed::USBDevice usb;
        usb.manufacturer = QStringLiteral("Acme");
        usb.productName = QStringLiteral("Big Touch");
        display = &testbed->addUSBDevice(3, usb, touchScreenDescriptor());
    }

    static QString toolPath() { return QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"); }

    // Starts recording and waits until the tool says it records.
    void startRecording(const QStringList& arguments) {
        tool.start(toolPath(), QStringList{"record"} + arguments);
        ASSERT_TRUE(tool.waitForStarted(kWaitMilliseconds));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                errors += QString::fromUtf8(tool.readAllStandardError());
                return errors.contains("press Ctrl-C") || tool.state() == QProcess::NotRunning;
            },
            kWaitMilliseconds));
        ASSERT_TRUE(errors.contains("Recording /dev/hidraw3")) << errors.toStdString();
    }

    QByteArray fileBytes() const {
        QFile file(dir.filePath("touch.hidrec"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool finish() {
        if (!tool.waitForFinished(kWaitMilliseconds)) {
            return false;
        }
        errors += QString::fromUtf8(tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit;
    }

    std::unique_ptr<HIDTestbed> testbed;
    HIDTestbed::Device* display = nullptr;
    QTemporaryDir dir;
    QProcess tool;
    QString errors;
};

}  // namespace

TEST_F(RecordCommandTest, RecordsUntilInterrupted) {
    startRecording({"hidraw3", "--output", dir.filePath("touch.hidrec")});
    const QByteArray first = QByteArray::fromHex("01010a001000200000000000000001");
    const QByteArray second = QByteArray::fromHex("01000a001000200000000000000000");
    testbed->sendReport(*display, first);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return fileBytes().count("\nE: ") == 1; }, kWaitMilliseconds));
    testbed->sendReport(*display, second);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return fileBytes().count("\nE: ") == 2; }, kWaitMilliseconds));

    ::kill(pid_t(tool.processId()), SIGINT);
    ASSERT_TRUE(finish());
    EXPECT_EQ(tool.exitCode(), 0) << errors.toStdString();
    EXPECT_TRUE(errors.contains("Recorded 2 reports to " + dir.filePath("touch.hidrec")));

    OVError error;
    const auto recording = OVReadHIDRecording(fileBytes(), &error);
    ASSERT_TRUE(recording) << error.description.toStdString();
    EXPECT_EQ(recording->descriptor, touchScreenDescriptor());
    EXPECT_EQ(recording->name, QStringLiteral("Acme Big Touch"));
    EXPECT_EQ(recording->physicalPath, QStringLiteral("usb-0000:00:14.0-1.4/input0"));
    EXPECT_EQ(recording->bus, 3u);
    EXPECT_EQ(recording->vendor, 0x04E8u);
    EXPECT_EQ(recording->product, 0x1234u);
    ASSERT_EQ(recording->events.size(), 2);
    EXPECT_EQ(recording->events[0].bytes, first);
    EXPECT_EQ(recording->events[1].bytes, second);
    EXPECT_DOUBLE_EQ(recording->events[0].time, 0.0);
    EXPECT_GE(recording->events[1].time, 0.0);
}

TEST_F(RecordCommandTest, StopsWhenTheDisplayIsUnplugged) {
    startRecording({"/dev/hidraw3", "--output", dir.filePath("touch.hidrec")});
    testbed->sendReport(*display, QByteArray::fromHex("0100"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fileBytes().contains("\nE: "); }, kWaitMilliseconds));
    testbed->unplug(*display);
    ASSERT_TRUE(finish());
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(errors.contains("the device stopped")) << errors.toStdString();
    EXPECT_TRUE(errors.contains("Recorded 1 report to"));
    EXPECT_TRUE(OVReadHIDRecording(fileBytes()).has_value());  // what was recorded is kept
}

TEST_F(RecordCommandTest, RefusesWhatIsNotAHidrawNode) {
    tool.start(toolPath(), {"record", "/dev/hidraw9"});
    ASSERT_TRUE(finish());
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(errors.contains("/dev/hidraw9 is not a hidraw device"));

    errors.clear();
    tool.start(toolPath(), {"record"});
    ASSERT_TRUE(finish());
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_TRUE(errors.contains("usage: orvetta-tool record"));
}
