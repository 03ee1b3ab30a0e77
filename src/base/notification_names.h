#pragma once

#include <QString>

// The notifications the parts of the program send each other on the default centre.
inline const QString OVDebugReportNotification = QStringLiteral("OVDebugReportNotification");
inline const QString OVCompatibilityReportNotification =
    QStringLiteral("OVCompatibilityReportNotification");
inline const QString OVCompatibilityTestModeDidChangeNotification =
    QStringLiteral("OVCompatibilityTestModeDidChangeNotification");
inline const QString OVDeviceSelectionDidChangeNotification =
    QStringLiteral("OVDeviceSelectionDidChangeNotification");
inline const QString OVDisplaySelectionDidChangeNotification =
    QStringLiteral("OVDisplaySelectionDidChangeNotification");
inline const QString OVInitialCompatibilityCompletedNotification =
    QStringLiteral("OVInitialCompatibilityCompletedNotification");
inline const QString OVMinimumSupportedVersionFailedNotification =
    QStringLiteral("OVMinimumSupportedVersionFailedNotification");
inline const QString OVSettingsProfileDidChangeNotification =
    QStringLiteral("OVSettingsProfileDidChangeNotification");
inline const QString OVTouchKeyboardShowNotification =
    QStringLiteral("OVTouchKeyboardShowNotification");
