#include "platform/linux/hidraw_monitor.h"

#include <QtDebug>
#include <cstring>

#include "platform/linux/linux_hid_manager.h"

OVHIDRawMonitor::OVHIDRawMonitor(ChangeCallback callback)
    : _callback(std::move(callback)), _udev(udev_new()) {
    if (!_udev) {
        qWarning("Orvetta: udev is not available; devices that come and go are not noticed");
        return;
    }
    _monitor.reset(udev_monitor_new_from_netlink(_udev.get(), "udev"));
    if (!_monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(_monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(_monitor.get()) < 0) {
        qWarning("Orvetta: cannot watch devices coming and going");
        _monitor.reset();
        return;
    }
    _notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(_monitor.get()),
                                                  QSocketNotifier::Read);
    QObject::connect(_notifier.get(), &QSocketNotifier::activated, _notifier.get(),
                     [this] { receiveChanges(); });
}

OVHIDRawMonitor::~OVHIDRawMonitor() = default;

void OVHIDRawMonitor::receiveChanges() {
    // The monitor's socket is non-blocking: receive until it is empty.
    while (OVUdevDevice device{udev_monitor_receive_device(_monitor.get())}) {
        const char* action = udev_device_get_action(device.get());
        const char* node = udev_device_get_devnode(device.get());
        if (!action || !node) {
            continue;
        }
        OVHIDDeviceChange change;
        change.nodePath = QString::fromUtf8(node);
        if (std::strcmp(action, "add") == 0) {
            change.added = true;
            if (auto record = OVHIDRawDeviceRecordFor(device.get())) {
                change.device = std::make_shared<OVLinuxHIDDevice>(std::move(*record));
            }
        } else if (std::strcmp(action, "remove") != 0) {
            continue;  // "change", "bind" and the like say nothing about presence
        }
        if (_callback) {
            _callback(change);
        }
    }
}
