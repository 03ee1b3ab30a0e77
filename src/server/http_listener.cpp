#include "server/http_listener.h"

#include <httplib.h>
#include <sys/socket.h>

#include <QElapsedTimer>
#include <QFile>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "server/http_connection.h"
#include "server/server_log.h"

namespace {

// The request line and headers may take this much besides the body.
constexpr qint64 kLargestRequestHead = 64 * 1024;

// One worker thread per connection, at most `count` connections at once: when all are busy the
// accept loop waits here, and further clients wait in the kernel's listen queue.
class ConnectionWorkers final : public httplib::TaskQueue {
  public:
    // `gone` runs when httplib deletes the workers, after accepting has ended.
    ConnectionWorkers(int count, std::function<void()> gone) : _gone(std::move(gone)) {
        for (int i = 0; i < count; ++i) {
            _threads.emplace_back([this] { work(); });
        }
    }
    ~ConnectionWorkers() override { _gone(); }

    void enqueue(std::function<void()> connection) override {
        std::unique_lock lock(_mutex);
        _free.wait(lock, [this] { return _jobs.size() < _idle || _stopping; });
        _jobs.push_back(std::move(connection));
        _ready.notify_one();
    }

    // Lets a waiting accept go on (the listener is closing, so the connection ends at once).
    void stopWaiting() {
        std::lock_guard lock(_mutex);
        _stopping = true;
        _free.notify_all();
    }

    // Called when accepting has ended: serves what is queued, then ends the threads.
    void shutdown() override {
        {
            std::lock_guard lock(_mutex);
            _stopping = true;
            _shutDown = true;
        }
        _ready.notify_all();
        _free.notify_all();
        for (std::thread& thread : _threads) {
            thread.join();
        }
    }

  private:
    void work() {
        std::unique_lock lock(_mutex);
        while (true) {
            ++_idle;
            _free.notify_one();
            _ready.wait(lock, [this] { return !_jobs.empty() || _shutDown; });
            --_idle;
            if (_jobs.empty()) {
                return;
            }
            std::function<void()> connection = std::move(_jobs.front());
            _jobs.pop_front();
            lock.unlock();
            connection();
            lock.lock();
        }
    }

    std::mutex _mutex;
    std::condition_variable _ready;
    std::condition_variable _free;
    std::deque<std::function<void()>> _jobs;
    std::size_t _idle = 0;
    bool _stopping = false;
    bool _shutDown = false;
    std::vector<std::thread> _threads;
    std::function<void()> _gone;
};

// What the log line of the request being served on this thread adds to what httplib knows.
struct RequestTrace {
    QElapsedTimer clock;
    QString note;
};
thread_local RequestTrace tRequestTrace;

bool declaresTooLargeBody(const httplib::Request& request) {
    const QByteArray length = QByteArray::fromStdString(request.get_header_value("Content-Length"));
    bool number = false;
    const qulonglong value = length.toULongLong(&number);
    return !length.isEmpty() && (!number || value > qulonglong(OVLargestRequestBody));
}

// Closes the connection after the answer, and says so in it ("Connection: close" follows the
// request's header).
void closeAfterAnswer(const httplib::Request& request) {
    const_cast<httplib::Request&>(request).set_header("Connection", "close");
    OVCloseConnectionAfterAnswer();
}

void answer(httplib::Response& response, const OVServerResponse& answer) {
    response.status = answer.status;
    for (const auto& [name, value] : answer.headers) {
        response.set_header(name.toStdString(), value.toStdString());
    }
    response.set_content(answer.body.constData(), std::size_t(answer.body.size()),
                         answer.contentType.toStdString());
    tRequestTrace.note = answer.logNote;
}

OVServerResponse bodyTooLarge() {
    return OVErrorAnswer(413, QStringLiteral("The request is larger than 4 MiB."),
                         QStringLiteral("Send at most %1 bytes.").arg(OVLargestRequestBody));
}

// The JSON error of a request that httplib refused before any route saw it.
OVServerResponse libraryRefusal(int status) {
    switch (status) {
        case 413:
            return bodyTooLarge();
        case 414:
            return OVErrorAnswer(414, QStringLiteral("The request's address is too long."),
                                 QStringLiteral("Send a shorter path and query."));
        case 415:
            return OVErrorAnswer(415, QStringLiteral("The request's content encoding is unknown."),
                                 QStringLiteral("Send the body without encoding, or gzip it."));
        case 404:
            return OVErrorAnswer(404, QStringLiteral("There is nothing here."),
                                 QStringLiteral("The service answers /app-policy/ and "
                                                "/compatibility-reports/."));
        default:
            return OVErrorAnswer(status, QStringLiteral("The request could not be read."),
                                 QStringLiteral("Send an HTTP/1.1 request."));
    }
}

// A path for the log: printable ASCII, other bytes as "?", at most 200 characters.
QString loggablePath(const std::string& path) {
    QString text;
    for (const char c : path.substr(0, 200)) {
        text.append(c >= 0x20 && c < 0x7f && c != '"' ? QChar(c) : QChar('?'));
    }
    return text;
}

void logRequest(const httplib::Request& request, const httplib::Response& response) {
    QString line = QStringLiteral("%1 \"%2 %3\" %4 %5")
                       .arg(QString::fromStdString(request.remote_addr),
                            loggablePath(request.method), loggablePath(request.path))
                       .arg(response.status)
                       .arg(response.body.size());
    if (tRequestTrace.clock.isValid()) {
        line += QStringLiteral(" %1ms").arg(double(tRequestTrace.clock.nsecsElapsed()) / 1e6, 0,
                                            'f', 1);
    }
    if (!tRequestTrace.note.isEmpty()) {
        line += QStringLiteral(" (%1)").arg(tRequestTrace.note.left(300));
    }
    OVServerLog(line);
    tRequestTrace = RequestTrace();
}

}  // namespace

