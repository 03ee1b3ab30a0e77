#pragma once

#include <QString>

struct OVExclusiveUse;

// The touch session's state, as the status menu shows it ("Status: %@").
enum class OVTouchStatus {
    // After init and after stop.
    Stopped,
    // The session runs, and the desktop receives none of the device's input.
    Active,
    // The session runs, but the desktop also receives every touch.
    SharedWithDesktop,
    // The session runs, but some of the device's input reaches the desktop too.
    PartlySharedWithDesktop,
    // A permission is missing, or the device could not be opened.
    NeedsPermission,
    // No device matched or none has a touch layout, or the device went away.
    DeviceNotFound,
    // The display mapping was refreshed while the session runs.
    DisplayUpdated,
};

// The status as people read it: "Stopped", "Touch active", "Needs permission", ...
QString OVTouchStatusText(OVTouchStatus status);

// One line on how much of the touch device's own input is kept from the desktop, for the log and
// the device report.
QString OVExclusiveUseDescription(const OVExclusiveUse& held);
