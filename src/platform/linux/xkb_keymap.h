#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

struct xkb_keymap;

// A key and what must be held with it to type a character.
struct OVKeyStroke {
    int code = 0;  // evdev KEY_*
    bool shift = false;
    int levelKey = 0;  // the evdev key that selects the third level (AltGr); 0: not needed
    bool operator==(const OVKeyStroke&) const = default;
};

// The names an XKB keymap is made of (with the "evdev" rules).
struct OVKeymapNames {
    QString model;
    QString layout;
    QString variant;
    QString options;
    bool operator==(const OVKeymapNames&) const = default;
};

// One layout of an XKB keymap: which key types which character. Caps lock and the other locks
// are never used to reach a character, so their state does not change the answers.
class OVKeymap {
  public:
    // Compiles the keymap the names describe from the system's XKB data; nothing (and the reason
    // in `why`) when they describe none.
    static std::unique_ptr<OVKeymap> compile(const OVKeymapNames& names, QString* why = nullptr);

    // Holds a reference on `keymap`; `layout` is the active one (X11's group).
    OVKeymap(xkb_keymap* keymap, unsigned layout);
    ~OVKeymap();
    OVKeymap(const OVKeymap&) = delete;
    OVKeymap& operator=(const OVKeymap&) = delete;

    unsigned layout() const { return _layout; }

    // The key that types `character` with the least held: on its base level, else with Shift,
    // else with the third-level key (and Shift); a key of the main block before one of the
    // keypad. Nothing when no key types it.
    std::optional<OVKeyStroke> strokeForCharacter(char32_t character) const;
    // The key whose base or shifted level types `character` (a shortcut's letter); nothing when
    // only a third level or no key has it.
    std::optional<int> shortcutKeyForCharacter(char32_t character) const;
    // What a key types on its base level; 0 for none.
    char32_t characterOfKey(int code) const;
    // X key codes (evdev + 8) that type nothing in any layout.
    std::vector<int> spareKeycodes() const;

  private:
    struct Entry {
        OVKeyStroke stroke;
        int cost = 0;
    };
    void buildIndex();

    xkb_keymap* _keymap;
    unsigned _layout;
    std::unordered_map<char32_t, Entry> _strokes;
    std::unordered_map<int, char32_t> _baseCharacters;
};

// The strokes that type `text`, into `strokes`; a character without a key is left out and makes
// the answer false.
bool OVStrokesForText(const OVKeymap& keymap, const QString& text,
                      std::vector<OVKeyStroke>& strokes);

// The virtual key code a key of the X server or a Wayland compositor (by its native scan code,
// the evdev code plus 8) is recorded as: the key of the character it types on its base level
// when the vocabulary has one ("z" is 6 wherever the layout puts it), else the key at its place.
// Sending the code back through a translator with the same keymap presses the same key.
std::optional<std::uint16_t> OVVirtualKeyForScanCode(std::uint32_t scanCode,
                                                     const OVKeymap* keymap);
