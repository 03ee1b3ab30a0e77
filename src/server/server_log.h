#pragma once

#include <QString>

// Writes one line to standard error in a single write, so that the lines of concurrent requests
// never run into each other.
void OVServerLog(const QString& line);
