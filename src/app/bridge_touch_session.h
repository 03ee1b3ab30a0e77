#pragma once

#include "app/touch_session.h"
#include "hid/touch_bridge.h"

// The touch bridge as the application shell drives it.
class OVBridgeTouchSession : public OVTouchSession {
  public:
    explicit OVBridgeTouchSession(OVTouchBridge& bridge) : _bridge(bridge) {}

    bool start(OVError* error) override { return _bridge.start(error); }
    void stop() override { _bridge.stop(); }
    bool running() const override { return _bridge.running(); }
    OVTouchStatus status() const override { return _bridge.status(); }
    bool compatibilityTestMode() const override { return _bridge.compatibilityTestMode(); }
    void setCompatibilityTestMode(bool enabled) override {
        _bridge.setCompatibilityTestMode(enabled);
    }
    void refreshDisplayMapping() override { _bridge.refreshDisplayMapping(); }

  private:
    OVTouchBridge& _bridge;
};
