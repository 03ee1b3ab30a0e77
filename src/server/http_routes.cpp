#include "server/http_routes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "base/hex_digits.h"
#include "server/admin_token.h"
#include "server/report_validation.h"
#include "server/summary_page.h"

namespace {

constexpr int kLargestPageSize = 1000;
// The summary's launches and installations cover this many days up to today.
constexpr int kSummaryDays = 30;

const QString kVersionPrefix = QStringLiteral("/v1");

using Answer = OVServerResponse (*)(const OVServerRequest&, OVServerContext&);

struct Endpoint {
    QLatin1String path;  // without a trailing "/"
    Answer get;
    Answer post;
};

const Endpoint kEndpoints[] = {
    {QLatin1String("/"), OVAnswerSummaryPage, nullptr},
    {QLatin1String("/app-policy"), OVAnswerPolicyRequest, nullptr},
    {QLatin1String("/compatibility-reports"), OVAnswerReportList, OVAnswerReportPost},
    {QLatin1String("/compatibility-reports/summary"), OVAnswerReportSummary, nullptr},
};

// The endpoint a path names: without the version prefix and a trailing "/".
QString endpointPath(QString path) {
    if (path == kVersionPrefix || path.startsWith(kVersionPrefix + QLatin1Char('/'))) {
        path.remove(0, kVersionPrefix.size());
    }
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    return path.isEmpty() ? QStringLiteral("/") : path;
}

// Appends a JSON member `"name":"text"` (after a comma unless it opens the object). Small answers
// are written member by member rather than through QJsonDocument, which costs several times more.
void appendMember(QByteArray* json, const char* name, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const auto plain = [](char c) {
        return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20;
    };
    json->reserve(json->size() + utf8.size() + 32);
    json->append(json->endsWith('{') ? "\"" : ",\"").append(name).append("\":\"");
    for (auto it = utf8.begin(); it != utf8.end();) {
        const auto special = std::find_if_not(it, utf8.end(), plain);
        json->append(it, special - it);
        if (special == utf8.end()) {
            break;
        }
        const auto byte = static_cast<unsigned char>(*special);
        if (byte >= 0x20) {
            const char escape[] = {'\\', *special};
            json->append(escape, sizeof(escape));
        } else {
            const char escape[] = {
                '\\', 'u', '0', '0', OVHexDigits[byte >> 4], OVHexDigits[byte & 0xf]};
            json->append(escape, sizeof(escape));
        }
        it = special + 1;
    }
    json->append('"');
}

// The request's path as an error answer repeats it: at most 100 characters.
QString shownPath(const OVServerRequest& request) {
    return request.path.size() > 100 ? request.path.left(100) + QStringLiteral("...")
                                     : request.path;
}

OVServerResponse jsonAnswer(int status, const QJsonObject& object) {
    OVServerResponse response;
    response.status = status;
    response.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return response;
}

QString isoNow(const OVServerContext& context) {
    return context.now().toUTC().toString(Qt::ISODateWithMs);
}

// The refusal of an admin read, or nothing when the request carries the admin token.
std::optional<OVServerResponse> adminRefusal(const OVServerRequest& request,
                                             const OVServerContext& context, bool browser) {
    if (context.adminToken.isEmpty()) {
        return OVErrorAnswer(403, QStringLiteral("Admin reads are turned off."),
                             QStringLiteral("Start orvetta-server with --admin-token-file to "
                                            "read the stored reports."));
    }
    if (OVAuthorizationGrantsAdmin(request.authorization, context.adminToken)) {
        return std::nullopt;
    }
    OVServerResponse refusal =
        OVErrorAnswer(401, QStringLiteral("This needs the admin token."),
                      QStringLiteral("Send it as \"Authorization: Bearer TOKEN\"."));
    refusal.headers.emplaceBack("WWW-Authenticate",
                                browser ? "Basic realm=\"orvetta-server\", charset=\"UTF-8\""
                                        : "Bearer realm=\"orvetta-server\"");
    return refusal;
}

OVServerResponse storeFailure(const OVError& error) {
    OVServerResponse response = OVErrorAnswer(
        503, QStringLiteral("The service cannot reach its database; try again later."),
        QStringLiteral("The service's log says why."));
    response.headers.emplaceBack("Retry-After", "10");
    response.logNote = error.description;
    return response;
}

// The page a listing asks for, or the problem with its parameters.
std::optional<OVReportPage> reportPage(const QUrlQuery& query, QString* problem) {
    OVReportPage page;
    const QString since = query.queryItemValue(QStringLiteral("since"), QUrl::FullyDecoded);
    const QString limit = query.queryItemValue(QStringLiteral("limit"), QUrl::FullyDecoded);
    if (!limit.isEmpty()) {
        bool number = false;
        page.limit = limit.toInt(&number);
        if (!number || page.limit < 1 || page.limit > kLargestPageSize) {
            *problem = QStringLiteral("\"limit\" must be a whole number from 1 to %1.")
                           .arg(kLargestPageSize);
            return std::nullopt;
        }
    }
    if (since.isEmpty()) {
        return page;
    }
    if (const qint64 row = OVReportRowFromIdentifier(since); row > 0) {
        page.afterID = row;
        return page;
    }
    const QDate day = QDate::fromString(since, Qt::ISODate);
    const QDateTime time = QDateTime::fromString(since, Qt::ISODateWithMs);
    if (day.isValid()) {
        page.receivedSince = QDateTime(day, QTime(0, 0), Qt::UTC).toString(Qt::ISODateWithMs);
    } else if (time.isValid()) {
        page.receivedSince = time.toUTC().toString(Qt::ISODateWithMs);
    } else {
        *problem = QStringLiteral(
            "\"since\" must be a report identifier (CR-...), a date or a "
            "date and time (ISO 8601).");
        return std::nullopt;
    }
    return page;
}

// The summary, with the launches counted so far written first.
std::optional<OVReportSummary> currentSummary(OVServerContext& context, OVError* error) {
    OVError flushError;
    context.launches.flush(context.store, &flushError);
    const QString since =
        context.now().toUTC().date().addDays(1 - kSummaryDays).toString(Qt::ISODate);
    return context.store.summary(since, error);
}

QJsonObject summaryJSON(const OVReportSummary& summary) {
    QJsonArray displays;
    for (const OVDisplaySummary& display : summary.displays) {
        displays.append(QJsonObject{
            {QStringLiteral("vendor_id"), display.vendorID},
            {QStringLiteral("product_id"), display.productID},
            {QStringLiteral("display_model"), display.displayModel},
            {QStringLiteral("reports"), display.reports},
            {QStringLiteral("passed_inputs"), display.passedInputs},
            {QStringLiteral("failed_inputs"), display.failedInputs},
            {QStringLiteral("last_seen"), display.lastSeen},
        });
    }
    QJsonArray launches;
    for (const OVLaunchCount& launch : summary.launches) {
        launches.append(QJsonObject{
            {QStringLiteral("day"), launch.day},
            {QStringLiteral("version"), launch.version},
            {QStringLiteral("platform"), launch.platform},
            {QStringLiteral("install_event"), launch.installEvent},
            {QStringLiteral("launches"), launch.launches},
        });
    }
    QJsonArray installations;
    for (const OVInstallationCount& count : summary.installations) {
        installations.append(QJsonObject{
            {QStringLiteral("version"), count.version},
            {QStringLiteral("platform"), count.platform},
            {QStringLiteral("installations"), count.installations},
        });
    }
    return QJsonObject{{QStringLiteral("displays"), displays},
                       {QStringLiteral("launches"), launches},
                       {QStringLiteral("installations"), installations}};
}

}  // namespace

