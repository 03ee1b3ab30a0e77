#pragma once

#include <QList>
#include <QUrl>

#include "platform/workspace.h"

// A scripted desktop: it records the URLs it is asked to open, and a test or a demo says which
// application comes to the front, when the machine sleeps and wakes and when another user takes
// the seat.
class OVSimWorkspace : public OVWorkspace {
  public:
    bool openURL(const QUrl& url) override;
    void setFrontmostApplicationCallback(ApplicationCallback callback) override;
    QString ownBundleIdentifier() const override { return _ownBundleIdentifier; }
    void setSleepCallbacks(std::function<void()> willSleep, std::function<void()> didWake) override;
    void setSessionActivityCallback(std::function<void(bool active)> callback) override;

    const QList<QUrl>& openedURLs() const { return _openedURLs; }
    // What openURL answers (true by default).
    void setOpenURLResult(bool result) { _openURLResult = result; }
    void setOwnBundleIdentifier(const QString& identifier) { _ownBundleIdentifier = identifier; }

    // Brings `application` to the front and tells the callback.
    void activateApplication(const OVApplicationInfo& application);
    const OVApplicationInfo& frontmostApplication() const { return _frontmost; }
    void sleep();
    void wake();
    // Another user takes the seat (false) or gives it back (true).
    void setSessionActive(bool active);

  private:
    QList<QUrl> _openedURLs;
    bool _openURLResult = true;
    QString _ownBundleIdentifier = QStringLiteral("orvetta");
    OVApplicationInfo _frontmost;
    ApplicationCallback _frontmostCallback;
    std::function<void()> _willSleep;
    std::function<void()> _didWake;
    std::function<void(bool)> _sessionActivity;
};
