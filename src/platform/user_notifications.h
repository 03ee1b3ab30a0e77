#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// System notifications with an optional link that opens when the user activates them.
class OVUserNotifications {
  public:
    virtual ~OVUserNotifications() = default;

    // Asks for permission to notify; `completion` receives whether it was granted.
    virtual void requestAuthorization(std::function<void(bool granted)> completion) = 0;
    virtual void deliver(const QString& identifier, const QString& title, const QString& body,
                         const QUrl& link) = 0;
};
