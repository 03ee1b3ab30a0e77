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
    double timeoutSeconds = 12.0;
};

struct OVHTTPResponse {
    int statusCode = 0;  // 0 when no HTTP response arrived
    QByteArray body;
    QString transportError;     // empty when the exchange completed
    bool bodyTooLarge = false;  // the body passed the transport's limit and was not read
};

// Sends HTTP requests; every completion runs once, on the main thread.
class OVHTTPTransport {
  public:
    virtual ~OVHTTPTransport() = default;
    virtual void send(const OVHTTPRequest& request,
                      std::function<void(const OVHTTPResponse& response)> completion) = 0;
};
