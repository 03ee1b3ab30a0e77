#pragma once

#include <cstdint>
#include <map>
#include <utility>

#include "base/scheduler.h"

// A scheduler in virtual time for tests and for replays that run as fast as they can.
// Nothing happens until `advance` or `drain` is called; due calls run in the order of their due
// time, calls due at the same time in the order they were scheduled.
class OVVirtualScheduler : public OVScheduler {
  public:
    explicit OVVirtualScheduler(double start = 0.0, double referenceStart = 800000000.0);

    double now() const override { return _now; }
    double referenceNow() const override { return _referenceStart + (_now - _start); }
    OVTimer after(double seconds, std::function<void()> fn) override;
    OVTimer every(double seconds, std::function<void()> fn) override;
    void async(std::function<void()> fn) override;
    bool reschedule(const OVTimer& timer, double seconds) override;

    // Moves time forward by `seconds`, running every call that falls due on the way, each at its
    // own due time. Calls scheduled while advancing run too when they fall due within the span.
    void advance(double seconds);
    // Runs pending calls until none is left or `limitSeconds` of virtual time have passed.
    // Returns true when nothing is pending afterwards.
    bool drain(double limitSeconds);
    // Number of calls still scheduled (repeating calls count once).
    int pendingCount() const { return static_cast<int>(_queue.size()); }
    // Due time of the next pending call, or a negative number when none is pending.
    double nextDueTime() const;

  private:
    struct Entry {
        std::function<void()> fn;
        double interval = 0.0;  // 0 for a one-shot call
        std::shared_ptr<OVTimer::State> state;
    };
    using Key = std::pair<double, std::uint64_t>;

    OVTimer schedule(double due, double interval, std::function<void()> fn);
    bool runNextDueBy(double limit);
    std::function<void()> cancellerFor(const OVTimer::State* state);
    std::map<Key, Entry>::iterator find(const OVTimer::State* state);

    double _start;
    double _now;
    double _referenceStart;
    std::uint64_t _sequence = 0;
    std::map<Key, Entry> _queue;
    std::shared_ptr<int> _lifetime = std::make_shared<int>(0);
};
