// orvetta-tool prefs: reads and writes the preference store the program uses, for
// administrators and support.

#include <QDir>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/qt_scheduler.h"
#include "base/services.h"
#include "settings/preference_vocabulary.h"
#include "settings/profiles.h"
#include "tool/tool_commands.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadInput = 2;

const char kUsage[] =
    "usage: orvetta-tool prefs [--config DIR] <command>\n"
    "  get KEY                 the stored value, else the default (JSON)\n"
    "  set KEY VALUE           store a JSON value: 1.5, true, \"auto\"\n"
    "  remove KEY              remove the stored value; the default shows again\n"
    "  profiles                the settings profiles, the active one marked with *\n"
    "  profile-value KEY       the value the active profile resolves\n"
    "  save-profile NAME       save the active profile's values under NAME and use it\n"
    "  use-profile NAME        make NAME the active profile\n"
    "  remove-profile          remove the active profile (not Default)\n"
    "  dump                    the whole stored document\n"
    "Profile keys set at the top level are the Default profile's values.\n"
    "The folder is DIR, else $ORVETTA_CONFIG_DIR, else $XDG_CONFIG_HOME/orvetta.\n";

// The store the program uses, with the process-wide services it needs, for one command.
class PrefsSession {
  public:
    explicit PrefsSession(const QString& path)
        : _preferences(path, &_scheduler),
          _services(OVServices{&_center, &_preferences, &_scheduler, nullptr, nullptr}) {
        OVRegisterDefaults();
    }

    OVPreferences& preferences() { return _preferences; }

    // Writes what the command changed before the process ends.
    int finish(int status, QTextStream& err) {
        OVError error;
        if (!_preferences.synchronize(&error)) {
            err << "orvetta-tool prefs: " << error.description << "\n";
            return kFailed;
        }
        return status;
    }

  private:
    OVNotificationCenter _center;
    OVQtScheduler _scheduler;
    OVPreferences _preferences;
    OVServicesGuard _services;
};

int refuse(QTextStream& err, const QString& message) {
    err << "orvetta-tool prefs: " << message << "\n";
    return kBadInput;
}

bool isKnownKey(const QString& key) {
    return OVPreferenceValueKindForKey(key).has_value();
}

int refuseUnknownKey(QTextStream& err, const QString& key) {
    return refuse(err, QStringLiteral("unknown preference key '%1'").arg(key));
}

// Takes "--config DIR" or "--config=DIR" out of the arguments.
std::optional<QString> takeConfigFolder(QStringList& arguments, bool* malformed) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.startsWith(QLatin1String("--config="))) {
            const QString folder = argument.mid(9);
            arguments.removeAt(i);
            *malformed = folder.isEmpty();
            return folder;
        }
        if (argument == QLatin1String("--config")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                *malformed = true;
                return std::nullopt;
            }
            const QString folder = arguments[i + 1];
            arguments.remove(i, 2);
            return folder;
        }
    }
    return std::nullopt;
}

using Command = std::function<int(const QStringList& operands, PrefsSession& session,
                                  QTextStream& out, QTextStream& err)>;

struct Subcommand {
    const char* name;
    int operandCount;
    // Checks the operands before the store is opened: a refused command touches nothing.
    std::function<int(const QStringList& operands, QTextStream& err)> check;
    Command run;
};

int noCheck(const QStringList&, QTextStream&) {
    return kDone;
}

int checkKnownKey(const QStringList& operands, QTextStream& err) {
    return isKnownKey(operands[0]) ? kDone : refuseUnknownKey(err, operands[0]);
}

int checkProfileName(const QStringList& operands, QTextStream& err) {
    const std::optional<QString> name = OVTrimmedProfileName(operands[0]);
    if (!name || *name == OVDefaultProfileName) {
        return refuse(err, QStringLiteral("a profile needs a name other than Default"));
    }
    return kDone;
}

int getValue(const QStringList& operands, PrefsSession& session, QTextStream& out, QTextStream&) {
    out << OVJSONTextForValue(session.preferences().object(operands[0])) << "\n";
    return kDone;
}

int setValue(const QStringList& operands, PrefsSession& session, QTextStream&, QTextStream&) {
    // Checked before the store was opened; this parse cannot fail.
    session.preferences().setObject(operands[0],
                                    *OVPreferenceValueFromJSON(operands[0], operands[1]));
    return kDone;
}

