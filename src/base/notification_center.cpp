#include "base/notification_center.h"

#include <algorithm>

OVObserverToken OVNotificationCenter::addObserver(const QString& name, const void* sender,
                                                  OVNotificationCallback callback) {
    const OVObserverToken token = _nextToken++;
    _observers.push_back(Observer{token, name, sender, std::move(callback)});
    return token;
}

void OVNotificationCenter::removeObserver(OVObserverToken token) {
    for (Observer& observer : _observers) {
        if (observer.token == token) {
            observer.removed = true;
        }
    }
    compactIfIdle();
}

void OVNotificationCenter::compactIfIdle() {
    if (_deliveryDepth > 0) {
        return;
    }
    std::erase_if(_observers, [](const Observer& observer) { return observer.removed; });
}

void OVNotificationCenter::post(const QString& name, const void* sender,
                                const QVariantMap& userInfo) {
    if (!hasObservers(name)) {
        return;
    }
    const OVNotification notification{name, sender, userInfo};
    ++_deliveryDepth;
    // Observers added during delivery wait for the next post; indices stay valid because
    // nothing is erased while a delivery is under way.
    const size_t count = _observers.size();
    for (size_t i = 0; i < count; ++i) {
        if (_observers[i].removed || _observers[i].name != name) {
            continue;
        }
        if (_observers[i].sender && _observers[i].sender != sender) {
            continue;
        }
        auto callback = _observers[i].callback;  // the vector may grow during the call
        callback(notification);
    }
    --_deliveryDepth;
    compactIfIdle();
}

bool OVNotificationCenter::hasObservers(const QString& name) const {
    return std::any_of(_observers.begin(), _observers.end(), [&](const Observer& observer) {
        return !observer.removed && observer.name == name;
    });
}
