#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <optional>

#include "base/error.h"

// The preference vocabulary: every key the program stores, what each may hold and its default.
// The store registers its defaults from here and the command-line tool checks what it writes
// against the same lists, so a value written from the command line reads back as the program
// expects.

enum class OVPreferenceValueKind {
    Double,          // any finite number, stored as a double
    Boolean,         // true or false
    String,          // any string
    ProfileStore,    // an object whose members are objects (profile name -> profile values)
    StringArray,     // an array of strings
    MouseAction,     // an integer 0 to 5
    KeyboardAction,  // an integer 0 to 9
    InertiaFlag,     // true, false, 0 or 1
    KeyCode,         // an integer 0 to 65535
    ComboFlags,      // an integer made of the Shift, Control, Option and Command bits
};

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

// Keys the program reads by name.
// Press and hold with one finger for a right click (finger1 mapped to Left); off by default.
inline const QString OVLongPressRightClickKey = QStringLiteral("longPressRightClick");
inline const QString OVSettingsProfilesKey = QStringLiteral("settingsProfiles");
inline const QString OVActiveSettingsProfileKey = QStringLiteral("activeSettingsProfile");
inline const QString OVAutomaticProfileSwitchingKey = QStringLiteral("automaticProfileSwitching");

// One key of the vocabulary.
struct OVPreferenceKey {
    QString name;
    OVPreferenceValueKind kind;
    QVariant defaultValue;   // the built-in value; invalid when there is none
    bool registered = true;  // whether the store registers defaultValue as its default
};

// The keys outside the settings profiles. Those the program writes as it runs (install
// identifier, last launched version) have no default and are never registered.
const QList<OVPreferenceKey>& OVGlobalPreferenceKeys();
// The 37 keys a settings profile holds, in order: the six scalars, the six keys of each input,
// then longPressRightClick. The key-combo keys have built-in values but no registered default.
const QList<OVPreferenceKey>& OVProfilePreferenceKeys();
// The names of OVProfilePreferenceKeys().
const QStringList& OVProfileSettingKeys();
// The built-in values of the profile keys.
const QVariantMap& OVDefaultProfileSettings();
// Every registered default of both lists.
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

// The kind of a key of either list; nothing for any other key.
std::optional<OVPreferenceValueKind> OVPreferenceValueKindForKey(const QString& key);

// `text` parsed as one JSON value ("1.5", "true", "\"auto\"") and checked against `key`: the value
// as the program stores it, or nothing with an error that says what is wrong (code 2).
std::optional<QVariant> OVPreferenceValueFromJSON(const QString& key, const QString& text,
                                                  OVError* error = nullptr);

// A stored value as JSON text: compact on one line, or indented; "null" for nothing.
QString OVJSONTextForValue(const QVariant& value, bool indented = false);
