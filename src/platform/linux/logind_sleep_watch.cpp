#include "platform/linux/logind_sleep_watch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QtDebug>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

OVLogindSleepWatch::OVLogindSleepWatch(QDBusConnection systemBus, std::function<void()> willSleep,
                                       std::function<void()> didWake)
    : _bus(std::move(systemBus)), _willSleep(std::move(willSleep)), _didWake(std::move(didWake)) {
    _watching = _bus.isConnected() &&
                _bus.connect(kService, kPath, kInterface, QStringLiteral("PrepareForSleep"), this,
                             SLOT(prepareForSleep(bool)));
    if (!_watching) {
        qWarning("Orvetta: logind cannot be reached; sleep and wake go unnoticed");
        return;
    }
    takeInhibitor();
}

OVLogindSleepWatch::~OVLogindSleepWatch() {
    if (_watching) {
        _bus.disconnect(kService, kPath, kInterface, QStringLiteral("PrepareForSleep"), this,
                        SLOT(prepareForSleep(bool)));
    }
}

void OVLogindSleepWatch::takeInhibitor() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Orvetta")
         << QStringLiteral("Stopping touch input") << QStringLiteral("delay");
    auto* watcher = new QDBusPendingCallWatcher(_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
                if (reply.isError()) {
                    qInfo("Orvetta: no sleep delay from logind: %s",
                          qUtf8Printable(reply.error().message()));
                } else {
                    _inhibitor = reply.value();
                }
                finished->deleteLater();
            });
}

void OVLogindSleepWatch::prepareForSleep(bool start) {
    if (start) {
        if (_willSleep) {
            _willSleep();
        }
        _inhibitor = QDBusUnixFileDescriptor();  // closing it lets the system go to sleep
    } else {
        if (_didWake) {
            _didWake();
        }
        if (!_inhibitor.isValid()) {
            takeInhibitor();
        }
    }
}
