#include "base/qt_scheduler.h"

#include <QDateTime>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>

OVQtScheduler::OVQtScheduler() {
    _clock.start();
}

OVQtScheduler::~OVQtScheduler() = default;

double OVQtScheduler::now() const {
    return static_cast<double>(_clock.nsecsElapsed()) / 1e9;
}

double OVQtScheduler::referenceNow() const {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0 -
           OVReferenceDateUnixOffset;
}

namespace {

// How far behind its due time a repeating call may fall and still catch up.
constexpr double kLongestCatchUp = 0.25;

// QTimer counts whole milliseconds.
int wholeMilliseconds(double seconds) {
    return static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0));
}

}  // namespace

OVTimer OVQtScheduler::start(double seconds, bool repeating, std::function<void()> fn) {
    auto* timer = new QTimer(&_owner);
    timer->setTimerType(Qt::PreciseTimer);
    // A repeating call aims each tick at its own due time (start + n * period) and re-arms the
    // timer for it: the rounding to whole milliseconds never adds up, so the average period is
    // exact (1/60 s ticks come at 60 Hz, not every 17 ms).
    timer->setSingleShot(true);

    auto state = std::make_shared<OVTimer::State>();
    state->native = timer;  // alive while the state is valid
    QPointer<QTimer> guard(timer);
    state->cancel = [guard] {
        if (guard) {
            guard->stop();
            guard->deleteLater();
        }
    };
    auto tick = [this, state, guard, repeating, seconds, due = now() + seconds,
                 fn = std::move(fn)]() mutable {
        if (!state->valid) {
            return;
        }
        if (repeating) {
            // A late tick makes the next one come sooner. Only after a stall (a suspended
            // machine) do the ticks start afresh instead of catching up in a burst.
            const double current = now();
            due += seconds;
            if (current - due > kLongestCatchUp) {
                due = current;
            }
            guard->start(wholeMilliseconds(due - current));
        } else {
            state->valid = false;
            state->cancel = nullptr;
            guard->deleteLater();
        }
        fn();
    };
    // The connection holds the state for as long as the timer exists, so a call whose handle
    // the caller dropped still runs.
    QObject::connect(timer, &QTimer::timeout, timer, std::move(tick));
    timer->start(wholeMilliseconds(seconds));
    return OVTimer(state);
}

bool OVQtScheduler::reschedule(const OVTimer& timer, double seconds) {
    auto* qtTimer = timer.isValid() ? static_cast<QTimer*>(stateOf(timer)->native) : nullptr;
    if (!qtTimer || qtTimer->parent() != &_owner || !qtTimer->isSingleShot()) {
        return false;
    }
    qtTimer->start(static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0)));
    return true;
}

OVTimer OVQtScheduler::after(double seconds, std::function<void()> fn) {
    return start(seconds, false, std::move(fn));
}

OVTimer OVQtScheduler::every(double seconds, std::function<void()> fn) {
    return start(std::max(seconds, 0.001), true, std::move(fn));
}

void OVQtScheduler::async(std::function<void()> fn) {
    QMetaObject::invokeMethod(&_owner, std::move(fn), Qt::QueuedConnection);
}
