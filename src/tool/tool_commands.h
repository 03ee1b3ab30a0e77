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

// prefs: reads and writes the preference store (prefs_command.cpp).
int OVRunPrefsCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);
