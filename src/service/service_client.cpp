#include "service/service_client.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "base/preferences.h"
#include "base/services.h"
#include "orvetta_config.h"
#include "platform/http_transport.h"
#include "platform/platform.h"
#include "service/bounded_json.h"

namespace {

const QString kAPIBaseURLKey = QStringLiteral("apiBaseURL");

OVError serviceError(qint64 code, const QString& description) {
    return OVError{QStringLiteral("Orvetta"), code, description};
}

// "127.0.0.1" to "127.255.255.255", in the dotted form QUrl gives a host.
bool isLoopbackIPv4(QStringView host) {
    const QList<QStringView> parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4) {
        return false;
    }
    for (const QStringView part : parts) {
        bool number = false;
        const uint value = part.toUInt(&number);
        if (!number || value > 255) {
            return false;
        }
    }
    return parts.first() == u"127";
}

// The service URL for `path`, or nothing with the reason in `error`. `invalidDescription` is
// the description of a URL that cannot be built.
std::optional<QUrl> serviceURL(const QString& path, const QString& invalidDescription,
                               OVError* error) {
    const auto fail = [error](const QString& description) -> std::optional<QUrl> {
        if (error) {
            *error = serviceError(OVServiceErrorInvalidURL, description);
        }
        return std::nullopt;
    };
    QString base = OVAPIBaseURL();
    if (base.isEmpty()) {
        return fail(QStringLiteral("No Orvetta service is configured."));
    }
    while (base.endsWith(QLatin1Char('/'))) {
        base.chop(1);
    }
    const QString separator = path.startsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/");
    const QUrl url(base + separator + path, QUrl::StrictMode);
    const bool https = url.scheme() == QLatin1String("https");
    const bool http = url.scheme() == QLatin1String("http");
    if (!url.isValid() || !(https || http) || url.host().isEmpty()) {
        return fail(invalidDescription);
    }
    if (http && !OVIsLoopbackHost(url.host())) {
        qWarning().noquote() << QStringLiteral(
                                    "Orvetta refused the service address %1: plain http is only "
                                    "used for this computer (127.0.0.1, ::1, localhost).")
                                    .arg(OVLogSafeText(base));
        return fail(QStringLiteral("The Orvetta service address must use https."));
    }
    return url;
}

// How a character of server text is written in the log: itself, or escaped.
QString logFormOf(char32_t character) {
    switch (character) {
        case U'\n':
            return QStringLiteral("\\n");
        case U'\r':
            return QStringLiteral("\\r");
        case U'\t':
            return QStringLiteral("\\t");
        default:
            break;
    }
    const QChar::Category category = QChar::category(character);
    if (category == QChar::Other_Control || category == QChar::Other_Format ||
        category == QChar::Separator_Line || category == QChar::Separator_Paragraph) {
        return QStringLiteral("\\u%1").arg(static_cast<uint>(character), 4, 16, QLatin1Char('0'));
    }
    return QString::fromUcs4(&character, 1);
}

// Whether `value` is made only of what JSON can hold.
bool isJSONEncodable(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::QString:
        case QMetaType::QStringList:
            return true;
        case QMetaType::Float:
        case QMetaType::Double:
            return std::isfinite(value.toDouble());
        case QMetaType::QVariantList:
            for (const QVariant& element : value.toList()) {
                if (!isJSONEncodable(element)) {
                    return false;
                }
            }
            return true;
        case QMetaType::QVariantMap: {
            const QVariantMap map = value.toMap();
            for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
                if (!isJSONEncodable(it.value())) {
                    return false;
                }
            }
            return true;
        }
        default:
            return false;
    }
}

