#include "platform/linux/udev_rule_installer.h"

#include <unistd.h>

#include <QDir>
#include <QFileDevice>
#include <QProcess>
#include <QSaveFile>

namespace {

constexpr int kCommandMilliseconds = 60000;
const QString kUdevadm = QStringLiteral("udevadm");

struct UdevStep {
    QStringList arguments;
    const char* done;
};

const UdevStep kUdevSteps[] = {
    {{"control", "--reload-rules"}, "Reloaded the udev rules"},
    {{"trigger", "--action=change", "--subsystem-match=hidraw", "--subsystem-match=input"},
     "Applied them to the HID and input devices attached now"},
    {{"trigger", "--action=change", "--subsystem-match=misc", "--sysname-match=uinput"},
     "Applied them to /dev/uinput"},
};

int runWithQProcess(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(kCommandMilliseconds) ||
        !process.waitForFinished(kCommandMilliseconds) ||
        process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process.exitCode();
}

bool writeRule(const QString& path, const QByteArray& ruleText, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ruleText) != ruleText.size()) {
        *error = file.errorString();
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

OVUdevRuleInstall OVUdevRuleInstall::forThisSystem() {
    OVUdevRuleInstall install;
    install.runningAsRoot = geteuid() == 0;
    install.runCommand = runWithQProcess;
    return install;
}

int OVInstallUdevRule(const OVUdevRuleInstall& install, const QByteArray& ruleText,
                      const QString& fileName, QTextStream& out, QTextStream& err) {
    if (install.reloadUdev && !install.runningAsRoot) {
        err << "orvetta-tool install-udev-rule needs root to write " << install.rulesDirectory
            << " and reload udev: run it with sudo.\n";
        return 1;
    }
    const QString path = QDir(install.rulesDirectory).filePath(fileName);
    QString error;
    if (!QDir().mkpath(install.rulesDirectory) || !writeRule(path, ruleText, &error)) {
        err << "Could not write " << path << ": " << (error.isEmpty() ? "no such folder" : error)
            << "\n";
        return 1;
    }
    out << "Installed " << path << ": the user at the seat may read HID touch displays and "
        << "their input devices, and write /dev/uinput.\n";
    if (!install.reloadUdev) {
        return 0;
    }
    for (const UdevStep& step : kUdevSteps) {
        const int result = install.runCommand ? install.runCommand(kUdevadm, step.arguments) : -1;
        if (result != 0) {
            err << "\"udevadm " << step.arguments.join(QLatin1Char(' ')) << "\" failed"
                << (result < 0 ? QStringLiteral(" to run") : QStringLiteral(" (%1)").arg(result))
                << "; the rule takes effect at the next start of the computer.\n";
            return 1;
        }
        out << step.done << " (udevadm " << step.arguments.join(QLatin1Char(' ')) << ").\n";
    }
    out << "If Orvetta still cannot read the touch display, unplug it and plug it in again; if it "
        << "still cannot post input, log out and back in.\n";
    return 0;
}
