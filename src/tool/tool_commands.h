#pragma once

#include <QStringList>
#include <QTextStream>

// One verb of orvetta-tool: takes the arguments after the verb, writes to `out` and `err`, and
// returns the process exit code (0 done, 1 failed, 2 bad input or usage).
using OVToolCommand = int (*)(const QStringList& arguments, QTextStream& out, QTextStream& err);

struct OVToolVerb {
    const char* name;
    const char* usage;
    OVToolCommand run;
};

// The verbs, each in src/tool/<verb>_command.cpp.
int OVDescribeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVDecodeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVPrefsCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVDiagnosticsCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVReplayCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVDevicesCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVRecordCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVInstallUdevRuleCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
int OVUdevMatchCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
