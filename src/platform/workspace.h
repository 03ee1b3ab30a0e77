#pragma once

#include <QString>
#include <QUrl>
#include <functional>

struct OVApplicationInfo {
    QString bundleIdentifier;  // a stable identifier (WM_CLASS on X11)
    QString localizedName;     // the name people see
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
};
