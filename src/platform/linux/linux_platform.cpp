#include "platform/linux/linux_platform.h"

#include <QtGlobal>

#include "platform/linux/linux_hid_manager.h"

OVLinuxPlatform::OVLinuxPlatform()
    : _poster(_displays),
      _notifications(QDBusConnection::sessionBus(),
                     [this](const QUrl& url) { return _workspace.openURL(url); }),
      _permissions(_poster) {}

OVLinuxPlatform::~OVLinuxPlatform() = default;

void OVLinuxPlatform::setHTTPTransport(std::unique_ptr<OVHTTPTransport> transport) {
    _http = std::move(transport);
}

OVHTTPTransport& OVLinuxPlatform::httpTransport() {
    if (!_http) {
        qFatal("Orvetta: the Linux platform has no HTTP transport (setHTTPTransport)");
    }
    return *_http;
}

void OVLinuxPlatform::setHIDDeviceChangeCallback(HIDDeviceChangeCallback callback) {
    _monitor.reset();
    if (callback) {
        _monitor = std::make_unique<OVHIDRawMonitor>(std::move(callback));
    }
}

std::unique_ptr<OVHIDManager> OVLinuxPlatform::createHIDManager() {
    return std::make_unique<OVLinuxHIDManager>();
}

std::unique_ptr<OVLinuxPlatform> OVCreateLinuxPlatform() {
    return std::make_unique<OVLinuxPlatform>();
}
