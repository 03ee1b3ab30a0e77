#pragma once

#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/sim/sim_event_poster.h"

// What a replay did, one gesture at a time: a gesture is one touch, from the first contact to the
// report in which every contact has lifted, together with the synthetic input posted from its
// first contact until the next touch or until the engine has settled (a coasting scroll
// included).

// How the gesture engine reads a contact: pen and eraser by themselves, anything else as a finger.
enum class OVReplayTool { Finger, Pen, Eraser };

// One contact of a report, at its display point.
struct OVReplayContact {
    OVReplayTool tool = OVReplayTool::Finger;
    std::uint32_t id = 0;
    QPointF at;
};

// The path of one contact during a touch.
struct OVReplayTrace {
    OVReplayTool tool = OVReplayTool::Finger;
    std::uint32_t id = 0;
    std::vector<QPointF> points;
};

// One thing the synthetic input did.
struct OVReplayAction {
    enum class Kind {
        Click,      // a press and a release without moving: `points` holds the press
        Drag,       // a press, moves and a release: `points` from the press to the release
        Held,       // a press not released when the replay ended: `points` as for a drag
        Scroll,     // scroll wheel: `scrolled` while touching, `coasted` after the lift
        Pinch,      // magnification: `zoom`, the fingers at its start and end
        Keys,       // a key combo: `label` ("Ctrl+C", "Esc")
        Text,       // text typed: `label`
        SystemKey,  // a media key: `label` holds its number
        Open,       // a system tool opened: `label` ("missionControl", "screenshot")
        Cursor,     // only the cursor moved: `points` holds where it went
    };
    Kind kind = Kind::Click;
    int button = 0;               // Click, Drag, Held: 0 left, 1 right, 2 middle
    std::int64_t clickCount = 1;  // left Click: 2 is a double click
    std::vector<QPointF> points;
    QPointF at;        // where the touch was when the action began
    QPointF scrolled;  // wheel values in points: negative y scrolls down, negative x right
    QPointF coasted;
    double coastSeconds = 0.0;  // from the lift to the last coasting step
    double zoom = 0.0;          // sum of the magnification steps: 0.25 zooms in by 25 %
    std::array<QPointF, 2> pinchStart;
    std::array<QPointF, 2> pinchEnd;
    QString label;
};

struct OVReplayGesture {
    double start = 0.0;
    double end = 0.0;                   // the last report, the lift or the last event
    std::optional<double> lift;         // when every contact had lifted
    int contactCount = 0;               // the most contacts of one report
    std::vector<OVReplayTrace> traces;  // empty for input that came without a touch
    std::vector<OVReplayAction> actions;
};

// Builds gestures from a replay's reports and events, given in the order they happened, and
// hands each one on when it is complete.
class OVReplayGestureTracker {
  public:
    using Handler = std::function<void(const OVReplayGesture&)>;
    explicit OVReplayGestureTracker(Handler finished);

    // A report at `time` with its contacts; contacts after a lift begin the next gesture.
    void addReport(double time, const std::vector<OVReplayContact>& contacts);
    void addEvent(const OVSimPostedEvent& event);
    // Whether a gesture is open whose contacts have all lifted: it is complete once the engine
    // has settled.
    bool lifted() const { return _gesture && _gesture->lift.has_value(); }
    // Hands on the open gesture, if any.
    void finish();

  private:
    void begin(double time);
    void addTraces(const std::vector<OVReplayContact>& contacts);
    void addMouseEvent(const OVSimPostedEvent& event);
    void addScroll(const OVSimPostedEvent& event);
    void addMagnify(const OVSimPostedEvent& event);
    void addAction(OVReplayAction action);
    QPointF touchCenter() const;

    Handler _finished;
    std::optional<OVReplayGesture> _gesture;
    std::vector<OVReplayContact> _lastContacts;          // of the last report with contacts
    std::array<std::optional<std::size_t>, 3> _pressed;  // per button: its action
    std::optional<QPointF> _cursor;                      // where the last warp went
};
