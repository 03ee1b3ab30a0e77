#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

// How the udev rule is installed. The defaults install it for the running system: into
// /etc/udev/rules.d, as root, with udev told to use it at once.
struct OVUdevRuleInstall {
    QString rulesDirectory = QStringLiteral("/etc/udev/rules.d");
    // False for a directory that is not the system's (a package being built): nothing to reload,
    // no root needed.
    bool reloadUdev = true;
    bool runningAsRoot = false;
    // Runs a program and returns its exit code (-1 when it could not be run).
    std::function<int(const QString& program, const QStringList& arguments)> runCommand;

    static OVUdevRuleInstall forThisSystem();
};

// Writes the rule and has udev reload and apply it, telling the user each step on `out` and
// what went wrong on `err`. Returns the exit code: 0 done, 1 failed.
int OVInstallUdevRule(const OVUdevRuleInstall& install, const QByteArray& ruleText,
                      const QString& fileName, QTextStream& out, QTextStream& err);
