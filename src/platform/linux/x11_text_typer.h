#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/scheduler.h"
#include "platform/linux/key_codes.h"

typedef struct _XDisplay Display;

// The X server's core key map: for each key code from `minKeycode`, `keysymsPerKeycode` keysyms.
struct OVXKeymapTable {
    int minKeycode = 8;
    int keysymsPerKeycode = 0;
    std::vector<unsigned long> keysyms;

    int keycodeCount() const {
        return keysymsPerKeycode > 0 ? int(keysyms.size()) / keysymsPerKeycode : 0;
    }
    unsigned long keysym(int keycode, int level) const;
};

// The keysym that types a character: Latin-1 keysyms for Latin-1, Unicode keysyms above; Return,
// Tab and BackSpace for their control characters; 0 for other control characters.
unsigned long OVKeysymForCharacter(char32_t character);
// The key (as an evdev code: X key code − 8) that types a keysym on the first or the shifted
// level of the key map, the first such key in key code order; nothing when there is none.
std::optional<OVKeyStroke> OVStrokeForKeysym(const OVXKeymapTable& keymap, unsigned long keysym);
// Key codes that carry no keysym at all, free to be given one for a moment.
std::vector<int> OVSpareKeycodes(const OVXKeymapTable& keymap);

// Types text on an X server: characters the key map has become key strokes; characters it lacks
// are typed by giving a spare key code their keysym for a moment (restored after
// kRestoreDelaySeconds, so that clients have read the changed map before it changes back).
class OVX11TextTyper {
  public:
    static constexpr double kRestoreDelaySeconds = 0.25;

    explicit OVX11TextTyper(Display* display);
    ~OVX11TextTyper();
    OVX11TextTyper(const OVX11TextTyper&) = delete;
    OVX11TextTyper& operator=(const OVX11TextTyper&) = delete;

    // The strokes that type `text` with the current key map; nothing when a character has no key.
    std::optional<std::vector<OVKeyStroke>> strokesForText(const QString& text);
    // Types `text` through XTEST, with the modifiers of `flags` held around each character;
    // characters without a key get a spare key code. Returns false when a character could not be
    // typed (no keysym, no spare key code).
    bool typeWithXTest(const QString& text, std::uint64_t flags);
    // Puts every borrowed key code back at once.
    void restoreKeymap();
    bool hasBorrowedKeycodes() const { return !_borrowed.empty(); }

  private:
    struct Borrowed {
        int keycode;
        unsigned long keysym;
    };

    void refreshKeymap();
    std::optional<int> keycodeForBorrowedKeysym(unsigned long keysym);
    void tapKeycode(int keycode, bool shift, std::uint64_t flags);
    void scheduleRestore();

    Display* _display;
    OVXKeymapTable _keymap;
    std::vector<Borrowed> _borrowed;
    OVTimer _restoreTimer;
};
