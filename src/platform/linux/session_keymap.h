#pragma once

#include <QDBusConnection>
#include <QProcessEnvironment>

#include "platform/linux/xkb_keymap.h"

// The keyboard layout of a session without X11, by its XKB names: systemd-localed's X11Layout,
// X11Variant, X11Options and X11Model on the system bus; without localed (or a layout there),
// the XKB_DEFAULT_LAYOUT, _VARIANT, _OPTIONS and _MODEL variables; without those, "us".
OVKeymapNames OVSessionKeymapNames(
    const QDBusConnection& systemBus = QDBusConnection::systemBus(),
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The session's keymap, compiled from those names ("us" when they name none); nothing when not
// even that compiles (no XKB data). Says once in the log what it uses.
std::unique_ptr<OVKeymap> OVCompileSessionKeymap(const OVKeymapNames& names);
