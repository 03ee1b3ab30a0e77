#pragma once

#include <functional>

#include "platform/platform.h"

// A platform put together from parts, for the sim platform and for tests. A part that was not
// given stops the program with a clear message when it is used.
class OVAssembledPlatform : public OVPlatform {
  public:
    std::function<std::unique_ptr<OVHIDManager>()> hidManagerFactory;
    OVEventPoster* poster = nullptr;
    OVDisplayServices* displays = nullptr;
    OVWorkspace* workspaceService = nullptr;
    OVUserNotifications* notifications = nullptr;
    OVHTTPTransport* http = nullptr;
    OVPermissions* permissionService = nullptr;
    std::uint64_t shortcutModifierFlag = OVEventFlagCommand;

    // The hot-plug callback the shell set; tests and the sim report changes through it.
    HIDDeviceChangeCallback hidDeviceChangeCallback;
    void setHIDDeviceChangeCallback(HIDDeviceChangeCallback callback) override {
        hidDeviceChangeCallback = std::move(callback);
    }
    void reportHIDDeviceChange(const OVHIDDeviceChange& change) {
        if (hidDeviceChangeCallback) {
            hidDeviceChangeCallback(change);
        }
    }

    std::unique_ptr<OVHIDManager> createHIDManager() override;
    OVEventPoster& eventPoster() override;
    OVDisplayServices& displayServices() override;
    OVWorkspace& workspace() override;
    OVUserNotifications& userNotifications() override;
    OVHTTPTransport& httpTransport() override;
    OVPermissions& permissions() override;
    std::uint64_t shortcutModifier() const override { return shortcutModifierFlag; }
};
