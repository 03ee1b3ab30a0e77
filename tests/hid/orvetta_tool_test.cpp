// The describe and decode verbs of orvetta-tool, run as the program, on the recordings in
// tests/data/ and on the real descriptors of the corpus.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "hid/descriptor_parser.h"
#include "hid/hid_recording.h"
#include "hid/report_encoding.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

const QString kTenFingerRecording =
    QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/ten-finger-screen.hidrec");
const QString kHybridRecording =
    QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/two-slot-hybrid.hidrec");

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"), arguments);
    if (!process.waitForFinished(30000)) {
        ADD_FAILURE() << "orvetta-tool did not run (is it built?): "
                      << process.errorString().toStdString();
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// --- The recordings in tests/data/ ---------------------------------------------------------------

// A ten-finger screen that declares Usage (Finger) on its first contact collection only, as many
// do: report ID 1, ten 6-byte contacts (flags, identifier, X, Y), Contact Count.
QByteArray tenFingerReport(int down, int lifted, int moved) {
    QByteArray report(62, '\0');
    report[0] = 1;
    for (int finger = 0; finger < down + lifted; ++finger) {
        const int base = 1 + 6 * finger;
        const int x = 2000 + 3000 * finger + moved;
        const int y = 10000 + 500 * finger + moved;
        report[base] = static_cast<char>(finger < down ? 0x07 : 0x00);
        report[base + 1] = static_cast<char>(finger + 1);
        report[base + 2] = static_cast<char>(x & 0xFF);
        report[base + 3] = static_cast<char>(x >> 8);
        report[base + 4] = static_cast<char>(y & 0xFF);
        report[base + 5] = static_cast<char>(y >> 8);
    }
    report[61] = static_cast<char>(down + lifted);
    return report;
}

QByteArray tenFingerRecordingText() {
    OVHIDRecording device;
    OVHIDTouchScreenDescription description;
    description.fingers = 10;
    description.fingerUsageOnFirstCollectionOnly = true;
    device.descriptor = OVHIDTouchScreenDescriptor(description);
    device.name = QStringLiteral("Orvetta Test Ten-Finger Touch Screen");
    device.physicalPath = QStringLiteral("usb-0000:00:14.0-4/input0");
    device.bus = 3;
    device.vendor = 0x1d6b;
    device.product = 0x0104;

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    OVHIDRecordingWriter writer(buffer);
    writer.writeComment(
        QStringLiteral("Ten fingers touch down one after the other, move and "
                       "lift; a report lists the contacts that are down or lift."));
    writer.writeDevice(device);
    double time = 100.0;
    for (int down = 1; down <= 10; ++down, time += 0.008) {
        writer.writeEvent(time, tenFingerReport(down, 0, 0));
    }
    writer.writeEvent(time, tenFingerReport(10, 0, 40));
    writer.writeEvent(time + 0.008, tenFingerReport(0, 10, 40));
    writer.writeEvent(time + 0.016, tenFingerReport(0, 0, 0));
    return buffer.data();
}

// A screen with two contact slots per report that spreads three contacts over two reports.
QByteArray hybridRecordingText() {
    OVHIDRecording device;
    OVHIDTouchScreenDescription description;
    description.fingers = 2;
    description.reportID = 2;
    description.widthAndHeight = true;
    device.descriptor = OVHIDTouchScreenDescriptor(description);
    device.name = QStringLiteral("Orvetta Test Two-Slot Touch Screen");
    device.physicalPath = QStringLiteral("usb-0000:00:14.0-2/input0");
    device.bus = 3;
    device.vendor = 0x1d6b;
    device.product = 0x0105;
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(device.descriptor);
    const auto contact = [](int id, std::uint32_t x, std::uint32_t y, std::uint16_t marker) {
        OVTouchContact c;
        c.contactId = static_cast<std::uint8_t>(id);
        c.x = x;
        c.y = y;
        c.marker = marker;
        return c;
    };
    const OVTouchContact one[] = {contact(1, 1000, 2000, 0x0808)};
    const OVTouchContact firstHalf[] = {contact(1, 1010, 2010, 0x0808),
                                        contact(2, 3000, 4000, 0x0808)};
    const OVTouchContact secondHalf[] = {contact(3, 5000, 6000, 0x0202)};

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    OVHIDRecordingWriter writer(buffer);
    writer.writeComment(
        QStringLiteral("One finger, then a frame of two fingers and a pen spread "
                       "over two reports, then nothing down."));
    writer.writeDevice(device);
    writer.writeEvent(5.0, OVTouchReport(layout, one, 1, 1));
    writer.writeEvent(5.010, OVTouchReport(layout, firstHalf, 2, 3));
    writer.writeEvent(5.011, OVTouchReport(layout, secondHalf, 1, 3));
    writer.writeEvent(5.030, OVTouchReport(layout, nullptr, 0, 0));
    return buffer.data();
}

QByteArray corpusDescriptor(const QString& name) {
    QFile file(QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/hid-corpus/descriptors.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    for (const QJsonValue entry : QJsonDocument::fromJson(file.readAll()).array()) {
        if (entry["name"].toString() == name) {
            return QByteArray::fromHex(entry["hex"].toString().toLatin1());
        }
    }
    ADD_FAILURE() << "no corpus descriptor " << name.toStdString();
    return {};
}

// The committed recordings are what the generators above write. With ORVETTA_WRITE_TEST_DATA
// set, the test writes them instead.
void expectCommitted(const QString& path, const QByteArray& text) {
    if (qEnvironmentVariableIsSet("ORVETTA_WRITE_TEST_DATA")) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    EXPECT_EQ(file.readAll(), text);
}

}  // namespace

TEST(HIDTestRecordings, CommittedRecordingsAreWhatTheirGeneratorsWrite) {
    expectCommitted(kTenFingerRecording, tenFingerRecordingText());
    expectCommitted(kHybridRecording, hybridRecordingText());
}

// --- decode
// ----------------------------------------------------------------------------------------

TEST(OrvettaToolDecode, PrintsTheDebugTextOfEveryReport) {
    const ToolRun run = runTool({"decode", kHybridRecording});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const QString decoder =
        "decoder=HidDigitizerDescriptor report=2 contacts=2 report=2 frame=%1 reported=%1 "
        "contacts=%2 slots=2 hybridOffset=%3 hybrid=%4 complete=%5";
    EXPECT_EQ(
        run.out,
        "0022 bytes: 02 07 01 e8 03 d0 07 08 00 08 00 00 00 00 00 00 00 00 00 00 00 01\n" +
            decoder.arg(1).arg(1).arg(0).arg("no", "yes") +
            "\n  slot=0 id=  1 flags=0x03 down kind=finger  x= 1000 y= 2000 marker=0x0808\n"
            "\n"
            "0022 bytes: 02 07 01 f2 03 da 07 08 00 08 00 07 02 b8 0b a0 0f 08 00 08 00 03\n" +
            decoder.arg(3).arg(2).arg(0).arg("observed", "no") +
            "\n  slot=0 id=  1 flags=0x03 down kind=finger  x= 1010 y= 2010 marker=0x0808"
            "\n  slot=1 id=  2 flags=0x03 down kind=finger  x= 3000 y= 4000 marker=0x0808\n"
            "\n"
            "0022 bytes: 02 07 03 88 13 70 17 02 00 02 00 00 00 00 00 00 00 00 00 00 00 03\n" +
            decoder.arg(3).arg(1).arg(2).arg("continuation", "yes") +
            "\n  slot=0 id=  3 flags=0x03 down kind=pen     x= 5000 y= 6000 marker=0x0202\n"
            "\n"
            "0022 bytes: 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n" +
            decoder.arg(0).arg(0).arg(0).arg("observed", "yes") + "\n");
}

TEST(OrvettaToolDecode, TenFingersDecodeInEightSlots) {
    const ToolRun run = runTool({"decode", kTenFingerRecording});
    EXPECT_EQ(run.exitCode, 0);
    const QStringList blocks = run.out.split("\n\n");
    ASSERT_EQ(blocks.size(), 13);
    EXPECT_TRUE(blocks[0].startsWith("0062 bytes: 01 07 01 d0 07 10 27 00"));
    EXPECT_TRUE(
        blocks[0].contains("\ndecoder=HidDigitizerDescriptor report=1 contacts=8 report=1 "
                           "frame=1 reported=1 contacts=1 slots=8"));
    EXPECT_TRUE(
        blocks[7].contains("frame=8 reported=8 contacts=8 slots=8 hybridOffset=0 "
                           "hybrid=no complete=yes"));
    EXPECT_TRUE(
        blocks[7].endsWith("  slot=7 id=  8 flags=0x03 down kind=finger  x=23000 "
                           "y=13500 marker=0x0000"));
    // Nine or ten contacts in a report of eight slots read as a frame spread over two reports:
    // a report that completes one frame is followed by one that starts the next.
    EXPECT_TRUE(
        blocks[8].contains("frame=9 reported=9 contacts=8 slots=8 hybridOffset=0 "
                           "hybrid=observed complete=no"));
    EXPECT_TRUE(
        blocks[9].contains("frame=10 reported=10 contacts=8 slots=8 hybridOffset=8 "
                           "hybrid=continuation complete=yes"));
    EXPECT_TRUE(blocks[10].contains("x=23040 y=13540"));
    EXPECT_TRUE(blocks[10].contains("hybridOffset=0 hybrid=observed complete=no"));
    EXPECT_TRUE(
        blocks[11].contains("frame=10 reported=10 contacts=0 slots=8 hybridOffset=8 "
                            "hybrid=continuation complete=yes"));
    EXPECT_TRUE(
        run.out.endsWith("frame=0 reported=0 contacts=0 slots=8 hybridOffset=0 "
                         "hybrid=observed complete=yes\n"));
}

TEST(OrvettaToolDecode, UnnumberedAndPushPopDevicesOfTheCorpus) {
    // An unnumbered screen (its reports start with data) and one that needs Push and Pop to
    // find X and Y in every contact after the first.
    QTemporaryDir dir;
    for (const char* name : {"lumio_202e_0006", "sitronix_1403_5001"}) {
        SCOPED_TRACE(name);
        OVHIDRecording device;
        device.descriptor = corpusDescriptor(name);
        const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(device.descriptor);
        OVTouchContact contacts[2];
        for (int i = 0; i < 2; ++i) {
            contacts[i].contactId = static_cast<std::uint8_t>(5 + i);
            contacts[i].x = static_cast<std::uint32_t>(1000 + 100 * i);
            contacts[i].y = static_cast<std::uint32_t>(700 + 100 * i);
        }
        device.events.append({0.0, OVTouchReport(layout, contacts, 2, 2)});
        QFile file(dir.filePath(QString::fromLatin1(name) + ".hidrec"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(OVHIDRecordingText(device));
        file.close();

        const ToolRun run = runTool({"decode", file.fileName()});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.contains(" contacts=2 slots=")) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains("slot=0 id=  5 flags=0x03 down kind=finger  x= 1000 y=  700"));
        EXPECT_TRUE(run.out.contains("slot=1 id=  6 flags=0x03 down kind=finger  x= 1100 y=  800"));
    }
}

TEST(OrvettaToolDecode, BadInputExitsWithOneLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.hidrec");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("R: 2 05 0d\nE: 0.000000 3 01 02\n");
    file.close();
    ToolRun run = runTool({"decode", path});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "orvetta-tool decode: " + path + ": line 2: declares 3 bytes but lists 2\n");

    run = runTool({"decode", dir.filePath("missing.hidrec")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith("orvetta-tool decode: "));
    EXPECT_EQ(run.err.count('\n'), 1);

    EXPECT_EQ(runTool({"decode"}).exitCode, 2);
}

// --- describe ------------------------------------------------------------------------------------

TEST(OrvettaToolDescribe, JsonIsTheSummaryOfTheRecordingsDescriptor) {
    const ToolRun run = runTool({"describe", "--json", kTenFingerRecording});
    EXPECT_EQ(run.exitCode, 0);
    const QJsonObject summary = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(summary.size(), 18);
    EXPECT_EQ(summary["decoder"].toString(), "hid_digitizer_descriptor_v2");
    EXPECT_EQ(summary["report_id"].toInt(), 1);
    EXPECT_EQ(summary["contact_slots"].toInt(), 8);
    EXPECT_EQ(summary["contact_count_bits"].toString(), "488:8");
    EXPECT_EQ(summary["hybrid_mode_possible"].toInt(), 1);
    EXPECT_TRUE(summary["has_touch_valid"].toBool());
    EXPECT_EQ(summary["contacts"][7]["tip_switch_bit"].toInt(), 8 + 7 * 48);
    EXPECT_EQ(summary["contacts"][7]["x_bits"].toString(), "360:16");
}

TEST(OrvettaToolDescribe, AcceptsHexInManyShapes) {
    OVHIDTouchScreenDescription description;
    description.fingers = 3;
    const QByteArray descriptor = OVHIDTouchScreenDescriptor(description);
    const QString expected = runTool({"describe", "--json", QString(descriptor.toHex())}).out;
    ASSERT_TRUE(expected.contains("\"contact_slots\": 3"));

    QTemporaryDir dir;
    const auto describeFile = [&](const QString& name, const QByteArray& content) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        return runTool({"describe", file.fileName(), "--json"});
    };
    QByteArray cArray;
    for (const char byte : descriptor) {
        cArray += "0x" + QByteArray::number(static_cast<unsigned char>(byte), 16) + ", ";
    }
    cArray += "// end\n# done\n";
    EXPECT_EQ(describeFile("array.txt", cArray).out, expected);
    EXPECT_EQ(describeFile("spaced.txt", descriptor.toHex(' ')).out, expected);
    EXPECT_EQ(describeFile("report_descriptor", descriptor).out, expected);
    EXPECT_EQ(runTool({"describe", "--json", QString(descriptor.toHex(' ').toUpper())}).out,
              expected);
}

