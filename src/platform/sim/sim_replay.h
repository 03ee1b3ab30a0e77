#pragma once

#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "base/error.h"
#include "base/scheduler.h"
#include "hid/hid_recording.h"
#include "platform/assembled_platform.h"
#include "platform/sim/replay_gestures.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"

class OVTouchBridge;
class OVVirtualScheduler;
class OVNotificationCenter;

// Plays a hid-recorder recording through a touch bridge on a sim platform: every report is
// decoded, published and handed to the gesture engine, and the synthetic input ends in the
// sim event log. Prints one line per report with its contacts (unless told not to) and, when
// asked, every event; hands on each gesture as it completes when asked.
//
// Use: make the replay, install its platform() (with the scheduler, notification centre and
// preferences it should use), then load() and run.
class OVSimReplay {
  public:
    using Printer = std::function<void(const QString& line)>;

    // One display of `displaySize` at (0, 0); lines go to `print`.
    OVSimReplay(OVScheduler& scheduler, QSize displaySize, bool printEvents, Printer print);
    ~OVSimReplay();
    OVSimReplay(const OVSimReplay&) = delete;
    OVSimReplay& operator=(const OVSimReplay&) = delete;

    OVPlatform& platform() { return _platform; }
    void setPrintsReports(bool printsReports) { _printsReports = printsReports; }
    // Gestures are handed on once their contacts have lifted and the engine has settled (or the
    // next touch has begun), the last one when the replay ends.
    void setGestureHandler(OVReplayGestureTracker::Handler handler);
    OVSimEventPoster& eventLog() { return _poster; }

    // Builds the bridge for the recording's touch device. Fails when its descriptor has no
    // touch layout.
    bool load(const OVHIDRecording& recording, OVError* error = nullptr);
    OVTouchBridge& bridge() { return *_bridge; }

    // Virtual time: each report at its recorded time, then the timers until nothing is pending
    // or 5 s have passed.
    void runVirtual(OVVirtualScheduler& clock);
    // Real time on the installed scheduler, `speed` times as fast as recorded; `done` runs once
    // the last report was handled and the gesture has settled (at most 5 s later).
    void startRealTime(double speed, std::function<void()> done);

    // Whether the gesture still has something to finish: a pending press, a scroll, coasting.
    bool gestureBusy() const;

    static constexpr double kSettleSeconds = 5.0;

  private:
    void feed(const OVHIDRecordedEvent& event);
    void handleReport(const QVariantList& contacts);
    // Hands the events logged since the last call to the gesture tracker.
    void trackNewEvents();
    // After a lift: checks now and then until the engine has settled, then ends the gesture.
    void finishGestureWhenSettled();
    void finishGestures();
    // Real time: feeds report `index` and schedules the next one (or the settling).
    void feedInRealTime(qsizetype index);
    void waitForSettling(double deadline);

    OVScheduler& _scheduler;
    OVSimEventPoster _poster;
    OVSimDisplayServices _displays;
    OVAssembledPlatform _platform;
    Printer _print;
    bool _printsReports = true;
    std::unique_ptr<OVReplayGestureTracker> _gestures;
    std::size_t _trackedEvents = 0;
    OVTimer _settleTimer;
    OVHIDRecording _recording;
    std::unique_ptr<OVTouchBridge> _bridge;
    std::uint64_t _observer = 0;
    OVNotificationCenter* _center = nullptr;
    qsizetype _lastLength = 0;
    // Real time.
    double _startTime = 0.0;
    double _timeScale = 1.0;
    std::function<void()> _done;
    OVTimer _timer;
};

// The report line of the replay output: time, length and each contact with its display point.
QString OVReplayReportLine(double time, qsizetype length, const QVariantList& contacts);
