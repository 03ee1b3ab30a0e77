#include "settings/profiles.h"

#include <QCollator>
#include <algorithm>

#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/services.h"

namespace {

const QVariantMap* asDictionary(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantMap
               ? static_cast<const QVariantMap*>(value.constData())
               : nullptr;
}

// The active profile as the store holds it, read without copying the profile store: the
// profile reads run for every input event.
struct StoredActiveProfile {
    QString name;     // empty while Default is active
    QVariant values;  // the named profile's stored entry (a dictionary, or anything else)
};

StoredActiveProfile storedActiveProfile(const OVPreferences& preferences) {
    const QVariant active = preferences.object(OVActiveSettingsProfileKey);
    if (active.typeId() != QMetaType::QString) {
        return {};
    }
    const QString& name = *static_cast<const QString*>(active.constData());
    if (name.isEmpty() || name == OVDefaultProfileName) {
        return {};
    }
    const QVariant profiles = preferences.object(OVSettingsProfilesKey);
    const QVariantMap* store = asDictionary(profiles);
    if (!store) {
        return {};
    }
    const auto entry = store->constFind(name);
    if (entry == store->constEnd()) {
        return {};
    }
    return {name, entry.value()};
}

void storeProfiles(const QVariantMap& profiles) {
    OVStandardPreferences().setObject(OVSettingsProfilesKey, profiles);
}

void postProfileDidChange() {
    OVDefaultCenter().post(OVSettingsProfileDidChangeNotification);
}

}  // namespace

void OVRegisterDefaults() {
    OVStandardPreferences().registerDefaults(OVRegisteredDefaultValues());
}

QVariantMap OVSettingsProfilesMutable() {
    const QVariantMap stored = OVStandardPreferences().dictionaryForKey(OVSettingsProfilesKey);
    QVariantMap profiles;
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        const QVariantMap* dictionary = asDictionary(it.value());
        profiles.insert(it.key(), dictionary ? *dictionary : QVariantMap());
    }
    if (!profiles.contains(OVDefaultProfileName)) {
        profiles.insert(OVDefaultProfileName, QVariantMap());
    }
    return profiles;
}

QString OVActiveSettingsProfileName() {
    const StoredActiveProfile active = storedActiveProfile(OVStandardPreferences());
    return active.name.isEmpty() ? OVDefaultProfileName : active.name;
}

QStringList OVSettingsProfileNames() {
    QStringList others = OVSettingsProfilesMutable().keys();
    others.removeAll(OVDefaultProfileName);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Names equal but for case keep one fixed order, so that the first match of automatic
    // switching does not depend on the sort.
    std::sort(others.begin(), others.end(), [&](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    others.prepend(OVDefaultProfileName);
    return others;
}

QVariant OVProfileValueForKey(const QString& key) {
    const OVPreferences& preferences = OVStandardPreferences();
    const StoredActiveProfile active = storedActiveProfile(preferences);
    QVariant value;
    if (active.name.isEmpty()) {
        value = preferences.object(key);
    } else if (const QVariantMap* profile = asDictionary(active.values)) {
        value = profile->value(key);
    }
    if (value.isValid()) {
        return value;
    }
    return OVDefaultProfileSettings().value(key);
}

double OVProfileDoubleForKey(const QString& key) {
    return OVProfileValueForKey(key).toDouble();
}

std::int64_t OVProfileIntegerForKey(const QString& key) {
    return OVIntegerValue(OVProfileValueForKey(key));
}

bool OVProfileBoolForKey(const QString& key) {
    return OVProfileValueForKey(key).toBool();
}

QString OVProfileStringForKey(const QString& key) {
    const QVariant value = OVProfileValueForKey(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString("");
}

std::int64_t OVEffectiveMouseActionForInput(const QString& input) {
    const std::int64_t action = OVProfileIntegerForKey(OVMouseActionKey(input));
    if (action == OVMouseActionScrollAndPinch && input != QLatin1String("finger2")) {
        return OVMouseActionScroll;
    }
    return action;
}

std::int64_t OVEffectiveModifierActionForInput(const QString& input) {
    return OVProfileIntegerForKey(OVModifierActionKey(input));
}

bool OVEffectiveInertiaEnabledForInput(const QString& input) {
    return OVProfileBoolForKey(OVInertiaEnabledKey(input));
}

QVariantMap OVSnapshotCurrentProfileSettings() {
    QVariantMap snapshot;
    for (const QString& key : OVProfileSettingKeys()) {
        const QVariant value = OVProfileValueForKey(key);
        if (value.isValid()) {
            snapshot.insert(key, value);
        }
    }
    return snapshot;
}

void OVSetProfileValueForKey(const QString& key, const QVariant& value) {
    const QString active = OVActiveSettingsProfileName();
    if (active == OVDefaultProfileName) {
        OVStandardPreferences().setObject(key, value);  // an invalid value removes the key
        return;
    }
    QVariantMap profiles = OVSettingsProfilesMutable();
    QVariantMap profile = profiles.value(active).toMap();
    if (value.isValid()) {
        profile.insert(key, value);
    } else {
        profile.remove(key);
    }
    profiles.insert(active, profile);
    storeProfiles(profiles);
}

std::optional<QString> OVTrimmedProfileName(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    return trimmed;
}

bool OVSaveCurrentSettingsAsProfile(const QString& name) {
    const std::optional<QString> trimmed = OVTrimmedProfileName(name);
    if (!trimmed || *trimmed == OVDefaultProfileName) {
        return false;
    }
    QVariantMap profiles = OVSettingsProfilesMutable();
    profiles.insert(*trimmed, OVSnapshotCurrentProfileSettings());
    storeProfiles(profiles);
    OVStandardPreferences().setObject(OVActiveSettingsProfileKey, *trimmed);
    postProfileDidChange();
    return true;
}

void OVSetActiveSettingsProfile(const QString& name) {
    const QVariantMap profiles = OVSettingsProfilesMutable();
    const std::optional<QString> trimmed = OVTrimmedProfileName(name);
    QString selected = OVDefaultProfileName;
    // A stored name with white space around it (only a hand-edited store has one) is selected
    // as it is, so that the menu and automatic switching can still reach that profile.
    if (trimmed && profiles.contains(name)) {
        selected = name;
    } else if (trimmed && profiles.contains(*trimmed)) {
        selected = *trimmed;
    }
    OVStandardPreferences().setObject(OVActiveSettingsProfileKey, selected);
    postProfileDidChange();
}

bool OVRemoveActiveSettingsProfile() {
    const QString active = OVActiveSettingsProfileName();
    if (active == OVDefaultProfileName) {
        return false;
    }
    QVariantMap profiles = OVSettingsProfilesMutable();
    profiles.remove(active);
    storeProfiles(profiles);
    OVStandardPreferences().setObject(OVActiveSettingsProfileKey, OVDefaultProfileName);
    postProfileDidChange();
    return true;
}

bool OVAutomaticProfileSwitchingEnabled() {
    return OVStandardPreferences().boolForKey(OVAutomaticProfileSwitchingKey);
}

void OVSetAutomaticProfileSwitchingEnabled(bool enabled) {
    OVStandardPreferences().setBool(OVAutomaticProfileSwitchingKey, enabled);
    postProfileDidChange();
}
