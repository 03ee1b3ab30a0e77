#include "platform/linux/linux_display_services.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtDebug>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

OVLinuxDisplayServices::OVLinuxDisplayServices() : OVLinuxDisplayServices(&qtScreens) {
    followQtScreens();
}

OVLinuxDisplayServices::OVLinuxDisplayServices(ScreenSource source) : _source(std::move(source)) {
    _displays = OVDisplayInfosForScreens(_source());
}

OVLinuxDisplayServices::~OVLinuxDisplayServices() {
    if (_cursorHidden) {
        showCursor();
    }
}

QList<OVScreenDescription> OVLinuxDisplayServices::qtScreens() {
    QList<OVScreenDescription> screens;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return screens;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        OVScreenDescription description;
        description.name = screen->name();
        description.manufacturer = screen->manufacturer();
        description.model = screen->model();
        description.serialNumber = screen->serialNumber();
        description.geometry = screen->geometry();
        description.devicePixelRatio = screen->devicePixelRatio();
        description.primary = screen == primary;
        screens.append(description);
    }
    return screens;
}

void OVLinuxDisplayServices::followQtScreens() {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application) {
        return;
    }
    QObject::connect(application, &QGuiApplication::screenAdded, &_connections,
                     [this](QScreen* screen) {
                         followScreen(screen);
                         screensChanged();
                     });
    QObject::connect(application, &QGuiApplication::screenRemoved, &_connections,
                     [this](QScreen*) { screensChanged(); });
    QObject::connect(application, &QGuiApplication::primaryScreenChanged, &_connections,
                     [this](QScreen*) { screensChanged(); });
    for (QScreen* screen : QGuiApplication::screens()) {
        followScreen(screen);
    }
}

void OVLinuxDisplayServices::followScreen(QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, &_connections,
                     [this](const QRect&) { screensChanged(); });
    QObject::connect(screen, &QScreen::physicalDotsPerInchChanged, &_connections,
                     [this](qreal) { screensChanged(); });
}

void OVLinuxDisplayServices::screensChanged() {
    const QList<OVDisplayInfo> before = _displays;
    _displays = OVDisplayInfosForScreens(_source());
    if (!_callback) {
        return;
    }
    for (const auto& [displayID, flags] : OVDisplayChanges(before, _displays)) {
        _callback(displayID, flags);
    }
}

std::uint32_t OVLinuxDisplayServices::mainDisplayID() const {
    for (const OVDisplayInfo& display : _displays) {
        if (display.isMain) {
            return display.displayID;
        }
    }
    return _displays.isEmpty() ? 0 : _displays.front().displayID;
}

void OVLinuxDisplayServices::setReconfigurationCallback(ReconfigurationCallback callback) {
    _callback = std::move(callback);
}

Display* OVLinuxDisplayServices::cursorDisplay() {
    if (!_x11Tried) {
        _x11Tried = true;
        if (OVIsX11Session()) {
            _x11 = OVOpenX11Display();
        }
        int eventBase = 0;
        int errorBase = 0;
        if (_x11 && !XFixesQueryExtension(_x11.get(), &eventBase, &errorBase)) {
            _x11.reset();
        }
        if (!_x11) {
            qInfo("Orvetta: the cursor can be hidden in X11 sessions only");
        }
    }
    return _x11.get();
}

void OVLinuxDisplayServices::hideCursor() {
    if (_cursorHidden) {
        return;  // XFixes counts hides: one is enough
    }
    if (Display* display = cursorDisplay()) {
        XFixesHideCursor(display, DefaultRootWindow(display));
        XFlush(display);
        _cursorHidden = true;
    }
}

void OVLinuxDisplayServices::showCursor() {
    if (!_cursorHidden) {
        return;
    }
    if (Display* display = cursorDisplay()) {
        XFixesShowCursor(display, DefaultRootWindow(display));
        XFlush(display);
    }
    _cursorHidden = false;
}
