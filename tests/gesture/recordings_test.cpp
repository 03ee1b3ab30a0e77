// Every recording in tests/data with an expected event log (and the bundled demo session)
// replays through the whole report path in virtual time to exactly that log and to the expected
// gesture summary next to it.
//
// ORVETTA_REGENERATE_RECORDINGS=1 rewrites the expected logs and summaries from the recordings;
// review the diff before committing it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/sim/replay_summary.h"
#include "platform/sim/sim_replay.h"
#include "settings/profiles.h"

namespace {

// The output of `orvetta-tool replay <recording> --virtual --events` or `... --summary`.
QStringList replayOutput(const OVHIDRecording& recording, bool summary) {
    OVServicesGuard guard;
    QStringList lines;
    auto print = [&lines](const QString& line) { lines << line; };
    OVSimReplay replay(*guard.virtualScheduler(), QSize(1920, 1080), !summary, print);
    if (summary) {
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
    return lines << QString();
}

TEST(RecordingsTest, ReplaysMatchTheExpectedEventLogsAndSummaries) {
    const QString source = QStringLiteral(ORVETTA_SOURCE_DIR);
    const QDir data(source + QStringLiteral("/tests/data"));
    const QStringList expectedLogs = data.entryList({QStringLiteral("*.events")}, QDir::Files);
    ASSERT_GE(expectedLogs.size(), 6);
    const bool regenerating = qEnvironmentVariableIntValue("ORVETTA_REGENERATE_RECORDINGS") == 1;
    for (const QString& events : expectedLogs) {
        SCOPED_TRACE(events.toStdString());
        const QString base = QString(events).chopped(7);
        const QString recordingPath =
            base == QLatin1String("demo-session")
                ? source + QStringLiteral("/resources/demo/demo-session.hidrec")
                : data.filePath(base + QStringLiteral(".hidrec"));
        OVError error;
        const std::optional<OVHIDRecording> recording =
            OVReadHIDRecordingFile(recordingPath, &error);
        ASSERT_TRUE(recording) << error.description.toStdString();
        for (const bool summary : {false, true}) {
            QFile file(data.filePath(base + (summary ? ".summary" : ".events")));
            const QStringList actual = replayOutput(*recording, summary);
            if (regenerating) {
                ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write(actual.join(QLatin1Char('\n')).toUtf8());
                continue;
            }
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            const QStringList expected = QString::fromUtf8(file.readAll()).split('\n');
            ASSERT_EQ(actual.size(), expected.size()) << actual.join('\n').toStdString();
            for (qsizetype i = 0; i < expected.size(); ++i) {
                ASSERT_EQ(actual[i].toStdString(), expected[i].toStdString()) << "line " << i + 1;
            }
        }
    }
}

}  // namespace