TEST(OrvettaToolDescribe, TableListsSlotsAndFields) {
    const ToolRun run = runTool({"describe", kHybridRecording});
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = run.out.split('\n');
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], "report ID 2, 2 contact slots, Contact Count 168:8 (hybrid mode possible)");
    EXPECT_EQ(lines[1], "collections: finger yes, pen no");
    EXPECT_TRUE(lines[2].startsWith("fields: touch valid yes, in range yes, invert no"));
    EXPECT_TRUE(lines[4].startsWith("slot  kind    tip  in range  valid"));
    EXPECT_TRUE(lines[5].startsWith("0     finger  8    9         10     -       -"));
    EXPECT_TRUE(lines[6].startsWith("1     finger  88   89        90     -       -       96:8  "));
    EXPECT_TRUE(lines[6].endsWith("104:16  120:16  136:16  152:16  0..32767  0..32767"));
}

TEST(OrvettaToolDescribe, InvalidLayoutIsNotAnError) {
    const QByteArray unnumbered =
        "05 0d 09 04 a1 01 09 22 a1 02 09 42 15 00 25 01 75 01 95 01 "
        "81 02 c0 c0";
    ToolRun run = runTool({"describe", "--json", unnumbered});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "{}\n");
    run = runTool({"describe", unnumbered});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Descriptor parser could not build touch layout\n");
}

