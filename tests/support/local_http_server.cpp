#include "support/local_http_server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

struct OVLocalHTTPServer::Connection {
    QTcpSocket* socket = nullptr;
    QByteArray buffer;
    bool answered = false;
    QByteArray trickling;  // body bytes still to send, one at a time
};

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

OVLocalHTTPServer::OVLocalHTTPServer() {
    QObject::connect(&_server, &QTcpServer::newConnection, &_server, [this] { accept(); });
    _server.listen(QHostAddress::LocalHost, 0);
}

OVLocalHTTPServer::~OVLocalHTTPServer() {
    for (Connection* connection : _connections) {
        QObject::disconnect(connection->socket, nullptr, nullptr, nullptr);
        connection->socket->abort();
        delete connection->socket;
        delete connection;
    }
}

QString OVLocalHTTPServer::origin() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void OVLocalHTTPServer::route(const QByteArray& path, const Reply& reply) {
    route(path, [reply](const Request&) { return reply; });
}

void OVLocalHTTPServer::route(const QByteArray& path, Responder responder) {
    _routes.insert(path, std::move(responder));
}

qsizetype OVLocalHTTPServer::trickleByte() {
    qsizetype remaining = 0;
    for (Connection* connection : _connections) {
        if (!connection->trickling.isEmpty()) {
            connection->socket->write(connection->trickling.left(1));
            connection->trickling.remove(0, 1);
            remaining += connection->trickling.size();
        }
    }
    return remaining;
}

OVLocalHTTPServer::Reply OVLocalHTTPServer::json(int status, const QByteArray& body) {
    Reply reply;
    reply.status = status;
    reply.addHeader("Content-Type", "application/json");
    reply.body = body;
    return reply;
}

void OVLocalHTTPServer::accept() {
    while (QTcpSocket* socket = _server.nextPendingConnection()) {
        socket->setParent(nullptr);
        auto* connection = new Connection{socket, {}, false, {}};
        _connections.append(connection);
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, connection] { readFrom(connection); });
    }
}

void OVLocalHTTPServer::readFrom(Connection* connection) {
    connection->buffer.append(connection->socket->readAll());
    if (connection->answered) {
        return;
    }
    const qsizetype headerEnd = connection->buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return;
    }
    Request request;
    const QList<QByteArray> lines = connection->buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    const qsizetype question = request.target.indexOf('?');
    request.path = question < 0 ? request.target : request.target.left(question);
    request.query = question < 0 ? QByteArray() : request.target.mid(question + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) {
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
        }
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (connection->buffer.size() < headerEnd + 4 + length) {
        return;
    }
    request.body = connection->buffer.mid(headerEnd + 4, length);
    connection->answered = true;
    _requests.append(request);
    answer(connection, request);
}

void OVLocalHTTPServer::answer(Connection* connection, const Request& request) {
    Reply reply;
    auto route = _routes.constFind(request.path);
    if (route != _routes.constEnd()) {
        reply = route.value()(request);
    } else {
        reply = json(404, R"({"error": "No such path."})");
    }
    if (reply.neverAnswer) {
        return;
    }
    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    for (const auto& [name, value] : reply.headers) {
        response += name + ": " + value + "\r\n";
    }
    if (reply.sendContentLength) {
        response += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    }
    response += "Connection: close\r\n\r\n";
    if (reply.trickle) {
        connection->trickling = reply.body;
    } else {
        response += reply.body;
    }
    QTcpSocket* socket = connection->socket;
    socket->write(response);
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [socket, connection] {
        if (socket->bytesToWrite() == 0 && connection->trickling.isEmpty()) {
            socket->disconnectFromHost();
        }
    });
}

quint16 OVUnusedLocalPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

bool OVRunEventLoopUntil(const std::function<bool()>& done, int limitMilliseconds) {
    const QDeadlineTimer deadline(limitMilliseconds);
    // Wakes the loop now and then so that the hang guard is checked even when nothing happens.
    QTimer wake;
    wake.start(100);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
