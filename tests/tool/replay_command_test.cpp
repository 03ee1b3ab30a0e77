// orvetta-tool replay, run as a developer runs it: the built binary on recordings in virtual
// time.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <numbers>

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
    static QString dataText(const QString& name) {
        QFile file(dataPath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return QString::fromUtf8(file.readAll());
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

TEST_F(ReplayCommand, VirtualTimePrintsTheExpectedLogOrSummary) {
    const ReplayRun run = replay({dataPath("gesture-clicks.hidrec"), "--virtual", "--events"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, dataText("gesture-clicks.events"));

    const ReplayRun summary = replay({dataPath("gesture-clicks.hidrec"), "--virtual", "--summary"});
    EXPECT_EQ(summary.exitCode, 0) << summary.err.toStdString();
    EXPECT_EQ(summary.out, dataText("gesture-clicks.summary"));

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
        {{recording, "--picture"}, 2, "--picture needs a value"},
        {{recording, "--picture", dir.filePath("no/such/folder.png")}, 2, "does not exist"},
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

// The demo drawn: marks and traces where the recording put them, coloured by what they are.
TEST_F(ReplayCommand, ThePictureShowsWhatHappenedWhereItHappened) {
    const QString picture = dir.filePath("demo.png");
    const ReplayRun run =
        replay({QStringLiteral(ORVETTA_SOURCE_DIR "/resources/demo/demo-session.hidrec"),
                "--virtual", "--picture", picture});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith("picture of the replay: " + picture + "\n"))
        << run.out.toStdString();
    const QImage image(picture);
    ASSERT_EQ(image.width(), 1280);
    // "left,top widthxheight" of the 1920 x 1080 display in the picture.
    const QStringList frame = image.text("Display").split(QRegularExpression("[, x]"));
    ASSERT_EQ(frame.size(), 4) << image.text("Display").toStdString();
    const QPointF origin(frame[0].toDouble(), frame[1].toDouble());
    const double scale = frame[2].toDouble() / 1920.0;
    EXPECT_NEAR(frame[3].toDouble() / 1080.0, scale, 1e-6);
    auto pixel = [&](QPointF at, QPoint offset = {}) {
        return image.pixelColor((origin + at * scale).toPoint() + offset);
    };
    // Hue in degrees of a strong colour; -1 for the greys of the screen and its grid.
    auto hue = [](const QColor& colour) {
        return colour.hsvSaturationF() > 0.5 ? colour.hsvHueF() * 360.0 : -1.0;
    };
    auto isRed = [&](const QColor& colour) {
        return hue(colour) > 340.0 || (hue(colour) >= 0.0 && hue(colour) < 10.0);
    };
    // Whether a pixel of the given hue lies within 4 pixels of `at`.
    auto hueNear = [&](QPointF at, double low, double high) {
        for (int dy = -4; dy <= 4; ++dy) {
            for (int dx = -4; dx <= 4; ++dx) {
                const double h = hue(pixel(at, {dx, dy}));
                if (h >= low && h <= high) {
                    return true;
                }
            }
        }
        return false;
    };

    // The tap at (480, 300) clicked there; the second tap at (964, 302) double-clicked, which
    // adds a ring 12 pixels out.
    EXPECT_TRUE(isRed(pixel({480, 300})));
    EXPECT_FALSE(isRed(pixel({480, 300}, {12, 0})));
    EXPECT_TRUE(isRed(pixel({964, 302}, {12, 0})));
    // The pen's wave is green all along; the eraser's scrubbing is orange and never green (the
    // caption of the coasting scroll covers its last stretch).
    for (double progress = 0.1; progress < 0.95; progress += 0.1) {
        const QPointF pen(400 + 1100 * progress,
                          800 + 120 * std::sin(progress * 2 * std::numbers::pi));
        EXPECT_TRUE(hueNear(pen, 130, 170)) << "pen at " << progress;
    }
    for (double progress = 0.1; progress < 0.75; progress += 0.1) {
        const QPointF eraser(1200 + 160 * std::sin(progress * 6 * std::numbers::pi),
                             600 + 40 * progress);
        EXPECT_TRUE(hueNear(eraser, 20, 45)) << "eraser at " << progress;
        EXPECT_FALSE(hueNear(eraser, 130, 170)) << "eraser at " << progress;
    }
    // Where nothing happened, the screen stays empty.
    EXPECT_LT(hue(pixel({1700, 150})), 0.0);
}

}  // namespace
