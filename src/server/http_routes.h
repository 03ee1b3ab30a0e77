#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrlQuery>
#include <functional>
#include <utility>

#include "server/launch_counter.h"
#include "server/policy_file.h"
#include "server/report_store.h"

// The service's endpoints, one function each, from a request to its answer, without sockets.
// Paths may carry the API version prefix "/v1" that the client's base URL names.
//
//   GET  /app-policy/                      the policy; counts the launch the query describes
//   POST /compatibility-reports/           stores a report, answers {"id": "CR-..."}
//   GET  /compatibility-reports/           stored reports, paged (?since=&limit=)   [admin]
//   GET  /compatibility-reports/summary    per display model, launches, installations [admin]
//   GET  /                                 the summary as an HTML page               [admin]
//
// Every answer but the page is a JSON object; every error answer has "error" (a sentence the
// client shows as it is) and "message" (what to do about it).

// Request bodies larger than this are refused with 413.
inline constexpr qint64 OVLargestRequestBody = 4 * 1024 * 1024;

struct OVServerRequest {
    QByteArray method;  // "GET", "HEAD", "POST", ...
    QString path;       // percent-decoded, without the query
    QUrlQuery query;
    QByteArray authorization;  // the Authorization header, empty when there is none
    QByteArray body;
};

struct OVServerResponse {
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("application/json");
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
    // Added to the request's log line, never sent: why a request failed.
    QString logNote;
};

struct OVServerContext {
    OVReportStore& store;
    const OVPolicyFile& policy;
    OVLaunchCounter& launches;
    // The bearer token of the admin reads; empty turns them off.
    QByteArray adminToken;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
};

OVServerResponse OVRouteServerRequest(const OVServerRequest& request, OVServerContext& context);

OVServerResponse OVAnswerPolicyRequest(const OVServerRequest& request, OVServerContext& context);
OVServerResponse OVAnswerReportPost(const OVServerRequest& request, OVServerContext& context);
OVServerResponse OVAnswerReportList(const OVServerRequest& request, OVServerContext& context);
OVServerResponse OVAnswerReportSummary(const OVServerRequest& request, OVServerContext& context);
OVServerResponse OVAnswerSummaryPage(const OVServerRequest& request, OVServerContext& context);

// A JSON error answer.
OVServerResponse OVErrorAnswer(int status, const QString& error, const QString& message);

// "CR-000042" for the row 42, and back (0 when `text` is no report identifier).
QString OVReportIdentifier(qint64 row);
qint64 OVReportRowFromIdentifier(const QString& text);
