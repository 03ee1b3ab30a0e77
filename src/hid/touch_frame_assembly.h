#pragma once

// Frame assembly, between decoding and the gestures. A device with fewer contact slots than
// contacts spreads one frame over several reports: the first says how many contacts the frame
// has, the next ones say it again or say 0. Their contacts are collected until the frame is
// complete, so that the gestures and the compatibility windows see all of them at once.

#include <QString>
#include <cstdint>

#include "base/scheduler.h"
#include "hid/touch_contact.h"

// How long an incomplete frame waits for its next report before what it has is handed on.
inline constexpr double OVTouchFrameWaitSeconds = 0.020;

class OVTouchFrameAssembly {
  public:
    // Takes the decoded contacts of one report and hands every frame that is ready to
    // `deliver(const OVTouchContactList& frame, bool holdsThisReport)`, in order: first a
    // waiting frame that this report does not continue (cut short: its `complete` is false),
    // then the frame that holds this report once it is complete. A report that completes on
    // its own is handed on unchanged, and so is one that did not decode (another report ID),
    // which leaves a waiting frame waiting. Returns true when a frame waits for its next
    // report. Allocates nothing.
    template <typename Deliver>
    bool take(const OVTouchContactList& report, Deliver&& deliver) {
        if (!report.decoded) {
            deliver(report, true);
            return _waiting;
        }
        if (_waiting && continues(report)) {
            append(report);
            if (!_waiting) {
                deliver(_frame, true);
            }
            return _waiting;
        }
        flush(deliver);
        if (!report.complete) {
            start(report);
            return true;
        }
        deliver(report, true);
        return false;
    }

    // Hands on the waiting frame as it is, if there is one.
    template <typename Deliver>
    void flush(Deliver&& deliver) {
        if (_waiting) {
            _waiting = false;
            deliver(_frame, false);
        }
    }

    bool waiting() const { return _waiting; }
    // Forgets the waiting frame.
    void reset() { _waiting = false; }

  private:
    // The report carries more of the waiting frame: the decoder says so, or its Contact Count
    // reads 0.
    static bool continues(const OVTouchContactList& report) {
        return report.hybrid || report.contactCountField == 0;
    }
    void start(const OVTouchContactList& report);
    void append(const OVTouchContactList& report);

    OVTouchContactList _frame;
    std::int64_t _slotsTaken = 0;  // contact slots of the frame's reports so far
    bool _waiting = false;
};

// The frame assembly of the touch bridge: the frames, the wait for an incomplete frame's next
// report and, while the compatibility windows listen, the debug text of the frame's reports.
struct OVTouchFrameState {
    OVTouchFrameAssembly assembly;
    OVTimer wait;
    QString text;

    void reset() {
        assembly.reset();
        wait.invalidate();
        text.clear();
    }
};
