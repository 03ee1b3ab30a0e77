#include "server/report_store.h"

#include "server/postgres_report_store.h"
#include "server/sqlite_report_store.h"

void OVLaunchBatch::merge(const OVLaunchBatch& other) {
    for (auto it = other.launches.constBegin(); it != other.launches.constEnd(); ++it) {
        launches[it.key()] += it.value();
    }
    for (auto it = other.installations.constBegin(); it != other.installations.constEnd(); ++it) {
        installations.insert(it.key(), it.value());
    }
}

std::unique_ptr<OVReportStore> OVOpenReportStore(const QString& dataDirectory,
                                                 const QString& databaseURL, int connections,
                                                 OVError* error) {
    if (!databaseURL.isEmpty()) {
        return OVOpenPostgresReportStore(databaseURL, connections, error);
    }
    return OVOpenSQLiteReportStore(dataDirectory, error);
}
