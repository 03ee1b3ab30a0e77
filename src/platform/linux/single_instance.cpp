#include "platform/linux/single_instance.h"

#include <unistd.h>

#include <QLocalSocket>
#include <QStandardPaths>
#include <QtDebug>

namespace {

constexpr int kConnectMilliseconds = 1000;
// One line per request: "activate", followed by " first-install" when the first run should
// come again.
const QByteArray kActivateRequest = "activate";
const QByteArray kFirstInstallOption = " first-install";

// The user's runtime directory (XDG_RUNTIME_DIR, or one Qt made private): nobody else can take
// a name in it first, as anyone can in /tmp. Empty when there is none that is the user's alone.
QString runtimeDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

}  // namespace

QString OVSingleInstance::defaultName() {
    return QStringLiteral("orvetta-%1").arg(getuid());
}

OVSingleInstance::OVSingleInstance(QString name) : _name(std::move(name)) {}

OVSingleInstance::~OVSingleInstance() = default;

bool OVSingleInstance::activateOther(const OVActivationRequest& request) {
    if (_server) {
        return false;
    }
    const QString directory = runtimeDirectory();
    if (directory.isEmpty()) {
        qWarning("Orvetta: no private runtime directory; a second start will not find this one");
        return false;
    }
    const QString path = directory + QLatin1Char('/') + _name;
    _lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    _lock->setStaleLockTime(0);  // stale means its process is gone, however young the lock
    if (_lock->tryLock(0)) {
        becomeInstance(path + QStringLiteral(".socket"));
        return false;
    }
    _lock.reset();
    QLocalSocket socket;
    socket.connectToServer(path + QStringLiteral(".socket"));
    if (socket.waitForConnected(kConnectMilliseconds)) {
        socket.write(kActivateRequest +
                     (request.firstInstall ? kFirstInstallOption : QByteArray()) + '\n');
        socket.waitForBytesWritten(kConnectMilliseconds);
        socket.disconnectFromServer();
    } else {
        qWarning("Orvetta is already running but did not answer: %s",
                 qUtf8Printable(socket.errorString()));
    }
    return true;
}

void OVSingleInstance::becomeInstance(const QString& socketPath) {
    _server = std::make_unique<QLocalServer>();
    _server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath);  // a socket left by an instance that crashed
    if (!_server->listen(socketPath)) {
        qWarning("Orvetta: a second start cannot reach this one: %s",
                 qUtf8Printable(_server->errorString()));
        return;
    }
    QObject::connect(_server.get(), &QLocalServer::newConnection, _server.get(),
                     [this] { readRequests(); });
}

void OVSingleInstance::readRequests() {
    while (QLocalSocket* socket = _server->nextPendingConnection()) {
        auto readLines = [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().trimmed();
                if (line.startsWith(kActivateRequest) && _activationRequested) {
                    OVActivationRequest request;
                    request.firstInstall = line.endsWith(kFirstInstallOption);
                    _activationRequested(request);
                }
            }
        };
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, readLines);
        readLines();  // what arrived with the connection
    }
}

void OVSingleInstance::setActivationRequestCallback(OVWorkspace::ActivationCallback callback) {
    _activationRequested = std::move(callback);
}
