#pragma once

#include <QPointF>
#include <QString>
#include <cstdint>

// Posts synthetic input to the desktop. Everything speaks the program's own vocabulary:
// event type numbers (1 left down, 2 left up, 6 left dragged, 3/4/7 right, 25/26/27 other,
// 5 moved), button numbers (0 left, 1 right, 2 middle), modifier flag masks (Shift 0x20000,
// Control 0x40000, Option 0x80000, Command 0x100000) and virtual key codes. Points are global
// display coordinates in logical pixels, top-left origin.
class OVEventPoster {
  public:
    virtual ~OVEventPoster() = default;

    // A mouse event of `type` for `button`. `clickCount` is written only for the left button
    // (button 0); pass 0 for the other buttons.
    virtual void postMouseEvent(int type, int button, QPointF at, std::uint64_t flags,
                                std::int64_t clickCount) = 0;
    // A scroll-wheel event in pixels on two wheels (vertical, horizontal).
    virtual void postScrollWheel(std::int32_t deltaY, std::int32_t deltaX, std::uint64_t flags) = 0;
    // A magnify gesture step; phase 1 begins, 2 changes, 8 ends.
    virtual void postMagnify(double amount, std::int64_t phase, QPointF at) = 0;
    // A key event by virtual key code.
    virtual void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) = 0;
    // A key event that carries Unicode text instead of a key (down and up).
    virtual void postText(const QString& text, std::uint64_t flags) = 0;
    // A system-defined media key (the platform's auxiliary key number), down or up.
    virtual void postSystemKey(int key, bool down) = 0;
    // Moves the cursor without posting a mouse event.
    virtual void warpCursor(QPointF to) = 0;
    // Opens a system tool: "missionControl" (the overview) or "screenshot".
    virtual void openSystemApplication(const QString& name) = 0;
    // The user's double-click interval in seconds.
    virtual double doubleClickInterval() const = 0;
};
