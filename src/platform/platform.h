#pragma once

#include <memory>

#include "platform/display_services.h"
#include "platform/event_poster.h"
#include "platform/hid_manager.h"
#include "platform/http_transport.h"
#include "platform/permissions.h"
#include "platform/user_notifications.h"
#include "platform/workspace.h"

// Everything the program asks of the operating system.
class OVPlatform {
  public:
    virtual ~OVPlatform() = default;

    // A fresh manager for each use (listing devices, or one touch session).
    virtual std::unique_ptr<OVHIDManager> createHIDManager() = 0;
    virtual OVEventPoster& eventPoster() = 0;
    virtual OVDisplayServices& displayServices() = 0;
    virtual OVWorkspace& workspace() = 0;
    virtual OVUserNotifications& userNotifications() = 0;
    virtual OVHTTPTransport& httpTransport() = 0;
    virtual OVPermissions& permissions() = 0;
};
