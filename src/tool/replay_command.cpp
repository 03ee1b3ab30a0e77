// orvetta-tool replay: plays a hid-recorder recording through decoding, the gesture engine and
// the sim event log; tells what happened report by report, event by event or gesture by gesture,
// and draws a picture of it.

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>

#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/qt_scheduler.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/hid_recording.h"
#include "platform/sim/replay_summary.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_replay.h"
#include "settings/profiles.h"
#include "tool/replay_picture.h"
#include "tool/tool_commands.h"

namespace {

const char kUsage[] =
    "usage: orvetta-tool replay <recording> [--events] [--summary] [--picture FILE.png] "
    "[--virtual | --speed N] [--display WxH] [--config DIR]\n";

struct ReplayArguments {
    QString recording;
    bool events = false;
    bool summary = false;
    QString picture;
    bool virtualTime = false;
    double speed = 1.0;
    QSize display{1920, 1080};
    QString configDirectory;
};

// Reads the arguments; on a mistake writes it and the usage to `err` and returns nothing.
std::optional<ReplayArguments> parseArguments(const QStringList& arguments, QTextStream& err) {
    ReplayArguments parsed;
    bool speedGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size()) {
                err << "orvetta-tool replay: " << argument << " needs a value\n" << kUsage;
                return std::nullopt;
            }
            return arguments[++i];
        };
        if (argument == QLatin1String("--events")) {
            parsed.events = true;
        } else if (argument == QLatin1String("--summary")) {
            parsed.summary = true;
        } else if (argument == QLatin1String("--picture")) {
            const std::optional<QString> text = value();
            if (!text) {
                return std::nullopt;
            }
            if (!QFileInfo(*text).absoluteDir().exists()) {
                err << "orvetta-tool replay: the folder of " << *text << " does not exist\n";
                return std::nullopt;
            }
            parsed.picture = *text;
        } else if (argument == QLatin1String("--virtual")) {
            parsed.virtualTime = true;
        } else if (argument == QLatin1String("--speed")) {
            const std::optional<QString> text = value();
            bool ok = false;
            parsed.speed = text ? text->toDouble(&ok) : 0.0;
            if (!text || !ok || !(parsed.speed > 0.0) || parsed.speed > 1000.0) {
                if (text) {
                    err << "orvetta-tool replay: --speed takes a number above 0 and up to 1000\n";
                }
                return std::nullopt;
            }
            speedGiven = true;
        } else if (argument == QLatin1String("--display")) {
            const std::optional<QString> text = value();
            const std::optional<QSize> size = text ? OVParseDisplaySize(*text) : std::nullopt;
            if (!size) {
                if (text) {
                    err << "orvetta-tool replay: --display takes WIDTHxHEIGHT, e.g. 1920x1080\n";
                }
                return std::nullopt;
            }
            parsed.display = *size;
        } else if (argument == QLatin1String("--config")) {
            const std::optional<QString> text = value();
            if (!text) {
                return std::nullopt;
            }
            parsed.configDirectory = *text;
        } else if (argument.startsWith(QLatin1String("--")) || !parsed.recording.isEmpty()) {
            err << "orvetta-tool replay: unexpected argument '" << argument << "'\n" << kUsage;
            return std::nullopt;
        } else {
            parsed.recording = argument;
        }
    }
    if (parsed.recording.isEmpty()) {
        err << kUsage;
        return std::nullopt;
    }
    if (parsed.virtualTime && speedGiven) {
        err << "orvetta-tool replay: --virtual and --speed exclude each other\n" << kUsage;
        return std::nullopt;
    }
    return parsed;
}

bool writePicture(const ReplayArguments& arguments, const OVHIDRecording& recording,
                  std::vector<OVReplayGesture> gestures, QTextStream& out, QTextStream& err) {
    const OVReplayPictureContent content{
        recording.name, QFileInfo(arguments.recording).fileName(),
        recording.events.isEmpty() ? 0.0 : recording.events.last().time, arguments.display,
        std::move(gestures)};
    QSaveFile file(arguments.picture);
    if (!file.open(QIODevice::WriteOnly) || !OVReplayPicture(content).save(&file, "PNG") ||
        !file.commit()) {
        err << "orvetta-tool replay: cannot write " << arguments.picture << ": "
            << file.errorString() << "\n";
        return false;
    }
    out << "picture of the replay: " << QFileInfo(arguments.picture).absoluteFilePath() << "\n";
    return true;
}

}  // namespace

int OVReplayCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const std::optional<ReplayArguments> parsed = parseArguments(arguments, err);
    if (!parsed) {
        return 2;
    }
    OVError error;
    const std::optional<OVHIDRecording> recording =
        OVReadHIDRecordingFile(parsed->recording, &error);
    if (!recording) {
        err << "orvetta-tool replay: " << error.description << "\n";
        return 1;
    }

    OVVirtualScheduler virtualScheduler;
    OVQtScheduler qtScheduler;
    OVScheduler& scheduler =
        parsed->virtualTime ? static_cast<OVScheduler&>(virtualScheduler) : qtScheduler;
    OVNotificationCenter center;
    std::unique_ptr<OVPreferences> preferences =
        parsed->configDirectory.isEmpty()
            ? std::make_unique<OVPreferences>()
            : std::make_unique<OVPreferences>(
                  QDir(parsed->configDirectory).filePath(QStringLiteral("preferences.json")),
                  &scheduler);

    auto print = [&out](const QString& line) {
        out << line << '\n';
        out.flush();
    };
    OVSimReplay replay(scheduler, parsed->display, parsed->events, print);
    replay.setPrintsReports(!parsed->summary);
    std::vector<OVReplayGesture> gestures;
    if (parsed->summary || !parsed->picture.isEmpty()) {
        replay.setGestureHandler([&](const OVReplayGesture& gesture) {
            if (parsed->summary) {
                print(OVReplaySummaryLine(gesture));
            }
            if (!parsed->picture.isEmpty()) {
                gestures.push_back(gesture);
            }
        });
    }
    OVServicesGuard services(
        OVServices{&center, preferences.get(), &scheduler, &replay.platform(), nullptr});
    OVRegisterDefaults();
    if (!replay.load(*recording, &error)) {
        err << "orvetta-tool replay: " << error.description << "\n";
        return 1;
    }
    if (parsed->virtualTime) {
        replay.runVirtual(virtualScheduler);
    } else {
        QEventLoop loop;
        replay.startRealTime(parsed->speed, [&loop] { loop.quit(); });
        loop.exec();
    }
    if (!parsed->picture.isEmpty() &&
        !writePicture(*parsed, *recording, std::move(gestures), out, err)) {
        return 1;
    }
    return 0;
}
