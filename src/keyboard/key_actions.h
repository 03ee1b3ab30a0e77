#pragma once

#include <QLatin1String>
#include <QString>
#include <cstdint>

#include "keyboard/key_presentation.h"

// What a key of the touch keyboard does, by the "action" of its descriptor.
enum class OVKeyActionKind {
    Text,          // types the key's output text
    Modifier,      // toggles the state flag it shows (shift, caps lock, the three modifiers)
    HoldToggle,    // toggles hold mode
    Hide,          // hides the keyboard
    Position,      // moves the keyboard to its next place
    KeyboardSize,  // toggles the minimized keyboard
    Symbols,       // switches between the ABC and the symbol layout
    Key,           // posts a key press by virtual key code
    SystemKey,     // posts a media key
    Overview,      // opens the desktop's overview of windows
};

// The modifiers a key press carries.
enum class OVKeyFlagPolicy {
    None,           // none (escape ignores the armed modifiers)
    Armed,          // the armed one-shot modifiers
    Shortcut,       // the desktop's shortcut modifier (cut, copy, paste, undo)
    ShortcutShift,  // the shortcut modifier and Shift (redo)
    EmojiChooser,   // the desktop's emoji chooser shortcut
};

// One row of the keyboard's action table.
struct OVKeyboardAction {
    QLatin1String name;
    OVKeyActionKind kind;
    std::uint16_t code;  // Key: the virtual key code; SystemKey: the media key
    OVKeyFlagPolicy flags;
    QLatin1String icon;                     // the icon's file name; empty: the key shows its title
    bool holdable;                          // repeats while held in hold mode
    bool OVTouchKeyboardState::*highlight;  // the state the key shows as armed, or none
};

// The row of an action; nothing for an unknown one.
const OVKeyboardAction* OVKeyboardActionNamed(const QString& name);

// A key press to post: a virtual key code with its modifier flags.
struct OVKeyChord {
    std::uint16_t keyCode = 0;
    std::uint64_t flags = 0;
    bool operator==(const OVKeyChord&) const = default;
};

// The chord a Key action posts, given the armed modifiers and the platform's shortcut modifier
// (Control on Linux, Command elsewhere). The emoji chooser answers Control+Command+Space where
// Command is the shortcut modifier, and the shortcut modifier with "." elsewhere (GTK, IBus).
OVKeyChord OVKeyboardChordFor(const OVKeyboardAction& action, std::uint64_t armedFlags,
                              std::uint64_t shortcutModifier);
