#include "platform/linux/x11_active_window.h"

#include <unistd.h>

#include <QtDebug>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// A CARDINAL or WINDOW property of one 32-bit item; 0 when it is missing.
unsigned long readLongProperty(Display* display, Window window, Atom property, Atom type) {
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 1, False, type, &actualType,
                                          &actualFormat, &count, &remaining, &data);
    unsigned long value = 0;
    if (status == Success && data && actualType == type && actualFormat == 32 && count == 1) {
        value = *reinterpret_cast<unsigned long*>(data);
    }
    if (data) {
        XFree(data);
    }
    return value;
}

}  // namespace

OVApplicationInfo OVApplicationInfoFromWindowClass(const QByteArray& instanceName,
                                                   const QByteArray& className, bool ownWindow,
                                                   const QString& ownIdentifier) {
    OVApplicationInfo application;
    const QString name = QString::fromUtf8(!className.isEmpty() ? className : instanceName);
    application.bundleIdentifier = ownWindow ? ownIdentifier : name;
    application.localizedName = name;
    return application;
}

std::unique_ptr<OVX11ActiveWindowWatch> OVX11ActiveWindowWatch::create(
    Callback callback, QString ownIdentifier, const QByteArray& displayName) {
    OVX11Display display = OVOpenX11Display(displayName);
    if (!display) {
        return nullptr;
    }
    return std::unique_ptr<OVX11ActiveWindowWatch>(new OVX11ActiveWindowWatch(
        std::move(display), std::move(callback), std::move(ownIdentifier)));
}

OVX11ActiveWindowWatch::OVX11ActiveWindowWatch(OVX11Display display, Callback callback,
                                               QString ownIdentifier)
    : _display(std::move(display)),
      _callback(std::move(callback)),
      _ownIdentifier(std::move(ownIdentifier)) {
    Display* x = _display.get();
    _activeWindowAtom = XInternAtom(x, "_NET_ACTIVE_WINDOW", False);
    _pidAtom = XInternAtom(x, "_NET_WM_PID", False);
    XSelectInput(x, DefaultRootWindow(x), PropertyChangeMask);
    XFlush(x);
    _notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(x), QSocketNotifier::Read);
    QObject::connect(_notifier.get(), &QSocketNotifier::activated, _notifier.get(),
                     [this] { processEvents(); });
}

OVX11ActiveWindowWatch::~OVX11ActiveWindowWatch() = default;

void OVX11ActiveWindowWatch::processEvents() {
    Display* x = _display.get();
    bool changed = false;
    while (XPending(x) > 0) {
        XEvent event;
        XNextEvent(x, &event);
        if (event.type == PropertyNotify && event.xproperty.atom == _activeWindowAtom) {
            changed = true;
        }
    }
    if (changed) {
        activeWindowChanged();
    }
}

void OVX11ActiveWindowWatch::activeWindowChanged() {
    Display* x = _display.get();
    const Window window =
        Window(readLongProperty(x, DefaultRootWindow(x), _activeWindowAtom, XA_WINDOW));
    if (window == 0) {
        return;  // the desktop itself: no application came forward
    }
    XClassHint hint{};
    if (!XGetClassHint(x, window, &hint)) {
        return;  // gone already, or a window without a class
    }
    const QByteArray instanceName = hint.res_name ? QByteArray(hint.res_name) : QByteArray();
    const QByteArray className = hint.res_class ? QByteArray(hint.res_class) : QByteArray();
    XFree(hint.res_name);
    XFree(hint.res_class);
    const bool ownWindow =
        readLongProperty(x, window, _pidAtom, XA_CARDINAL) == static_cast<unsigned long>(getpid());
    const OVApplicationInfo application =
        OVApplicationInfoFromWindowClass(instanceName, className, ownWindow, _ownIdentifier);
    if (_reportedOnce && application.bundleIdentifier == _lastIdentifier) {
        return;  // another window of the same application
    }
    _reportedOnce = true;
    _lastIdentifier = application.bundleIdentifier;
    if (_callback) {
        _callback(application);
    }
}
