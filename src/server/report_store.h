#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <memory>
#include <optional>
#include <tuple>

#include "base/error.h"

// What the service keeps: compatibility reports (stored whole, with the columns the summary
// groups by) and the launch statistics of the policy requests. Two engines implement it: SQLite
// (embedded, the default) and PostgreSQL (shared by several server processes). Every call may come
// from any request thread.

// A report as it is stored. The body is the report's JSON with the installation identifier
// replaced by its keyed hash.
struct OVReportRecord {
    QString reportUUID;  // empty when the client sent none
    QString receivedAt;  // UTC, "yyyy-MM-ddThh:mm:ss.zzzZ"
    QString vendorID;
    QString productID;
    QString displayModel;
    QString appVersion;
    QString platform;
    QString reportType;
    qint64 passedInputs = 0;
    qint64 failedInputs = 0;
    qint64 untestedInputs = 0;
    QString installHash;
    QByteArray body;
};

// The row a report was stored under; `created` is false when a report with the same UUID was
// stored before and this is its row.
struct OVStoredReportID {
    qint64 id = 0;
    bool created = false;
};

struct OVStoredReport {
    qint64 id = 0;
    QString reportUUID;
    QString receivedAt;
    QByteArray body;
};

// Reports after the row `afterID` received at or after `receivedSince` (empty: any time), oldest
// row first, at most `limit`.
struct OVReportPage {
    qint64 afterID = 0;
    QString receivedSince;
    int limit = 100;
};

struct OVDisplaySummary {
    QString vendorID;
    QString productID;
    QString displayModel;
    qint64 reports = 0;
    qint64 passedInputs = 0;
    qint64 failedInputs = 0;
    QString lastSeen;
};

struct OVLaunchCount {
    QString day;  // "yyyy-MM-dd", UTC
    QString version;
    QString platform;
    QString installEvent;
    qint64 launches = 0;
};

struct OVInstallationCount {
    QString version;
    QString platform;
    qint64 installations = 0;
};

struct OVReportSummary {
    QList<OVDisplaySummary> displays;
    QList<OVLaunchCount> launches;
    QList<OVInstallationCount> installations;
};

// Launches counted since the last write: the count per day, version, platform and launch event,
// and the last sighting of each installation (by keyed hash).
struct OVLaunchBatch {
    using Key = std::tuple<QString, QString, QString, QString>;  // day, version, platform, event
    struct Sighting {
        QString day;
        QString version;
        QString platform;
    };
    QMap<Key, qint64> launches;
    QMap<QString, Sighting> installations;

    bool isEmpty() const { return launches.isEmpty() && installations.isEmpty(); }
    // Adds `other`; its sightings are the later ones.
    void merge(const OVLaunchBatch& other);
};

class OVReportStore {
  public:
    virtual ~OVReportStore() = default;

    // Stores the report durably before it returns; a report whose UUID is stored already gives
    // that row instead.
    virtual std::optional<OVStoredReportID> addReport(const OVReportRecord& report,
                                                      OVError* error) = 0;
    virtual bool addLaunches(const OVLaunchBatch& batch, OVError* error) = 0;
    // Displays of every report; launches and installations seen on `sinceDay` or later.
    virtual std::optional<OVReportSummary> summary(const QString& sinceDay, OVError* error) = 0;
    virtual std::optional<QList<OVStoredReport>> reports(const OVReportPage& page,
                                                         OVError* error) = 0;
    // The secret key of the installation hashes, the same for every server of the database.
    virtual QByteArray hashKey() const = 0;
};

// Opens (creating and migrating when needed) the store a server is started with: PostgreSQL when
// `databaseURL` is given, else the SQLite file in `dataDirectory`.
std::unique_ptr<OVReportStore> OVOpenReportStore(const QString& dataDirectory,
                                                 const QString& databaseURL, int connections,
                                                 OVError* error);
