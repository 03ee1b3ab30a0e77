#pragma once

#include <QRect>
#include <vector>

#include "platform/linux/input_translation.h"

struct libevdev;

// One event for one of the two synthetic devices.
struct OVEvdevEvent {
    enum class Device { Pointer, Keyboard };
    Device device = Device::Pointer;
    unsigned type = 0;
    unsigned code = 0;
    int value = 0;
    bool operator==(const OVEvdevEvent&) const = default;
};

// The events that carry out one input step, ending with SYN_REPORT. Absolute positions count
// from the top-left corner of `pointerArea` (the desktop in device pixels) and stay inside it.
std::vector<OVEvdevEvent> OVEvdevEventsForStep(const OVInputStep& step, const QRect& pointerArea);

// Names of the two devices, as the desktop lists them.
inline constexpr const char* OVUInputPointerName = "Orvetta touch pointer";
inline constexpr const char* OVUInputKeyboardName = "Orvetta touch keyboard";

// The descriptions the uinput devices are made from (the caller frees them with libevdev_free).
// The pointer: ABS_X/ABS_Y over `pointerArea`, the left, right and middle buttons and both
// wheels with their high-resolution axes, and no input properties, so that the desktop treats it
// as an absolute mouse. The keyboard: every key the translation can press.
libevdev* OVCreatePointerDescription(const QRect& pointerArea);
libevdev* OVCreateKeyboardDescription();
