#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/event_poster.h"

class OVScheduler;

// One call made on the sim event poster, as the log keeps it.
struct OVSimPostedEvent {
    enum class Kind { Mouse, Scroll, Magnify, Key, Text, SystemKey, Warp, Open };

    double time = 0.0;  // seconds since the log began
    Kind kind = Kind::Mouse;
    int type = 0;    // mouse event type
    int button = 0;  // mouse button number
    QPointF at;
    std::uint64_t flags = 0;
    std::int64_t clickCount = 0;  // left-button events only
    std::int32_t deltaX = 0;      // scroll
    std::int32_t deltaY = 0;
    double amount = 0.0;     // magnify
    std::int64_t phase = 0;  // magnify
    int code = 0;            // key code or system key number
    bool down = false;       // key, system key
    QString text;            // text, or the name of an opened application
};

// The event poster of the sim platform: an event log, one line per call, that tests, replays
// and the demo read. Times count from the scheduler's clock when the log was made (or last
// cleared).
class OVSimEventPoster : public OVEventPoster {
  public:
    explicit OVSimEventPoster(OVScheduler& scheduler);

    void postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                        std::int64_t clickCount) override;
    void postScrollWheel(std::int32_t deltaY, std::int32_t deltaX, std::uint64_t flags) override;
    void postMagnify(double amount, std::int64_t phase, QPointF at) override;
    void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override;
    void postText(const QString& text, std::uint64_t flags) override;
    void postSystemKey(int key, bool down) override;
    void warpCursor(QPointF to) override;
    void openSystemApplication(const QString& name) override;
    double doubleClickInterval() const override { return _doubleClickInterval; }

    void setDoubleClickInterval(double seconds) { _doubleClickInterval = seconds; }
    // Called with every new line as it is logged (a replay in real time prints them).
    void setLineHandler(std::function<void(const QString&)> handler) {
        _lineHandler = std::move(handler);
    }

    // Seconds since the log began, as the next line would show.
    double elapsed() const;
    const std::vector<OVSimPostedEvent>& events() const { return _events; }
    QStringList lines() const;
    // All lines, each ended by a newline.
    QString text() const;
    // Forgets the logged events; times count from now on.
    void clear();

  private:
    void append(OVSimPostedEvent event);

    OVScheduler& _scheduler;
    double _start = 0.0;
    double _doubleClickInterval = 0.5;
    std::vector<OVSimPostedEvent> _events;
    std::function<void(const QString&)> _lineHandler;
};

// The log line of one event, without a newline.
QString OVSimEventLogLine(const OVSimPostedEvent& event);
