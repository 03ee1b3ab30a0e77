#include <gtest/gtest.h>

#include <QBuffer>
#include <limits>

#include "hid/hid_recording.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

const QByteArray kTwoEventRecording =
    "# A touch screen\n"
    "# 0x05, 0x0d,  // Usage Page (Digitizers)\n"
    "R: 6 05 0d 09 04 a1 01\n"
    "N: Example Touch Screen\n"
    "P: usb-0000:00:14.0-5/input0\n"
    "I: 3 04f3 000c\n"
    "E: 000000.000000 4 01 07 10 00\n"
    "# ReportID: 1 / Tip Switch: 1\n"
    "E: 000001.016733 4 01 00 00 00\n";

std::optional<OVHIDRecording> read(const QByteArray& text, OVError* error = nullptr) {
    return OVReadHIDRecording(text, error);
}

QString errorFor(const QByteArray& text) {
    OVError error;
    EXPECT_FALSE(read(text, &error).has_value()) << text.toStdString();
    EXPECT_EQ(error.domain, "Orvetta");
    EXPECT_EQ(error.code, OVHIDRecordingMalformedError);
    return error.description;
}

}  // namespace

TEST(HIDRecordingReader, ReadsEveryKindOfLine) {
    const std::optional<OVHIDRecording> recording = read(kTwoEventRecording);
    ASSERT_TRUE(recording.has_value());
    EXPECT_EQ(recording->deviceIndex, 0);
    EXPECT_EQ(recording->descriptor, bytes({0x05, 0x0D, 0x09, 0x04, 0xA1, 0x01}));
    EXPECT_EQ(recording->name, "Example Touch Screen");
    EXPECT_EQ(recording->physicalPath, "usb-0000:00:14.0-5/input0");
    EXPECT_EQ(recording->bus, 3u);
    EXPECT_EQ(recording->vendor, 0x04F3u);
    EXPECT_EQ(recording->product, 0x000Cu);
    ASSERT_EQ(recording->events.size(), 2);
    EXPECT_DOUBLE_EQ(recording->events[0].time, 0.0);
    EXPECT_EQ(recording->events[0].bytes, bytes({0x01, 0x07, 0x10, 0x00}));
    EXPECT_DOUBLE_EQ(recording->events[1].time, 1.016733);
    EXPECT_EQ(recording->events[1].bytes, bytes({0x01, 0x00, 0x00, 0x00}));
}

TEST(HIDRecordingReader, ToleratesLineEndingsBlankLinesAndWrappedBytes) {
    const std::optional<OVHIDRecording> recording =
        read("\r\nR: 6 05 0d 09\r\n   04 A1 01  \r\n\nN:\r\nI: 18 1 2\r\nE: 3.5 3 01\r\n02 3\r\n");
    ASSERT_TRUE(recording.has_value());
    EXPECT_EQ(recording->descriptor, bytes({0x05, 0x0D, 0x09, 0x04, 0xA1, 0x01}));
    EXPECT_EQ(recording->name, "");
    EXPECT_EQ(recording->bus, 0x18u);
    ASSERT_EQ(recording->events.size(), 1);
    EXPECT_DOUBLE_EQ(recording->events[0].time, 3.5);
    EXPECT_EQ(recording->events[0].bytes, bytes({0x01, 0x02, 0x03}));
}

TEST(HIDRecordingReader, SeveralDevices) {
    const QByteArray text =
        "D: 0\nR: 1 c0\nN: first\n"
        "D: 4\nR: 2 05 01\nN: second\nI: 5 1 2\n"
        "D: 0\nE: 0.000000 1 aa\n"
        "D: 4\nE: 0.000100 1 bb\nE: 0.000200 1 cc\n";
    const std::optional<QList<OVHIDRecording>> devices = OVReadHIDRecordings(text);
    ASSERT_TRUE(devices.has_value());
    ASSERT_EQ(devices->size(), 2);
    EXPECT_EQ((*devices)[0].name, "first");
    EXPECT_EQ((*devices)[0].events.size(), 1);
    EXPECT_EQ((*devices)[1].deviceIndex, 4);
    EXPECT_EQ((*devices)[1].descriptor, bytes({0x05, 0x01}));
    ASSERT_EQ((*devices)[1].events.size(), 2);
    EXPECT_EQ((*devices)[1].events[1].bytes, bytes({0xCC}));
    // The single-device reader gives the first device.
    EXPECT_EQ(read(text)->name, "first");
}