OVServerResponse OVErrorAnswer(int status, const QString& error, const QString& message) {
    OVServerResponse response;
    response.status = status;
    response.body = "{";
    appendMember(&response.body, "error", error);
    appendMember(&response.body, "message", message);
    response.body.append('}');
    return response;
}

QString OVReportIdentifier(qint64 row) {
    return QStringLiteral("CR-%1").arg(row, 6, 10, QLatin1Char('0'));
}

qint64 OVReportRowFromIdentifier(const QString& text) {
    if (!text.startsWith(QLatin1String("CR-")) || text.size() > 24) {
        return 0;
    }
    bool number = false;
    const qint64 row = text.mid(3).toLongLong(&number);
    return number && row > 0 ? row : 0;
}

OVServerResponse OVRouteServerRequest(const OVServerRequest& request, OVServerContext& context) {
    const QString path = endpointPath(request.path);
    const auto endpoint = std::find_if(std::begin(kEndpoints), std::end(kEndpoints),
                                       [&](const Endpoint& e) { return e.path == path; });
    if (endpoint == std::end(kEndpoints)) {
        return OVErrorAnswer(404, QStringLiteral("There is nothing at %1.").arg(shownPath(request)),
                             QStringLiteral("The service answers /app-policy/ and "
                                            "/compatibility-reports/."));
    }
    const bool get = request.method == "GET" || request.method == "HEAD";
    if (get && endpoint->get) {
        return endpoint->get(request, context);
    }
    if (request.method == "POST" && endpoint->post) {
        return endpoint->post(request, context);
    }
    const QByteArray allowed = endpoint->post ? "GET, HEAD, POST" : "GET, HEAD";
    OVServerResponse refusal =
        OVErrorAnswer(405,
                      QStringLiteral("%1 does not answer %2.")
                          .arg(shownPath(request), QString::fromLatin1(request.method.left(16))),
                      QStringLiteral("Use %1.").arg(QString::fromLatin1(allowed)));
    refusal.headers.emplaceBack("Allow", allowed);
    return refusal;
}

