#pragma once

#include <QHash>
#include <QNetworkAccessManager>
#include <memory>

#include "platform/http_transport.h"

class OVScheduler;
class QNetworkReply;

// HTTP over QNetworkAccessManager, on the thread that owns the transport (the main thread).
//
// Redirects are followed unless they lead from https to http. A response body larger than
// OVHTTPMaximumBodySize is refused as soon as its size is known (its Content-Length, or the bytes
// read so far) and the exchange is aborted. The time-out is a deadline for the whole exchange,
// counted from the moment of sending, so that a server that trickles its answer cannot stretch
// it; it runs on an OVScheduler, so that tests can let it pass in virtual time.
class OVQtHTTPTransport : public OVHTTPTransport {
  public:
    // `scheduler` times the time-outs; nullptr uses OVMainScheduler() of the moment of sending.
    explicit OVQtHTTPTransport(OVScheduler* scheduler = nullptr);
    // Requests still in flight complete with a transport error.
    ~OVQtHTTPTransport() override;
    OVQtHTTPTransport(const OVQtHTTPTransport&) = delete;
    OVQtHTTPTransport& operator=(const OVQtHTTPTransport&) = delete;

    void send(const OVHTTPRequest& request,
              std::function<void(const OVHTTPResponse& response)> completion) override;

    int requestsInFlight() const { return static_cast<int>(_exchanges.size()); }
    // The body bytes read so far of the requests in flight.
    qint64 bytesReadInFlight() const;

  private:
    struct Exchange;

    OVScheduler& scheduler() const;
    void armDeadline(const std::shared_ptr<Exchange>& exchange);
    void readAvailable(const std::shared_ptr<Exchange>& exchange);
    void checkAnnouncedLength(const std::shared_ptr<Exchange>& exchange);
    void finish(const std::shared_ptr<Exchange>& exchange);

    OVScheduler* _scheduler;
    QNetworkAccessManager _manager;
    QHash<QNetworkReply*, std::shared_ptr<Exchange>> _exchanges;
};
