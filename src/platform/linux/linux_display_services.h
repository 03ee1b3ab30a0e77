#pragma once

#include <QList>
#include <QObject>
#include <functional>

#include "platform/display_services.h"
#include "platform/linux/display_identity.h"
#include "platform/linux/x11_connection.h"

class QScreen;

// The displays as Qt sees them (logical pixels, top-left origin), kept up to date as screens
// come, go and change; the cursor hidden through XFixes in X11 sessions.
class OVLinuxDisplayServices : public OVDisplayServices {
  public:
    using ScreenSource = std::function<QList<OVScreenDescription>()>;

    // Reads QGuiApplication's screens and follows their changes.
    OVLinuxDisplayServices();
    // For tests: screens from `source`; call screensChanged() when they change.
    explicit OVLinuxDisplayServices(ScreenSource source);
    ~OVLinuxDisplayServices() override;

    QList<OVDisplayInfo> activeDisplays() const override { return _displays; }
    std::uint32_t mainDisplayID() const override;
    void hideCursor() override;
    void showCursor() override;
    void setReconfigurationCallback(ReconfigurationCallback callback) override;

    // Re-reads the screens and reports each display that changed.
    void screensChanged();

    static QList<OVScreenDescription> qtScreens();

  private:
    void followQtScreens();
    void followScreen(QScreen* screen);
    Display* cursorDisplay();

    ScreenSource _source;
    QList<OVDisplayInfo> _displays;
    ReconfigurationCallback _callback;
    QObject _connections;  // receiver of Qt's screen signals
    OVX11Display _x11;
    bool _x11Tried = false;
    bool _cursorHidden = false;
};
