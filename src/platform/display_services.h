#pragma once

#include <QList>
#include <QRectF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

struct OVDisplayInfo {
    std::uint32_t displayID = 0;
    QString name;     // the output or model name, for people
    QRectF bounds;    // global coordinates, logical pixels, top-left origin
    QSize pixelSize;  // device pixels
    bool isMain = false;
};

// Display reconfiguration flags, as the shell filters them.
inline constexpr std::uint32_t OVDisplayBeginConfigurationFlag = 1u << 0;
inline constexpr std::uint32_t OVDisplayMovedFlag = 1u << 1;
inline constexpr std::uint32_t OVDisplaySetMainFlag = 1u << 2;
inline constexpr std::uint32_t OVDisplaySetModeFlag = 1u << 3;
inline constexpr std::uint32_t OVDisplayAddFlag = 1u << 4;
inline constexpr std::uint32_t OVDisplayRemoveFlag = 1u << 5;
inline constexpr std::uint32_t OVDisplayEnabledFlag = 1u << 8;
inline constexpr std::uint32_t OVDisplayDisabledFlag = 1u << 9;
inline constexpr std::uint32_t OVDisplayDesktopShapeChangedFlag = 1u << 12;

class OVDisplayServices {
  public:
    virtual ~OVDisplayServices() = default;

    // The active displays in the platform's order.
    virtual QList<OVDisplayInfo> activeDisplays() const = 0;
    virtual std::uint32_t mainDisplayID() const = 0;

    virtual void hideCursor() = 0;
    virtual void showCursor() = 0;

    // Called for each display that changes, with the flags above.
    using ReconfigurationCallback =
        std::function<void(std::uint32_t displayID, std::uint32_t flags)>;
    virtual void setReconfigurationCallback(ReconfigurationCallback callback) = 0;
};
