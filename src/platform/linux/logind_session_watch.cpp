#include "platform/linux/logind_session_watch.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QtDebug>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kActive = QStringLiteral("Active");

}  // namespace

QString OVLogindSessionWatch::defaultSessionID() {
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    return id.isEmpty() ? QStringLiteral("auto") : id;
}

OVLogindSessionWatch::OVLogindSessionWatch(QDBusConnection systemBus, const QString& sessionID,
                                           std::function<void(bool)> activeChanged)
    : _bus(std::move(systemBus)), _activeChanged(std::move(activeChanged)) {
    if (!_bus.isConnected()) {
        qInfo("Orvetta: logind cannot be reached; user switches go unnoticed");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kManagerPath, kManagerInterface,
                                                       QStringLiteral("GetSession"));
    call << sessionID;
    auto* watcher = new QDBusPendingCallWatcher(_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    qInfo("Orvetta: no login session from logind (%s); user switches go unnoticed",
                          qUtf8Printable(reply.error().message()));
                } else {
                    sessionFound(reply.value().path());
                }
                finished->deleteLater();
            });
}

OVLogindSessionWatch::~OVLogindSessionWatch() {
    if (!_path.isEmpty()) {
        _bus.disconnect(kService, _path, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
                        this, SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    }
}

void OVLogindSessionWatch::sessionFound(const QString& path) {
    if (!_bus.connect(kService, path, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
                      this, SLOT(propertiesChanged(QString, QVariantMap, QStringList)))) {
        qInfo("Orvetta: the login session cannot be watched; user switches go unnoticed");
        return;
    }
    _path = path;
    readActive();
}

void OVLogindSessionWatch::readActive() {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, _path, kPropertiesInterface,
                                                       QStringLiteral("Get"));
    call << kSessionInterface << kActive;
    auto* watcher = new QDBusPendingCallWatcher(_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                if (!reply.isError()) {
                    setActive(reply.value().variant().toBool());
                }
                finished->deleteLater();
            });
}

void OVLogindSessionWatch::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                             const QStringList& invalidated) {
    if (interface != kSessionInterface) {
        return;
    }
    if (changed.contains(kActive)) {
        setActive(changed.value(kActive).toBool());
    } else if (invalidated.contains(kActive)) {
        readActive();
    }
}

void OVLogindSessionWatch::setActive(bool active) {
    // Known for the first time: only an inactive session is news (the program runs as if active).
    const bool news = _active ? *_active != active : !active;
    _active = active;
    if (news && _activeChanged) {
        qInfo("Orvetta: the login session became %s", active ? "active" : "inactive");
        _activeChanged(active);
    }
}
