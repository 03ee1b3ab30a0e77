#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "base/scheduler.h"
#include "platform/linux/x11_keymap.h"

typedef struct _XDisplay Display;

// Finds the keys that type text on an X server, with the server's keymap in its active group; a
// character no key types is given a spare key code for a moment (restored after
// kRestoreDelaySeconds, so that clients have read the changed map before it changes back).
class OVX11TextTyper {
  public:
    static constexpr double kRestoreDelaySeconds = 0.25;

    OVX11TextTyper(Display* display, OVX11Keymap& keymap);
    ~OVX11TextTyper();
    OVX11TextTyper(const OVX11TextTyper&) = delete;
    OVX11TextTyper& operator=(const OVX11TextTyper&) = delete;

    struct Strokes {
        std::vector<OVKeyStroke> strokes;
        bool complete = true;   // false: a character had no keysym or no spare key code was left
        bool borrowed = false;  // a spare key code types one of them
    };
    Strokes strokesForText(const QString& text);
    // Puts every borrowed key code back at once.
    void restoreKeymap();
    bool hasBorrowedKeycodes() const { return !_borrowed.empty(); }

  private:
    struct Borrowed {
        int keycode;
        unsigned long keysym;
    };

    std::optional<OVKeyStroke> borrowKeycode(char32_t character);
    void scheduleRestore();

    Display* _display;
    OVX11Keymap& _keymap;
    std::vector<Borrowed> _borrowed;
    OVTimer _restoreTimer;
};
