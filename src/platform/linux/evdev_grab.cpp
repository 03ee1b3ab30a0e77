#include "platform/linux/evdev_grab.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/linux/udev_handles.h"

namespace {

// Buttons and tools: BTN_MISC up to the last digitizer code (BTN_TOUCH, BTN_TOOL_*, BTN_STYLUS*).
constexpr int kFirstContactCode = BTN_MISC;
constexpr int kLastContactCode = BTN_GEAR_UP;

bool nodeShowsContact(int fd) {
    std::array<std::uint8_t, (KEY_MAX + 7) / 8 + 1> bits{};
    if (ioctl(fd, EVIOCGKEY(bits.size()), bits.data()) < 0) {
        return false;  // no key state to read: no button to be stuck
    }
    return OVEvdevGrab::keyStateShowsContact(bits.data(), bits.size());
}

QString unheld(const QString& node, const char* reason) {
    return QStringLiteral("%1: %2").arg(node, QString::fromLocal8Bit(reason));
}

void closeQuietly(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

}  // namespace

OVEvdevGrab::OVEvdevGrab(QString hidrawSysPath) : _hidrawSysPath(std::move(hidrawSysPath)) {}

OVEvdevGrab::~OVEvdevGrab() {
    release();
}

bool OVEvdevGrab::keyStateShowsContact(const std::uint8_t* bits, std::size_t length) {
    for (int code = kFirstContactCode; code <= kLastContactCode; ++code) {
        const std::size_t byte = std::size_t(code) / 8;
        if (byte < length && (bits[byte] & (1u << (code % 8)))) {
            return true;
        }
    }
    return false;
}

QStringList OVEvdevGrab::eventNodesOfHIDRaw(const QString& hidrawSysPath) {
    QStringList nodes;
    OVUdev context(udev_new());
    if (!context) {
        return nodes;
    }
    OVUdevDevice hidraw(udev_device_new_from_syspath(context.get(), hidrawSysPath.toUtf8()));
    if (!hidraw) {
        return nodes;
    }
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw.get(), "hid", nullptr);
    if (!hid) {
        return nodes;
    }
    OVUdevEnumerate enumerate(udev_enumerate_new(context.get()));
    udev_enumerate_add_match_parent(enumerate.get(), hid);
    udev_enumerate_add_match_subsystem(enumerate.get(), "input");
    udev_enumerate_add_match_sysname(enumerate.get(), "event*");
    udev_enumerate_scan_devices(enumerate.get());
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        OVUdevDevice device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        const char* node = device ? udev_device_get_devnode(device.get()) : nullptr;
        if (node) {
            nodes.append(QString::fromUtf8(node));
        }
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

QStringList OVEvdevGrab::grabbedNodes() const {
    QStringList nodes;
    for (const HeldNode& held : _held) {
        nodes.append(held.node);
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

bool OVEvdevGrab::holds(const QString& node) const {
    return std::any_of(_held.begin(), _held.end(),
                       [&](const HeldNode& held) { return held.node == node; });
}

OVExclusiveUse OVEvdevGrab::take() {
    OVExclusiveUse result;
    std::vector<HeldNode> opened;
    for (const QString& node : eventNodesOfHIDRaw(_hidrawSysPath)) {
        if (holds(node)) {
            continue;
        }
        const int fd = ::open(node.toUtf8().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            result.unheldNodes.append(unheld(node, strerror(errno)));
            continue;
        }
        opened.push_back({node, fd});
    }
    const bool contactDown = std::any_of(opened.begin(), opened.end(),
                                         [](const HeldNode& n) { return nodeShowsContact(n.fd); });
    for (HeldNode& node : opened) {
        if (contactDown) {
            result.unheldNodes.append(unheld(node.node, "a contact is down"));
            closeQuietly(node.fd);
            continue;
        }
        if (ioctl(node.fd, EVIOCGRAB, 1) < 0) {
            result.unheldNodes.append(unheld(node.node, strerror(errno)));
            closeQuietly(node.fd);
            continue;
        }
        _held.push_back(node);
    }
    result.heldNodes = grabbedNodes();
    return result;
}

void OVEvdevGrab::release() {
    for (HeldNode& held : _held) {
        ioctl(held.fd, EVIOCGRAB, 0);  // fails harmlessly when the device is already gone
        closeQuietly(held.fd);
    }
    _held.clear();
}
