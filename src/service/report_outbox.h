#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "base/error.h"

// Reports that wait for the service. A report that could not be sent is kept as one JSON file
// in the outbox folder and sent at a later start; the service ignores a second delivery of the
// same "report_uuid".
//
// Each file holds the report's payload exactly as it is posted to "/compatibility-reports/": one
// JSON object (members in the order JSON writing sorts them) with a "report_uuid" member, a
// lower-case UUID. Its name is a sequence number of ten digits, a dash, the report_uuid and
// ".json" ("0000000003-6f1c...-9b2e.json"); names sort in the order the reports were kept.
// Files are written atomically, so a report is either whole or absent.

inline const QString OVReportUUIDKey = QStringLiteral("report_uuid");
inline const QString OVCompatibilityReportsPath = QStringLiteral("/compatibility-reports/");

// The outbox keeps at most this many reports and bytes; the oldest go first.
inline constexpr int OVReportOutboxMaximumReports = 20;
inline constexpr qint64 OVReportOutboxMaximumBytes = 4 * 1024 * 1024;

// $XDG_STATE_HOME/orvetta/outbox (~/.local/state when XDG_STATE_HOME is unset, empty or
// relative).
QString OVReportOutboxDefaultDirectory();

class OVReportOutbox {
  public:
    explicit OVReportOutbox(const QString& directory) : _directory(directory) {}

    const QString& directory() const { return _directory; }

    // Keeps `payload` as a new file, with a new report_uuid unless it carries one (a report with
    // the uuid of a kept one replaces it in its place), then drops the oldest reports (with a log
    // line each) until the limits hold again. Returns the file name, or nothing when the report
    // could not be written.
    std::optional<QString> add(QVariantMap payload, OVError* error = nullptr) const;
    // The names of the kept reports, oldest first.
    QStringList fileNames() const;
    // The payload kept in `fileName`; nothing when it cannot be read as a JSON object.
    std::optional<QVariantMap> read(const QString& fileName, OVError* error = nullptr) const;
    bool remove(const QString& fileName) const;

  private:
    void dropOldestBeyondLimits() const;

    QString _directory;
};

// The outbox of this process (OVProcessState::reportOutboxDirectory); nothing when the process
// keeps no reports.
std::optional<OVReportOutbox> OVStandardReportOutbox();

// A new report_uuid: a random lower-case UUID without braces.
QString OVNewReportUUID();

// Sends the kept reports once, oldest first and one after another, when a service is
// configured. A report the service took (a 2xx answer) or refused for good (a 4xx answer other
// than 408 and 429, with a log line) is removed, as is a file that cannot be read; at the first
// other failure (no network, a time-out, a 5xx answer) the rest is kept for the next start.
// `done` runs once at the end.
void OVSendQueuedReports(const OVReportOutbox& outbox, std::function<void()> done = {});
