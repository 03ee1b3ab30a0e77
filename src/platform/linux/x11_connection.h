#pragma once

#include <QByteArray>
#include <memory>

typedef struct _XDisplay Display;

// An Xlib connection of its own (Qt's connection is not shared), closed with the object.
struct OVX11DisplayClose {
    void operator()(Display* display) const;
};
using OVX11Display = std::unique_ptr<Display, OVX11DisplayClose>;

// Opens the display named by DISPLAY (or `name`); nullptr when there is none. X errors on
// connections opened here are logged rather than ending the process.
OVX11Display OVOpenX11Display(const QByteArray& name = QByteArray());

// Whether the server offers XTEST (synthetic input).
bool OVX11HasXTest(Display* display);

// Whether the desktop session is an X11 one, from the session's environment: XDG_SESSION_TYPE
// when it says "x11" or "wayland", else a DISPLAY without a WAYLAND_DISPLAY.
bool OVIsX11Session(const QByteArray& sessionType, const QByteArray& display,
                    const QByteArray& waylandDisplay);
bool OVIsX11Session();
