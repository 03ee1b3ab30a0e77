#include "server/http_connection.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

// After an answer that refused an unread body, what still arrives is read and dropped, up to a
// refused body's worth and while it keeps coming, so that a client that sends it all anyway
// reads the answer before the connection is reset.
constexpr int kLingerMilliseconds = 1000;
constexpr std::size_t kLingerBytes = 8 * 1024 * 1024;

thread_local bool tCloseAfterAnswer = false;

using Clock = std::chrono::steady_clock;

bool waitFor(int socket, short events, int milliseconds) {
    pollfd descriptor{socket, events, 0};
    int ready;
    while ((ready = ::poll(&descriptor, 1, milliseconds)) < 0 && errno == EINTR) {
    }
    return ready > 0;
}

std::pair<std::string, int> addressOf(const sockaddr_storage& address, socklen_t length) {
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof(host),
                      service, sizeof(service), NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return {std::string(), -1};
    }
    return {host, std::atoi(service)};
}

// A client connection as the HTTP library reads and writes it: buffered, plain or TLS, with a
// time-out on every read and write and a byte budget for the request being read.
class ConnectionStream final : public httplib::Stream {
  public:
    ConnectionStream(int socket, SSL* tls, int timeoutSeconds, qint64 requestBytes)
        : _socket(socket),
          _tls(tls),
          _timeoutMilliseconds(timeoutSeconds * 1000),
          _requestBytes(requestBytes) {}

    // Whether the next request has begun to arrive (or the client closed) before `seconds`
    // passed; false as well when `stopEvent` fires.
    bool waitForRequest(int seconds, int stopEvent) const {
        if (buffered()) {
            return true;
        }
        pollfd descriptors[2] = {{_socket, POLLIN, 0}, {stopEvent, POLLIN, 0}};
        int ready;
        while ((ready = ::poll(descriptors, 2, seconds * 1000)) < 0 && errno == EINTR) {
        }
        return ready > 0 && descriptors[1].revents == 0;
    }

    // The request must arrive whole, within its budget of bytes and the time-out.
    void startRequest() {
        _budget = _requestBytes;
        _deadline = Clock::now() + std::chrono::milliseconds(_timeoutMilliseconds);
    }

    bool is_readable() const override {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(_deadline - Clock::now());
        return buffered() || (left.count() > 0 && waitFor(_socket, POLLIN, int(left.count())));
    }
    bool is_writable() const override { return waitFor(_socket, POLLOUT, _timeoutMilliseconds); }

    ssize_t read(char* data, size_t size) override {
        if (_begin == _end) {
            const ssize_t filled = fill();
            if (filled <= 0) {
                return filled;
            }
        }
        const std::size_t count = std::min(size, _end - _begin);
        std::copy_n(_buffer + _begin, count, data);
        _begin += count;
        return ssize_t(count);
    }

    ssize_t write(const char* data, size_t size) override {
        std::size_t written = 0;
        while (written < size) {
            if (!is_writable()) {
                return -1;
            }
            const ssize_t count =
                _tls ? SSL_write(_tls, data + written,
                                 int(std::min<std::size_t>(size - written, 1 << 30)))
                     : ::send(_socket, data + written, size - written, MSG_NOSIGNAL);
            if (count <= 0) {
                if (!_tls && count < 0 && errno == EINTR) {
                    continue;
                }
                return -1;
            }
            written += std::size_t(count);
        }
        return ssize_t(size);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof(address);
        ::getpeername(_socket, reinterpret_cast<sockaddr*>(&address), &length);
        std::tie(ip, port) = addressOf(address, length);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof(address);
        ::getsockname(_socket, reinterpret_cast<sockaddr*>(&address), &length);
        std::tie(ip, port) = addressOf(address, length);
    }
    socket_t socket() const override { return _socket; }

  private:
    bool buffered() const { return _begin < _end || (_tls && SSL_pending(_tls) > 0); }

