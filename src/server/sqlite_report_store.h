#pragma once

#include <QString>
#include <memory>

#include "server/report_store.h"

// The embedded engine: one SQLite file in `directory` (created when missing), in WAL mode with
// full synchronisation. The writes of concurrent requests are committed together in one
// transaction (group commit), so that one flush to disk serves many requests; each request
// returns only after its commit. Reads use connections of their own. One server at a time may
// use a directory.
std::unique_ptr<OVReportStore> OVOpenSQLiteReportStore(const QString& directory, OVError* error);
