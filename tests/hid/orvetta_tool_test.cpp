// The describe and decode verbs of orvetta-tool, run as the program on the recordings in
// tests/data/.

#include <gtest/gtest.h>

#include <QProcess>

#include "hid_test_support.h"

namespace {

const QString kTenFingerRecording =
    QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/ten-finger-screen.hidrec");
// Two slots per report: one finger, then two fingers and a pen over two reports, then nothing.
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
        ADD_FAILURE() << "orvetta-tool did not run: " << process.errorString().toStdString();
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

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
            "\n  slot=0 id=  1 flags=0x03 down kind=finger  x= 1000 y= 2000 marker=0x0808\n\n"
            "0022 bytes: 02 07 01 f2 03 da 07 08 00 08 00 07 02 b8 0b a0 0f 08 00 08 00 03\n" +
            decoder.arg(3).arg(2).arg(0).arg("observed", "no") +
            "\n  slot=0 id=  1 flags=0x03 down kind=finger  x= 1010 y= 2010 marker=0x0808"
            "\n  slot=1 id=  2 flags=0x03 down kind=finger  x= 3000 y= 4000 marker=0x0808\n\n"
            "0022 bytes: 02 07 03 88 13 70 17 02 00 02 00 00 00 00 00 00 00 00 00 00 00 03\n" +
            decoder.arg(3).arg(1).arg(2).arg("continuation", "yes") +
            "\n  slot=0 id=  3 flags=0x03 down kind=pen     x= 5000 y= 6000 marker=0x0202\n\n"
            "0022 bytes: 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n" +
            decoder.arg(0).arg(0).arg(0).arg("observed", "yes") + "\n");
}

TEST(OrvettaToolDescribe, TableAndJSONOfARecordingsDescriptorAndUnreadableInput) {
    ToolRun run = runTool({"describe", kHybridRecording});
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = run.out.split('\n');
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines[0], "report ID 2, 2 contact slots, Contact Count 168:8 (hybrid mode possible)");
    EXPECT_TRUE(lines[6].startsWith("1     finger  88   89        90     -       -       96:8  "));
    EXPECT_TRUE(lines[6].endsWith("104:16  120:16  136:16  152:16  0..32767  0..32767"));
    EXPECT_TRUE(runTool({"describe", "--json", kTenFingerRecording})
                    .out.contains("\"contact_count_bits\": \"488:8\""));
    run = runTool({"describe", "--json", "not-a-file-or-hex"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "orvetta-tool describe: 'not-a-file-or-hex' is neither a readable file "
              "nor descriptor bytes in hex\n");
}
