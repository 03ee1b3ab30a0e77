#include "base/virtual_scheduler.h"

#include <algorithm>

OVVirtualScheduler::OVVirtualScheduler(double start, double referenceStart)
    : _start(start), _now(start), _referenceStart(referenceStart) {}

std::function<void()> OVVirtualScheduler::cancellerFor(const OVTimer::State* state) {
    // A handle may outlive the scheduler; cancelling it then does nothing.
    return [this, alive = std::weak_ptr<int>(_lifetime), state] {
        if (alive.lock()) {
            if (const auto entry = find(state); entry != _queue.end()) {
                _queue.erase(entry);
            }
        }
    };
}

std::map<OVVirtualScheduler::Key, OVVirtualScheduler::Entry>::iterator OVVirtualScheduler::find(
    const OVTimer::State* state) {
    return std::find_if(_queue.begin(), _queue.end(),
                        [state](const auto& entry) { return entry.second.state.get() == state; });
}

OVTimer OVVirtualScheduler::schedule(double due, double interval, std::function<void()> fn) {
    auto state = std::make_shared<OVTimer::State>();
    state->cancel = cancellerFor(state.get());
    _queue.emplace(Key{due, _sequence++}, Entry{std::move(fn), interval, state});
    return OVTimer(state);
}

bool OVVirtualScheduler::reschedule(const OVTimer& timer, double seconds) {
    const auto entry = timer.isValid() ? find(stateOf(timer)) : _queue.end();
    if (entry == _queue.end() || entry->second.interval > 0.0) {
        return false;
    }
    auto node = _queue.extract(entry);
    node.key() = Key{_now + std::max(0.0, seconds), _sequence++};
    _queue.insert(std::move(node));
    return true;
}

OVTimer OVVirtualScheduler::after(double seconds, std::function<void()> fn) {
    return schedule(_now + std::max(0.0, seconds), 0.0, std::move(fn));
}

OVTimer OVVirtualScheduler::every(double seconds, std::function<void()> fn) {
    // A repeating call needs a positive interval, or it would never let time move on.
    const double interval = std::max(seconds, 1e-6);
    return schedule(_now + interval, interval, std::move(fn));
}

void OVVirtualScheduler::async(std::function<void()> fn) {
    schedule(_now, 0.0, std::move(fn));
}

double OVVirtualScheduler::nextDueTime() const {
    return _queue.empty() ? -1.0 : _queue.begin()->first.first;
}

bool OVVirtualScheduler::runNextDueBy(double limit) {
    if (_queue.empty() || _queue.begin()->first.first > limit) {
        return false;
    }
    auto node = _queue.extract(_queue.begin());
    Entry& entry = node.mapped();
    _now = std::max(_now, node.key().first);
    if (entry.interval > 0.0) {
        // Re-arm before the call so that the call may invalidate its own handle.
        const Key next{node.key().first + entry.interval, _sequence++};
        auto fn = entry.fn;
        _queue.emplace(next, std::move(entry));
        fn();
    } else {
        entry.state->valid = false;
        entry.state->cancel = nullptr;
        entry.fn();
    }
    return true;
}

void OVVirtualScheduler::advance(double seconds) {
    const double target = _now + std::max(0.0, seconds);
    while (runNextDueBy(target)) {
    }
    _now = target;
}

bool OVVirtualScheduler::drain(double limitSeconds) {
    const double limit = _now + std::max(0.0, limitSeconds);
    while (runNextDueBy(limit)) {
    }
    return _queue.empty();
}
