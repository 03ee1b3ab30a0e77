#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Keeps the kernel's own input devices of a HID device (its /dev/input/eventN nodes) to this
// program while a touch session runs, so that the desktop does not act on the same touches a
// second time. A node is taken over (EVIOCGRAB) only while no contact is down: grabbing in the
// middle of a touch would leave the desktop with a contact that never lifts.
class OVEvdevGrab {
  public:
    explicit OVEvdevGrab(QString hidrawSysPath);
    ~OVEvdevGrab();
    OVEvdevGrab(const OVEvdevGrab&) = delete;
    OVEvdevGrab& operator=(const OVEvdevGrab&) = delete;

    // Called when the session starts (contactsDown false: nothing known yet) and with every
    // report. While `wanted`, grabs as soon as neither the last report nor the kernel's own
    // state has a contact down; `wanted` false releases.
    void update(bool wanted, bool contactsDown);
    // Gives every node back (on stop, on a read error, when the device goes away).
    void release();

    bool isGrabbed() const { return !_held.empty(); }
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

    void tryGrab();

    QString _hidrawSysPath;
    std::vector<HeldNode> _held;
    bool _wanted = false;
    bool _retryDue = true;  // a grab is attempted again only after contacts were seen lifting
};
