// Feeds arbitrary requests through the service's routes and arbitrary bodies through the policy
// file reader.
//
// Input: one byte of flags (bits 0-2 the method, bit 3 the admin token, bit 4 the "/v1" prefix,
// bit 5 a second delivery), the target (path and query) up to the first newline, the body.

#include <QByteArray>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdint>

#include "fuzz_check.h"
#include "server/http_routes.h"

namespace {

const QByteArray kToken = QByteArrayLiteral("fuzzing-admin-token-0123");
// The store's contract in memory: a report UUID stored before answers its first row, rows count
// up, pages and summaries follow the stored reports, launches arrive in batches. The SQL engines
// behind the real stores are exercised by the server's tests; here a run costs microseconds instead
// of a transaction.
class MemoryReportStore final : public OVReportStore {
  public:
    std::optional<OVStoredReportID> addReport(const OVReportRecord& report, OVError*) override {
        if (const auto known = _rows.constFind(report.reportUUID);
            !report.reportUUID.isEmpty() && known != _rows.constEnd()) {
            return OVStoredReportID{*known, false};
        }
        _reports.append({++_lastRow, report.reportUUID, report.receivedAt, report.body});
        _records.insert(_lastRow, report);
        if (!report.reportUUID.isEmpty()) {
            _rows.insert(report.reportUUID, _lastRow);
        }
        return OVStoredReportID{_lastRow, true};
    }

    bool addLaunches(const OVLaunchBatch& batch, OVError*) override {
        check(!batch.isEmpty());
        return true;
    }

    std::optional<OVReportSummary> summary(const QString&, OVError*) override {
        OVReportSummary summary;
        for (const OVStoredReport& stored : std::as_const(_reports)) {
            const OVReportRecord& report = _records[stored.id];
            summary.displays.append({report.vendorID, report.productID, report.displayModel, 1,
                                     report.passedInputs, report.failedInputs, report.receivedAt});
        }
        return summary;
    }

    std::optional<QList<OVStoredReport>> reports(const OVReportPage& page, OVError*) override {
        check(page.limit >= 1 && page.limit <= 1000);
        QList<OVStoredReport> found;
        for (const OVStoredReport& stored : std::as_const(_reports)) {
            if (stored.id > page.afterID && stored.receivedAt >= page.receivedSince &&
                found.size() < page.limit) {
                found.append(stored);
            }
        }
        return found;
    }

    QByteArray hashKey() const override { return QByteArrayLiteral("fuzzing-hash-key"); }

  private:
    QList<OVStoredReport> _reports;
    QHash<qint64, OVReportRecord> _records;
    QHash<QString, qint64> _rows;
    qint64 _lastRow = 0;
};

// A service of its own for each run, so that every run can be repeated alone.
struct Service {
    MemoryReportStore store;
    OVPolicyFile policy;
    OVLaunchCounter launches;
    OVServerContext context{store, policy, launches, kToken};
};

void checkAnswer(const OVServerRequest& request, const OVServerResponse& response, bool withToken) {
    static const QList<int> kStatuses = {200, 201, 400, 401, 404, 405, 413};
    check(kStatuses.contains(response.status));  // 503 would be a store failure
    const bool admin =
        !request.path.contains(QLatin1String("app-policy")) && !(request.method == "POST");
    if (!withToken && admin && response.status != 404 && response.status != 405) {
        check(response.status == 401);
    }
    if (response.contentType.startsWith("text/html")) {
        check(response.status == 200 && withToken);
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(response.body, &error);
    check(error.error == QJsonParseError::NoError && document.isObject());
    if (response.status >= 400) {
        check(!document.object().value(QLatin1String("error")).toString().isEmpty());
        check(!document.object().value(QLatin1String("message")).toString().isEmpty());
    }
}

// A policy document that is read once reads the same again after it is written out.
void checkPolicyReading(const QByteArray& data) {
    QString problem;
    const std::optional<QJsonObject> document = OVPolicyDocumentFromJSON(data, &problem);
    check(document.has_value() == problem.isEmpty());
    if (document) {
        const std::optional<QJsonObject> again = OVPolicyDocumentFromJSON(
            QJsonDocument(*document).toJson(QJsonDocument::Compact), &problem);
        check(again == document);
    }
}

}  // namespace

// A run allocates far less than ASan's default quarantine of 256 MiB, which only makes every
// allocation touch fresh memory; 16 MiB still holds a run's freed memory for use-after-free
// checks.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Service service;
    if (size == 0) {
        return 0;
    }
    static const QByteArray kMethods[] = {"GET",    "HEAD",    "POST",  "PUT",
                                          "DELETE", "OPTIONS", "PATCH", "BREW"};
    const std::uint8_t flags = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qsizetype newline = rest.indexOf('\n');
    const QByteArray target = newline < 0 ? rest : rest.left(newline);
    const bool withToken = flags & 0x08;

    OVServerRequest request;
    request.method = kMethods[flags & 0x07];
    const qsizetype question = target.indexOf('?');
    request.path = QString::fromUtf8((flags & 0x10 ? "/v1" : "") +
                                     (question < 0 ? target : target.left(question)));
    if (question >= 0) {
        request.query.setQuery(QString::fromUtf8(target.mid(question + 1)));
    }
    request.authorization = withToken ? "Bearer " + kToken : QByteArray();
    request.body = newline < 0 ? QByteArray() : rest.mid(newline + 1);

    const OVServerResponse response = OVRouteServerRequest(request, service.context);
    checkAnswer(request, response, withToken);
    if (response.status == 201 || response.status == 200) {
        const QString id = QJsonDocument::fromJson(response.body).object().value("id").toString();
        if (request.method == "POST") {
            static const QRegularExpression kIdentifier(QStringLiteral("^CR-\\d{6,}$"));
            check(kIdentifier.match(id).hasMatch());
            // A second delivery of a report with a UUID answers the first identifier.
            const bool hasUUID = (flags & 0x20) && QJsonDocument::fromJson(request.body)
                                                       .object()
                                                       .value(QLatin1String("report_uuid"))
                                                       .isString();
            if (hasUUID) {
                const OVServerResponse again = OVRouteServerRequest(request, service.context);
                check(again.status == 200 &&
                      QJsonDocument::fromJson(again.body).object().value("id").toString() == id);
            }
        }
    }
    checkPolicyReading(request.body);
    check(service.launches.flush(service.store, nullptr));
    return 0;
}
