#include "platform/linux/private_bus_helpers.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QTest>
#include <QUuid>

namespace {

constexpr int kStartMilliseconds = 10000;
const QString kDaemon = QStringLiteral("/usr/bin/dbus-daemon");
const QString kPython = QStringLiteral("/usr/bin/python3");  // the one with dbusmock
const QString kMockInterface = QStringLiteral("org.freedesktop.DBus.Mock");

}  // namespace

bool PrivateBus::available() {
    return QFile::exists(kDaemon) &&
           QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) ==
               0;
}

PrivateBus::PrivateBus()
    : _connectionName(QStringLiteral("orvetta-test-") + QUuid::createUuid().toString()) {
    _daemon.start(kDaemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!_daemon.waitForStarted(kStartMilliseconds)) {
        return;
    }
    // The daemon prints its address once it listens.
    while (!_daemon.canReadLine() && _daemon.waitForReadyRead(kStartMilliseconds)) {
    }
    _address = QString::fromUtf8(_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    QDBusConnection::disconnectFromBus(_connectionName);
    for (auto& mock : _mocks) {
        mock->terminate();
        mock->waitForFinished(kStartMilliseconds);
    }
    _daemon.terminate();
    _daemon.waitForFinished(kStartMilliseconds);
}

QDBusConnection PrivateBus::connection() const {
    return QDBusConnection::connectToBus(_address, _connectionName);
}

QDBusConnection PrivateBus::newConnection(const QString& name) const {
    return QDBusConnection::connectToBus(_address, _connectionName + name);
}

bool PrivateBus::startTemplate(const QString& name, const QString& busName, bool systemTemplate,
                               const QString& parameters) {
    auto mock = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(systemTemplate ? QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS")
                                      : QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       _address);
    mock->setProcessEnvironment(environment);
    QStringList arguments{QStringLiteral("-m"), QStringLiteral("dbusmock"),
                          systemTemplate ? QStringLiteral("--system") : QStringLiteral("--session"),
                          QStringLiteral("--template"), name};
    if (!parameters.isEmpty()) {
        arguments << QStringLiteral("--parameters") << parameters;
    }
    mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock->start(kPython, arguments);
    if (!mock->waitForStarted(kStartMilliseconds)) {
        return false;
    }
    _mocks.push_back(std::move(mock));
    QDBusConnection bus = connection();
    return QTest::qWaitFor([&] { return bus.interface()->isServiceRegistered(busName).value(); },
                           kStartMilliseconds);
}

QVariantList PrivateBus::callMock(const QString& service, const QString& path,
                                  const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, kMockInterface, method);
    call.setArguments(arguments);
    const QDBusMessage reply = connection().call(call);
    return reply.arguments();
}

void PrivateBus::emitSignal(const QString& service, const QString& path, const QString& interface,
                            const QString& name, const QString& signature,
                            const QVariantList& arguments) {
    callMock(service, path, QStringLiteral("EmitSignal"),
             {interface, name, signature, QVariant::fromValue(arguments)});
}
