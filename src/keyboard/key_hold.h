#pragma once

#include "base/scheduler.h"
#include "keyboard/key_descriptor.h"

// The shortest time between two repeats of a held key, in seconds.
inline constexpr double OVKeyHoldMinimumRepeatInterval = 0.03;
// How long a key is held before it repeats, in seconds: a touch a little longer than a tap
// types once.
inline constexpr double OVKeyHoldInitialDelay = 0.5;

// What a key button asks when it is pressed: whether the press is a hold, and the steps of one.
class OVKeyHoldTarget {
  public:
    virtual ~OVKeyHoldTarget() = default;

    virtual bool keyButtonShouldUseHold(const OVKeyDescriptor& key) = 0;
    virtual void keyButtonHoldBegan(const OVKeyDescriptor& key) = 0;
    virtual void keyButtonHoldRepeat(const OVKeyDescriptor& key) = 0;
    virtual void keyButtonHoldEnded(const OVKeyDescriptor& key) = 0;
    // Seconds between repeats, as configured.
    virtual double keyButtonHoldRepeatInterval() = 0;
};

// A configured repeat interval raised to the minimum; anything that is not a number counts as
// the minimum too.
double OVEffectiveHoldRepeatInterval(double configured);

// One press of a key button that may be a hold: the target posts once when the hold begins, again
// after the initial delay, then once every interval on the main scheduler until the press ends.
class OVKeyHoldPress {
  public:
    OVKeyHoldPress() = default;
    ~OVKeyHoldPress();
    OVKeyHoldPress(const OVKeyHoldPress&) = delete;
    OVKeyHoldPress& operator=(const OVKeyHoldPress&) = delete;

    // Begins a hold when `target` wants one for `key` and returns true; returns false (and does
    // nothing) when the press is an ordinary one.
    bool begin(OVKeyHoldTarget* target, const OVKeyDescriptor& key);
    // Ends the hold, if one is running.
    void end();
    bool isHolding() const { return _target != nullptr; }

  private:
    void repeat();

    OVKeyHoldTarget* _target = nullptr;
    double _interval = 0.0;
    OVKeyDescriptor _key;
    OVTimer _repeatTimer;
};
