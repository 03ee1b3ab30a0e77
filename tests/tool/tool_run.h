#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include "support/files.h"

// The built orvetta-tool run as a user runs it, with the folder of its preferences given.
struct OVToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline OVToolRun OVRunTool(const QStringList& arguments, const QString& configFolder) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ORVETTA_CONFIG_DIR", configFolder);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"), arguments);
    OVToolRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "orvetta-tool did not finish: " << arguments.join(' ').toStdString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
