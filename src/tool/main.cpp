// orvetta-tool: the command-line companion for support and development.

#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <cstring>
#include <memory>

#include "tool/tool_commands.h"

namespace {

int printHelp(const QStringList&, QTextStream& out, QTextStream&);

// Each verb lives in its own file; add it here.
const OVToolVerb kVerbs[] = {
    {"help", "help", printHelp},
    {"describe", "describe [--json] <hex | file.hidrec | file with hex>", OVDescribeCommand},
    {"decode", "decode <file.hidrec>", OVDecodeCommand},
    {"prefs",
     "prefs [--config DIR] get|set|remove|profiles|profile-value|save-profile|use-profile|"
     "remove-profile|dump ...",
     OVPrefsCommand},
    {"diagnostics", "diagnostics [--payload] [--sim]", OVDiagnosticsCommand},
    {"replay",
     "replay <recording> [--events] [--summary] [--picture FILE.png] [--virtual | --speed N] "
     "[--display WxH] [--config DIR]",
     OVReplayCommand},
    {"devices", "devices [--json]", OVDevicesCommand},
    {"record", "record <hidraw node> [--output FILE]", OVRecordCommand},
    {"install-udev-rule", "install-udev-rule [--rules-dir DIR]", OVInstallUdevRuleCommand},
    {"udev-match", "udev-match <sysfs path of a hidraw device>", OVUdevMatchCommand},
};

int printHelp(const QStringList&, QTextStream& out, QTextStream&) {
    out << "usage: orvetta-tool <verb> [arguments]\n\nverbs:\n";
    for (const OVToolVerb& verb : kVerbs) {
        out << "  " << verb.usage << "\n";
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Pictures need fonts, which need a GUI application; the offscreen platform needs no display.
    const bool draws = std::any_of(argv + 1, argv + argc, [](const char* argument) {
        return std::strcmp(argument, "--picture") == 0;
    });
    if (draws) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::unique_ptr<QCoreApplication> application =
        draws ? std::make_unique<QGuiApplication>(argc, argv)
              : std::make_unique<QCoreApplication>(argc, argv);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = application->arguments().mid(1);
    if (arguments.isEmpty()) {
        printHelp({}, out, err);
        return 2;
    }
    const QString verbName = arguments.takeFirst();
    for (const OVToolVerb& verb : kVerbs) {
        if (verbName == QLatin1String(verb.name)) {
            return verb.run(arguments, out, err);
        }
    }
    err << "orvetta-tool: unknown verb '" << verbName << "' (try 'orvetta-tool help')\n";
    return 2;
}
