#include "platform/linux/uinput_events.h"

#include <libevdev/libevdev.h>
#include <linux/input.h>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kLastKeyboardKey = KEY_MICMUTE;

OVEvdevEvent event(OVEvdevEvent::Device device, unsigned type, unsigned code, int value) {
    return OVEvdevEvent{device, type, code, value};
}

void enableAbsoluteAxis(libevdev* device, unsigned code) {
    input_absinfo info{};
    info.minimum = 0;
    info.maximum = OVPointerAxisMaximum;
    libevdev_enable_event_code(device, EV_ABS, code, &info);
}

// The desktop maps an axis value v back to v × extent / 65536: the middle of pixel `offset` is
// (offset + ½) × 65536 / extent.
int axisValue(int offset, int extent) {
    const int pixels = std::max(extent, 1);
    const std::int64_t value =
        ((2 * std::int64_t(offset) + 1) * (OVPointerAxisMaximum + 1)) / (2 * std::int64_t(pixels));
    return int(std::clamp<std::int64_t>(value, 0, OVPointerAxisMaximum));
}

}  // namespace

std::vector<OVEvdevEvent> OVEvdevEventsForStep(const OVInputStep& step, const QRect& pointerArea) {
    using Device = OVEvdevEvent::Device;
    std::vector<OVEvdevEvent> events;
    Device device = Device::Pointer;
    switch (step.kind) {
        case OVInputStep::Kind::Move: {
            const int x = std::clamp(step.position.x() - pointerArea.left(), 0,
                                     std::max(pointerArea.width() - 1, 0));
            const int y = std::clamp(step.position.y() - pointerArea.top(), 0,
                                     std::max(pointerArea.height() - 1, 0));
            events.push_back(event(device, EV_ABS, ABS_X, axisValue(x, pointerArea.width())));
            events.push_back(event(device, EV_ABS, ABS_Y, axisValue(y, pointerArea.height())));
            break;
        }
        case OVInputStep::Kind::Button:
            events.push_back(event(device, EV_KEY, unsigned(step.code), step.press ? 1 : 0));
            break;
        case OVInputStep::Kind::Key:
            device = Device::Keyboard;
            events.push_back(event(device, EV_KEY, unsigned(step.code), step.press ? 1 : 0));
            break;
        case OVInputStep::Kind::Wheel:
            if (step.verticalUnits != 0) {
                events.push_back(event(device, EV_REL, REL_WHEEL_HI_RES, step.verticalUnits));
            }
            if (step.horizontalUnits != 0) {
                events.push_back(event(device, EV_REL, REL_HWHEEL_HI_RES, step.horizontalUnits));
            }
            if (step.verticalDetents != 0) {
                events.push_back(event(device, EV_REL, REL_WHEEL, step.verticalDetents));
            }
            if (step.horizontalDetents != 0) {
                events.push_back(event(device, EV_REL, REL_HWHEEL, step.horizontalDetents));
            }
            break;
    }
    if (!events.empty()) {
        events.push_back(event(device, EV_SYN, SYN_REPORT, 0));
    }
    return events;
}

void OVRepeatedPositionNudge::apply(std::vector<OVEvdevEvent>& events) {
    OVEvdevEvent* x = nullptr;
    OVEvdevEvent* y = nullptr;
    for (OVEvdevEvent& event : events) {
        if (event.type == EV_ABS && event.code == ABS_X) {
            x = &event;
        } else if (event.type == EV_ABS && event.code == ABS_Y) {
            y = &event;
        } else if (event.type == EV_KEY && event.code >= BTN_LEFT && event.code < BTN_LEFT + 8) {
            const unsigned bit = 1u << (event.code - BTN_LEFT);
            _buttonsDown = event.value ? _buttonsDown | bit : _buttonsDown & ~bit;
        }
    }
    if (!x || !y) {
        return;
    }
    const QPoint requested(x->value, y->value);
    if (requested == _lastRequested) {
        if (_buttonsDown) {
            x->value = _lastSent.x();
        } else if (_lastSent.x() == requested.x()) {
            x->value += requested.x() < OVPointerAxisMaximum ? 1 : -1;
        }
    }
    _lastRequested = requested;
    _lastSent = QPoint(x->value, y->value);
}

libevdev* OVCreatePointerDescription() {
    libevdev* device = libevdev_new();
    libevdev_set_name(device, OVUInputPointerName);
    libevdev_set_id_bustype(device, BUS_VIRTUAL);
    enableAbsoluteAxis(device, ABS_X);
    enableAbsoluteAxis(device, ABS_Y);
    for (unsigned code : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}) {
        libevdev_enable_event_code(device, EV_KEY, code, nullptr);
    }
    for (unsigned code : {REL_WHEEL, REL_HWHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}) {
        libevdev_enable_event_code(device, EV_REL, code, nullptr);
    }
    return device;
}

libevdev* OVCreateKeyboardDescription() {
    libevdev* device = libevdev_new();
    libevdev_set_name(device, OVUInputKeyboardName);
    libevdev_set_id_bustype(device, BUS_VIRTUAL);
    for (unsigned code = KEY_ESC; code <= unsigned(kLastKeyboardKey); ++code) {
        libevdev_enable_event_code(device, EV_KEY, code, nullptr);
    }
    return device;
}
