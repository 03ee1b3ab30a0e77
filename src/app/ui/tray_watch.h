#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>

// Tells when a system tray appears after the program started, as when the program starts with
// the session before the panel does. On X11 a tray's manager announces itself with a "MANAGER"
// message to the root window; elsewhere nothing is told.
class OVTrayWatch : public QAbstractNativeEventFilter {
  public:
    explicit OVTrayWatch(std::function<void()> trayAppeared);
    ~OVTrayWatch() override;
    OVTrayWatch(const OVTrayWatch&) = delete;
    OVTrayWatch& operator=(const OVTrayWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    std::function<void()> _trayAppeared;
    unsigned long _managerAtom = 0;
    // Calls that run on the main loop hold this weakly.
    std::shared_ptr<int> _lifetime = std::make_shared<int>(0);
};
