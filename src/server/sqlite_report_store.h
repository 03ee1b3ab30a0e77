#pragma once

#include <QString>
#include <memory>

#include "server/report_store.h"

// The embedded engine: one SQLite file in `directory` (created when missing), in WAL mode with
// full synchronisation. Reports of concurrent requests are written together in one transaction
// by one writer thread (group commit), so that a commit's flush serves many requests; each
// request returns only after its commit. Reads use connections of their own. One server at a
// time may use a directory.
std::unique_ptr<OVReportStore> OVOpenSQLiteReportStore(const QString& directory, OVError* error);
