#pragma once

#include <QString>
#include <QVariant>
#include <optional>

#include "base/error.h"

// The preference vocabulary as tools outside the program see it: which keys exist and what each
// may hold, so that a value written from the command line reads back as the program expects.

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

// The kind of a known key: every registered default, every per-input key of the five inputs,
// and the unregistered global keys. Nothing for any other key.
std::optional<OVPreferenceValueKind> OVPreferenceValueKindForKey(const QString& key);

// `text` parsed as one JSON value ("1.5", "true", "\"auto\"") and checked against `key`: the value
// as the program stores it, or nothing with an error that says what is wrong (code 2).
std::optional<QVariant> OVPreferenceValueFromJSON(const QString& key, const QString& text,
                                                  OVError* error = nullptr);

// A stored value as JSON text: compact on one line, or indented; "null" for nothing.
QString OVJSONTextForValue(const QVariant& value, bool indented = false);
