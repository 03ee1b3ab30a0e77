#include "hid/touch_status.h"

#include "platform/hid_manager.h"

QString OVTouchStatusText(OVTouchStatus status) {
    switch (status) {
        case OVTouchStatus::Stopped:
            return QStringLiteral("Stopped");
        case OVTouchStatus::Active:
            return QStringLiteral("Touch active");
        case OVTouchStatus::SharedWithDesktop:
            return QStringLiteral("Touch active, but the desktop also receives every touch");
        case OVTouchStatus::PartlySharedWithDesktop:
            return QStringLiteral("Touch active, but the desktop also receives some touches");
        case OVTouchStatus::NeedsPermission:
            return QStringLiteral("Needs permission");
        case OVTouchStatus::DeviceNotFound:
            return QStringLiteral("Device not found");
        case OVTouchStatus::DisplayUpdated:
            return QStringLiteral("Display updated");
    }
    return QString();
}

QString OVExclusiveUseDescription(const OVExclusiveUse& held) {
    const QString heldNodes = held.heldNodes.join(QStringLiteral(", "));
    switch (held.hold()) {
        case OVExclusiveUse::Hold::All:
            return held.heldNodes.isEmpty()
                       ? QStringLiteral("the desktop reads nothing of the device")
                       : QStringLiteral("kept from the desktop: %1").arg(heldNodes);
        case OVExclusiveUse::Hold::Some:
            return QStringLiteral("the desktop also receives touches through %1; kept from it: %2")
                .arg(held.unheldNodes.join(QStringLiteral(", ")), heldNodes);
        case OVExclusiveUse::Hold::None:
            break;
    }
    return QStringLiteral("the desktop also receives every touch: %1")
        .arg(held.unheldNodes.join(QStringLiteral(", ")));
}
