#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "keyboard/key_descriptor.h"

// The touch keyboard's modifier and mode state. Everything starts off, and nothing of it is saved.
struct OVTouchKeyboardState {
    bool shiftOn = false;            // one-shot: the next key that posts disarms it
    bool capsOn = false;             // latched until pressed again or the layout is switched
    bool commandOn = false;          // one-shot
    bool optionOn = false;           // one-shot
    bool controlOn = false;          // one-shot
    bool symbolsOn = false;          // the symbol layout instead of the ABC layout
    bool holdMode = false;           // keys that can repeat do so while held
    bool keyboardMinimized = false;  // only the action row is shown
};

// A key font as data: a size in points (logical pixels) and a weight.
enum class OVKeyFontWeight { Regular, Medium };
struct OVKeyFont {
    double pointSize = 0.0;
    OVKeyFontWeight weight = OVKeyFontWeight::Regular;
};

// Applies shift and caps lock to a one-character text: a lower-case letter goes upper case when
// exactly one of shift and caps lock is on (they cancel each other); under shift, digits and
// punctuation become their US shifted characters. Caps lock leaves digits and punctuation alone.
QString OVKeyboardShiftedText(const QString& text, const OVTouchKeyboardState& state);

// The label a key shows now.
QString OVKeyboardDisplayTitle(const OVKeyDescriptor& key, const OVTouchKeyboardState& state);

// The text a "text" key types now. In the symbol layout caps lock has no effect.
QString OVKeyboardOutputText(const OVKeyDescriptor& key, const OVTouchKeyboardState& state);

// The icon a key shows, by the name of its file; empty when the key has none. The Command key
// shows the Super symbol where Command is not the shortcut modifier.
QString OVKeyboardIconName(const OVKeyDescriptor& key, bool keyboardMinimized,
                           std::uint64_t shortcutModifier);

// 15 points medium for keys that type text, 10.5 points regular for every other key.
OVKeyFont OVKeyboardFont(const OVKeyDescriptor& key);

// Whether a key shows as armed: a modifier, caps lock or hold mode that is on.
bool OVKeyboardKeyIsActive(const QString& action, const OVTouchKeyboardState& state);

// How a key button is dressed, given whether its icon could be loaded.
struct OVKeyDressing {
    bool showsIcon = false;
    QString title;                   // shown when there is no icon ("" with an icon)
    std::optional<QString> toolTip;  // nothing: keep the tooltip the button was made with
    bool tintWhite = false;          // white when active, else the label colour
};
OVKeyDressing OVKeyboardDressing(const OVKeyDescriptor& key, const OVTouchKeyboardState& state,
                                 bool hasIcon, bool active);

// At most `maxUnits` UTF-16 code units of `text`, cut before a surrogate pair that would otherwise
// be split in two.
QString OVTruncatedUTF16(const QString& text, qsizetype maxUnits);
