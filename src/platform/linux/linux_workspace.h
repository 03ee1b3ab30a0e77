#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

#include "platform/linux/logind_session_watch.h"
#include "platform/linux/logind_sleep_watch.h"
#include "platform/linux/single_instance.h"
#include "platform/linux/x11_active_window.h"
#include "platform/workspace.h"

// The desktop around the program on Linux: URLs through the desktop's handlers, the frontmost
// application on X11, sleep and wake and the login session's activity from logind, one instance
// per user.
class OVLinuxWorkspace : public OVWorkspace {
  public:
    struct Options {
        std::function<QDBusConnection()> systemBus = [] { return QDBusConnection::systemBus(); };
        QByteArray x11Display;  // empty: DISPLAY
        QString instanceName = OVSingleInstance::defaultName();
        QString sessionID = OVLogindSessionWatch::defaultSessionID();
        std::function<bool(const QUrl&)> openURL;  // empty: QDesktopServices
    };

    OVLinuxWorkspace();
    explicit OVLinuxWorkspace(Options options);
    ~OVLinuxWorkspace() override;

    bool openURL(const QUrl& url) override;
    void setFrontmostApplicationCallback(ApplicationCallback callback) override;
    QString ownBundleIdentifier() const override;
    void setSleepCallbacks(std::function<void()> willSleep, std::function<void()> didWake) override;
    void setSessionActivityCallback(std::function<void(bool active)> callback) override;
    bool activateOtherInstance(const OVActivationRequest& request) override;
    void setActivationRequestCallback(ActivationCallback callback) override;

    const OVLogindSleepWatch* sleepWatch() const { return _sleepWatch.get(); }
    const OVLogindSessionWatch* sessionWatch() const { return _sessionWatch.get(); }

  private:
    Options _options;
    std::unique_ptr<OVX11ActiveWindowWatch> _activeWindowWatch;
    std::unique_ptr<OVLogindSleepWatch> _sleepWatch;
    std::unique_ptr<OVLogindSessionWatch> _sessionWatch;
    OVSingleInstance _instance;
};
