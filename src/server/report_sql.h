#pragma once

#include <QByteArray>
#include <functional>
#include <optional>

#include "server/report_store.h"
#include "server/sql_connection.h"

// The schema and the queries of the report database, the same for SQLite and PostgreSQL.

// The schema version this program writes.
inline constexpr int OVReportSchemaVersion = 1;

// Applies the migrations the database lacks, in one transaction that also makes the hash key
// on first use, and returns that key. Refuses a database written by a newer program.
std::optional<QByteArray> OVMigrateReportDatabase(OVSQLConnection& connection, OVError* error);

// These run inside the caller's transaction, if any.
std::optional<OVStoredReportID> OVInsertReport(OVSQLConnection& connection,
                                               const OVReportRecord& report, OVError* error);
bool OVInsertLaunches(OVSQLConnection& connection, const OVLaunchBatch& batch, OVError* error);
std::optional<OVReportSummary> OVSelectReportSummary(OVSQLConnection& connection,
                                                     const QString& sinceDay, OVError* error);
std::optional<QList<OVStoredReport>> OVSelectReports(OVSQLConnection& connection,
                                                     const OVReportPage& page, OVError* error);

// A report store over SQL connections; each engine says how a write is committed and where a
// read runs.
class OVSQLReportStore : public OVReportStore {
  public:
    explicit OVSQLReportStore(QByteArray hashKey) : _hashKey(std::move(hashKey)) {}

    std::optional<OVStoredReportID> addReport(const OVReportRecord& report,
                                              OVError* error) override;
    bool addLaunches(const OVLaunchBatch& batch, OVError* error) override;
    std::optional<OVReportSummary> summary(const QString& sinceDay, OVError* error) override;
    std::optional<QList<OVStoredReport>> reports(const OVReportPage& page, OVError* error) override;
    QByteArray hashKey() const override { return _hashKey; }

  protected:
    using Work = std::function<bool(OVSQLConnection& connection, OVError* error)>;
    // Runs `work` inside a transaction and returns once that is committed.
    virtual bool write(const Work& work, OVError* error) = 0;
    virtual bool read(const Work& work, OVError* error) = 0;

  private:
    const QByteArray _hashKey;
};
