#include "platform/linux/linux_permissions.h"

#include <fcntl.h>
#include <unistd.h>

#include <QtDebug>

#include "platform/linux/linux_event_poster.h"

namespace {

constexpr std::uint32_t kDigitizerPage = 0x0D;

}  // namespace

QStringList OVDigitizerNodes(const QList<OVHIDRawDeviceRecord>& devices) {
    QStringList nodes;
    for (const OVHIDRawDeviceRecord& device : devices) {
        for (const OVHIDUsagePair& usage : device.topLevelUsages) {
            if (usage.usagePage == kDigitizerPage) {
                nodes.append(device.nodePath);
                break;
            }
        }
    }
    return nodes;
}

OVLinuxPermissions::OVLinuxPermissions(OVLinuxEventPoster& poster)
    : OVLinuxPermissions([&poster] { return poster.canPost(); }, &OVEnumerateHIDRawDevices,
                         &OVLinuxPermissions::canOpenForReading) {}

OVLinuxPermissions::OVLinuxPermissions(std::function<bool()> canPost,
                                       std::function<QList<OVHIDRawDeviceRecord>()> devices,
                                       NodeOpener canOpen)
    : _canPost(std::move(canPost)), _devices(std::move(devices)), _canOpen(std::move(canOpen)) {}

bool OVLinuxPermissions::canOpenForReading(const QString& node) {
    const int fd = ::open(node.toUtf8().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool OVLinuxPermissions::canPostEvents() const {
    return _canPost();
}

bool OVLinuxPermissions::canListenToInput() const {
    const QStringList nodes = OVDigitizerNodes(_devices());
    if (nodes.isEmpty()) {
        return true;  // no touch display to be kept from
    }
    for (const QString& node : nodes) {
        if (_canOpen(node)) {
            return true;
        }
    }
    return false;
}

QString OVLinuxPermissions::postEventFix() {
    return QStringLiteral(
        "Orvetta cannot post input: /dev/uinput is not writable and this is not an X11 session "
        "with XTEST. Install the udev rule with \"sudo orvetta-tool install-udev-rule\", then "
        "log out and back in.");
}

QString OVLinuxPermissions::listenFix(const QStringList& nodes) {
    return QStringLiteral(
               "Orvetta cannot read the touch display (%1). Install the udev rule with \"sudo "
               "orvetta-tool install-udev-rule\", then unplug the display and plug it in again.")
        .arg(nodes.join(QStringLiteral(", ")));
}

void OVLinuxPermissions::requestPostEventAccess() {
    if (_explainedPosting || canPostEvents()) {
        return;
    }
    _explainedPosting = true;
    qWarning("%s", qUtf8Printable(postEventFix()));
}

void OVLinuxPermissions::requestListenAccess() {
    if (_explainedListening || canListenToInput()) {
        return;
    }
    _explainedListening = true;
    qWarning("%s", qUtf8Printable(listenFix(OVDigitizerNodes(_devices()))));
}
