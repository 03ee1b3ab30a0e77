#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

// A key of the touch keyboard: a dictionary with exactly six entries,
//   "title"     (string)  the label, and the tooltip of a key that shows an icon
//   "text"      (string)  what the key types (letters: the lower-case letter)
//   "shiftText" (string)  what it types under shift, when that is not derived by rule
//   "action"    (string)  what the key does ("text", "shift", "backspace", ...)
//   "span"      (integer) width in key units, at least 1
//   "rowSpan"   (integer) height in rows, at least 1
using OVKeyDescriptor = QVariantMap;
// A row lists its keys from left to right; a layout lists its rows from top to bottom.
using OVKeyboardRow = QList<OVKeyDescriptor>;
using OVKeyboardLayout = QList<OVKeyboardRow>;

// The name under which a key button carries its descriptor.
inline constexpr char OVKeyboardKeyDescriptorKey[] = "OVKeyboardKeyDescriptorKey";

// The action of a key that types text.
inline constexpr QLatin1String OVKeyActionText{"text"};

// A key with no shiftText and one row tall; a span below 1 becomes 1.
OVKeyDescriptor OVKeyboardKey(const QString& title, const QString& text, const QString& action,
                              int span = 1);
// As OVKeyboardKey, `rowSpan` rows tall (at least 1).
OVKeyDescriptor OVKeyboardKeyTall(const QString& title, const QString& text, const QString& action,
                                  int span, int rowSpan);
// As OVKeyboardKey, with the text typed under shift.
OVKeyDescriptor OVKeyboardKeyShift(const QString& title, const QString& text,
                                   const QString& shiftText, const QString& action, int span = 1);

// Readers: a missing string entry reads as "", a missing action as "text", a missing or
// smaller-than-1 span as 1.
QString OVKeyTitle(const OVKeyDescriptor& key);
QString OVKeyText(const OVKeyDescriptor& key);
QString OVKeyShiftText(const OVKeyDescriptor& key);
QString OVKeyAction(const OVKeyDescriptor& key);
int OVKeySpan(const OVKeyDescriptor& key);
int OVKeyRowSpan(const OVKeyDescriptor& key);

// The action that decides what a press does: the descriptor's own action, else `identifier`
// (the button's identifier) when the descriptor has none.
QString OVKeyDispatchAction(const OVKeyDescriptor& key, const QString& identifier);