OVServerResponse OVAnswerPolicyRequest(const OVServerRequest& request, OVServerContext& context) {
    if (request.query.hasQueryItem(QStringLiteral("install_event"))) {
        context.launches.count(request.query, isoNow(context).left(10), context.store.hashKey());
    }
    OVServerResponse response;
    response.body = *context.policy.answer();
    response.headers.emplaceBack("Cache-Control", "no-store");
    return response;
}

OVServerResponse OVAnswerReportPost(const OVServerRequest& request, OVServerContext& context) {
    if (request.body.size() > OVLargestRequestBody) {
        return OVErrorAnswer(
            413, QStringLiteral("The report is larger than 4 MiB."),
            QStringLiteral("Send a report of at most %1 bytes.").arg(OVLargestRequestBody));
    }
    QString problem;
    const std::optional<OVReportRecord> record =
        OVReportRecordFromJSON(request.body, context.store.hashKey(), isoNow(context), &problem);
    if (!record) {
        OVServerResponse refusal =
            OVErrorAnswer(400, QStringLiteral("The report was refused: %1").arg(problem),
                          QStringLiteral("Send the report as a JSON object with the members "
                                         "that Orvetta sends."));
        refusal.logNote = problem;
        return refusal;
    }
    OVError error;
    const std::optional<OVStoredReportID> stored = context.store.addReport(*record, &error);
    if (!stored) {
        return storeFailure(error);
    }
    OVServerResponse response;
    response.status = stored->created ? 201 : 200;
    response.body = "{";
    appendMember(&response.body, "id", OVReportIdentifier(stored->id));
    response.body.append('}');
    if (!stored->created) {
        response.logNote = QStringLiteral("delivered before");
    }
    return response;
}

OVServerResponse OVAnswerReportList(const OVServerRequest& request, OVServerContext& context) {
    if (auto refusal = adminRefusal(request, context, false)) {
        return *refusal;
    }
    QString problem;
    const std::optional<OVReportPage> page = reportPage(request.query, &problem);
    if (!page) {
        return OVErrorAnswer(400, problem,
                             QStringLiteral("Ask for /compatibility-reports/?since=CR-000100"
                                            "&limit=100, or since a date such as 2024-05-01."));
    }
    OVError error;
    const std::optional<QList<OVStoredReport>> reports = context.store.reports(*page, &error);
    if (!reports) {
        return storeFailure(error);
    }
    // The stored bodies are JSON objects this service wrote; they go into the answer as they are.
    QByteArray list = "{\"reports\":[";
    for (const OVStoredReport& report : *reports) {
        list.append(list.endsWith('[') ? "{" : ",{");
        appendMember(&list, "id", OVReportIdentifier(report.id));
        appendMember(&list, "received_at", report.receivedAt);
        if (!report.reportUUID.isEmpty()) {
            appendMember(&list, "report_uuid", report.reportUUID);
        }
        list.append(",\"report\":").append(report.body).append('}');
    }
    list.append(']');
    if (reports->size() == page->limit) {
        appendMember(&list, "next_since", OVReportIdentifier(reports->last().id));
    }
    OVServerResponse response;
    response.body = list.append('}');
    return response;
}

OVServerResponse OVAnswerReportSummary(const OVServerRequest& request, OVServerContext& context) {
    if (auto refusal = adminRefusal(request, context, false)) {
        return *refusal;
    }
    OVError error;
    const std::optional<OVReportSummary> summary = currentSummary(context, &error);
    return summary ? jsonAnswer(200, summaryJSON(*summary)) : storeFailure(error);
}

OVServerResponse OVAnswerSummaryPage(const OVServerRequest& request, OVServerContext& context) {
    if (auto refusal = adminRefusal(request, context, true)) {
        return *refusal;
    }
    OVError error;
    const std::optional<OVReportSummary> summary = currentSummary(context, &error);
    if (!summary) {
        return storeFailure(error);
    }
    OVServerResponse response;
    response.contentType = QByteArrayLiteral("text/html; charset=utf-8");
    response.body = OVSummaryPageHTML(*summary, context.now());
    return response;
}
