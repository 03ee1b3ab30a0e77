#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>

struct OVHTTPRequest {
    QString method;  // "GET" or "POST"
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The exchange fails with a time-out when it has not completed this long after sending.
    double timeoutSeconds = 12.0;
};

struct OVHTTPResponse {
    int statusCode = 0;  // 0 when no HTTP response arrived
    QByteArray body;
    QString transportError;        // empty when the exchange completed
    QString transportErrorDomain;  // the transport's own error domain and code, for the caller
    qint64 transportErrorCode = 0;
    bool bodyTooLarge = false;  // the body passed OVHTTPMaximumBodySize and was not read
};

// A transport refuses a response body larger than this instead of buffering it.
inline constexpr qint64 OVHTTPMaximumBodySize = 4 * 1024 * 1024;

// Sends HTTP requests; every completion runs once, on the main thread.
class OVHTTPTransport {
  public:
    virtual ~OVHTTPTransport() = default;
    virtual void send(const OVHTTPRequest& request,
                      std::function<void(const OVHTTPResponse& response)> completion) = 0;
};
