#pragma once

#include "platform/display_services.h"

// Display services that report a fixed list of displays.
class FixedDisplays : public OVDisplayServices {
  public:
    explicit FixedDisplays(QList<OVDisplayInfo> displays) : _displays(std::move(displays)) {}
    QList<OVDisplayInfo> activeDisplays() const override { return _displays; }
    std::uint32_t mainDisplayID() const override {
        return _displays.isEmpty() ? 0 : _displays.front().displayID;
    }
    void hideCursor() override {}
    void showCursor() override {}
    void setReconfigurationCallback(ReconfigurationCallback) override {}

  private:
    QList<OVDisplayInfo> _displays;
};