TEST(HIDRecordingReader, MalformedLinesNameTheLineAndTheFault) {
    EXPECT_EQ(errorFor("R: 1 c0\nX: 12\n"), "line 2: unknown line type 'X:'");
    EXPECT_EQ(errorFor("R: 1 c0\nhello\n"),
              "line 2: expected a line starting with D:, R:, N:, P:, I: or E:");
    EXPECT_EQ(errorFor("R: 2 c0 zz\n"), "line 1: 'zz' is not a hex byte");
    EXPECT_EQ(errorFor("R: 2 c0 100\n"), "line 1: '100' is not a hex byte");
    EXPECT_EQ(errorFor("R: two c0 c0\n"), "line 1: R: needs the descriptor length");
    EXPECT_EQ(errorFor("R:\n"), "line 1: R: needs the descriptor length");
    EXPECT_EQ(errorFor("R: 1 c0\nR: 1 c0\n"), "line 2: a second report descriptor for device 0");
    EXPECT_EQ(errorFor("R: 1 c0\nI: 3 04f3\n"), "line 2: I: needs bus, vendor and product in hex");
    EXPECT_EQ(errorFor("R: 1 c0\nI: 3 04f3 12345678a\n"),
              "line 2: I: needs bus, vendor and product in hex");
    EXPECT_EQ(errorFor("R: 1 c0\n# fine\nE: 0.5s 1 00\n"),
              "line 3: E: needs a time in seconds.microseconds");
    EXPECT_EQ(errorFor("R: 1 c0\nE: -1.0 1 00\n"),
              "line 2: E: needs a time in seconds.microseconds");
    EXPECT_EQ(errorFor("R: 1 c0\nE: 0.000001\n"), "line 2: E: needs the report length");
    EXPECT_EQ(errorFor("D: first\n"), "line 1: D: needs a device index");
}

TEST(HIDRecordingReader, DeclaredLengthsMustMatchTheBytes) {
    EXPECT_EQ(errorFor("R: 3 05 0d\nN: x\n"), "line 1: declares 3 bytes but lists 2");
    EXPECT_EQ(errorFor("R: 1 c0\nE: 0.0 2 01 02 03\n"),
              "line 2: more bytes than the 2 declared on line 2");
    EXPECT_EQ(errorFor("R: 1 c0\nE: 0.0 2 01\nE: 0.1 1 01\n"),
              "line 2: declares 2 bytes but lists 1");
    // At the end of the text, and over a continuation line.
    EXPECT_EQ(errorFor("R: 1 c0\nE: 0.0 4 01\n02"), "line 2: declares 4 bytes but lists 2");
    EXPECT_EQ(errorFor("R: 2 05\n0d 09\n"), "line 2: more bytes than the 2 declared on line 1");
}

TEST(HIDRecordingReader, EveryDeviceNeedsADescriptor) {
    EXPECT_EQ(errorFor(""), "The recording has no report descriptor (R: line).");
    EXPECT_EQ(errorFor("# nothing but comments\nN: name\n"),
              "Device 0 of the recording has no report descriptor (R: line).");
    EXPECT_EQ(errorFor("R: 1 c0\nD: 2\nE: 0.0 1 00\n"),
              "Device 2 of the recording has no report descriptor (R: line).");
}

TEST(HIDRecordingReader, UnreadableFile) {
    OVError error;
    EXPECT_FALSE(OVReadHIDRecordingFile(QStringLiteral("/nonexistent/x.hidrec"), &error));
    EXPECT_EQ(error.code, OVHIDRecordingUnreadableError);
    EXPECT_TRUE(error.description.startsWith("Cannot read /nonexistent/x.hidrec"));
}

TEST(HIDRecordingWriter, TextRoundTrips) {
    const std::optional<OVHIDRecording> recording = read(kTwoEventRecording);
    ASSERT_TRUE(recording.has_value());
    const QByteArray text = OVHIDRecordingText(*recording);
    EXPECT_EQ(text,
              "R: 6 05 0d 09 04 a1 01\n"
              "N: Example Touch Screen\n"
              "P: usb-0000:00:14.0-5/input0\n"
              "I: 3 04f3 000c\n"
              "E: 000000.000000 4 01 07 10 00\n"
              "E: 000001.016733 4 01 00 00 00\n");
    const std::optional<OVHIDRecording> again = read(text);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(OVHIDRecordingText(*again), text);
}

