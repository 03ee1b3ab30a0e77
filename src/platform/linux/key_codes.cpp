#include "platform/linux/key_codes.h"

#include <linux/input-event-codes.h>

#include <array>

namespace {

// Virtual key code → evdev key, 0–126. 0 marks a code without a PC key (it is never KEY_RESERVED
// that a caller wants).
constexpr std::array<std::uint16_t, 127> kVirtualKeyToEvdev = {
    KEY_A,           // 0
    KEY_S,           // 1
    KEY_D,           // 2
    KEY_F,           // 3
    KEY_H,           // 4
    KEY_G,           // 5
    KEY_Z,           // 6
    KEY_X,           // 7
    KEY_C,           // 8
    KEY_V,           // 9
    KEY_102ND,       // 10 ISO section (the key left of Z on ISO keyboards)
    KEY_B,           // 11
    KEY_Q,           // 12
    KEY_W,           // 13
    KEY_E,           // 14
    KEY_R,           // 15
    KEY_Y,           // 16
    KEY_T,           // 17
    KEY_1,           // 18
    KEY_2,           // 19
    KEY_3,           // 20
    KEY_4,           // 21
    KEY_6,           // 22
    KEY_5,           // 23
    KEY_EQUAL,       // 24
    KEY_9,           // 25
    KEY_7,           // 26
    KEY_MINUS,       // 27
    KEY_8,           // 28
    KEY_0,           // 29
    KEY_RIGHTBRACE,  // 30
    KEY_O,           // 31
    KEY_U,           // 32
    KEY_LEFTBRACE,   // 33
    KEY_I,           // 34
    KEY_P,           // 35
    KEY_ENTER,       // 36 Return
    KEY_L,           // 37
    KEY_J,           // 38
    KEY_APOSTROPHE,  // 39
    KEY_K,           // 40
    KEY_SEMICOLON,   // 41
    KEY_BACKSLASH,   // 42
    KEY_COMMA,       // 43
    KEY_SLASH,       // 44
    KEY_N,           // 45
    KEY_M,           // 46
    KEY_DOT,         // 47
    KEY_TAB,         // 48
    KEY_SPACE,       // 49
    KEY_GRAVE,       // 50
    KEY_BACKSPACE,   // 51 Delete
    0,               // 52
    KEY_ESC,         // 53
    KEY_RIGHTMETA,   // 54 right Command
    KEY_LEFTMETA,    // 55 Command
    KEY_LEFTSHIFT,   // 56
    KEY_CAPSLOCK,    // 57
    KEY_LEFTALT,     // 58 Option
    KEY_LEFTCTRL,    // 59
    KEY_RIGHTSHIFT,  // 60
    KEY_RIGHTALT,    // 61 right Option
    KEY_RIGHTCTRL,   // 62
    0,               // 63 Function: handled inside the keyboard, no PC key
    KEY_F17,         // 64
    KEY_KPDOT,       // 65
    0,               // 66
    KEY_KPASTERISK,  // 67
    0,               // 68
    KEY_KPPLUS,      // 69
    0,               // 70
    KEY_NUMLOCK,     // 71 keypad Clear, where PC keyboards have Num Lock
    KEY_VOLUMEUP,    // 72
    KEY_VOLUMEDOWN,  // 73
    KEY_MUTE,        // 74
    KEY_KPSLASH,     // 75
    KEY_KPENTER,     // 76
    0,               // 77
    KEY_KPMINUS,     // 78
    KEY_F18,         // 79
    KEY_F19,         // 80
    KEY_KPEQUAL,     // 81
    KEY_KP0,         // 82
    KEY_KP1,         // 83
    KEY_KP2,         // 84
    KEY_KP3,         // 85
    KEY_KP4,         // 86
    KEY_KP5,         // 87
    KEY_KP6,         // 88
    KEY_KP7,         // 89
    KEY_F20,         // 90
    KEY_KP8,         // 91
    KEY_KP9,         // 92
    KEY_YEN,         // 93 JIS Yen
    KEY_RO,          // 94 JIS underscore
    KEY_KPJPCOMMA,   // 95 JIS keypad comma
    KEY_F5,          // 96
    KEY_F6,          // 97
    KEY_F7,          // 98
    KEY_F3,          // 99
    KEY_F8,          // 100
    KEY_F9,          // 101
    KEY_HANJA,       // 102 JIS Eisu (sent as LANG2)
    KEY_F11,         // 103
    KEY_HANGEUL,     // 104 JIS Kana (sent as LANG1)
    KEY_F13,         // 105
    KEY_F16,         // 106
    KEY_F14,         // 107
    0,               // 108
    KEY_F10,         // 109
    KEY_COMPOSE,     // 110 the PC menu (application) key
    KEY_F12,         // 111
    0,               // 112
    KEY_F15,         // 113
    KEY_INSERT,      // 114 Help, at the place of Insert
    KEY_HOME,        // 115
    KEY_PAGEUP,      // 116
    KEY_DELETE,      // 117 forward delete
    KEY_F4,          // 118
    KEY_END,         // 119
    KEY_F2,          // 120
    KEY_PAGEDOWN,    // 121
    KEY_F1,          // 122
    KEY_LEFT,        // 123
    KEY_RIGHT,       // 124
    KEY_DOWN,        // 125
    KEY_UP,          // 126
};

// System-defined media key numbers → evdev keys; 0 where there is none.
constexpr std::array<std::uint16_t, 24> kSystemKeyToEvdev = {
    KEY_VOLUMEUP,         // 0 sound up
    KEY_VOLUMEDOWN,       // 1 sound down
    KEY_BRIGHTNESSUP,     // 2
    KEY_BRIGHTNESSDOWN,   // 3
    KEY_CAPSLOCK,         // 4
    KEY_HELP,             // 5
    KEY_POWER,            // 6
    KEY_MUTE,             // 7
    KEY_UP,               // 8
    KEY_DOWN,             // 9
    KEY_NUMLOCK,          // 10
    0,                    // 11 contrast up
    0,                    // 12 contrast down
    KEY_SCALE,            // 13 launch panel: the overview of windows
    KEY_EJECTCD,          // 14
    KEY_SWITCHVIDEOMODE,  // 15 video mirror
    KEY_PLAYPAUSE,        // 16
    KEY_NEXTSONG,         // 17
    KEY_PREVIOUSSONG,     // 18
    KEY_FASTFORWARD,      // 19
    KEY_REWIND,           // 20
    KEY_KBDILLUMUP,       // 21
    KEY_KBDILLUMDOWN,     // 22
    KEY_KBDILLUMTOGGLE,   // 23
};

}  // namespace

