#include "keyboard/ui/all_desktops.h"

#include <QGuiApplication>
#include <QWidget>

// Xlib's macros clash with Qt's names: include it last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

void OVShowWindowOnAllDesktops(QWidget* window) {
    if (!window || !qGuiApp) {
        return;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display()) {
        return;
    }
    Display* display = x11->display();
    const auto handle = static_cast<Window>(window->winId());
    // The desktop number 0xFFFFFFFF means every desktop. The window manager reads the property
    // when the window is mapped.
    const long allDesktops = 0xFFFFFFFFL;
    XChangeProperty(display, handle, XInternAtom(display, "_NET_WM_DESKTOP", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&allDesktops), 1);
    XFlush(display);
}
