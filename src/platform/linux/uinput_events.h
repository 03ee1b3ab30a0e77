#pragma once

#include <QPoint>
#include <QRect>
#include <optional>
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

// The pointer's absolute axes run from 0 to this on both axes, whatever the desktop's size: the
// device is made once, and a display change only changes how positions map onto the axes.
inline constexpr int OVPointerAxisMaximum = 65535;

// The events that carry out one input step, ending with SYN_REPORT. A position is spread from
// `pointerArea` (the desktop in the session's pointer space) over the axes, onto the middle of its
// pixel as the desktop maps the axes back; positions outside the area land on its edge.
std::vector<OVEvdevEvent> OVEvdevEventsForStep(const OVInputStep& step, const QRect& pointerArea);

// The kernel drops an absolute value equal to the axis's last one. A move to the position the
// pointer was last sent to would then not arrive, and a tap after the mouse moved the cursor would
// click under the mouse. Such a move is sent one unit aside on X (a 65536th of the desktop's
// width: the same pixel), or back from that unit, so that the desktop hears of it. While a button
// is held the pointer stays where it was sent: a press and its release at one point stay a click.
class OVRepeatedPositionNudge {
  public:
    // Adjusts the ABS_X of `events` (one step of the pointer) as above and follows its buttons.
    void apply(std::vector<OVEvdevEvent>& events);

  private:
    std::optional<QPoint> _lastRequested;
    QPoint _lastSent;
    unsigned _buttonsDown = 0;  // bit per BTN_LEFT + i
};

// Names of the two devices, as the desktop lists them.
inline constexpr const char* OVUInputPointerName = "Orvetta touch pointer";
inline constexpr const char* OVUInputKeyboardName = "Orvetta touch keyboard";

// The descriptions the uinput devices are made from (the caller frees them with libevdev_free).
// The pointer: ABS_X/ABS_Y from 0 to OVPointerAxisMaximum, the left, right and middle buttons and
// both wheels with their high-resolution axes, and no input properties, so that the desktop
// treats it as an absolute mouse. The keyboard: every key the translation can press.
libevdev* OVCreatePointerDescription();
libevdev* OVCreateKeyboardDescription();
