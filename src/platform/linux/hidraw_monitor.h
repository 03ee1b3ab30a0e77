#pragma once

#include <QSocketNotifier>
#include <memory>

#include "platform/linux/udev_handles.h"
#include "platform/platform.h"

// Watches hidraw nodes come and go through a udev monitor on the main loop.
class OVHIDRawMonitor {
  public:
    using ChangeCallback = OVPlatform::HIDDeviceChangeCallback;

    explicit OVHIDRawMonitor(ChangeCallback callback);
    ~OVHIDRawMonitor();
    OVHIDRawMonitor(const OVHIDRawMonitor&) = delete;
    OVHIDRawMonitor& operator=(const OVHIDRawMonitor&) = delete;

    // False when udev could not be reached; the monitor then reports nothing.
    bool isWatching() const { return _notifier != nullptr; }

  private:
    void receiveChanges();

    ChangeCallback _callback;
    OVUdev _udev;
    OVUdevMonitor _monitor;
    std::unique_ptr<QSocketNotifier> _notifier;
};
