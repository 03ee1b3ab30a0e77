#pragma once

#include <QString>

// The preferences that hold the first-run state: the interactive compatibility check writes them,
// the application shell reads them to decide whether the check is still due.
inline const QString OVInitialCompatibilityReportSentKey =
    QStringLiteral("initialCompatibilityReportSent");
inline const QString OVPermissionsCompatibilityCheckPendingKey =
    QStringLiteral("permissionsCompatibilityCheckPending");