struct OVHTTPListener::Implementation {
    Implementation(const OVServerOptions& options, OVServerContext& context)
        : options(options), context(context) {}

    void configure();
    void serve(const httplib::Request& request, httplib::Response& response, QByteArray body);
    void serveWithBody(const httplib::Request& request, httplib::Response& response,
                       const httplib::ContentReader& reader);

    const OVServerOptions options;
    OVServerContext& context;
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> tls{nullptr, SSL_CTX_free};
    std::unique_ptr<OVHTTPServer> server;
    ConnectionWorkers* workers = nullptr;  // owned by the server while it listens
    std::mutex workersMutex;
    std::thread thread;
    int port = 0;
    int listeningSocket = -1;
};

void OVHTTPListener::Implementation::configure() {
    server->new_task_queue = [this]() -> httplib::TaskQueue* {
        auto* created = new ConnectionWorkers(options.maxConnections, [this] {
            std::lock_guard lock(workersMutex);
            workers = nullptr;
        });
        std::lock_guard lock(workersMutex);
        workers = created;
        return created;
    };
    // SO_REUSEADDR only: a second server on the same port must fail, not share it.
    server->set_socket_options([this](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        listeningSocket = socket;
    });
    server->set_payload_max_length(std::size_t(OVLargestRequestBody));
    // Only for the Keep-Alive header of answers; the connection loop applies both.
    server->set_keep_alive_timeout(options.idleTimeoutSeconds);
    server->set_keep_alive_max_count(OVRequestsPerConnection);

    server->set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        tRequestTrace.clock.start();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server->set_expect_100_continue_handler(
        [](const httplib::Request& request, httplib::Response& response) {
            if (declaresTooLargeBody(request)) {
                answer(response, bodyTooLarge());
                closeAfterAnswer(request);
                return 413;
            }
            return 100;
        });
    const auto plain = [this](const httplib::Request& request, httplib::Response& response) {
        serve(request, response, QByteArray());
    };
    const auto withBody = [this](const httplib::Request& request, httplib::Response& response,
                                 const httplib::ContentReader& reader) {
        serveWithBody(request, response, reader);
    };
    server->Get(".*", plain);
    server->Options(".*", plain);
    server->Post(".*", withBody);
    server->Put(".*", withBody);
    server->Patch(".*", withBody);
    server->Delete(".*", withBody);
    server->set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& response) {
            if (!response.body.empty()) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            answer(response, libraryRefusal(response.status));
            return httplib::Server::HandlerResponse::Handled;
        }));
    server->set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            answer(response, OVErrorAnswer(500, QStringLiteral("The service failed."),
                                           QStringLiteral("The service's log says why.")));
            tRequestTrace.note = QStringLiteral("exception");
        });
    server->set_logger(logRequest);
}

