// The bundled demo session and the replay test data: generated from scripts, replayed through
// the whole report path in virtual time, and compared with the expected event logs and gesture
// summaries.
//
// ORVETTA_REGENERATE_RECORDINGS=1 rewrites the recordings, the expected logs and the expected
// gesture summaries from the scripts; review the diff before committing it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <random>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "demo_scenes.h"
#include "hid/descriptor_parser.h"
#include "hid/touch_bridge.h"
#include "platform/sim/replay_summary.h"
#include "platform/sim/sim_replay.h"
#include "settings/profiles.h"

namespace {

const QString kSourceDir = QStringLiteral(ORVETTA_SOURCE_DIR);

bool regenerating() {
    return qEnvironmentVariableIntValue("ORVETTA_REGENERATE_RECORDINGS") == 1;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

enum class Output { Events, Summary };

// The output of `orvetta-tool replay <recording> --virtual --events` or `... --virtual --summary`.
QString replayOutput(const OVHIDRecording& recording, Output output = Output::Events) {
    OVServicesGuard guard;
    QStringList lines;
    auto print = [&lines](const QString& line) { lines << line; };
    OVSimReplay replay(*guard.virtualScheduler(), QSize(1920, 1080), output == Output::Events,
                       print);
    if (output == Output::Summary) {
        replay.setPrintsReports(false);
        replay.setGestureHandler(
            [&print](const OVReplayGesture& gesture) { print(OVReplaySummaryLine(gesture)); });
    }
    guard.setPlatform(&replay.platform());
    OVRegisterDefaults();
    OVError error;
    EXPECT_TRUE(replay.load(recording, &error)) << error.description.toStdString();
    replay.runVirtual(*guard.virtualScheduler());
    EXPECT_FALSE(replay.gestureBusy());
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

struct RecordingFile {
    QString recordingPath;
    QString eventsPath;  // the summary is next to it, ending in .summary
    OVHIDRecording recording;
};

QString summaryPath(QString eventsPath) {
    return eventsPath.replace(QStringLiteral(".events"), QStringLiteral(".summary"));
}

void expectSameLines(const QString& actualText, const QString& expectedText) {
    const QStringList expected = expectedText.split(QLatin1Char('\n'));
    const QStringList actual = actualText.split(QLatin1Char('\n'));
    ASSERT_EQ(actual.size(), expected.size()) << actualText.toStdString();
    for (qsizetype i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(actual[i].toStdString(), expected[i].toStdString()) << "line " << i + 1;
    }
}

std::vector<RecordingFile> generatedFiles() {
    std::vector<RecordingFile> files;
    files.push_back({kSourceDir + QStringLiteral("/resources/demo/demo-session.hidrec"),
                     kSourceDir + QStringLiteral("/tests/data/demo-session.events"),
                     demoSessionRecording()});
    for (const auto& [name, recording] : replayTestRecordings()) {
        files.push_back({kSourceDir + QStringLiteral("/tests/data/%1.hidrec").arg(name),
                         kSourceDir + QStringLiteral("/tests/data/%1.events").arg(name),
                         recording});
    }
    return files;
}

TEST(RecordingsTest, TheCheckedInRecordingsAreWhatTheScriptsMake) {
    for (const RecordingFile& file : generatedFiles()) {
        const QByteArray text = OVHIDRecordingText(file.recording);
        if (regenerating()) {
            writeFile(file.recordingPath, text);
            writeFile(file.eventsPath, replayOutput(file.recording).toUtf8());
            writeFile(summaryPath(file.eventsPath),
                      replayOutput(file.recording, Output::Summary).toUtf8());
            continue;
        }
        EXPECT_EQ(readFile(file.recordingPath), text) << file.recordingPath.toStdString();
    }
}

TEST(RecordingsTest, TheDemoSessionPlaysForAboutTwentySeconds) {
    const OVHIDRecording demo = demoSessionRecording();
    ASSERT_FALSE(demo.events.isEmpty());
    EXPECT_GE(demo.events.last().time, 18.0);
    EXPECT_LE(demo.events.last().time, 21.0);
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(demo.descriptor);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contactCount, 6);
    EXPECT_TRUE(layout.hasPenCollection && layout.hasFingerCollection);
    EXPECT_TRUE(layout.hasInvert && layout.hasEraser && layout.hasInRange);
    EXPECT_EQ(layout.contacts[kDemoPenSlot].preferredKind, OVContactKindPen);
}

// Every recording in tests/data with an expected event log replays to exactly that log and to
// the expected gesture summary.
TEST(RecordingsTest, ReplaysMatchTheExpectedEventLogsAndSummaries) {
    const QDir data(kSourceDir + QStringLiteral("/tests/data"));
    const QStringList expectedLogs = data.entryList({QStringLiteral("*.events")}, QDir::Files);
    ASSERT_GE(expectedLogs.size(), 4);
    for (const QString& name : expectedLogs) {
        SCOPED_TRACE(name.toStdString());
        QString recordingPath = data.filePath(QString(name).replace(".events", ".hidrec"));
        if (name == QLatin1String("demo-session.events")) {
            recordingPath = kSourceDir + QStringLiteral("/resources/demo/demo-session.hidrec");
        }
        OVError error;
        const std::optional<OVHIDRecording> recording =
            OVReadHIDRecordingFile(recordingPath, &error);
        ASSERT_TRUE(recording) << error.description.toStdString();
        expectSameLines(replayOutput(*recording), QString::fromUtf8(readFile(data.filePath(name))));
        expectSameLines(replayOutput(*recording, Output::Summary),
                        QString::fromUtf8(readFile(summaryPath(data.filePath(name)))));
    }
}

TEST(RecordingsTest, TheEncoderIsTheInverseOfTheDecoder) {
    OVServicesGuard guard;
    OVSimDisplayServices displays(
        {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true)});
    OVAssembledPlatform platform;
    platform.displays = &displays;
    guard.setPlatform(&platform);
    OVTouchBridge bridge;
    bridge.loadTargetDisplayBounds();
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(demoTouchScreenDescriptor());
    bridge.setHIDLayout(layout);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> x(0, 1920);
    std::uniform_real_distribution<double> y(0, 1080);
    for (int round = 0; round < 500; ++round) {
        std::vector<SlotTouch> touches;
        const int fingers = static_cast<int>(random() % 6);
        for (int i = 0; i < fingers; ++i) {
            touches.push_back({SlotTouch::Tool::Finger,
                               static_cast<std::uint8_t>(random()),
                               {x(random), y(random)},
                               true});
        }
        const int tool = static_cast<int>(random() % 4);  // none, pen, eraser, hovering pen
        if (tool > 0) {
            touches.push_back({tool == 2 ? SlotTouch::Tool::Eraser : SlotTouch::Tool::Pen,
                               9,
                               {x(random), y(random)},
                               tool != 3});
        }
        const QByteArray report = encodeDemoReport(layout, touches);
        const OVTouchContactList list = bridge.contactsFromReport(
            reinterpret_cast<const std::uint8_t*>(report.constData()), report.size());
        ASSERT_TRUE(list.decoded);
        const int touching = fingers + (tool == 1 || tool == 2 ? 1 : 0);
        ASSERT_EQ(list.count, touching);
        EXPECT_EQ(list.reportedContactCount, touching);
        for (int i = 0; i < touching; ++i) {
            const SlotTouch& touch = touches[static_cast<size_t>(i)];
            const OVTouchContact& contact = list.contacts[static_cast<size_t>(i)];
            const std::int64_t kind = touch.tool == SlotTouch::Tool::Finger ? OVContactKindFinger
                                      : touch.tool == SlotTouch::Tool::Pen  ? OVContactKindPen
                                                                            : OVContactKindEraser;
            EXPECT_EQ(contact.kind, kind);
            EXPECT_EQ(contact.contactId, touch.id);
            const QPointF mapped = bridge.mapContact(contact);
            EXPECT_NEAR(mapped.x(), touch.at.x(), 0.04);
            EXPECT_NEAR(mapped.y(), touch.at.y(), 0.04);
        }
    }
}

}  // namespace
