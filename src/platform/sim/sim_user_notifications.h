#pragma once

#include <QList>
#include <QUrl>

#include "platform/user_notifications.h"

class OVWorkspace;

// Notifications that are recorded instead of shown. Authorisation answers on the main loop
// (OVMainScheduler().async), as a real notification service answers later.
class OVSimUserNotifications : public OVUserNotifications {
  public:
    struct Delivered {
        QString identifier;
        QString title;
        QString body;
        QUrl link;
    };

    // `workspace` opens the link of an activated notification; it may be nullptr.
    explicit OVSimUserNotifications(OVWorkspace* workspace = nullptr) : _workspace(workspace) {}

    void requestAuthorization(std::function<void(bool granted)> completion) override;
    void deliver(const QString& identifier, const QString& title, const QString& body,
                 const QUrl& link) override;

    void setAuthorizationGranted(bool granted) { _granted = granted; }
    int authorizationRequests() const { return _authorizationRequests; }
    const QList<Delivered>& delivered() const { return _delivered; }
    // The user clicks the notification: its link, if it has one, opens. Returns whether a link
    // was opened.
    bool activate(const QString& identifier);

  private:
    OVWorkspace* _workspace;
    bool _granted = true;
    int _authorizationRequests = 0;
    QList<Delivered> _delivered;
};
