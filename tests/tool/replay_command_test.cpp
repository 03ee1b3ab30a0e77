// orvetta-tool replay, run as a developer runs it: the built binary on recordings in virtual
// time.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "tool_run.h"

namespace {

const QString kData = QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/");
const QString kRecording = kData + "gesture-clicks.hidrec";

class ReplayCommand : public ::testing::Test {
  protected:
    OVToolRun replay(const QStringList& arguments) {
        return OVRunTool(QStringList{"replay"} + arguments, dir.filePath("unused"));
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(ReplayCommand, TheDisplayAndTheConfigurationShapeTheEventsItPrints) {
    const QString config = dir.filePath("config");
    ASSERT_TRUE(QDir().mkpath(config));
    OVWriteFile(config + "/preferences.json", R"({"finger1MouseAction": 2})");
    const OVToolRun run =
        replay({kRecording, "--virtual", "--events", "--display", "1280x720", "--config", config});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.split('\n').contains("0.000 mouse type=3 button=1 x=66.68 y=66.67 flags=0x0"))
        << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("type=1 "));
}

TEST_F(ReplayCommand, MistakesAreRefusedWithTheirReason) {
    const QString notTouch = dir.filePath("keyboard.hidrec");
    OVWriteFile(notTouch, "R: 4 05 01 09 06\nN: keyboard\n");
    const struct {
        QStringList arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {{}, 2, "usage: orvetta-tool replay"},
        {{kRecording, "--virtual", "--speed", "2"}, 2, "exclude each other"},
        {{kRecording, "--display", "wide"}, 2, "--display takes"},
        {{dir.filePath("missing.hidrec")}, 1, "missing.hidrec"},
        {{notTouch, "--virtual"}, 1, "no touch layout"},
    };
    for (const auto& c : cases) {
        const OVToolRun run = replay(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}
