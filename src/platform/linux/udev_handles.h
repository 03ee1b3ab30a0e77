#pragma once

#include <libudev.h>

#include <memory>

// Owning handles for libudev objects.
struct OVUdevUnref {
    void operator()(udev* object) const { udev_unref(object); }
    void operator()(udev_device* object) const { udev_device_unref(object); }
    void operator()(udev_enumerate* object) const { udev_enumerate_unref(object); }
    void operator()(udev_monitor* object) const { udev_monitor_unref(object); }
};

using OVUdev = std::unique_ptr<udev, OVUdevUnref>;
using OVUdevDevice = std::unique_ptr<udev_device, OVUdevUnref>;
using OVUdevEnumerate = std::unique_ptr<udev_enumerate, OVUdevUnref>;
using OVUdevMonitor = std::unique_ptr<udev_monitor, OVUdevUnref>;
