// orvetta-tool replay, run as a developer runs it: the built binary on recordings in virtual
// time.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ReplayRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class ReplayCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(toolPath())) << "build the orvetta-tool target first";
        ASSERT_TRUE(dir.isValid());
    }

    static QString toolPath() { return QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"); }
    static QString dataPath(const QString& name) {
        return QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/") + name;
    }

    ReplayRun replay(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVETTA_CONFIG_DIR", dir.filePath("unused"));
        process.setProcessEnvironment(environment);
        process.start(toolPath(), QStringList{"replay"} + arguments);
        ReplayRun run;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << "orvetta-tool did not finish";
            return run;
        }
        run.exitCode = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir;
};

TEST_F(ReplayCommand, VirtualTimeWithEventsPrintsTheExpectedLog) {
    const ReplayRun run = replay({dataPath("gesture-clicks.hidrec"), "--virtual", "--events"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile expected(dataPath("gesture-clicks.events"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    EXPECT_EQ(run.out, QString::fromUtf8(expected.readAll()));

    const ReplayRun quiet = replay({dataPath("gesture-clicks.hidrec"), "--virtual"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_GT(quiet.out.count(" report "), 50);
    EXPECT_FALSE(quiet.out.contains("mouse"));
    EXPECT_FALSE(quiet.out.contains("warp"));
}

TEST_F(ReplayCommand, TheDisplayAndTheConfigurationShapeTheEvents) {
    const QString config = dir.filePath("config");
    ASSERT_TRUE(QDir().mkpath(config));
    QFile preferences(config + "/preferences.json");
    ASSERT_TRUE(preferences.open(QIODevice::WriteOnly));
    preferences.write(R"({"finger1MouseAction": 2})");
    preferences.close();
    const ReplayRun run = replay({dataPath("gesture-clicks.hidrec"), "--virtual", "--events",
                                  "--display", "1280x720", "--config", config});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n');
    EXPECT_TRUE(lines.contains("0.000 mouse type=3 button=1 x=66.68 y=66.67 flags=0x0"))
        << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("type=1 "));
}

TEST_F(ReplayCommand, MistakesAreRefusedWithTheirReason) {
    const QString recording = dataPath("gesture-clicks.hidrec");
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* message;
    };
    const QString notTouch = writeFile("keyboard.hidrec", "R: 4 05 01 09 06\nN: keyboard\n");
    const Case cases[] = {
        {{}, 2, "usage: orvetta-tool replay"},
        {{recording, "--virtual", "--speed", "2"}, 2, "exclude each other"},
        {{recording, "--speed", "0"}, 2, "--speed takes a number"},
        {{recording, "--speed"}, 2, "--speed needs a value"},
        {{recording, "--display", "wide"}, 2, "--display takes"},
        {{recording, "--fast"}, 2, "unexpected argument '--fast'"},
        {{recording, recording}, 2, "unexpected argument"},
        {{dir.filePath("missing.hidrec")}, 1, "missing.hidrec"},
        {{notTouch, "--virtual"}, 1, "no touch layout"},
    };
    for (const Case& c : cases) {
        const ReplayRun run = replay(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

}  // namespace
