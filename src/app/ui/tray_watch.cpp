#include "app/ui/tray_watch.h"

#include <xcb/xcb.h>

#include <QGuiApplication>

#include "base/scheduler.h"
#include "base/services.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>

OVTrayWatch::OVTrayWatch(std::function<void()> trayAppeared)
    : _trayAppeared(std::move(trayAppeared)) {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 =
        application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) {
        return;
    }
    _managerAtom = XInternAtom(x11->display(), "MANAGER", False);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

OVTrayWatch::~OVTrayWatch() {
    if (_managerAtom != 0 && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

bool OVTrayWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE ||
        static_cast<const xcb_client_message_event_t*>(message)->type != _managerAtom) {
        return false;
    }
    // After Qt has seen the message too: its tray icon then finds the tray.
    OVMainScheduler().async([alive = std::weak_ptr<int>(_lifetime), this] {
        if (!alive.expired()) {
            _trayAppeared();
        }
    });
    return false;
}
