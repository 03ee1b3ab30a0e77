#include "platform/linux/linux_workspace.h"

#include <QDesktopServices>
#include <QtDebug>

#include "platform/linux/x11_connection.h"

namespace {

const QString kOwnIdentifier = QStringLiteral("orvetta");

}  // namespace

OVLinuxWorkspace::OVLinuxWorkspace() : OVLinuxWorkspace(Options()) {}

OVLinuxWorkspace::OVLinuxWorkspace(Options options)
    : _options(std::move(options)), _instance(_options.instanceName) {}

OVLinuxWorkspace::~OVLinuxWorkspace() = default;

bool OVLinuxWorkspace::openURL(const QUrl& url) {
    if (_options.openURL) {
        return _options.openURL(url);
    }
    return QDesktopServices::openUrl(url);
}

void OVLinuxWorkspace::setFrontmostApplicationCallback(ApplicationCallback callback) {
    _activeWindowWatch.reset();
    if (!callback) {
        return;
    }
    const bool x11 = !_options.x11Display.isEmpty() || OVIsX11Session();
    if (x11) {
        _activeWindowWatch = OVX11ActiveWindowWatch::create(std::move(callback), kOwnIdentifier,
                                                            _options.x11Display);
    }
    if (!_activeWindowWatch) {
        qInfo(
            "Orvetta: the frontmost application is followed in X11 sessions only; profiles do "
            "not switch by themselves here");
    }
}

QString OVLinuxWorkspace::ownBundleIdentifier() const {
    return kOwnIdentifier;
}

void OVLinuxWorkspace::setSleepCallbacks(std::function<void()> willSleep,
                                         std::function<void()> didWake) {
    _sleepWatch.reset();
    if (!willSleep && !didWake) {
        return;
    }
    _sleepWatch = std::make_unique<OVLogindSleepWatch>(_options.systemBus(), std::move(willSleep),
                                                       std::move(didWake));
}

void OVLinuxWorkspace::setSessionActivityCallback(std::function<void(bool active)> callback) {
    _sessionWatch.reset();
    if (callback) {
        _sessionWatch = std::make_unique<OVLogindSessionWatch>(
            _options.systemBus(), _options.sessionID, std::move(callback));
    }
}

bool OVLinuxWorkspace::activateOtherInstance(const OVActivationRequest& request) {
    return _instance.activateOther(request);
}

void OVLinuxWorkspace::setActivationRequestCallback(ActivationCallback callback) {
    _instance.setActivationRequestCallback(std::move(callback));
}