    // Reads what has arrived into the buffer: its size, 0 when the client closed, -1 on a
    // time-out, an error or a request over its budget.
    ssize_t fill() {
        if (_budget <= 0 || !is_readable()) {
            return -1;
        }
        const std::size_t capacity = std::size_t(std::min<qint64>(sizeof(_buffer), _budget));
        ssize_t count;
        if (_tls) {
            count = SSL_read(_tls, _buffer, int(capacity));
            if (count <= 0) {
                return SSL_get_error(_tls, int(count)) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
            }
        } else {
            while ((count = ::recv(_socket, _buffer, capacity, 0)) < 0 && errno == EINTR) {
            }
            if (count <= 0) {
                return count;
            }
        }
        _budget -= count;
        _begin = 0;
        _end = std::size_t(count);
        return count;
    }

    const int _socket;
    SSL* const _tls;
    const int _timeoutMilliseconds;
    const qint64 _requestBytes;
    qint64 _budget = 0;
    Clock::time_point _deadline;
    char _buffer[16 * 1024];
    std::size_t _begin = 0;
    std::size_t _end = 0;
};

// Reads and drops what the client still sends, briefly, after the answer is on its way.
void lingerBeforeClose(int socket) {
    ::shutdown(socket, SHUT_WR);
    char buffer[16 * 1024];
    std::size_t dropped = 0;
    while (dropped < kLingerBytes && waitFor(socket, POLLIN, kLingerMilliseconds)) {
        const ssize_t count = ::recv(socket, buffer, sizeof(buffer), 0);
        if (count <= 0) {
            break;
        }
        dropped += std::size_t(count);
    }
}

void setTimeouts(int socket, int seconds) {
    const timeval limit{seconds, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    const int yes = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
}

}  // namespace

void OVCloseConnectionAfterAnswer() {
    tCloseAfterAnswer = true;
}

OVHTTPServer::OVHTTPServer(const Limits& limits, SSL_CTX* tls)
    : _limits(limits), _tls(tls), _stopEvent(::eventfd(0, EFD_CLOEXEC)) {}

OVHTTPServer::~OVHTTPServer() {
    ::close(_stopEvent);
}

void OVHTTPServer::closeIdleConnections() {
    const eventfd_t one = 1;
    ::eventfd_write(_stopEvent, one);
}

bool OVHTTPServer::process_and_close_socket(socket_t socket) {
    setTimeouts(socket, _limits.requestTimeoutSeconds);
    SSL* tls = nullptr;
    if (_tls) {
        tls = SSL_new(_tls);
        if (!tls || SSL_set_fd(tls, socket) != 1 || SSL_accept(tls) != 1) {
            SSL_free(tls);
            ERR_clear_error();
            ::close(socket);
            return false;
        }
    }
    ConnectionStream stream(socket, tls, _limits.requestTimeoutSeconds, _limits.requestBytes);
    bool served = true;
    tCloseAfterAnswer = false;
    for (int request = 0; request < OVRequestsPerConnection; ++request) {
        if (!stream.waitForRequest(_limits.idleTimeoutSeconds, _stopEvent)) {
            break;
        }
        stream.startRequest();
        bool closed = false;
        served = process_request(stream, request + 1 == OVRequestsPerConnection, closed, nullptr);
        if (!served || closed || tCloseAfterAnswer) {
            break;
        }
    }
    if (tls) {
        SSL_shutdown(tls);
        SSL_free(tls);
        ERR_clear_error();
    } else if (tCloseAfterAnswer) {
        lingerBeforeClose(socket);
    }
    tCloseAfterAnswer = false;
    ::close(socket);
    return served;
}

SSL_CTX* OVCreateTLSContext(const QString& certificatePath, const QString& keyPath,
                            QString* problem) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    const QByteArray certificate = QFile::encodeName(certificatePath);
    const QByteArray key = QFile::encodeName(keyPath);
    if (context && SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) == 1 &&
        SSL_CTX_use_certificate_chain_file(context, certificate.constData()) == 1 &&
        SSL_CTX_use_PrivateKey_file(context, key.constData(), SSL_FILETYPE_PEM) == 1 &&
        SSL_CTX_check_private_key(context) == 1) {
        SSL_CTX_set_options(context, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
        return context;
    }
    char reason[256] = "unknown reason";
    if (const unsigned long code = ERR_peek_last_error()) {
        ERR_error_string_n(code, reason, sizeof(reason));
    }
    ERR_clear_error();
    *problem = QStringLiteral("cannot use the certificate %1 with the key %2 (%3)")
                   .arg(certificatePath, keyPath, QString::fromLatin1(reason));
    SSL_CTX_free(context);
    return nullptr;
}
