#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/modifier_flags.h"
#include "platform/display_services.h"
#include "platform/event_poster.h"
#include "platform/hid_manager.h"
#include "platform/http_transport.h"
#include "platform/permissions.h"
#include "platform/user_notifications.h"
#include "platform/workspace.h"

// A HID device that was attached or detached while the program runs.
struct OVHIDDeviceChange {
    bool added = false;
    QString nodePath;       // where it lives (a hidraw node on Linux)
    OVHIDDeviceRef device;  // the attached device; nullptr for a removal
};

// Everything the program asks of the operating system.
class OVPlatform {
  public:
    virtual ~OVPlatform() = default;

    // Called on the main thread for every HID device that comes or goes, so that the shell can
    // restart the touch session when its device returns. Platforms that cannot tell never call it.
    using HIDDeviceChangeCallback = std::function<void(const OVHIDDeviceChange& change)>;
    virtual void setHIDDeviceChangeCallback(HIDDeviceChangeCallback callback) { (void)callback; }

    // A fresh manager for each use (listing devices, or one touch session).
    virtual std::unique_ptr<OVHIDManager> createHIDManager() = 0;
    virtual OVEventPoster& eventPoster() = 0;
    virtual OVDisplayServices& displayServices() = 0;
    virtual OVWorkspace& workspace() = 0;
    virtual OVUserNotifications& userNotifications() = 0;
    virtual OVHTTPTransport& httpTransport() = 0;
    virtual OVPermissions& permissions() = 0;

    // The modifier of the desktop's shortcuts (cut, copy, paste, undo): Command where the
    // keyboard has one for them, Control on Linux.
    virtual std::uint64_t shortcutModifier() const { return OVEventFlagCommand; }
};
