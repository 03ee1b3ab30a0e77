// Feeds arbitrary requests through the service's routes, with a real SQLite store, and arbitrary
// bodies through the policy file reader.
//
// Input: one byte of flags (bits 0-2 the method, bit 3 the admin token, bit 4 the "/v1" prefix,
// bit 5 a second delivery), the target (path and query) up to the first newline, the body.

#include <QByteArray>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz_check.h"
#include "server/http_routes.h"
#include "server/sqlite_report_store.h"

namespace {

const QByteArray kToken = QByteArrayLiteral("fuzzing-admin-token-0123");
// The database starts afresh after this many stored reports, so that it stays small.
constexpr int kReportsPerDatabase = 20000;

class Service {
  public:
    Service() { reopen(); }

    OVServerContext& context() { return *_context; }

    void stored() {
        if (++_stored % kReportsPerDatabase == 0) {
            reopen();
        }
    }

  private:
    void reopen() {
        _context.reset();
        _store.reset();
        const QString directory = _folder.filePath(QString::number(_databases++));
        QDir(_folder.filePath(QString::number(_databases - 2))).removeRecursively();
        _store = OVOpenSQLiteReportStore(directory, nullptr);
        check(_store != nullptr);
        _context =
            std::make_unique<OVServerContext>(OVServerContext{*_store, _policy, _launches, kToken});
    }

    QTemporaryDir _folder{QStringLiteral("/dev/shm/orvetta-server-fuzz-XXXXXX")};
    OVPolicyFile _policy;
    OVLaunchCounter _launches;
    std::unique_ptr<OVReportStore> _store;
    std::unique_ptr<OVServerContext> _context;
    int _databases = 0;
    int _stored = 0;
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Service service;
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

    const OVServerResponse response = OVRouteServerRequest(request, service.context());
    checkAnswer(request, response, withToken);
    if (response.status == 201 || response.status == 200) {
        const QString id = QJsonDocument::fromJson(response.body).object().value("id").toString();
        if (request.method == "POST") {
            static const QRegularExpression kIdentifier(QStringLiteral("^CR-\\d{6,}$"));
            check(kIdentifier.match(id).hasMatch());
            service.stored();
            // A second delivery of a report with a UUID answers the first identifier.
            const bool hasUUID = QJsonDocument::fromJson(request.body)
                                     .object()
                                     .value(QLatin1String("report_uuid"))
                                     .isString();
            if ((flags & 0x20) && hasUUID) {
                const OVServerResponse again = OVRouteServerRequest(request, service.context());
                check(again.status == 200 &&
                      QJsonDocument::fromJson(again.body).object().value("id").toString() == id);
            }
        }
    }
    checkPolicyReading(request.body);
    return 0;
}
