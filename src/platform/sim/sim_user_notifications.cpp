#include "platform/sim/sim_user_notifications.h"

#include "base/scheduler.h"
#include "base/services.h"
#include "platform/workspace.h"

void OVSimUserNotifications::requestAuthorization(std::function<void(bool granted)> completion) {
    ++_authorizationRequests;
    const bool granted = _granted;
    OVMainScheduler().async([completion = std::move(completion), granted] { completion(granted); });
}

void OVSimUserNotifications::deliver(const QString& identifier, const QString& title,
                                     const QString& body, const QUrl& link) {
    _delivered.append({identifier, title, body, link});
}

bool OVSimUserNotifications::activate(const QString& identifier) {
    for (const Delivered& notification : _delivered) {
        if (notification.identifier == identifier) {
            if (notification.link.isEmpty() || !_workspace) {
                return false;
            }
            return _workspace->openURL(notification.link);
        }
    }
    return false;
}