void OVHTTPListener::Implementation::serve(const httplib::Request& request,
                                           httplib::Response& response, QByteArray body) {
    OVServerRequest routed;
    routed.method = QByteArray::fromStdString(request.method);
    routed.path = QString::fromStdString(request.path);
    const std::string::size_type question = request.target.find('?');
    if (question != std::string::npos) {
        routed.query.setQuery(QString::fromUtf8(request.target.substr(question + 1)));
    }
    routed.authorization = QByteArray::fromStdString(request.get_header_value("Authorization"));
    routed.body = std::move(body);
    answer(response, OVRouteServerRequest(routed, context));
}

// Reads a body of at most 4 MiB (after any gzip decoding) before routing. A body declared
// larger is refused before it is read, and the connection is closed so that its bytes are not
// read as the next request.
void OVHTTPListener::Implementation::serveWithBody(const httplib::Request& request,
                                                   httplib::Response& response,
                                                   const httplib::ContentReader& reader) {
    const auto refuse = [&](const OVServerResponse& refusal) {
        answer(response, refusal);
        closeAfterAnswer(request);
    };
    if (request.method != "POST") {
        serve(request, response, QByteArray());  // 404 or 405; the body is not read
        closeAfterAnswer(request);
        return;
    }
    if (declaresTooLargeBody(request)) {
        refuse(bodyTooLarge());
        return;
    }
    if (request.is_multipart_form_data()) {
        refuse(OVErrorAnswer(415, QStringLiteral("Send the report as application/json."),
                             QStringLiteral("Multipart forms are not read.")));
        return;
    }
    QByteArray body;
    bool tooLarge = false;
    const bool read = reader([&](const char* data, std::size_t length) {
        if (qint64(body.size()) + qint64(length) > OVLargestRequestBody) {
            tooLarge = true;
            return false;
        }
        body.append(data, qsizetype(length));
        return true;
    });
    if (tooLarge) {
        refuse(bodyTooLarge());
    } else if (!read) {
        refuse(OVErrorAnswer(400, QStringLiteral("The request's body could not be read."),
                             QStringLiteral("Send the whole body within the request time-out.")));
    } else {
        serve(request, response, std::move(body));
    }
}

OVHTTPListener::OVHTTPListener(const OVServerOptions& options, OVServerContext& context)
    : _implementation(std::make_unique<Implementation>(options, context)) {}

OVHTTPListener::~OVHTTPListener() {
    stop();
}

bool OVHTTPListener::bind(QString* problem) {
    Implementation& it = *_implementation;
    if (!it.options.certificatePath.isEmpty()) {
        it.tls.reset(OVCreateTLSContext(it.options.certificatePath, it.options.keyPath, problem));
        if (!it.tls) {
            return false;
        }
    }
    const OVHTTPServer::Limits limits{it.options.requestTimeoutSeconds,
                                      it.options.idleTimeoutSeconds,
                                      OVLargestRequestBody + kLargestRequestHead};
    it.server = std::make_unique<OVHTTPServer>(limits, it.tls.get());
    it.configure();
    const std::string host = it.options.listenHost.toStdString();
    it.port = it.options.listenPort == 0 ? it.server->bind_to_any_port(host)
              : it.server->bind_to_port(host, it.options.listenPort) ? it.options.listenPort
                                                                     : -1;
    // The library listens with a queue of 5, too short for a fleet that connects at once (the
    // rest would wait for a SYN retransmission, a second or more); listening again lengthens it.
    if (it.port > 0) {
        ::listen(it.listeningSocket, SOMAXCONN);
    }
    if (it.port <= 0) {
        *problem = QStringLiteral(
                       "cannot listen on %1:%2 (in use, or not an address of this "
                       "machine)")
                       .arg(it.options.listenHost)
                       .arg(it.options.listenPort);
        return false;
    }
    return true;
}

QString OVHTTPListener::origin() const {
    const Implementation& it = *_implementation;
    const bool v6 = it.options.listenHost.contains(QLatin1Char(':'));
    return QStringLiteral("%1://%2%3%4:%5")
        .arg(
            it.options.certificatePath.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"),
            v6 ? QStringLiteral("[") : QString(), it.options.listenHost,
            v6 ? QStringLiteral("]") : QString())
        .arg(it.port);
}

void OVHTTPListener::start() {
    Implementation& it = *_implementation;
    it.thread = std::thread([&it] { it.server->listen_after_bind(); });
}

void OVHTTPListener::stop() {
    Implementation& it = *_implementation;
    if (!it.thread.joinable()) {
        return;
    }
    it.server->stop();
    it.server->closeIdleConnections();
    {
        std::lock_guard lock(it.workersMutex);
        if (it.workers) {
            it.workers->stopWaiting();
        }
    }
    it.thread.join();
}
