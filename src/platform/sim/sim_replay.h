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
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"

class OVTouchBridge;
class OVVirtualScheduler;
class OVNotificationCenter;

// Plays a hid-recorder recording through a touch bridge on a sim platform: every report is
// decoded, published and handed to the gesture engine, and the synthetic input ends in the
// sim event log. Prints one line per report with its contacts and, when asked, every event.
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
    void printReport(const QVariantList& contacts);
    // Real time: feeds report `index` and schedules the next one (or the settling).
    void feedInRealTime(qsizetype index);
    void waitForSettling(double deadline);

    OVScheduler& _scheduler;
    OVSimEventPoster _poster;
    OVSimDisplayServices _displays;
    OVAssembledPlatform _platform;
    Printer _print;
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