int checkValue(const QStringList& operands, QTextStream& err) {
    OVError error;
    if (!OVPreferenceValueFromJSON(operands[0], operands[1], &error)) {
        return refuse(err, error.description);
    }
    return kDone;
}

int removeValue(const QStringList& operands, PrefsSession& session, QTextStream&, QTextStream&) {
    session.preferences().removeObject(operands[0]);
    return kDone;
}

int listProfiles(const QStringList&, PrefsSession&, QTextStream& out, QTextStream&) {
    const QString active = OVActiveSettingsProfileName();
    for (const QString& name : OVSettingsProfileNames()) {
        out << (name == active ? "* " : "  ") << name << "\n";
    }
    return kDone;
}

int profileValue(const QStringList& operands, PrefsSession&, QTextStream& out, QTextStream&) {
    out << OVJSONTextForValue(OVProfileValueForKey(operands[0])) << "\n";
    return kDone;
}

int saveProfile(const QStringList& operands, PrefsSession&, QTextStream& out, QTextStream& err) {
    if (!OVSaveCurrentSettingsAsProfile(operands[0])) {
        return refuse(err, QStringLiteral("a profile needs a name other than Default"));
    }
    out << "saved and active: " << OVActiveSettingsProfileName() << "\n";
    return kDone;
}

int useProfile(const QStringList& operands, PrefsSession&, QTextStream& out, QTextStream& err) {
    const QString& name = operands[0];
    const QVariantMap profiles = OVSettingsProfilesMutable();
    const std::optional<QString> trimmed = OVTrimmedProfileName(name);
    if (!trimmed || (!profiles.contains(name) && !profiles.contains(*trimmed))) {
        return refuse(err, QStringLiteral("no profile named '%1'").arg(name));
    }
    OVSetActiveSettingsProfile(name);
    out << "active: " << OVActiveSettingsProfileName() << "\n";
    return kDone;
}

int removeProfile(const QStringList&, PrefsSession&, QTextStream& out, QTextStream& err) {
    const QString active = OVActiveSettingsProfileName();
    if (!OVRemoveActiveSettingsProfile()) {
        err << "orvetta-tool prefs: the Default profile is active; it cannot be removed\n";
        return kFailed;
    }
    out << "removed: " << active << "\n";
    return kDone;
}

int dump(const QStringList&, PrefsSession& session, QTextStream& out, QTextStream&) {
    out << OVJSONTextForValue(session.preferences().storedValues(), true) << "\n";
    return kDone;
}

const Subcommand kSubcommands[] = {
    {"get", 1, checkKnownKey, getValue},
    {"set", 2, checkValue, setValue},
    {"remove", 1, checkKnownKey, removeValue},
    {"profiles", 0, noCheck, listProfiles},
    {"profile-value", 1, checkKnownKey, profileValue},
    {"save-profile", 1, checkProfileName, saveProfile},
    {"use-profile", 1, noCheck, useProfile},
    {"remove-profile", 0, noCheck, removeProfile},
    {"dump", 0, noCheck, dump},
};

const Subcommand* findSubcommand(const QString& name) {
    for (const Subcommand& subcommand : kSubcommands) {
        if (name == QLatin1String(subcommand.name)) {
            return &subcommand;
        }
    }
    return nullptr;
}

}  // namespace

int OVPrefsCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList operands = arguments;
    bool malformedConfig = false;
    const std::optional<QString> folder = takeConfigFolder(operands, &malformedConfig);
    if (malformedConfig || operands.isEmpty()) {
        err << kUsage;
        return kBadInput;
    }
    const Subcommand* subcommand = findSubcommand(operands.takeFirst());
    if (!subcommand || operands.size() != subcommand->operandCount) {
        err << kUsage;
        return kBadInput;
    }
    if (const int refused = subcommand->check(operands, err); refused != kDone) {
        return refused;
    }
    const QString path = folder ? QDir(*folder).filePath(QStringLiteral("preferences.json"))
                                : OVPreferences::defaultPath();
    PrefsSession session(path);
    if (session.preferences().fileUnreadable()) {
        // Left as it is: neither read as empty nor written over.
        err << "orvetta-tool prefs: cannot read " << path << ": "
            << session.preferences().fileProblem() << "\n";
        return kFailed;
    }
    const int status = subcommand->run(operands, session, out, err);
    return session.finish(status, err);
}
