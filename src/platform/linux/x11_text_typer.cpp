#include "platform/linux/x11_text_typer.h"

#include <xkbcommon/xkbcommon.h>

#include <QtGlobal>
#include <algorithm>

#include "base/services.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>

OVX11TextTyper::OVX11TextTyper(Display* display, OVX11Keymap& keymap)
    : _display(display), _keymap(keymap) {}

OVX11TextTyper::~OVX11TextTyper() {
    restoreKeymap();
}

std::optional<OVKeyStroke> OVX11TextTyper::borrowKeycode(char32_t character) {
    const KeySym keysym = xkb_utf32_to_keysym(character);
    if (keysym == NoSymbol) {
        return std::nullopt;
    }
    for (const Borrowed& borrowed : _borrowed) {
        if (borrowed.keysym == keysym) {
            return OVKeyStroke{borrowed.keycode - 8};
        }
    }
    const OVKeymap* keymap = _keymap.current();
    std::vector<int> spare = keymap ? keymap->spareKeycodes() : std::vector<int>{};
    std::erase_if(spare, [this](int keycode) {
        return std::any_of(_borrowed.begin(), _borrowed.end(), [keycode](const Borrowed& borrowed) {
            return borrowed.keycode == keycode;
        });
    });
    if (spare.empty()) {
        return std::nullopt;
    }
    const int keycode = spare.front();
    KeySym keysyms[] = {keysym};
    XChangeKeyboardMapping(_display, keycode, 1, keysyms, 1);
    XSync(_display, False);
    _keymap.invalidate();
    _borrowed.push_back({keycode, keysym});
    return OVKeyStroke{keycode - 8};
}

OVX11TextTyper::Strokes OVX11TextTyper::strokesForText(const QString& text) {
    Strokes result;
    for (char32_t character : text.toStdU32String()) {
        const OVKeymap* keymap = _keymap.current();
        std::optional<OVKeyStroke> stroke =
            keymap ? keymap->strokeForCharacter(character) : std::nullopt;
        if (!stroke) {
            stroke = borrowKeycode(character);
            result.borrowed = result.borrowed || stroke.has_value();
        }
        if (stroke) {
            result.strokes.push_back(*stroke);
        } else {
            result.complete = false;
        }
    }
    if (!_borrowed.empty()) {
        scheduleRestore();
    }
    return result;
}

void OVX11TextTyper::scheduleRestore() {
    _restoreTimer.invalidate();
    _restoreTimer = OVMainScheduler().after(kRestoreDelaySeconds, [this] { restoreKeymap(); });
}

void OVX11TextTyper::restoreKeymap() {
    _restoreTimer.invalidate();
    if (_borrowed.empty()) {
        return;
    }
    KeySym nothing[] = {NoSymbol};
    for (const Borrowed& borrowed : _borrowed) {
        XChangeKeyboardMapping(_display, borrowed.keycode, 1, nothing, 1);
    }
    XSync(_display, False);
    _keymap.invalidate();
    _borrowed.clear();
}
