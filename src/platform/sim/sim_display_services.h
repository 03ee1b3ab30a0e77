#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <optional>

#include "platform/display_services.h"

// Virtual displays from a list. The main display is the one marked main, else the first.
class OVSimDisplayServices : public OVDisplayServices {
  public:
    OVSimDisplayServices() = default;
    explicit OVSimDisplayServices(QList<OVDisplayInfo> displays) : _displays(std::move(displays)) {}

    QList<OVDisplayInfo> activeDisplays() const override { return _displays; }
    std::uint32_t mainDisplayID() const override;

    void hideCursor() override { _cursorHidden = true; }
    void showCursor() override { _cursorHidden = false; }
    bool cursorHidden() const { return _cursorHidden; }

    void setReconfigurationCallback(ReconfigurationCallback callback) override {
        _callback = std::move(callback);
    }

    // Replaces the display list; the reconfiguration callback is not called (see reconfigure).
    void setDisplays(QList<OVDisplayInfo> displays) { _displays = std::move(displays); }
    // Calls the reconfiguration callback, as the platform does for each display that changes.
    void reconfigure(std::uint32_t displayID, std::uint32_t flags);

    // One display at `bounds` with `pixelScale` device pixels per point.
    static OVDisplayInfo makeDisplay(std::uint32_t displayID, QRectF bounds, bool isMain,
                                     double pixelScale = 1.0);

  private:
    QList<OVDisplayInfo> _displays;
    bool _cursorHidden = false;
    ReconfigurationCallback _callback;
};

// "WxH" (for example "1920x1080") as a size; nothing when the text is not two positive integers.
std::optional<QSize> OVParseDisplaySize(const QString& text);