std::uint64_t OVFlagMaskForModifier(OVModifierKey modifier) {
    switch (modifier) {
        case OVModifierKey::Shift:
            return OVEventFlagShift;
        case OVModifierKey::Control:
            return OVEventFlagControl;
        case OVModifierKey::Option:
            return OVEventFlagOption;
        case OVModifierKey::Command:
            return OVEventFlagCommand;
    }
    return 0;
}

int OVEvdevCodeForModifier(OVModifierKey modifier) {
    switch (modifier) {
        case OVModifierKey::Shift:
            return KEY_LEFTSHIFT;
        case OVModifierKey::Control:
            return KEY_LEFTCTRL;
        case OVModifierKey::Option:
            return KEY_LEFTALT;
        case OVModifierKey::Command:
            return KEY_LEFTMETA;
    }
    return KEY_RESERVED;
}

std::optional<OVModifierKey> OVModifierForEvdevCode(int code) {
    switch (code) {
        case KEY_LEFTSHIFT:
        case KEY_RIGHTSHIFT:
            return OVModifierKey::Shift;
        case KEY_LEFTCTRL:
        case KEY_RIGHTCTRL:
            return OVModifierKey::Control;
        case KEY_LEFTALT:
        case KEY_RIGHTALT:
            return OVModifierKey::Option;
        case KEY_LEFTMETA:
        case KEY_RIGHTMETA:
            return OVModifierKey::Command;
        default:
            return std::nullopt;
    }
}

int OVEvdevCodeForVirtualKey(std::uint16_t virtualKey) {
    if (virtualKey >= kVirtualKeyToEvdev.size() || kVirtualKeyToEvdev[virtualKey] == 0) {
        return -1;
    }
    return kVirtualKeyToEvdev[virtualKey];
}

int OVEvdevCodeForSystemKey(int systemKey) {
    if (systemKey < 0 || systemKey >= int(kSystemKeyToEvdev.size()) ||
        kSystemKeyToEvdev[systemKey] == 0) {
        return -1;
    }
    return kSystemKeyToEvdev[systemKey];
}

std::optional<std::uint16_t> OVVirtualKeyForEvdevCode(int code) {
    for (std::size_t virtualKey = 0; virtualKey < kVirtualKeyToEvdev.size(); ++virtualKey) {
        if (code > 0 && kVirtualKeyToEvdev[virtualKey] == code) {
            return std::uint16_t(virtualKey);
        }
    }
    return std::nullopt;
}
