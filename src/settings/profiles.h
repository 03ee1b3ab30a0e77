#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <optional>

#include "base/notification_names.h"

inline const QString OVDefaultProfileName = QStringLiteral("Default");
// Press and hold with one finger for a right click (finger1 mapped to Left); off by default.
inline const QString OVLongPressRightClickKey = QStringLiteral("longPressRightClick");

// Mouse actions.
inline constexpr std::int64_t OVMouseActionNone = 0;
inline constexpr std::int64_t OVMouseActionLeft = 1;
inline constexpr std::int64_t OVMouseActionRight = 2;
inline constexpr std::int64_t OVMouseActionMiddle = 3;
inline constexpr std::int64_t OVMouseActionScroll = 4;
inline constexpr std::int64_t OVMouseActionScrollAndPinch = 5;

// Keyboard actions.
inline constexpr std::int64_t OVKeyboardActionNone = 0;
inline constexpr std::int64_t OVKeyboardActionShift = 1;
inline constexpr std::int64_t OVKeyboardActionControl = 2;
inline constexpr std::int64_t OVKeyboardActionOption = 3;
inline constexpr std::int64_t OVKeyboardActionCommand = 4;
inline constexpr std::int64_t OVKeyboardActionEsc = 5;
inline constexpr std::int64_t OVKeyboardActionMissionControl = 6;
inline constexpr std::int64_t OVKeyboardActionShowKeyboard = 7;
inline constexpr std::int64_t OVKeyboardActionKeyCombo = 8;
inline constexpr std::int64_t OVKeyboardActionScreenshot = 9;

// Registers every default of the preference vocabulary with the standard preferences.
void OVRegisterDefaults();
QVariantMap OVRegisteredDefaultValues();

// "finger1", "finger2", "finger3", "pen", "eraser".
const QStringList& OVInputNames();

QString OVMouseActionKey(const QString& input);
QString OVModifierActionKey(const QString& input);
QString OVInertiaEnabledKey(const QString& input);
QString OVKeyComboKeyCodeKey(const QString& input);
QString OVKeyComboFlagsKey(const QString& input);
QString OVKeyComboLabelKey(const QString& input);
// The input of a "...MouseAction" / "...ModifierAction" key, or nothing.
std::optional<QString> OVInputFromMouseActionKey(const QString& key);
std::optional<QString> OVInputFromModifierActionKey(const QString& key);

// The 37 keys a settings profile holds.
const QStringList& OVProfileSettingKeys();
QVariantMap OVDefaultProfileSettings();

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
