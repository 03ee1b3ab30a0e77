#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

#include "platform/user_notifications.h"

// Desktop notifications through org.freedesktop.Notifications. A notification with a link offers
// the "default" action; activating the notification opens the link.
class OVDBusUserNotifications : public QObject, public OVUserNotifications {
    Q_OBJECT

  public:
    using URLOpener = std::function<bool(const QUrl& url)>;

    explicit OVDBusUserNotifications(QDBusConnection sessionBus, URLOpener openURL = {});
    ~OVDBusUserNotifications() override;

    // Granted when the notification server answers.
    void requestAuthorization(std::function<void(bool granted)> completion) override;
    void deliver(const QString& identifier, const QString& title, const QString& body,
                 const QUrl& link) override;

    // Notifications the server has shown and not closed.
    int shownCount() const { return int(_shownIdentifiers.size()); }

    // Plain text for a server that reads the body as markup.
    static QString bodyForServer(const QString& body, bool serverReadsMarkup);

  private slots:
    void actionInvoked(uint notificationID, const QString& actionKey);
    void notificationClosed(uint notificationID, uint reason);

  private:
    QDBusConnection _bus;
    URLOpener _openURL;
    bool _serverReadsMarkup = true;          // most servers do; their capabilities tell
    QHash<uint, QUrl> _links;                // shown notifications with a link
    QHash<QString, uint> _shownIdentifiers;  // identifier → the server's ID, to replace it
};
