#pragma once

#include <QDBusConnection>
#include <memory>

#include "platform/linux/dbus_user_notifications.h"
#include "platform/linux/hidraw_monitor.h"
#include "platform/linux/linux_display_services.h"
#include "platform/linux/linux_event_poster.h"
#include "platform/linux/linux_permissions.h"
#include "platform/linux/linux_workspace.h"
#include "platform/platform.h"

// The program's platform on Linux. The HTTP transport is made elsewhere and plugged in with
// setHTTPTransport before anything sends a request.
class OVLinuxPlatform : public OVPlatform {
  public:
    OVLinuxPlatform();
    ~OVLinuxPlatform() override;

    void setHTTPTransport(std::unique_ptr<OVHTTPTransport> transport);
    bool hasHTTPTransport() const { return _http != nullptr; }

    void setHIDDeviceChangeCallback(HIDDeviceChangeCallback callback) override;
    std::unique_ptr<OVHIDManager> createHIDManager() override;
    OVEventPoster& eventPoster() override { return _poster; }
    OVDisplayServices& displayServices() override { return _displays; }
    OVWorkspace& workspace() override { return _workspace; }
    OVUserNotifications& userNotifications() override { return _notifications; }
    OVHTTPTransport& httpTransport() override;
    OVPermissions& permissions() override { return _permissions; }
    std::uint64_t shortcutModifier() const override { return OVEventFlagControl; }

    OVLinuxEventPoster& linuxEventPoster() { return _poster; }

  private:
    OVLinuxDisplayServices _displays;
    OVLinuxEventPoster _poster;
    OVLinuxWorkspace _workspace;
    OVDBusUserNotifications _notifications;
    OVLinuxPermissions _permissions;
    std::unique_ptr<OVHTTPTransport> _http;
    std::unique_ptr<OVHIDRawMonitor> _monitor;
};

// The Linux platform, ready to be installed as the current platform.
std::unique_ptr<OVLinuxPlatform> OVCreateLinuxPlatform();
