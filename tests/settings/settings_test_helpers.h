#pragma once

#include <QString>
#include <QVariant>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "settings/profiles.h"

// Fresh services with the registered defaults, and a count of profile change notifications.
class SettingsFixtureState {
  public:
    SettingsFixtureState() : _observers(OVDefaultCenter()) {
        OVRegisterDefaults();
        _observers.add(OVSettingsProfileDidChangeNotification, nullptr,
                       [this](const OVNotification&) { ++_posts; });
    }

    int posts() const { return _posts; }
    OVPreferences& preferences() const { return OVStandardPreferences(); }
    QVariantMap storedProfile(const QString& name) const {
        return preferences().dictionaryForKey(OVSettingsProfilesKey).value(name).toMap();
    }

  private:
    OVServicesGuard _services;
    OVScopedObservers _observers;
    int _posts = 0;
};
