#pragma once

#include <QString>

#include "base/preferences.h"
#include "base/services.h"

// The preferences that hold the first-run state: the interactive compatibility check writes them,
// the application shell reads them to decide whether the check is still due.

// The first-run check was finished and the service acknowledged its report with an id.
inline const QString OVInitialCompatibilityReportSentKey =
    QStringLiteral("initialCompatibilityReportSent");
// The first-run check was finished, whether its report reached the service or waits in the
// outbox.
inline const QString OVInitialCompatibilityCheckCompletedKey =
    QStringLiteral("initialCompatibilityCheckCompleted");
inline const QString OVPermissionsCompatibilityCheckPendingKey =
    QStringLiteral("permissionsCompatibilityCheckPending");

// Whether a first-run check was ever finished (files of earlier versions only know the first
// key).
inline bool OVInitialCompatibilityCheckFinished() {
    const OVPreferences& preferences = OVStandardPreferences();
    return preferences.boolForKey(OVInitialCompatibilityReportSentKey) ||
           preferences.boolForKey(OVInitialCompatibilityCheckCompletedKey);
}

// The first-run compatibility check is due: it was never finished, or it is owed after the
// permission steps.
inline bool OVInitialCompatibilitySetupRequired() {
    return !OVInitialCompatibilityCheckFinished() ||
           OVStandardPreferences().boolForKey(OVPermissionsCompatibilityCheckPendingKey);
}
