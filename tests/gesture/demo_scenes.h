#pragma once

// Recordings made from scripted touches: the bundled demo session and the replay test data.
// The touch screen has five finger slots and a pen slot in one report, with a Contact Count of
// up to ten (ten fingers arrive in two reports of five).

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <optional>
#include <vector>

#include "hid/digitizer_layout.h"
#include "hid/hid_recording.h"

inline constexpr int kDemoFingerSlots = 5;
inline constexpr int kDemoPenSlot = 5;
inline constexpr std::int32_t kDemoLogicalMaximum = 32767;

// The descriptor: Touch Screen application collection, report ID 1, five Finger collections
// (Tip Switch, Confidence, Contact Identifier, X, Y), one Stylus collection (Tip Switch,
// In Range, Invert, Eraser, Contact Identifier, X, Y) and a Contact Count of 0 to 10.
QByteArray demoTouchScreenDescriptor();

// What one report carries in one slot.
struct SlotTouch {
    enum class Tool { Finger, Pen, Eraser };
    Tool tool = Tool::Finger;
    std::uint8_t id = 0;
    QPointF at;            // display points on a 1920 x 1080 display
    bool touching = true;  // false: a pen in range above the surface
};

// The report of a layout that carries these touches: fingers in the finger slots in order, a pen
// or eraser in the pen slot. The inverse of decoding: tip switch, in range, confidence, invert
// and eraser bits, identifier, X and Y at the layout's bit offsets.
QByteArray encodeDemoReport(const OVHIDDigitizerLayout& layout,
                            const std::vector<SlotTouch>& touches);

// How a screen with fewer finger slots than fingers spreads a frame over several reports, 1 ms
// apart: every report says the frame's Contact Count, or the first does and the others say 0.
enum class FrameSpread { CountInEveryReport, CountInFirstReport };

// Scripted touches at 100 reports a second, turned into a recording.
class TouchScript {
  public:
    // The demo touch screen.
    TouchScript();
    // A touch screen with `fingerSlots` finger slots and nothing else, report ID 1.
    TouchScript(int fingerSlots, FrameSpread spread);
    // Touches that move in straight lines from `from` to `to` over `seconds`, each report
    // placing finger i at from[i] + (to[i] - from[i]) * progress; unless `stayDown`, one lift
    // report follows.
    TouchScript& fingers(double start, double seconds, const std::vector<QPointF>& from,
                         const std::vector<QPointF>& to, bool stayDown = false);
    // One finger resting for `seconds` (a tap), then lifting.
    TouchScript& tap(double start, QPointF at, double seconds = 0.06);
    // The pen or the eraser along a path given per progress (0 to 1), with a few reports of
    // hovering in range before it touches.
    TouchScript& tool(double start, double seconds, SlotTouch::Tool tool,
                      const std::function<QPointF(double)>& path);
    // A report with the given touches at `time`.
    TouchScript& report(double time, const std::vector<SlotTouch>& touches);

    OVHIDRecording recording(const QString& name) const;

  private:
    QByteArray _descriptor;
    OVHIDDigitizerLayout _layout;
    std::optional<FrameSpread> _spread;  // none: the demo screen, one report per frame
    std::vector<OVHIDRecordedEvent> _events;
};

// The bundled demo session (about 20 s): a tap, a double tap, a drag, a two-finger scroll that
// coasts, three fingers, five fingers, a pen stroke and an eraser touch.
OVHIDRecording demoSessionRecording();
// Smaller scripts for the replay tests, by file name (without extension).
std::vector<std::pair<QString, OVHIDRecording>> replayTestRecordings();
