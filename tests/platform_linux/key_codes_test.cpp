#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>

#include "platform/linux/key_codes.h"
#include "platform/linux/x11_text_typer.h"

TEST(KeyCodes, VirtualKeysKeepTheirPlaces) {
    EXPECT_EQ(OVEvdevCodeForVirtualKey(0), KEY_A);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(6), KEY_Z);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(21), KEY_4);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(22), KEY_6);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(36), KEY_ENTER);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(51), KEY_BACKSPACE);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(53), KEY_ESC);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(55), KEY_LEFTMETA);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(58), KEY_LEFTALT);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(76), KEY_KPENTER);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(96), KEY_F5);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(117), KEY_DELETE);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(122), KEY_F1);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(123), KEY_LEFT);
    EXPECT_EQ(OVEvdevCodeForVirtualKey(126), KEY_UP);
    for (std::uint16_t none : {52, 63, 66, 68, 70, 77, 108, 112, 127, 0xFFFF}) {
        EXPECT_EQ(OVEvdevCodeForVirtualKey(none), -1) << none;
    }
    // One table, no key twice: a doubled entry is a code copied into the wrong row.
    std::set<int> seen;
    int mapped = 0;
    for (std::uint16_t code = 0; code <= 126; ++code) {
        const int evdev = OVEvdevCodeForVirtualKey(code);
        if (evdev >= 0) {
            ++mapped;
            EXPECT_TRUE(seen.insert(evdev).second) << "virtual key " << code;
        }
    }
    EXPECT_EQ(mapped, 127 - 8);
}

TEST(KeyCodes, ModifiersAndSystemKeys) {
    EXPECT_EQ(OVEvdevCodeForModifier(OVModifierKey::Command), KEY_LEFTMETA);
    EXPECT_EQ(OVModifierForEvdevCode(KEY_RIGHTALT), OVModifierKey::Option);
    EXPECT_EQ(OVModifierForEvdevCode(KEY_RIGHTCTRL), OVModifierKey::Control);
    EXPECT_FALSE(OVModifierForEvdevCode(KEY_CAPSLOCK).has_value());
    EXPECT_EQ(OVFlagMaskForModifier(OVModifierKey::Option), 0x80000u);

    EXPECT_EQ(OVEvdevCodeForSystemKey(0), KEY_VOLUMEUP);
    EXPECT_EQ(OVEvdevCodeForSystemKey(1), KEY_VOLUMEDOWN);
    EXPECT_EQ(OVEvdevCodeForSystemKey(7), KEY_MUTE);
    EXPECT_EQ(OVEvdevCodeForSystemKey(16), KEY_PLAYPAUSE);
    EXPECT_EQ(OVEvdevCodeForSystemKey(12), -1);
    EXPECT_EQ(OVEvdevCodeForSystemKey(-1), -1);
    EXPECT_EQ(OVEvdevCodeForSystemKey(24), -1);
}

TEST(KeyCodes, USLayoutCharacters) {
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        EXPECT_TRUE(OVUSLayoutStrokeForCharacter(c).has_value()) << char(c);
    }
    EXPECT_EQ(OVUSLayoutStrokeForCharacter(U'q'), (OVKeyStroke{KEY_Q, false}));
    EXPECT_EQ(OVUSLayoutStrokeForCharacter(U'Q'), (OVKeyStroke{KEY_Q, true}));
    EXPECT_EQ(OVUSLayoutStrokeForCharacter(U'0'), (OVKeyStroke{KEY_0, false}));
    EXPECT_EQ(OVUSLayoutStrokeForCharacter(U')'), (OVKeyStroke{KEY_0, true}));
    EXPECT_EQ(OVUSLayoutStrokeForCharacter(U'"'), (OVKeyStroke{KEY_APOSTROPHE, true}));
    EXPECT_EQ(OVUSLayoutStrokeForCharacter(U'\n'), (OVKeyStroke{KEY_ENTER, false}));
    EXPECT_FALSE(OVUSLayoutStrokeForCharacter(U'é').has_value());
    EXPECT_FALSE(OVUSLayoutStrokeForCharacter(U'€').has_value());
}

TEST(XKeymap, KeysymsStrokesAndSpareKeycodes) {
    EXPECT_EQ(OVKeysymForCharacter(U'a'), 0x61u);
    EXPECT_EQ(OVKeysymForCharacter(U'é'), 0xE9u);
    EXPECT_EQ(OVKeysymForCharacter(U'€'), 0x010020ACu);
    EXPECT_EQ(OVKeysymForCharacter(U'😀'), 0x0101F600u);
    EXPECT_EQ(OVKeysymForCharacter(U'\n'), 0xFF0Du);  // Return
    EXPECT_EQ(OVKeysymForCharacter(U'\t'), 0xFF09u);  // Tab
    EXPECT_EQ(OVKeysymForCharacter(U'\x01'), 0u);
    EXPECT_EQ(OVKeysymForCharacter(U'\x85'), 0u);

    // Key codes 9–13: Escape; 1 and !; a and A; b alone (its capital implied); nothing.
    OVXKeymapTable keymap;
    keymap.minKeycode = 9;
    keymap.keysymsPerKeycode = 2;
    keymap.keysyms = {0xFF1B, 0, '1', '!', 'a', 'A', 'b', 0, 0, 0};
    EXPECT_EQ(OVStrokeForKeysym(keymap, '1'), (OVKeyStroke{10 - 8, false}));
    EXPECT_EQ(OVStrokeForKeysym(keymap, '!'), (OVKeyStroke{10 - 8, true}));
    EXPECT_EQ(OVStrokeForKeysym(keymap, 'A'), (OVKeyStroke{11 - 8, true}));
    EXPECT_EQ(OVStrokeForKeysym(keymap, 'b'), (OVKeyStroke{12 - 8, false}));
    EXPECT_EQ(OVStrokeForKeysym(keymap, 'B'), (OVKeyStroke{12 - 8, true}));
    EXPECT_FALSE(OVStrokeForKeysym(keymap, 0xE9).has_value());
    EXPECT_FALSE(OVStrokeForKeysym(keymap, 0).has_value());
    EXPECT_EQ(OVSpareKeycodes(keymap), (std::vector<int>{13}));
}
