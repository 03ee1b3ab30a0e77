#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "platform/linux/x11_connection.h"
#include "platform/workspace.h"

// The application of a window from its WM_CLASS: the class names the application (the instance
// name is often a window role such as "Navigator"). Windows of this process report `ownIdentifier`.
OVApplicationInfo OVApplicationInfoFromWindowClass(const QByteArray& instanceName,
                                                   const QByteArray& className, bool ownWindow,
                                                   const QString& ownIdentifier);

// Follows the frontmost application of an X11 desktop: the window manager names the active
// window in the root window's _NET_ACTIVE_WINDOW; its WM_CLASS names the application. Reports
// each change of application once.
class OVX11ActiveWindowWatch {
  public:
    using Callback = std::function<void(const OVApplicationInfo& application)>;

    // Nothing when the display cannot be opened.
    static std::unique_ptr<OVX11ActiveWindowWatch> create(Callback callback, QString ownIdentifier,
                                                          const QByteArray& displayName = {});
    ~OVX11ActiveWindowWatch();

  private:
    OVX11ActiveWindowWatch(OVX11Display display, Callback callback, QString ownIdentifier);
    void processEvents();
    void activeWindowChanged();

    OVX11Display _display;
    Callback _callback;
    QString _ownIdentifier;
    unsigned long _activeWindowAtom = 0;
    unsigned long _pidAtom = 0;
    std::unique_ptr<QSocketNotifier> _notifier;
    QString _lastIdentifier;
    bool _reportedOnce = false;
};
