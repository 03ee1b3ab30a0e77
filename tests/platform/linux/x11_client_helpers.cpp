#include "platform/linux/x11_client_helpers.h"

#include "platform/linux/x11_connection.h"

#include <stdexcept>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

bool X11TestClient::available() {
    return !qgetenv("DISPLAY").isEmpty();
}

bool X11TestClient::required() {
    return qEnvironmentVariableIsSet("ORVETTA_LINUX_TESTBEDS");
}

X11TestClient::X11TestClient() : _display(OVOpenX11Display().release()) {
    if (!_display) {
        throw std::runtime_error("no X display");
    }
    const int screen = DefaultScreen(_display);
    XSetWindowAttributes attributes{};
    attributes.event_mask =
        ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask;
    attributes.override_redirect = True;
    _window = XCreateWindow(
        _display, RootWindow(_display, screen), 0, 0, unsigned(DisplayWidth(_display, screen)),
        unsigned(DisplayHeight(_display, screen)), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWEventMask | CWOverrideRedirect, &attributes);
    XMapRaised(_display, _window);
    XEvent event;
    do {
        XNextEvent(_display, &event);
    } while (event.type != MapNotify);
    XSetInputFocus(_display, _window, RevertToParent, CurrentTime);
    XSync(_display, True);  // forget everything before the test
}

X11TestClient::~X11TestClient() {
    XDestroyWindow(_display, _window);
    XCloseDisplay(_display);
}

std::vector<X11TestClient::Event> X11TestClient::takeEvents() {
    XSync(_display, False);
    std::vector<Event> events;
    while (XPending(_display) > 0) {
        XEvent xevent;
        XNextEvent(_display, &xevent);
        Event event{};
        switch (xevent.type) {
            case MappingNotify:
                XRefreshKeyboardMapping(&xevent.xmapping);
                continue;
            case ButtonPress:
            case ButtonRelease:
                event.kind =
                    xevent.type == ButtonPress ? Event::Kind::ButtonDown : Event::Kind::ButtonUp;
                event.x = xevent.xbutton.x_root;
                event.y = xevent.xbutton.y_root;
                event.detail = xevent.xbutton.button;
                event.state = xevent.xbutton.state;
                break;
            case KeyPress:
            case KeyRelease: {
                event.kind = xevent.type == KeyPress ? Event::Kind::KeyDown : Event::Kind::KeyUp;
                event.detail = xevent.xkey.keycode;
                event.state = xevent.xkey.state;
                char text[16] = {};
                KeySym keysym = 0;
                const int length = XLookupString(&xevent.xkey, text, sizeof text, &keysym, nullptr);
                event.keysym = keysym;
                event.text = QString::fromLatin1(text, length);
                break;
            }
            default:
                continue;
        }
        events.push_back(event);
    }
    return events;
}

unsigned long X11TestClient::keysymOf(unsigned keycode) {
    int perKeycode = 0;
    KeySym* keysyms = XGetKeyboardMapping(_display, KeyCode(keycode), 1, &perKeycode);
    const unsigned long keysym = keysyms && perKeycode > 0 ? keysyms[0] : NoSymbol;
    XFree(keysyms);
    return keysym;
}

unsigned long X11TestClient::makeClassWindow(const QByteArray& instance,
                                             const QByteArray& className, long pid) {
    const Window window =
        XCreateSimpleWindow(_display, DefaultRootWindow(_display), 0, 0, 10, 10, 0, 0, 0);
    XClassHint hint{};
    QByteArray instanceCopy = instance;
    QByteArray classCopy = className;
    hint.res_name = instanceCopy.data();
    hint.res_class = classCopy.data();
    XSetClassHint(_display, window, &hint);
    const Atom pidAtom = XInternAtom(_display, "_NET_WM_PID", False);
    XChangeProperty(_display, window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XSync(_display, False);
    return window;
}

void X11TestClient::setActiveWindow(unsigned long window) {
    const Atom active = XInternAtom(_display, "_NET_ACTIVE_WINDOW", False);
    Window value = window;
    XChangeProperty(_display, DefaultRootWindow(_display), active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
    XSync(_display, False);
}
