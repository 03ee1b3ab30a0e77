#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <utility>

#include "base/error.h"

struct OVHTTPResponse;

// The client of the maker's JSON web service: service URLs from the configurable base URL, JSON
// POST and GET, and the reading of every answer into a dictionary or an error.

// Error codes of the domain "Orvetta" that the client reports.
inline constexpr qint64 OVServiceErrorInvalidURL = 1;
inline constexpr qint64 OVServiceErrorNoUsableResponse = 2;
inline constexpr qint64 OVServiceErrorNotAnObject = 3;
inline constexpr qint64 OVServiceErrorResponseTooLarge = 4;
inline constexpr qint64 OVServiceErrorPayloadNotEncodable = 5;

// Every service request ends with a time-out at the latest this many seconds after it was sent.
inline constexpr double OVServiceRequestTimeout = 12.0;

// Query parameters in the order in which they are sent.
using OVQueryParameters = QList<std::pair<QString, QString>>;

// (dictionary, error): on success the top-level JSON object of the answer and no error. An error
// may come with the dictionary of a JSON error answer beside it; callers look at the error first.
using OVJSONCompletion = std::function<void(const std::optional<QVariantMap>& dictionary,
                                            const std::optional<OVError>& error)>;

// The text without leading and trailing white space and newlines.
QString OVTrimmedString(const QString& text);

// The base URL in use: the apiBaseURL preference, or the production URL when it is empty or one
// of the retired URLs (which is then removed from the stored preferences). Empty when no service
// is configured: requests then fail at once with OVServiceErrorInvalidURL.
QString OVAPIBaseURL();
// The production base URL (empty in a build without a service) and the retired ones, as built in.
QString OVProductionAPIBaseURL();
QStringList OVRetiredAPIBaseURLs();
// The base URL that a stored value stands for: the trimmed value, or `production` when it is
// empty or one of `retired` (`retiredOut` then says so).
QString OVResolvedAPIBaseURL(const QString& stored, const QString& production,
                             const QStringList& retired, bool* retiredOut = nullptr);
// Whether a service is configured at all.
bool OVServiceConfigured();

// Whether `host` names this machine's loopback interface: 127.0.0.0/8, ::1 or "localhost".
bool OVIsLoopbackHost(const QString& host);

// The base URL joined with `path` with exactly one "/" between them; nothing when the result is
// not an absolute https URL with a host, or an http URL of a loopback host (another http URL is
// refused with a log line). `error` tells why (domain "Orvetta", OVServiceErrorInvalidURL).
std::optional<QUrl> OVAPIURL(const QString& path, OVError* error = nullptr);
// OVAPIURL(path) with a query of the parameters whose name and value are both non-empty.
std::optional<QUrl> OVAPIURLWithQuery(const QString& path, const OVQueryParameters& parameters,
                                      OVError* error = nullptr);

// Sends `payload` as JSON and calls `completion` exactly once: at once (inside the call) when the
// URL cannot be built or the payload cannot be encoded, otherwise on the main thread when the
// answer has been read.
void OVPostJSON(const QString& path, const QVariantMap& payload, OVJSONCompletion completion);
// GETs `path` with the parameters in the query; the same contract as OVPostJSON.
void OVGetJSON(const QString& path, const OVQueryParameters& parameters,
               OVJSONCompletion completion);

// What an answer was read as: the top-level JSON object and the error, each possibly nothing.
struct OVJSONResult {
    std::optional<QVariantMap> dictionary;
    std::optional<OVError> error;
};

// Reads an answer. `httpStatus` is the status of the HTTP response, nothing when none arrived;
// `transportError` the failure of the exchange itself, passed through unchanged.
OVJSONResult OVParseJSONResponse(const QByteArray& data, std::optional<int> httpStatus,
                                 const std::optional<OVError>& transportError);
// Reads what a transport delivered: its failure, a body that was too large, or the answer.
OVJSONResult OVParseHTTPResponse(const OVHTTPResponse& response);

// The description of a failed answer: the body's "error" or "message" text, else the HTTP
// status, else a general sentence.
QString OVErrorMessageFromResponse(const QByteArray& data, std::optional<int> httpStatus);
// The description of a body that is not a JSON object.
QString OVInvalidJSONMessage(const QByteArray& data);

// Text that came from a server, fit for one log line: line breaks, tabs and other control and
// format characters escaped (a backslash and "n", "r", "t" or "u" and four hex digits), at most
// OVLogTextLimit characters, a cut end marked with "...".
inline constexpr qsizetype OVLogTextLimit = 300;
QString OVLogSafeText(const QString& text);