TEST(OrvettaToolDescribe, UnnumberedReportsSayHowTheirOffsetsCount) {
    const QString hex = QString(corpusDescriptor("lumio_202e_0006").toHex());
    ToolRun run = runTool({"describe", hex});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith(
        "unnumbered reports, 4 contact slots, Contact Count 192:8 (hybrid mode possible)\n"));
    EXPECT_TRUE(run.out.contains("\n0     finger  0    4         5 "));
    EXPECT_TRUE(
        run.out.endsWith("bit offsets count from bit 0 of the report, which starts "
                         "with data\n"));
    run = runTool({"describe", "--json", hex});
    const QJsonObject summary = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(summary["report_id"].toInt(), 0);
    EXPECT_EQ(summary["report_id_byte_offset"].toInt(), -1);
}

TEST(OrvettaToolDescribe, UnreadableInputExitsWithOneLine) {
    ToolRun run = runTool({"describe", "--json", "not-a-file-or-hex"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "orvetta-tool describe: 'not-a-file-or-hex' is neither a readable file "
              "nor descriptor bytes in hex\n");

    QTemporaryDir dir;
    QFile file(dir.filePath("bad.hidrec"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# header\nR: 2 05 zz\n");
    file.close();
    run = runTool({"describe", file.fileName()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "orvetta-tool describe: " + file.fileName() + ": line 2: 'zz' is not a hex byte\n");

    EXPECT_EQ(runTool({"describe"}).exitCode, 2);
    EXPECT_EQ(runTool({"describe", "01", "02"}).exitCode, 2);
}

TEST(OrvettaToolDescribe, CorpusDescriptorAsHex) {
    // A ten-finger screen of the corpus with Usage (Finger) on its first contact collection only.
    const QString hex = QString(corpusDescriptor("lg_043e_9aa3").toHex());
    const ToolRun run = runTool({"describe", "--json", hex});
    const QJsonObject summary = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(summary["contact_slots"].toInt(), 8);
    EXPECT_EQ(summary["contact_count_bits"].toString(), "488:8");
}
