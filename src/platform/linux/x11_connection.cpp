#include "platform/linux/x11_connection.h"

#include <QtDebug>
#include <QtGlobal>
#include <mutex>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

int logXError(Display* display, XErrorEvent* error) {
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    qWarning("Orvetta: X request %d.%d failed: %s", int(error->request_code),
             int(error->minor_code), text);
    return 0;
}

void installErrorLogging() {
    static std::once_flag once;
    std::call_once(once, [] { XSetErrorHandler(logXError); });
}

}  // namespace

void OVX11DisplayClose::operator()(Display* display) const {
    if (display) {
        XCloseDisplay(display);
    }
}

OVX11Display OVOpenX11Display(const QByteArray& name) {
    installErrorLogging();
    return OVX11Display(XOpenDisplay(name.isEmpty() ? nullptr : name.constData()));
}

bool OVX11HasXTest(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return display && XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
}

bool OVIsX11Session(const QByteArray& sessionType, const QByteArray& display,
                    const QByteArray& waylandDisplay) {
    if (sessionType == "x11") {
        return true;
    }
    if (sessionType == "wayland") {
        return false;
    }
    return !display.isEmpty() && waylandDisplay.isEmpty();
}

bool OVIsX11Session() {
    return OVIsX11Session(qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY"),
                          qgetenv("WAYLAND_DISPLAY"));
}