QString nonEmptyString(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

void send(const QString& method, const QUrl& url, const QByteArray& body,
          OVJSONCompletion completion) {
    OVHTTPRequest request;
    request.method = method;
    request.url = url;
    request.body = body;
    request.timeoutSeconds = OVServiceRequestTimeout;
    if (method == QLatin1String("POST")) {
        request.headers.append(
            qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    }
    request.headers.append(qMakePair(QByteArray("Accept"), QByteArray("application/json")));
    OVCurrentPlatform().httpTransport().send(
        request, [completion = std::move(completion)](const OVHTTPResponse& response) {
            const OVJSONResult result = OVParseHTTPResponse(response);
            completion(result.dictionary, result.error);
        });
}

}  // namespace

QString OVTrimmedString(const QString& text) {
    return text.trimmed();
}

QString OVProductionAPIBaseURL() {
    return QStringLiteral(ORVETTA_API_BASE_URL);
}

QStringList OVRetiredAPIBaseURLs() {
    return QStringLiteral(ORVETTA_RETIRED_API_BASE_URLS)
        .split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QString OVResolvedAPIBaseURL(const QString& stored, const QString& production,
                             const QStringList& retired, bool* retiredOut) {
    const QString value = OVTrimmedString(stored);
    const bool isRetired = !value.isEmpty() && retired.contains(value);
    if (retiredOut) {
        *retiredOut = isRetired;
    }
    return value.isEmpty() || isRetired ? OVTrimmedString(production) : value;
}

QString OVAPIBaseURL() {
    OVPreferences& preferences = OVStandardPreferences();
    bool retired = false;
    const QString base =
        OVResolvedAPIBaseURL(preferences.stringForKey(kAPIBaseURLKey), OVProductionAPIBaseURL(),
                             OVRetiredAPIBaseURLs(), &retired);
    if (retired) {
        preferences.removeObject(kAPIBaseURLKey);
    }
    return base;
}

bool OVServiceConfigured() {
    return !OVAPIBaseURL().isEmpty();
}

bool OVIsLoopbackHost(const QString& host) {
    const QString name = host.toLower();
    if (name == QLatin1String("localhost") || name == QLatin1String("::1")) {
        return true;
    }
    const QLatin1String mapped("::ffff:");
    return isLoopbackIPv4(name.startsWith(mapped) ? QStringView(name).mid(mapped.size())
                                                  : QStringView(name));
}

std::optional<QUrl> OVAPIURL(const QString& path, OVError* error) {
    return serviceURL(path, QStringLiteral("The Orvetta service URL is invalid."), error);
}

std::optional<QUrl> OVAPIURLWithQuery(const QString& path, const OVQueryParameters& parameters,
                                      OVError* error) {
    std::optional<QUrl> url =
        serviceURL(path, QStringLiteral("Policy server URL is invalid."), error);
    if (!url) {
        return std::nullopt;
    }
    // Each name and value is percent-encoded in full, so that "+", "&", "=" and "%" in a value
    // reach the service as themselves.
    QByteArrayList items;
    for (const auto& [name, value] : parameters) {
        if (!name.isEmpty() && !value.isEmpty()) {
            items.append(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value));
        }
    }
    if (!items.isEmpty()) {
        url->setQuery(QString::fromLatin1(items.join('&')), QUrl::StrictMode);
    }
    return url;
}

void OVPostJSON(const QString& path, const QVariantMap& payload, OVJSONCompletion completion) {
    OVError error;
    const std::optional<QUrl> url = OVAPIURL(path, &error);
    if (!url) {
        completion(std::nullopt, error);
        return;
    }
    if (!isJSONEncodable(payload)) {
        completion(std::nullopt,
                   serviceError(OVServiceErrorPayloadNotEncodable,
                                QStringLiteral("The report could not be written as JSON.")));
        return;
    }
    const QByteArray body =
        QJsonDocument(QJsonObject::fromVariantMap(payload)).toJson(QJsonDocument::Compact);
    send(QStringLiteral("POST"), *url, body, std::move(completion));
}

void OVGetJSON(const QString& path, const OVQueryParameters& parameters,
               OVJSONCompletion completion) {
    OVError error;
    const std::optional<QUrl> url = OVAPIURLWithQuery(path, parameters, &error);
    if (!url) {
        completion(std::nullopt, error);
        return;
    }
    send(QStringLiteral("GET"), *url, QByteArray(), std::move(completion));
}

OVJSONResult OVParseJSONResponse(const QByteArray& data, std::optional<int> httpStatus,
                                 const std::optional<OVError>& transportError) {
    OVJSONResult result;
    if (transportError) {
        result.error = transportError;
        return result;
    }
    if (!data.isEmpty()) {
        QJsonParseError parseError{};
        const std::optional<QJsonDocument> document = OVParseBoundedJSON(data, &parseError);
        if (document && document->isObject()) {
            result.dictionary = document->object().toVariantMap();
        } else if (document) {
            result.error = serviceError(OVServiceErrorNotAnObject, OVInvalidJSONMessage(data));
        } else {
            result.error = serviceError(parseError.error, OVInvalidJSONMessage(data));
        }
    }
    if (!result.error && httpStatus && (*httpStatus < 200 || *httpStatus > 299)) {
        result.error = serviceError(*httpStatus, OVErrorMessageFromResponse(data, httpStatus));
    }
    if (!result.error && !result.dictionary) {
        result.error = serviceError(OVServiceErrorNoUsableResponse,
                                    OVErrorMessageFromResponse(data, httpStatus));
    }
    return result;
}

OVJSONResult OVParseHTTPResponse(const OVHTTPResponse& response) {
    if (!response.transportError.isEmpty()) {
        return OVParseJSONResponse(QByteArray(), std::nullopt,
                                   OVError{response.transportErrorDomain,
                                           response.transportErrorCode, response.transportError});
    }
    if (response.bodyTooLarge || response.body.size() > OVHTTPMaximumBodySize) {
        return OVParseJSONResponse(
            QByteArray(), std::nullopt,
            serviceError(OVServiceErrorResponseTooLarge,
                         QStringLiteral("The Orvetta service sent a response larger than 4 MiB, "
                                        "which Orvetta did not read.")));
    }
    std::optional<int> status;
    if (response.statusCode > 0) {
        status = response.statusCode;
    }
    return OVParseJSONResponse(response.body, status, std::nullopt);
}

QString OVErrorMessageFromResponse(const QByteArray& data, std::optional<int> httpStatus) {
    if (!data.isEmpty()) {
        const std::optional<QJsonDocument> document = OVParseBoundedJSON(data);
        if (document && document->isObject()) {
            const QJsonObject object = document->object();
            if (const QString error = nonEmptyString(object, QStringLiteral("error"));
                !error.isEmpty()) {
                return error;
            }
            if (const QString message = nonEmptyString(object, QStringLiteral("message"));
                !message.isEmpty()) {
                return message;
            }
        }
    }
    if (httpStatus) {
        return QStringLiteral("Server returned HTTP %1.").arg(*httpStatus);
    }
    return QStringLiteral("The server did not return a usable response.");
}

QString OVInvalidJSONMessage(const QByteArray& data) {
    if (data.isEmpty()) {
        return QStringLiteral("The Orvetta service returned an empty response.");
    }
    if (QString::fromUtf8(data).contains(QLatin1String("fatal error"), Qt::CaseInsensitive)) {
        return QStringLiteral(
            "The Orvetta service returned an internal server error page instead of JSON; please "
            "check the backend logs.");
    }
    return QStringLiteral("The Orvetta service returned a response that Orvetta could not read.");
}

QString OVLogSafeText(const QString& text) {
    const QLatin1String cutMarker("...");
    QString safe;
    // Where each character's form begins, so that a cut never splits an escape or a pair.
    QList<qsizetype> starts;
    for (const char32_t character : QStringView(text).toUcs4()) {
        const QString form = logFormOf(character);
        if (safe.size() + form.size() > OVLogTextLimit) {
            while (!starts.isEmpty() && safe.size() > OVLogTextLimit - cutMarker.size()) {
                safe.truncate(starts.takeLast());
            }
            return safe + cutMarker;
        }
        starts.append(safe.size());
        safe += form;
    }
    return safe;
}
