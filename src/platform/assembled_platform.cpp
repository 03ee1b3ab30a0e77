#include "platform/assembled_platform.h"

#include <QtGlobal>

namespace {

template <typename T>
T& require(T* part, const char* name) {
    if (!part) {
        qFatal("Orvetta: the platform has no %s", name);
    }
    return *part;
}

}  // namespace

std::unique_ptr<OVHIDManager> OVAssembledPlatform::createHIDManager() {
    if (!hidManagerFactory) {
        qFatal("Orvetta: the platform has no HID manager");
    }
    return hidManagerFactory();
}

OVEventPoster& OVAssembledPlatform::eventPoster() {
    return require(poster, "event poster");
}
OVDisplayServices& OVAssembledPlatform::displayServices() {
    return require(displays, "display services");
}
OVWorkspace& OVAssembledPlatform::workspace() {
    return require(workspaceService, "workspace");
}
OVUserNotifications& OVAssembledPlatform::userNotifications() {
    return require(notifications, "user notifications");
}
OVHTTPTransport& OVAssembledPlatform::httpTransport() {
    return require(http, "HTTP transport");
}
OVPermissions& OVAssembledPlatform::permissions() {
    return require(permissionService, "permissions");
}
