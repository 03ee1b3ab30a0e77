#pragma once

#include <functional>
#include <memory>

// A handle on a scheduled call. Copies share the same call; invalidating any copy cancels it.
// An empty handle is never valid, and invalidating it does nothing.
class OVTimer {
  public:
    OVTimer() = default;

    void invalidate();
    // Cancels the call and lets go of it: the handle is empty afterwards.
    void reset() {
        invalidate();
        _state.reset();
    }
    bool isValid() const { return _state && _state->valid; }
    explicit operator bool() const { return isValid(); }

    struct State {
        bool valid = true;
        std::function<void()> cancel;  // releases the scheduler's resources, at most once
        void* native = nullptr;        // the scheduler's own record of the call, if it keeps one
    };
    explicit OVTimer(std::shared_ptr<State> state) : _state(std::move(state)) {}

  private:
    friend class OVScheduler;
    std::shared_ptr<State> _state;
};

// Every timer and every hop to the main loop goes through a scheduler, so that tests can run
// in virtual time.
class OVScheduler {
  public:
    virtual ~OVScheduler() = default;

    // Monotonic seconds with sub-millisecond resolution.
    virtual double now() const = 0;
    // Wall-clock seconds since 2001-01-01 00:00:00 UTC.
    virtual double referenceNow() const = 0;

    // Calls `fn` once after `seconds` (negative counts as 0).
    virtual OVTimer after(double seconds, std::function<void()> fn) = 0;
    // Calls `fn` every `seconds` until the handle is invalidated.
    virtual OVTimer every(double seconds, std::function<void()> fn) = 0;
    // Calls `fn` on the main loop after the current call has returned.
    virtual void async(std::function<void()> fn) = 0;
    // Moves a pending one-shot call of this scheduler to `seconds` from now, keeping its handle:
    // a wait that restarts often needs no new call each time. False, and nothing changes, for a
    // call that ran, was cancelled, repeats or belongs to another scheduler.
    virtual bool reschedule(const OVTimer& timer, double seconds) = 0;

  protected:
    static OVTimer::State* stateOf(const OVTimer& timer) { return timer._state.get(); }
};

// Seconds between 1970-01-01 and 2001-01-01, the reference date of `referenceNow()`.
inline constexpr double OVReferenceDateUnixOffset = 978307200.0;
