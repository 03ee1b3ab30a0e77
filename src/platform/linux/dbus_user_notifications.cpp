#include "platform/linux/dbus_user_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QStringList>
#include <QtDebug>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

QDBusMessage notificationsCall(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

}  // namespace

OVDBusUserNotifications::OVDBusUserNotifications(QDBusConnection sessionBus, URLOpener openURL)
    : _bus(std::move(sessionBus)), _openURL(std::move(openURL)) {
    if (!_openURL) {
        _openURL = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    }
    _bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
    _bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(notificationClosed(uint, uint)));
}

OVDBusUserNotifications::~OVDBusUserNotifications() = default;

QString OVDBusUserNotifications::bodyForServer(const QString& body, bool serverReadsMarkup) {
    return serverReadsMarkup ? body.toHtmlEscaped() : body;
}

void OVDBusUserNotifications::requestAuthorization(std::function<void(bool)> completion) {
    auto* watcher =
        new QDBusPendingCallWatcher(_bus.asyncCall(notificationsCall("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, completion = std::move(completion)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QStringList> reply = *finished;
                finished->deleteLater();
                if (!reply.isError()) {
                    _serverReadsMarkup = reply.value().contains(QStringLiteral("body-markup"));
                }
                if (completion) {
                    completion(!reply.isError());
                }
            });
}

void OVDBusUserNotifications::deliver(const QString& identifier, const QString& title,
                                      const QString& body, const QUrl& link) {
    const QStringList actions = link.isValid() && !link.isEmpty()
                                    ? QStringList{kDefaultAction, QStringLiteral("Open")}
                                    : QStringList();
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("orvetta")}};
    QDBusMessage call = notificationsCall(QStringLiteral("Notify"));
    call << QStringLiteral("Orvetta") << _shownIdentifiers.value(identifier, 0u) << QString()
         << title << bodyForServer(body, _serverReadsMarkup) << actions << hints << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, identifier, link](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                finished->deleteLater();
                if (reply.isError()) {
                    qWarning("Orvetta notification delivery failed: %s",
                             qUtf8Printable(reply.error().message()));
                    return;
                }
                const uint notificationID = reply.value();
                _shownIdentifiers.insert(identifier, notificationID);
                if (link.isValid() && !link.isEmpty()) {
                    _links.insert(notificationID, link);
                } else {
                    _links.remove(notificationID);
                }
            });
}

void OVDBusUserNotifications::actionInvoked(uint notificationID, const QString& actionKey) {
    if (actionKey != kDefaultAction) {
        return;
    }
    const QUrl link = _links.value(notificationID);
    if (link.isValid() && !link.isEmpty()) {
        _openURL(link);
    }
}

void OVDBusUserNotifications::notificationClosed(uint notificationID, uint) {
    _links.remove(notificationID);
    for (auto it = _shownIdentifiers.begin(); it != _shownIdentifiers.end();) {
        it = it.value() == notificationID ? _shownIdentifiers.erase(it) : std::next(it);
    }
}
