#pragma once

#include <QString>
#include <memory>

#include "server/report_store.h"

// The engine for fleets: a PostgreSQL database given by a connection URL
// ("postgresql://user@host/db", "postgresql:///db?host=/run/postgresql"), shared by any number of
// server processes. Requests borrow one of at most `connections` connections; a broken
// connection is opened again on its next use.
std::unique_ptr<OVReportStore> OVOpenPostgresReportStore(const QString& url, int connections,
                                                         OVError* error);
