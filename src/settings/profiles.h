#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <optional>

#include "base/notification_names.h"
#include "settings/preference_vocabulary.h"

inline const QString OVDefaultProfileName = QStringLiteral("Default");

// Registers every default of the preference vocabulary with the standard preferences.
void OVRegisterDefaults();

QVariantMap OVSettingsProfilesMutable();
QString OVActiveSettingsProfileName();
QStringList OVSettingsProfileNames();

QVariant OVProfileValueForKey(const QString& key);
double OVProfileDoubleForKey(const QString& key);
std::int64_t OVProfileIntegerForKey(const QString& key);
bool OVProfileBoolForKey(const QString& key);
QString OVProfileStringForKey(const QString& key);
std::int64_t OVEffectiveMouseActionForInput(const QString& input);
std::int64_t OVEffectiveModifierActionForInput(const QString& input);
bool OVEffectiveInertiaEnabledForInput(const QString& input);
QVariantMap OVSnapshotCurrentProfileSettings();

// An invalid value removes the key from the active profile.
void OVSetProfileValueForKey(const QString& key, const QVariant& value);
std::optional<QString> OVTrimmedProfileName(const QString& name);
bool OVSaveCurrentSettingsAsProfile(const QString& name);
// Selects the profile named `name` (trimmed, unless a profile has exactly that name), or Default
// when there is none; stores it and posts OVSettingsProfileDidChangeNotification even when it was
// already active.
void OVSetActiveSettingsProfile(const QString& name);
bool OVRemoveActiveSettingsProfile();
bool OVAutomaticProfileSwitchingEnabled();
void OVSetAutomaticProfileSwitchingEnabled(bool enabled);
