#include "base/services.h"

#include <QtGlobal>

#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/virtual_scheduler.h"

namespace {

// The installed services; changed only by OVServicesGuard.
OVServices gServices;

template <typename T>
T& require(T* service, const char* name) {
    if (!service) {
        qFatal("Orvetta: %s used before it was installed", name);
    }
    return *service;
}

}  // namespace

OVNotificationCenter& OVDefaultCenter() {
    return require(gServices.center, "notification centre");
}
OVPreferences& OVStandardPreferences() {
    return require(gServices.preferences, "preferences");
}
OVScheduler& OVMainScheduler() {
    return require(gServices.scheduler, "scheduler");
}
OVPlatform& OVCurrentPlatform() {
    return require(gServices.platform, "platform");
}
bool OVHasCurrentPlatform() {
    return gServices.platform != nullptr;
}
OVProcessState& OVCurrentProcessState() {
    return require(gServices.process, "process state");
}

OVServicesGuard::OVServicesGuard()
    : _ownedCenter(std::make_unique<OVNotificationCenter>()),
      _ownedPreferences(std::make_unique<OVPreferences>()),
      _ownedScheduler(std::make_unique<OVVirtualScheduler>()),
      _ownedProcess(std::make_unique<OVProcessState>()),
      _virtualScheduler(_ownedScheduler.get()) {
    _services = OVServices{_ownedCenter.get(), _ownedPreferences.get(), _ownedScheduler.get(),
                           nullptr, _ownedProcess.get()};
    _previous = gServices;
    install();
}

OVServicesGuard::OVServicesGuard(const OVServices& services) : _services(services) {
    if (!_services.process) {
        _ownedProcess = std::make_unique<OVProcessState>();
        _services.process = _ownedProcess.get();
    }
    _previous = gServices;
    install();
}

OVServicesGuard::~OVServicesGuard() {
    gServices = _previous;
}

void OVServicesGuard::install() {
    gServices = _services;
}

void OVServicesGuard::setPreferences(OVPreferences* preferences) {
    _services.preferences = preferences;
    install();
}

void OVServicesGuard::setPlatform(OVPlatform* platform) {
    _services.platform = platform;
    install();
}

void OVServicesGuard::setScheduler(OVScheduler* scheduler) {
    _services.scheduler = scheduler;
    _virtualScheduler = nullptr;
    install();
}
