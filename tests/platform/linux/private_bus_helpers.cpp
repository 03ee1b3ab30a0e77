#include "platform/linux/private_bus_helpers.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QTest>
#include <QUuid>

namespace {

constexpr int kStartMilliseconds = 10000;
const QString kPython = QStringLiteral("/usr/bin/python3");  // the one with dbusmock

}  // namespace

bool PrivateBus::available() {
    return QFile::exists("/usr/bin/dbus-daemon") &&
           QProcess::execute(kPython, {"-c", "import dbusmock"}) == 0;
}

PrivateBus::PrivateBus() : _connectionName("orvetta-test-" + QUuid::createUuid().toString()) {
    _daemon.start("/usr/bin/dbus-daemon",
                  {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    // The daemon prints its address once it listens.
    while (_daemon.waitForStarted(kStartMilliseconds) && !_daemon.canReadLine() &&
           _daemon.waitForReadyRead(kStartMilliseconds)) {
    }
    _address = QString::fromUtf8(_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : {QString(), QStringLiteral("system"), QStringLiteral("session")}) {
        QDBusConnection::disconnectFromBus(_connectionName + name);
    }
    for (auto& mock : _mocks) {
        mock->terminate();
        mock->waitForFinished(kStartMilliseconds);
    }
    _daemon.terminate();
    _daemon.waitForFinished(kStartMilliseconds);
}

QDBusConnection PrivateBus::connection(const QString& name) const {
    return QDBusConnection::connectToBus(_address, _connectionName + name);
}

bool PrivateBus::startTemplate(const QString& name, const QString& busName, bool systemTemplate) {
    auto mock = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(systemTemplate ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS",
                       _address);
    mock->setProcessEnvironment(environment);
    mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock->start(kPython,
                {"-m", "dbusmock", systemTemplate ? "--system" : "--session", "--template", name});
    _mocks.push_back(std::move(mock));
    return QTest::qWaitFor(
        [&] { return connection().interface()->isServiceRegistered(busName).value(); },
        kStartMilliseconds);
}

QVariantList PrivateBus::callMock(const QString& service, const QString& path,
                                  const QString& method, const QVariantList& arguments) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Mock", method);
    call.setArguments(arguments);
    return connection().call(call).arguments();
}
