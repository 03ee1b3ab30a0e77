#pragma once

#include <QString>
#include <QUrlQuery>
#include <mutex>

#include "server/report_store.h"

// Launches reported by policy requests, counted in memory and written to the store in batches,
// so that a policy answer never waits for the database. What a restart loses is at most the
// counts since the last write.
class OVLaunchCounter {
  public:
    // Counts the launch a policy query describes on `day`: its version, platform and launch
    // event (each "unknown" when missing, "other" when it is no such value), and the sighting
    // of its installation by keyed hash (none without "install_id").
    void count(const QUrlQuery& query, const QString& day, const QByteArray& hashKey);

    // Writes what was counted. On failure the counts wait for the next write.
    bool flush(OVReportStore& store, OVError* error);

  private:
    std::mutex _mutex;
    OVLaunchBatch _pending;
};
