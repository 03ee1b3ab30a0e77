#pragma once

#include <QString>

#include "base/error.h"
#include "hid/touch_status.h"

// What the application shell asks of the touch engine: starting and stopping the device session,
// its one-line status, the compatibility test mode and the display refresh. The touch bridge
// provides it; tests script it.
class OVTouchSession {
  public:
    virtual ~OVTouchSession() = default;

    // True when the session runs afterwards (also when it already ran); otherwise fills `error`
    // and leaves the reason in the status text.
    virtual bool start(OVError* error) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
    virtual OVTouchStatus status() const = 0;
    virtual bool compatibilityTestMode() const = 0;
    virtual void setCompatibilityTestMode(bool enabled) = 0;
    // Re-reads the target display after a display change.
    virtual void refreshDisplayMapping() = 0;
};
