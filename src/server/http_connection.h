#pragma once

#include <httplib.h>
#include <openssl/ssl.h>

#include <QString>

// Requests served on one connection before it is closed.
inline constexpr int OVRequestsPerConnection = 1000;

// The life of one client connection, under the service's own rules rather than the HTTP
// library's: TLS when the server has a certificate, a request that must arrive whole within the
// request time-out (and each write of its answer within it), a budget of bytes per request (so
// that no request line or header can grow without end), a wait for the next request that ends at
// the idle time-out or at once when the server stops, and a close right after an answer that
// refused a body it did not read.
class OVHTTPServer : public httplib::Server {
  public:
    struct Limits {
        int requestTimeoutSeconds = 10;
        int idleTimeoutSeconds = 5;
        qint64 requestBytes = 0;  // request line, headers and body together
    };

    // `tls` (may be null) stays the caller's and must outlive the server.
    OVHTTPServer(const Limits& limits, SSL_CTX* tls);
    ~OVHTTPServer() override;

    // Ends the waits for a next request; connections in the middle of one finish it first.
    void closeIdleConnections();

  private:
    bool process_and_close_socket(socket_t socket) override;

    const Limits _limits;
    SSL_CTX* const _tls;
    const int _stopEvent;  // an eventfd, readable once the server stops
};

// Closes the connection of the request being served on this thread after its answer.
void OVCloseConnectionAfterAnswer();

// A TLS context with the certificate chain and key of the given PEM files; null with the problem
// when they cannot be used together.
SSL_CTX* OVCreateTLSContext(const QString& certificatePath, const QString& keyPath,
                            QString* problem);
