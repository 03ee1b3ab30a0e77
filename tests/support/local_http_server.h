#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QTcpServer>
#include <functional>

// A small HTTP/1.1 server on 127.0.0.1 for tests of the service client: it answers each path
// with a canned reply and records every request it read.
class OVLocalHTTPServer {
  public:
    struct Request {
        QByteArray method;
        QByteArray target;  // path and query as sent
        QByteArray path;
        QByteArray query;
        QHash<QByteArray, QByteArray> headers;  // names in lower case
        QByteArray body;
    };

    struct Reply {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool sendContentLength = true;  // else the body ends when the connection closes
        bool neverAnswer = false;       // read the request and stay silent
        bool trickle = false;           // the body goes out a byte per trickleByte()

        void addHeader(const QByteArray& name, const QByteArray& value) {
            headers.append(qMakePair(name, value));
        }
    };

    OVLocalHTTPServer();
    ~OVLocalHTTPServer();

    bool isListening() const { return _server.isListening(); }
    quint16 port() const { return _server.serverPort(); }
    // "http://127.0.0.1:<port>"
    QString origin() const;

    using Responder = std::function<Reply(const Request& request)>;

    // Answers requests for `path` (without the query) with `reply`; other paths get 404.
    void route(const QByteArray& path, const Reply& reply);
    // Answers requests for `path` with what `responder` makes of each.
    void route(const QByteArray& path, Responder responder);
    static Reply json(int status, const QByteArray& body);

    // Writes the next body byte of every trickling answer; returns how many bytes remain.
    qsizetype trickleByte();

    const QList<Request>& requests() const { return _requests; }

  private:
    struct Connection;
    void accept();
    void readFrom(Connection* connection);
    void answer(Connection* connection, const Request& request);

    QTcpServer _server;
    QHash<QByteArray, Responder> _routes;
    QList<Request> _requests;
    QList<Connection*> _connections;
};

// A port on 127.0.0.1 on which nothing listens.
quint16 OVUnusedLocalPort();

// Runs the Qt event loop until `done()` holds, so that a test can wait for a socket exchange.
// Gives up (false) after `limitMilliseconds` of wall time, which only guards against a hang.
bool OVRunEventLoopUntil(const std::function<bool()>& done, int limitMilliseconds = 20000);
