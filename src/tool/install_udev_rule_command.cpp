// orvetta-tool install-udev-rule: gives the user at the seat access to touch displays and
// uinput.

#include <QFileInfo>

#include "orvetta_udev_rule.h"
#include "platform/linux/udev_rule_installer.h"
#include "tool/tool_commands.h"

int OVInstallUdevRuleCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    OVUdevRuleInstall install = OVUdevRuleInstall::forThisSystem();
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--rules-dir") && i + 1 < arguments.size()) {
            install.rulesDirectory = arguments[++i];
            install.reloadUdev = false;
        } else {
            err << "usage: orvetta-tool install-udev-rule [--rules-dir DIR]\n";
            return 2;
        }
    }
    // A rule for this system needs the program it runs.
    if (install.reloadUdev && !QFileInfo(QString::fromUtf8(OVUdevMatchProgram)).isExecutable()) {
        err << "orvetta-tool: the rule recognises touch displays with " << OVUdevMatchProgram
            << ", which is not installed yet; install Orvetta (sudo make install) for it to "
               "apply\n";
    }
    return OVInstallUdevRule(install, QByteArray(OVUdevRuleText),
                             QString::fromLatin1(OVUdevRuleFileName), out, err);
}
