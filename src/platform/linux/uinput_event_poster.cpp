#include "platform/linux/uinput_event_poster.h"

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <QtDebug>
#include <cerrno>
#include <cstring>

#include "platform/linux/desktop_settings.h"
#include "platform/linux/session_keymap.h"
#include "platform/linux/uinput_events.h"
#include "platform/linux/xtest_calls.h"


std::unique_ptr<OVUInputEventPoster> OVUInputEventPoster::create(OVDisplayServices& displays,
                                                                 const QByteArray& node,
                                                                 QString* why,
                                                                 OVPointerSpace space) {
    std::unique_ptr<OVUInputEventPoster> poster(new OVUInputEventPoster(displays, space));
    if (!makeDevice(node, true, poster->_pointer, why) ||
        !makeDevice(node, false, poster->_keyboard, why)) {
        return nullptr;
    }
    poster->setUpKeymap();
    return poster;
}

OVUInputEventPoster::OVUInputEventPoster(OVDisplayServices& displays, OVPointerSpace space)
    : _displays(displays), _space(space), _translator(OVWheelUnitsPerPixelSetting()) {}

// In an X11 session the X server's keymap says which key types what; elsewhere the session's
// layout, compiled here. A character the X server's map lacks is typed through XTEST on a spare
// key code.
void OVUInputEventPoster::setUpKeymap() {
    if (OVIsX11Session()) {
        _x11Keymap = OVX11Keymap::open();
        _x11 = OVOpenX11Display();
    }
    if (_x11Keymap) {
        if (OVX11HasXTest(_x11.get())) {
            _typer = std::make_unique<OVX11TextTyper>(_x11.get(), *_x11Keymap);
        }
        _translator.setKeymapSource([this] { return _x11Keymap->current(); });
        return;
    }
    _sessionKeymap = OVCompileSessionKeymap(OVSessionKeymapNames());
    _translator.setKeymapSource([this] { return _sessionKeymap.get(); });
}

OVUInputEventPoster::~OVUInputEventPoster() {
    perform(_translator.releaseEverything());
    _typer.reset();
    destroyDevice(_pointer);
    destroyDevice(_keyboard);
}

bool OVUInputEventPoster::makeDevice(const QByteArray& node, bool pointer, Device& device,
                                     QString* why) {
    const int fd = ::open(node.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (why) {
            *why = QStringLiteral("%1: %2").arg(QString::fromUtf8(node),
                                                QString::fromUtf8(strerror(errno)));
        }
        return false;
    }
    libevdev* description = pointer ? OVCreatePointerDescription() : OVCreateKeyboardDescription();
    libevdev_uinput* uinput = nullptr;
    const int result = libevdev_uinput_create_from_device(description, fd, &uinput);
    libevdev_free(description);
    if (result < 0) {
        if (why) {
            *why = QStringLiteral("%1: cannot make a device: %2")
                       .arg(QString::fromUtf8(node), QString::fromUtf8(strerror(-result)));
        }
        ::close(fd);
        return false;
    }
    device.uinput = uinput;
    device.fd = fd;
    return true;
}

void OVUInputEventPoster::destroyDevice(Device& device) {
    if (device.uinput) {
        libevdev_uinput_destroy(device.uinput);
        device.uinput = nullptr;
    }
    if (device.fd >= 0) {
        ::close(device.fd);
        device.fd = -1;
    }
}

QPoint OVUInputEventPoster::pointerPosition(QPointF at) const {
    return OVPointerPosition(at, _displays.activeDisplays(), _space);
}

void OVUInputEventPoster::perform(const OVInputSteps& steps) {
    // The desktop's size is read afresh: a display change only changes the mapping.
    const QRect pointerArea = OVPointerArea(_displays.activeDisplays(), _space);
    for (const OVInputStep& step : steps) {
        std::vector<OVEvdevEvent> events = OVEvdevEventsForStep(step, pointerArea);
        _nudge.apply(events);
        for (const OVEvdevEvent& event : events) {
            libevdev_uinput* device =
                event.device == OVEvdevEvent::Device::Pointer ? _pointer.uinput : _keyboard.uinput;
            if (!device) {
                continue;
            }
            const int result =
                libevdev_uinput_write_event(device, event.type, event.code, event.value);
            if (result < 0) {
                qWarning("Orvetta: writing synthetic input failed: %s", strerror(-result));
            }
        }
    }
}

void OVUInputEventPoster::postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                                         std::int64_t) {
    // Applications count clicks themselves from the timing of the presses.
    perform(_translator.mouseEvent(type, button, pointerPosition(at), flags));
}

void OVUInputEventPoster::postScrollWheel(std::int32_t deltaY, std::int32_t deltaX,
                                          std::uint64_t flags) {
    perform(_translator.scrollWheel(deltaY, deltaX, flags));
}

void OVUInputEventPoster::postMagnify(double amount, std::int64_t phase, QPointF at) {
    perform(_translator.magnify(amount, phase, pointerPosition(at)));
}

void OVUInputEventPoster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
    perform(_translator.key(keyCode, down, flags));
}

void OVUInputEventPoster::postText(const QString& text, std::uint64_t flags) {
    bool complete = true;
    if (_typer) {
        const OVX11TextTyper::Strokes typed = _typer->strokesForText(text);
        complete = typed.complete;
        // A borrowed key code is the X server's own: only XTEST input reaches it.
        const OVInputSteps steps = _translator.keyStrokes(typed.strokes, flags);
        if (typed.borrowed) {
            OVPerformWithXTest(_x11.get(), steps);
        } else {
            perform(steps);
        }
    } else {
        std::vector<OVKeyStroke> strokes;
        const OVKeymap* keymap = _x11Keymap ? _x11Keymap->current() : _sessionKeymap.get();
        complete = keymap && OVStrokesForText(*keymap, text, strokes);
        perform(_translator.keyStrokes(strokes, flags));
    }
    if (!complete && !_warnedAboutText) {
        _warnedAboutText = true;
        qWarning(
            "Orvetta: characters that no key of the keyboard layout types are left out (\"%s\")",
            qUtf8Printable(text));
    }
}

void OVUInputEventPoster::postSystemKey(int key, bool down) {
    perform(_translator.systemKey(key, down));
}

void OVUInputEventPoster::warpCursor(QPointF to) {
    perform(_translator.warp(pointerPosition(to)));
}

void OVUInputEventPoster::openSystemApplication(const QString& name) {
    perform(_translator.systemApplication(name));
}

double OVUInputEventPoster::doubleClickInterval() const {
    return OVDesktopDoubleClickInterval();
}
