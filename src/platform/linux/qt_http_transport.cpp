#include "platform/linux/qt_http_transport.h"

#include <QNetworkReply>
#include <QNetworkRequest>

#include "base/scheduler.h"
#include "base/services.h"

namespace {

const QString kReplyErrorDomain = QStringLiteral("QNetworkReply");

// Errors that only restate an HTTP status; the status itself is the answer then.
bool isHTTPStatusError(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 201 && code <= 299) || (code >= 401 && code <= 499) ||
           error == QNetworkReply::ProtocolInvalidOperationError;
}

// Qt's own read buffer stays small, so a body that is too large is noticed early.
constexpr qint64 kReadBufferSize = 256 * 1024;
constexpr int kMaximumRedirects = 10;

}  // namespace

struct OVQtHTTPTransport::Exchange {
    QNetworkReply* reply = nullptr;
    std::function<void(const OVHTTPResponse&)> completion;
    OVScheduler* scheduler = nullptr;
    double timeoutSeconds = 12.0;
    OVTimer timeout;
    QByteArray body;
    bool timedOut = false;
    bool tooLarge = false;
};

OVQtHTTPTransport::OVQtHTTPTransport(OVScheduler* scheduler) : _scheduler(scheduler) {
    _manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    _manager.setTransferTimeout(0);  // the scheduler keeps the time
}

OVQtHTTPTransport::~OVQtHTTPTransport() {
    const auto pending = std::exchange(_exchanges, {});
    for (const std::shared_ptr<Exchange>& exchange : pending) {
        exchange->timeout.invalidate();
        QObject::disconnect(exchange->reply, nullptr, nullptr, nullptr);
        exchange->reply->abort();
        delete exchange->reply;
        OVHTTPResponse response;
        response.transportError = QStringLiteral("The request was cancelled.");
        response.transportErrorDomain = kReplyErrorDomain;
        response.transportErrorCode = QNetworkReply::OperationCanceledError;
        exchange->completion(response);
    }
}

qint64 OVQtHTTPTransport::bytesReadInFlight() const {
    qint64 bytes = 0;
    for (const std::shared_ptr<Exchange>& exchange : _exchanges) {
        bytes += exchange->body.size();
    }
    return bytes;
}

OVScheduler& OVQtHTTPTransport::scheduler() const {
    return _scheduler ? *_scheduler : OVMainScheduler();
}

void OVQtHTTPTransport::send(const OVHTTPRequest& request,
                             std::function<void(const OVHTTPResponse& response)> completion) {
    QNetworkRequest networkRequest(request.url);
    for (const auto& [name, value] : request.headers) {
        networkRequest.setRawHeader(name, value);
    }
    networkRequest.setMaximumRedirectsAllowed(kMaximumRedirects);

    auto exchange = std::make_shared<Exchange>();
    exchange->completion = std::move(completion);
    exchange->scheduler = &scheduler();
    exchange->timeoutSeconds = request.timeoutSeconds;
    exchange->reply =
        request.body.isEmpty() && request.method == QLatin1String("GET")
            ? _manager.get(networkRequest)
            : _manager.sendCustomRequest(networkRequest, request.method.toLatin1(), request.body);
    exchange->reply->setReadBufferSize(kReadBufferSize);
    _exchanges.insert(exchange->reply, exchange);

    QNetworkReply* reply = exchange->reply;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                     [this, exchange] { checkAnnouncedLength(exchange); });
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [this, exchange] { readAvailable(exchange); });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [this, exchange] { finish(exchange); });
    armDeadline(exchange);
}

void OVQtHTTPTransport::armDeadline(const std::shared_ptr<Exchange>& exchange) {
    std::weak_ptr<Exchange> weak = exchange;
    exchange->timeout = exchange->scheduler->after(exchange->timeoutSeconds, [weak] {
        if (auto alive = weak.lock(); alive && alive->reply) {
            alive->timedOut = true;
            alive->reply->abort();
        }
    });
}

void OVQtHTTPTransport::checkAnnouncedLength(const std::shared_ptr<Exchange>& exchange) {
    const QVariant length = exchange->reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > OVHTTPMaximumBodySize) {
        exchange->tooLarge = true;
        exchange->reply->abort();
    }
}

void OVQtHTTPTransport::readAvailable(const std::shared_ptr<Exchange>& exchange) {
    if (exchange->tooLarge || !exchange->reply->isOpen()) {
        return;
    }
    const qint64 room = OVHTTPMaximumBodySize - exchange->body.size();
    if (exchange->reply->bytesAvailable() > room) {
        exchange->tooLarge = true;
        exchange->body.clear();
        exchange->reply->abort();
        return;
    }
    exchange->body.append(exchange->reply->readAll());
}

void OVQtHTTPTransport::finish(const std::shared_ptr<Exchange>& exchange) {
    if (!_exchanges.remove(exchange->reply)) {
        return;  // already completed
    }
    exchange->timeout.invalidate();
    QNetworkReply* reply = exchange->reply;
    readAvailable(exchange);

    OVHTTPResponse response;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    response.statusCode = status.isValid() ? status.toInt() : 0;
    const QNetworkReply::NetworkError error = reply->error();
    if (exchange->tooLarge) {
        response.bodyTooLarge = true;
    } else if (exchange->timedOut) {
        response.statusCode = 0;
        response.transportError = QStringLiteral("The request timed out.");
        response.transportErrorDomain = kReplyErrorDomain;
        response.transportErrorCode = QNetworkReply::TimeoutError;
    } else if (error != QNetworkReply::NoError &&
               !(response.statusCode > 0 && isHTTPStatusError(error))) {
        response.statusCode = 0;
        response.transportError = reply->errorString();
        response.transportErrorDomain = kReplyErrorDomain;
        response.transportErrorCode = error;
    } else {
        response.body = std::move(exchange->body);
    }
    exchange->reply = nullptr;
    reply->deleteLater();
    exchange->completion(response);
}