TEST(HIDRecordingWriter, WritesAwkwardValuesSoTheyReadBack) {
    OVHIDRecording recording;
    recording.deviceIndex = 3;
    recording.descriptor = QByteArray();
    recording.name = QStringLiteral("Two\nlines \u00e9");
    recording.bus = 0x18;
    recording.vendor = 0x12345;
    recording.events = {{-4.0, bytes({0xFF})}, {12345.9999996, QByteArray()}};
    const QByteArray text = OVHIDRecordingText(recording);
    EXPECT_TRUE(text.startsWith("D: 3\nR: 0\nN: Two lines \xc3\xa9\nP: \nI: 18 12345 0000\n"));
    EXPECT_TRUE(text.endsWith("E: 000000.000000 1 ff\nE: 012346.000000 0\n"));
    const std::optional<QList<OVHIDRecording>> devices = OVReadHIDRecordings(text);
    ASSERT_TRUE(devices.has_value());
    EXPECT_EQ(devices->first().deviceIndex, 3);
    EXPECT_EQ(devices->first().name, "Two lines \u00e9");
    EXPECT_EQ(devices->first().vendor, 0x12345u);
    EXPECT_EQ(devices->first().events.size(), 2);
}

TEST(HIDRecordingWriter, TimesKeepTheirMicrosecondsUpToTheLargestTime) {
    for (const double time : {0.000001, 1.5, 86399.999999, 123456789.123456, 999999999.999999}) {
        const QByteArray line = OVHIDRecordingEventLine(time, nullptr, 0);
        const std::optional<OVHIDRecording> recording = read("R: 0\n" + line);
        ASSERT_TRUE(recording.has_value()) << line.toStdString();
        EXPECT_EQ(OVHIDRecordingEventLine(recording->events[0].time, nullptr, 0), line);
    }
    EXPECT_EQ(OVHIDRecordingEventLine(5e9, nullptr, 0), "E: 999999999.999999 0\n");
    EXPECT_EQ(OVHIDRecordingEventLine(std::numeric_limits<double>::quiet_NaN(), nullptr, 0),
              "E: 000000.000000 0\n");
    // Nine digits of fraction are read; ten digits of fraction or of seconds are not.
    EXPECT_DOUBLE_EQ(read("R: 0\nE: 1.123456789 0\n")->events[0].time, 1.123456789);
    EXPECT_EQ(errorFor("R: 0\nE: 1.1234567890 0\n"),
              "line 2: E: needs a time in seconds.microseconds");
    EXPECT_EQ(errorFor("R: 0\nE: 1234567890.0 0\n"),
              "line 2: E: needs a time in seconds.microseconds");
}

TEST(HIDRecordingWriter, IncrementalWriterCountsFromTheFirstEvent) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    OVHIDRecordingWriter writer(buffer);
    OVHIDRecording device;
    device.descriptor = bytes({0xC0});
    device.name = QStringLiteral("Screen");
    EXPECT_TRUE(writer.writeComment(QStringLiteral("recorded by a test")));
    EXPECT_TRUE(writer.writeDevice(device));
    EXPECT_TRUE(writer.writeEvent(1000.25, bytes({0x01, 0x02})));
    EXPECT_TRUE(writer.writeEvent(1001.5, bytes({0x03})));
    EXPECT_EQ(buffer.data(),
              "# recorded by a test\nR: 1 c0\nN: Screen\nP: \nI: 0 0000 0000\n"
              "E: 000000.000000 2 01 02\nE: 000001.250000 1 03\n");
    const std::optional<OVHIDRecording> recording = read(buffer.data());
    ASSERT_TRUE(recording.has_value());
    EXPECT_DOUBLE_EQ(recording->events[1].time, 1.25);
}

TEST(HIDRecordingWriter, FailedWriteIsReported) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadOnly);
    OVHIDRecordingWriter writer(buffer);
    OVError error;
    EXPECT_FALSE(writer.writeEvent(0, bytes({0x01}), &error));
    EXPECT_EQ(error.code, OVHIDRecordingWriteError);
    EXPECT_TRUE(error.description.startsWith("Cannot write the recording"));
}
