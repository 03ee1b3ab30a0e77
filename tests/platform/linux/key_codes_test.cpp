#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>

#include "platform/linux/key_codes.h"
#include "platform/linux/session_keymap.h"
#include "platform/linux/xkb_keymap.h"

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

// Keymaps compiled from the system's XKB data (xkb-data), as a session without X11 has them.
TEST(Keymaps, CharactersOfTheUSGermanAndFrenchLayouts) {
    QString why;
    const auto us = OVKeymap::compile({{}, "us", {}, {}});
    const auto de = OVKeymap::compile({{}, "de", {}, {}});
    const auto fr = OVKeymap::compile({{}, "fr", {}, {}}, &why);
    ASSERT_TRUE(us && de && fr) << why.toStdString();

    // z and y trade places in German; a and q, z and w in French.
    EXPECT_EQ(us->strokeForCharacter(U'z'), (OVKeyStroke{KEY_Z}));
    EXPECT_EQ(de->strokeForCharacter(U'z'), (OVKeyStroke{KEY_Y}));
    EXPECT_EQ(de->strokeForCharacter(U'y'), (OVKeyStroke{KEY_Z}));
    EXPECT_EQ(fr->strokeForCharacter(U'a'), (OVKeyStroke{KEY_Q}));
    EXPECT_EQ(fr->strokeForCharacter(U'q'), (OVKeyStroke{KEY_A}));
    EXPECT_EQ(fr->strokeForCharacter(U'Z'), (OVKeyStroke{KEY_W, true}));
    // @ is a shifted 2, AltGr+Q and AltGr+à.
    EXPECT_EQ(us->strokeForCharacter(U'@'), (OVKeyStroke{KEY_2, true}));
    EXPECT_EQ(de->strokeForCharacter(U'@'), (OVKeyStroke{KEY_Q, false, KEY_RIGHTALT}));
    EXPECT_EQ(fr->strokeForCharacter(U'@'), (OVKeyStroke{KEY_0, false, KEY_RIGHTALT}));
    // é has a key of its own in French only; French digits are shifted.
    EXPECT_EQ(fr->strokeForCharacter(U'é'), (OVKeyStroke{KEY_2}));
    EXPECT_FALSE(us->strokeForCharacter(U'é').has_value());
    EXPECT_FALSE(de->strokeForCharacter(U'é').has_value());
    EXPECT_EQ(fr->strokeForCharacter(U'1'), (OVKeyStroke{KEY_1, true}));
    EXPECT_EQ(us->strokeForCharacter(U'/'), (OVKeyStroke{KEY_SLASH}));  // not the keypad's
    EXPECT_EQ(de->strokeForCharacter(U'/'), (OVKeyStroke{KEY_7, true}));
    EXPECT_EQ(us->strokeForCharacter(U'\n'), (OVKeyStroke{KEY_ENTER}));

    // A shortcut's letter is on a base or shifted level, never behind AltGr.
    EXPECT_EQ(fr->shortcutKeyForCharacter(U'z'), KEY_W);
    EXPECT_FALSE(de->shortcutKeyForCharacter(U'@').has_value());

    // The recorder names a key by the character it types, else by its place.
    EXPECT_EQ(OVVirtualKeyForScanCode(KEY_Y + 8, de.get()), 6);   // types z
    EXPECT_EQ(OVVirtualKeyForScanCode(KEY_1 + 8, fr.get()), 18);  // types &
    EXPECT_EQ(OVVirtualKeyForScanCode(KEY_F5 + 8, nullptr), 96);
    EXPECT_FALSE(OVVirtualKeyForScanCode(3, us.get()).has_value());

    EXPECT_FALSE(OVKeymap::compile({{}, "no-such-layout", {}, {}}, &why));
    EXPECT_TRUE(why.contains("no-such-layout")) << why.toStdString();
}

TEST(Keymaps, TheSessionsLayoutComesFromLocaledElseTheEnvironmentElseUS) {
    QProcessEnvironment environment;
    const QDBusConnection noBus = QDBusConnection(QStringLiteral("none"));
    EXPECT_EQ(OVSessionKeymapNames(noBus, environment).layout, QStringLiteral("us"));
    environment.insert("XKB_DEFAULT_LAYOUT", "de");
    environment.insert("XKB_DEFAULT_VARIANT", "nodeadkeys");
    EXPECT_EQ(OVSessionKeymapNames(noBus, environment),
              (OVKeymapNames{{}, "de", "nodeadkeys", {}}));
}
