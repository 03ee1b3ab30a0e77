#include "platform/sim/sim_replay.h"

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/descriptor_parser.h"
#include "hid/touch_bridge.h"
#include "hid/touch_contact.h"

namespace {

constexpr double kSettleCheckInterval = 0.05;

std::vector<OVReplayContact> replayContacts(const QVariantList& contacts) {
    std::vector<OVReplayContact> result;
    result.reserve(static_cast<std::size_t>(contacts.size()));
    for (const QVariant& entry : contacts) {
        const QVariantMap contact = entry.toMap();
        const std::int64_t kind = contact.value(QStringLiteral("kind")).toLongLong();
        result.push_back({kind == OVContactKindPen      ? OVReplayTool::Pen
                          : kind == OVContactKindEraser ? OVReplayTool::Eraser
                                                        : OVReplayTool::Finger,
                          contact.value(QStringLiteral("id")).toUInt(),
                          {contact.value(QStringLiteral("screenX")).toDouble(),
                           contact.value(QStringLiteral("screenY")).toDouble()}});
    }
    return result;
}

}  // namespace

QString OVReplayReportLine(double time, qsizetype length, const QVariantList& contacts) {
    QString line = QStringLiteral("%1 report bytes=%2 contacts=%3")
                       .arg(time, 0, 'f', 3)
                       .arg(length)
                       .arg(contacts.size());
    for (const QVariant& entry : contacts) {
        const QVariantMap contact = entry.toMap();
        line += QStringLiteral(" | %1 id=%2 raw=%3,%4 at %5,%6")
                    .arg(contact.value(QStringLiteral("kindName")).toString())
                    .arg(contact.value(QStringLiteral("id")).toUInt())
                    .arg(contact.value(QStringLiteral("x")).toUInt())
                    .arg(contact.value(QStringLiteral("y")).toUInt())
                    .arg(contact.value(QStringLiteral("screenX")).toDouble(), 0, 'f', 2)
                    .arg(contact.value(QStringLiteral("screenY")).toDouble(), 0, 'f', 2);
    }
    return line;
}

OVSimReplay::OVSimReplay(OVScheduler& scheduler, QSize displaySize, bool printEvents, Printer print)
    : _scheduler(scheduler), _poster(scheduler), _print(std::move(print)) {
    _displays.setDisplays(
        {OVSimDisplayServices::makeDisplay(1, QRectF(QPointF(0, 0), QSizeF(displaySize)), true)});
    _platform.poster = &_poster;
    _platform.displays = &_displays;
    if (printEvents) {
        _poster.setLineHandler(_print);
    }
}

OVSimReplay::~OVSimReplay() {
    _timer.invalidate();
    _settleTimer.invalidate();
    if (_center) {
        _center->removeObserver(_observer);
    }
}

bool OVSimReplay::load(const OVHIDRecording& recording, OVError* error) {
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(recording.descriptor);
    if (!layout.valid) {
        return OVSetError(error, 4,
                          QStringLiteral("The recording's report descriptor has no touch layout."));
    }
    _recording = recording;
    _bridge = std::make_unique<OVTouchBridge>();
    _bridge->setHIDLayout(layout);
    _bridge->setHIDDecoderStatus(QStringLiteral("HidDigitizerDescriptor report=%1 contacts=%2")
                                     .arg(layout.reportID)
                                     .arg(layout.contactCount));
    _bridge->loadTargetDisplayBounds();
    // The replay reads the contacts the way the compatibility windows do.
    _center = &OVDefaultCenter();
    _observer = _center->addObserver(
        OVCompatibilityReportNotification, _bridge.get(), [this](const OVNotification& note) {
            handleReport(note.userInfo.value(QStringLiteral("contacts")).toList());
        });
    return true;
}

void OVSimReplay::setGestureHandler(OVReplayGestureTracker::Handler handler) {
    _gestures = std::make_unique<OVReplayGestureTracker>(std::move(handler));
}

void OVSimReplay::handleReport(const QVariantList& contacts) {
    if (_printsReports) {
        _print(OVReplayReportLine(_poster.elapsed(), _lastLength, contacts));
    }
    if (!_gestures) {
        return;
    }
    // The report is published before the engine acts on it: what is logged so far came first.
    trackNewEvents();
    _gestures->addReport(_poster.elapsed(), replayContacts(contacts));
    if (_gestures->lifted() && !_settleTimer.isValid()) {
        _settleTimer =
            _scheduler.after(kSettleCheckInterval, [this] { finishGestureWhenSettled(); });
    }
}

void OVSimReplay::trackNewEvents() {
    const std::vector<OVSimPostedEvent>& events = _poster.events();
    for (; _trackedEvents < events.size(); ++_trackedEvents) {
        _gestures->addEvent(events[_trackedEvents]);
    }
}

void OVSimReplay::finishGestureWhenSettled() {
    trackNewEvents();
    if (!_gestures->lifted()) {
        return;  // the next touch has begun and ended the gesture
    }
    if (gestureBusy()) {
        _settleTimer =
            _scheduler.after(kSettleCheckInterval, [this] { finishGestureWhenSettled(); });
        return;
    }
    _gestures->finish();
}

void OVSimReplay::finishGestures() {
    _settleTimer.invalidate();
    if (_gestures) {
        trackNewEvents();
        _gestures->finish();
    }
}

void OVSimReplay::feed(const OVHIDRecordedEvent& event) {
    _lastLength = event.bytes.size();
    _bridge->handleInputReport(reinterpret_cast<const std::uint8_t*>(event.bytes.constData()),
                               event.bytes.size());
}

bool OVSimReplay::gestureBusy() const {
    return _bridge && (_bridge->pendingMouseDown() || _bridge->scrollActive() ||
                       _bridge->scrollReleasePending() || _bridge->inertiaRunning());
}

void OVSimReplay::runVirtual(OVVirtualScheduler& clock) {
    const double start = clock.now();
    for (const OVHIDRecordedEvent& event : _recording.events) {
        const double wait = start + event.time - clock.now();
        if (wait > 0.0) {
            clock.advance(wait);
        }
        feed(event);
    }
    clock.drain(kSettleSeconds);
    finishGestures();
}

void OVSimReplay::startRealTime(double speed, std::function<void()> done) {
    _timeScale = speed > 0.0 ? 1.0 / speed : 1.0;
    _startTime = _scheduler.now();
    _done = std::move(done);
    if (_recording.events.isEmpty()) {
        waitForSettling(_scheduler.now());
        return;
    }
    _timer = _scheduler.after(_recording.events.first().time * _timeScale,
                              [this] { feedInRealTime(0); });
}

void OVSimReplay::feedInRealTime(qsizetype index) {
    feed(_recording.events[index]);
    const qsizetype next = index + 1;
    if (next >= _recording.events.size()) {
        waitForSettling(_scheduler.now() + kSettleSeconds);
        return;
    }
    // Due times count from the start, so that the delays of the timers do not add up.
    const double due = _startTime + _recording.events[next].time * _timeScale;
    _timer = _scheduler.after(due - _scheduler.now(), [this, next] { feedInRealTime(next); });
}

void OVSimReplay::waitForSettling(double deadline) {
    if (!gestureBusy() || _scheduler.now() >= deadline) {
        finishGestures();
        if (_done) {
            std::exchange(_done, nullptr)();
        }
        return;
    }
    _timer =
        _scheduler.after(kSettleCheckInterval, [this, deadline] { waitForSettling(deadline); });
}
