#include "platform/linux/xtest_event_poster.h"

#include <QtDebug>

#include "platform/linux/desktop_settings.h"
#include "platform/linux/xtest_calls.h"

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

std::unique_ptr<OVXTestEventPoster> OVXTestEventPoster::create(OVDisplayServices& displays,
                                                               const QByteArray& displayName,
                                                               QString* why) {
    OVX11Display display = OVOpenX11Display(displayName);
    if (!display) {
        if (why) {
            *why = QStringLiteral("no X display");
        }
        return nullptr;
    }
    if (!OVX11HasXTest(display.get())) {
        if (why) {
            *why = QStringLiteral("the X server has no XTEST extension");
        }
        return nullptr;
    }
    std::unique_ptr<OVX11Keymap> keymap = OVX11Keymap::open(displayName, why);
    if (!keymap) {
        return nullptr;
    }
    // XTEST input must not be held back by another client's grab of the server.
    XTestGrabControl(display.get(), True);
    return std::unique_ptr<OVXTestEventPoster>(
        new OVXTestEventPoster(displays, std::move(display), std::move(keymap)));
}

OVXTestEventPoster::OVXTestEventPoster(OVDisplayServices& displays, OVX11Display display,
                                       std::unique_ptr<OVX11Keymap> keymap)
    : _displays(displays),
      _display(std::move(display)),
      _keymap(std::move(keymap)),
      _translator(OVWheelUnitsPerPixelSetting()),
      _typer(_display.get(), *_keymap) {
    _translator.setKeymapSource([this] { return _keymap->current(); });
}

OVXTestEventPoster::~OVXTestEventPoster() {
    perform(_translator.releaseEverything());
    _typer.restoreKeymap();
}

QPoint OVXTestEventPoster::devicePoint(QPointF at) const {
    return OVDevicePixelPoint(at, _displays.activeDisplays());
}

void OVXTestEventPoster::perform(const OVInputSteps& steps) {
    OVPerformWithXTest(_display.get(), steps);
}

void OVXTestEventPoster::postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                                        std::int64_t) {
    // The click count is the receiving application's own business on X11: it counts clicks that
    // come within the double-click interval.
    perform(_translator.mouseEvent(type, button, devicePoint(at), flags));
}

void OVXTestEventPoster::postScrollWheel(std::int32_t deltaY, std::int32_t deltaX,
                                         std::uint64_t flags) {
    perform(_translator.scrollWheel(deltaY, deltaX, flags));
}

void OVXTestEventPoster::postMagnify(double amount, std::int64_t phase, QPointF at) {
    perform(_translator.magnify(amount, phase, devicePoint(at)));
}

void OVXTestEventPoster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
    perform(_translator.key(keyCode, down, flags));
}

void OVXTestEventPoster::postText(const QString& text, std::uint64_t flags) {
    const OVX11TextTyper::Strokes typed = _typer.strokesForText(text);
    perform(_translator.keyStrokes(typed.strokes, flags));
    if (!typed.complete) {
        qWarning("Orvetta: some characters of \"%s\" could not be typed", qUtf8Printable(text));
    }
}

void OVXTestEventPoster::postSystemKey(int key, bool down) {
    perform(_translator.systemKey(key, down));
}

void OVXTestEventPoster::warpCursor(QPointF to) {
    perform(_translator.warp(devicePoint(to)));
}

void OVXTestEventPoster::openSystemApplication(const QString& name) {
    perform(_translator.systemApplication(name));
}

void OVXTestEventPoster::synchronize() {
    XSync(_display.get(), False);
}

double OVXTestEventPoster::doubleClickInterval() const {
    return OVDesktopDoubleClickInterval();
}
