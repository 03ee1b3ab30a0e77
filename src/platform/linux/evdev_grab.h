#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "platform/hid_manager.h"

// Keeps the kernel's own input devices of a HID device (its /dev/input/eventN nodes) to this
// program while a touch session runs, so that the desktop does not act on the same touches a
// second time.
class OVEvdevGrab {
  public:
    explicit OVEvdevGrab(QString hidrawSysPath);
    ~OVEvdevGrab();
    OVEvdevGrab(const OVEvdevGrab&) = delete;
    OVEvdevGrab& operator=(const OVEvdevGrab&) = delete;

    // Takes over (EVIOCGRAB) every event node of the device that is not held yet and says what is
    // held now. Nothing new is taken while the kernel shows a contact down on any node: grabbing
    // in the middle of a touch would leave the desktop with a contact that never lifts. Scans
    // udev for the nodes.
    OVExclusiveUse take();
    // Gives every node back (on stop, on a read error, when the device goes away).
    void release();

    QStringList grabbedNodes() const;

    // The event nodes of the HID device that owns a hidraw device, ordered by name.
    static QStringList eventNodesOfHIDRaw(const QString& hidrawSysPath);
    // Whether an evdev key state bitmap (EVIOCGKEY) has a button or tool down, which is how the
    // kernel shows a touch, a pen or a pressed button of the device.
    static bool keyStateShowsContact(const std::uint8_t* bits, std::size_t length);

  private:
    struct HeldNode {
        QString node;
        int fd = -1;
    };

    bool holds(const QString& node) const;

    QString _hidrawSysPath;
    std::vector<HeldNode> _held;
};
