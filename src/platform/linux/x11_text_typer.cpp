#include "platform/linux/x11_text_typer.h"

#include <QtDebug>
#include <QtGlobal>

#include "base/services.h"
#include "platform/linux/xtest_calls.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

constexpr unsigned long kUnicodeKeysymBase = 0x01000000;

bool isASCIILetter(unsigned long keysym) {
    return (keysym >= 'a' && keysym <= 'z') || (keysym >= 'A' && keysym <= 'Z');
}

// X's rule for a key with one keysym that is a letter: the shifted level is its capital.
unsigned long effectiveKeysym(const OVXKeymapTable& keymap, int keycode, int level) {
    const unsigned long first = keymap.keysym(keycode, 0);
    const unsigned long second = keymap.keysym(keycode, 1);
    if (level == 1 && second == NoSymbol && isASCIILetter(first)) {
        return first >= 'a' ? first - ('a' - 'A') : first;
    }
    if (level == 0 && second == NoSymbol && isASCIILetter(first)) {
        return first <= 'Z' ? first + ('a' - 'A') : first;
    }
    return keymap.keysym(keycode, level);
}

}  // namespace

unsigned long OVXKeymapTable::keysym(int keycode, int level) const {
    const int index = (keycode - minKeycode) * keysymsPerKeycode + level;
    if (keycode < minKeycode || level < 0 || level >= keysymsPerKeycode || index < 0 ||
        index >= int(keysyms.size())) {
        return NoSymbol;
    }
    return keysyms[std::size_t(index)];
}

unsigned long OVKeysymForCharacter(char32_t character) {
    switch (character) {
        case U'\n':
        case U'\r':
            return XK_Return;
        case U'\t':
            return XK_Tab;
        case U'\b':
            return XK_BackSpace;
        default:
            break;
    }
    if (character < 0x20 || (character >= 0x7F && character < 0xA0) || character > 0x10FFFF) {
        return NoSymbol;
    }
    if (character < 0x100) {
        return character;  // Latin-1 keysyms are the code points
    }
    return kUnicodeKeysymBase | character;
}

std::optional<OVKeyStroke> OVStrokeForKeysym(const OVXKeymapTable& keymap, unsigned long keysym) {
    if (keysym == NoSymbol) {
        return std::nullopt;
    }
    const int lastKeycode = keymap.minKeycode + keymap.keycodeCount() - 1;
    for (int level = 0; level < 2; ++level) {
        for (int keycode = keymap.minKeycode; keycode <= lastKeycode; ++keycode) {
            if (keycode > 8 && effectiveKeysym(keymap, keycode, level) == keysym) {
                return OVKeyStroke{keycode - 8, level == 1};
            }
        }
    }
    return std::nullopt;
}

std::vector<int> OVSpareKeycodes(const OVXKeymapTable& keymap) {
    std::vector<int> spare;
    for (int i = 0; i < keymap.keycodeCount(); ++i) {
        const int keycode = keymap.minKeycode + i;
        bool empty = true;
        for (int level = 0; level < keymap.keysymsPerKeycode && empty; ++level) {
            empty = keymap.keysym(keycode, level) == NoSymbol;
        }
        if (empty && keycode > 8) {
            spare.push_back(keycode);
        }
    }
    return spare;
}

OVX11TextTyper::OVX11TextTyper(Display* display) : _display(display) {}

OVX11TextTyper::~OVX11TextTyper() {
    restoreKeymap();
}

