#include <gtest/gtest.h>

#include <utility>

#include "hid/hid_recording.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

QString errorFor(const QByteArray& text) {
    OVError error;
    EXPECT_FALSE(OVReadHIDRecording(text, &error).has_value()) << text.toStdString();
    EXPECT_EQ(error.code, OVHIDRecordingMalformedError);
    return error.description;
}

}  // namespace

TEST(HIDRecording, ReadsEveryKindOfLineAndWritesTheSameText) {
    const QByteArray text =
        "R: 6 05 0d 09 04 a1 01\nN: Example Touch Screen\nP: usb-0000:00:14.0-5/input0\n"
        "I: 3 04f3 000c\nE: 000000.000000 4 01 07 10 00\nE: 000001.016733 4 01 00 00 00\n";
    const std::optional<OVHIDRecording> recording = OVReadHIDRecording("# a comment\n" + text);
    ASSERT_TRUE(recording.has_value());
    EXPECT_EQ(recording->descriptor, bytes({0x05, 0x0D, 0x09, 0x04, 0xA1, 0x01}));
    EXPECT_EQ(recording->name, "Example Touch Screen");
    EXPECT_EQ(recording->product, 0x000Cu);
    ASSERT_EQ(recording->events.size(), 2);
    EXPECT_DOUBLE_EQ(recording->events[1].time, 1.016733);
    EXPECT_EQ(recording->events[1].bytes, bytes({0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(OVHIDRecordingText(*recording), text);

    // Other line endings, blank lines, tabs, upper-case hex and bytes wrapped onto the next line.
    const std::optional<OVHIDRecording> loose = OVReadHIDRecording(
        "\r\nR: 6 05 0d 09\r\n   04 A1\t01  \r\n\nN:\r\nI: 18 1 2\r\nE: 3.5 3 01\r\n02 3\r\n");
    ASSERT_TRUE(loose.has_value());
    EXPECT_EQ(loose->descriptor, recording->descriptor);
    EXPECT_EQ(loose->events.at(0).bytes, bytes({0x01, 0x02, 0x03}));
}

TEST(HIDRecording, SeveralDevicesRoundTripWithAwkwardValues) {
    const QByteArray text =
        "D: 0\nR: 1 c0\nN: first\nD: 4\nR: 2 05 01\nI: 5 1 2\n"
        "D: 0\nE: 0.000000 1 aa\nD: 4\nE: 0.000100 1 bb\nE: 0.000200 1 cc\n";
    const std::optional<QList<OVHIDRecording>> devices = OVReadHIDRecordings(text);
    ASSERT_TRUE(devices.has_value());
    ASSERT_EQ(devices->size(), 2);
    EXPECT_EQ((*devices)[1].deviceIndex, 4);
    EXPECT_EQ((*devices)[1].events.at(1).bytes, bytes({0xCC}));
    EXPECT_EQ(OVReadHIDRecording(text)->name, "first");

    OVHIDRecording awkward;
    awkward.name = QStringLiteral("Two\nlines \u00e9");
    awkward.events = {{-4.0, bytes({0xFF})}, {12345.9999996, QByteArray()}};
    const QByteArray written = OVHIDRecordingText(awkward);
    EXPECT_TRUE(written.endsWith("E: 000000.000000 1 ff\nE: 012346.000000 0\n"));
    EXPECT_EQ(OVReadHIDRecordings(written).value().first().name, "Two lines \u00e9");
}

TEST(HIDRecording, TimesKeepTheirMicrosecondsUpToTheLargestTime) {
    for (const double time : {0.000001, 1.5, 86399.999999, 123456789.123456, 999999999.999999}) {
        const QByteArray line = OVHIDRecordingEventLine(time, nullptr, 0);
        const std::optional<OVHIDRecording> recording = OVReadHIDRecording("R: 0\n" + line);
        ASSERT_TRUE(recording.has_value()) << line.toStdString();
        EXPECT_EQ(OVHIDRecordingEventLine(recording->events[0].time, nullptr, 0), line);
    }
    EXPECT_EQ(OVHIDRecordingEventLine(5e9, nullptr, 0), "E: 999999999.999999 0\n");
    EXPECT_DOUBLE_EQ(OVReadHIDRecording("R: 0\nE: 1.123456789 0\n")->events[0].time, 1.123456789);
}

TEST(HIDRecording, MalformedTextNamesTheLineAndTheFault) {
    const std::pair<const char*, const char*> cases[] = {
        {"R: 1 c0\nX: 12\n", "line 2: unknown line type 'X:'"},
        {"R: 2 c0 100\n", "line 1: '100' is not a hex byte"},
        {"R: 1 c0\nR: 1 c0\n", "line 2: a second report descriptor for device 0"},
        {"R: 0\nE: 1.1234567890 0\n", "line 2: E: needs a time in seconds.microseconds"},
        {"R: 0\nE: 1234567890.0 0\n", "line 2: E: needs a time in seconds.microseconds"},
        {"R: 3 05 0d\nN: x\n", "line 1: declares 3 bytes but lists 2"},
        {"R: 1 c0\nE: 0.0 4 01\n02", "line 2: declares 4 bytes but lists 2"},
        {"R: 2 05\n0d 09\n", "line 2: more bytes than the 2 declared on line 1"},
        {"", "The recording has no report descriptor (R: line)."},
        {"R: 1 c0\nD: 2\nE: 0.0 1 00\n",
         "Device 2 of the recording has no report descriptor (R: line)."},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(errorFor(text), message);
    }
    OVError error;
    EXPECT_FALSE(OVReadHIDRecordingFile(QStringLiteral("/nonexistent/x.hidrec"), &error));
    EXPECT_EQ(error.code, OVHIDRecordingUnreadableError);
}
