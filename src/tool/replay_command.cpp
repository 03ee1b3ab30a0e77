// orvetta-tool replay: plays a hid-recorder recording through decoding, the gesture engine and
// the sim event log.

#include <QDir>
#include <QEventLoop>

#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/qt_scheduler.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/hid_recording.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_replay.h"
#include "settings/profiles.h"
#include "tool/tool_commands.h"

namespace {

const char kUsage[] =
    "usage: orvetta-tool replay <recording> [--events] [--virtual | --speed N] "
    "[--display WxH] [--config DIR]\n";

struct ReplayArguments {
    QString recording;
    bool events = false;
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
    OVServicesGuard services(
        OVServices{&center, preferences.get(), &scheduler, &replay.platform(), nullptr});
    OVRegisterDefaults();
    if (!replay.load(*recording, &error)) {
        err << "orvetta-tool replay: " << error.description << "\n";
        return 1;
    }
    if (parsed->virtualTime) {
        replay.runVirtual(virtualScheduler);
        return 0;
    }
    QEventLoop loop;
    replay.startRealTime(parsed->speed, [&loop] { loop.quit(); });
    loop.exec();
    return 0;
}
