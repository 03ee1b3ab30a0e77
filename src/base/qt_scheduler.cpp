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

OVTimer OVQtScheduler::start(double seconds, bool repeating, std::function<void()> fn) {
    auto* timer = new QTimer(&_owner);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    const double milliseconds = std::max(0.0, seconds) * 1000.0;
    timer->setInterval(static_cast<int>(std::lround(milliseconds)));

    auto state = std::make_shared<OVTimer::State>();
    state->native = timer;  // alive while the state is valid
    QPointer<QTimer> guard(timer);
    state->cancel = [guard] {
        if (guard) {
            guard->stop();
            guard->deleteLater();
        }
    };
    // The connection holds the state for as long as the timer exists, so a call whose handle
    // the caller dropped still runs.
    QObject::connect(timer, &QTimer::timeout, timer, [state, guard, repeating, fn = std::move(fn)] {
        if (!state->valid) {
            return;
        }
        if (!repeating) {
            state->valid = false;
            state->cancel = nullptr;
            if (guard) {
                guard->deleteLater();
            }
        }
        fn();
    });
    timer->start();
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