void OVX11TextTyper::refreshKeymap() {
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(_display, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* keysyms = XGetKeyboardMapping(_display, KeyCode(minKeycode),
                                          maxKeycode - minKeycode + 1, &perKeycode);
    _keymap = OVXKeymapTable{};
    _keymap.minKeycode = minKeycode;
    if (!keysyms) {
        return;
    }
    _keymap.keysymsPerKeycode = perKeycode;
    _keymap.keysyms.assign(keysyms, keysyms + (maxKeycode - minKeycode + 1) * perKeycode);
    XFree(keysyms);
}

std::optional<std::vector<OVKeyStroke>> OVX11TextTyper::strokesForText(const QString& text) {
    refreshKeymap();
    std::vector<OVKeyStroke> strokes;
    for (char32_t character : text.toStdU32String()) {
        const auto stroke = OVStrokeForKeysym(_keymap, OVKeysymForCharacter(character));
        if (!stroke) {
            return std::nullopt;
        }
        strokes.push_back(*stroke);
    }
    return strokes;
}

std::optional<int> OVX11TextTyper::keycodeForBorrowedKeysym(unsigned long keysym) {
    for (const Borrowed& borrowed : _borrowed) {
        if (borrowed.keysym == keysym) {
            return borrowed.keycode;
        }
    }
    const std::vector<int> spare = OVSpareKeycodes(_keymap);
    if (spare.empty() || _keymap.keysymsPerKeycode <= 0) {
        return std::nullopt;
    }
    const int keycode = spare.front();
    std::vector<KeySym> keysyms(std::size_t(_keymap.keysymsPerKeycode), KeySym(keysym));
    XChangeKeyboardMapping(_display, keycode, _keymap.keysymsPerKeycode, keysyms.data(), 1);
    XSync(_display, False);
    _borrowed.push_back({keycode, keysym});
    refreshKeymap();
    return keycode;
}

void OVX11TextTyper::tapKeycode(int keycode, bool shift, std::uint64_t flags) {
    std::vector<unsigned> modifiers;
    for (OVModifierKey modifier : OVModifierPressOrder) {
        const bool wanted = (flags & OVFlagMaskForModifier(modifier)) ||
                            (shift && modifier == OVModifierKey::Shift);
        if (wanted) {
            modifiers.push_back(OVXKeycodeForEvdevCode(OVEvdevCodeForModifier(modifier)));
        }
    }
    for (unsigned modifier : modifiers) {
        XTestFakeKeyEvent(_display, modifier, True, CurrentTime);
    }
    XTestFakeKeyEvent(_display, unsigned(keycode), True, CurrentTime);
    XTestFakeKeyEvent(_display, unsigned(keycode), False, CurrentTime);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
        XTestFakeKeyEvent(_display, *it, False, CurrentTime);
    }
}

bool OVX11TextTyper::typeWithXTest(const QString& text, std::uint64_t flags) {
    refreshKeymap();
    bool typedAll = true;
    for (char32_t character : text.toStdU32String()) {
        const unsigned long keysym = OVKeysymForCharacter(character);
        if (const auto stroke = OVStrokeForKeysym(_keymap, keysym)) {
            tapKeycode(stroke->code + 8, stroke->shift, flags);
            continue;
        }
        const auto keycode = keysym != NoSymbol ? keycodeForBorrowedKeysym(keysym) : std::nullopt;
        if (!keycode) {
            typedAll = false;
            continue;
        }
        tapKeycode(*keycode, false, flags);
    }
    XFlush(_display);
    if (!_borrowed.empty()) {
        scheduleRestore();
    }
    return typedAll;
}

void OVX11TextTyper::scheduleRestore() {
    _restoreTimer.invalidate();
    _restoreTimer = OVMainScheduler().after(kRestoreDelaySeconds, [this] { restoreKeymap(); });
}

void OVX11TextTyper::restoreKeymap() {
    _restoreTimer.invalidate();
    if (_borrowed.empty() || _keymap.keysymsPerKeycode <= 0) {
        _borrowed.clear();
        return;
    }
    std::vector<KeySym> empty(std::size_t(_keymap.keysymsPerKeycode), NoSymbol);
    for (const Borrowed& borrowed : _borrowed) {
        XChangeKeyboardMapping(_display, borrowed.keycode, _keymap.keysymsPerKeycode, empty.data(),
                               1);
    }
    XSync(_display, False);
    _borrowed.clear();
}
