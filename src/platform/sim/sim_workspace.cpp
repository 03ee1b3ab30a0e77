#include "platform/sim/sim_workspace.h"

bool OVSimWorkspace::openURL(const QUrl& url) {
    _openedURLs.append(url);
    return _openURLResult;
}

void OVSimWorkspace::setFrontmostApplicationCallback(ApplicationCallback callback) {
    _frontmostCallback = std::move(callback);
}

void OVSimWorkspace::setSleepCallbacks(std::function<void()> willSleep,
                                       std::function<void()> didWake) {
    _willSleep = std::move(willSleep);
    _didWake = std::move(didWake);
}

void OVSimWorkspace::activateApplication(const OVApplicationInfo& application) {
    _frontmost = application;
    if (_frontmostCallback) {
        _frontmostCallback(application);
    }
}

void OVSimWorkspace::sleep() {
    if (_willSleep) {
        _willSleep();
    }
}

void OVSimWorkspace::wake() {
    if (_didWake) {
        _didWake();
    }
}

void OVSimWorkspace::setSessionActivityCallback(std::function<void(bool active)> callback) {
    _sessionActivity = std::move(callback);
}

void OVSimWorkspace::setSessionActive(bool active) {
    if (_sessionActivity) {
        _sessionActivity(active);
    }
}
