#pragma once

#include <QString>
#include <QUrl>
#include <functional>

struct OVApplicationInfo {
    QString bundleIdentifier;  // a stable identifier (WM_CLASS on X11)
    QString localizedName;     // the name people see
};

// What a later start of the program asks of the running instance besides coming forward.
struct OVActivationRequest {
    // It was given "-firstinstall" or "--simulate-first-install": the first run comes again.
    bool firstInstall = false;
};

// The desktop around the program.
class OVWorkspace {
  public:
    virtual ~OVWorkspace() = default;

    virtual bool openURL(const QUrl& url) = 0;

    using ApplicationCallback = std::function<void(const OVApplicationInfo& application)>;
    virtual void setFrontmostApplicationCallback(ApplicationCallback callback) = 0;
    // The program's own identifier as the frontmost-application callback reports it.
    virtual QString ownBundleIdentifier() const = 0;

    virtual void setSleepCallbacks(std::function<void()> willSleep,
                                   std::function<void()> didWake) = 0;
    // Called when this program's login session stops being the active one of its seat (another
    // user switched to theirs) and when it is active again. Platforms without sessions never call.
    virtual void setSessionActivityCallback(std::function<void(bool active)> callback) {
        (void)callback;
    }

    // Single instance. When another instance of the program runs for this user, hands it
    // `request` and asks it to come forward, and returns true (this process should then end);
    // otherwise makes this process the running instance and returns false.
    virtual bool activateOtherInstance(const OVActivationRequest& request = {}) {
        (void)request;
        return false;
    }
    // Called when a later start asked this instance to come forward.
    using ActivationCallback = std::function<void(const OVActivationRequest& request)>;
    virtual void setActivationRequestCallback(ActivationCallback callback) { (void)callback; }
};
