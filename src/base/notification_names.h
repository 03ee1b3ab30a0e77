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
// The touch session's device stopped delivering (unplugged, a read error) and the session ended
// with "Device not found". userInfo: "errorNumber" (the platform's error number) and "node"
// (where the device lived). The shell starts the session again when the device returns.
inline const QString OVTouchDeviceLostNotification =
    QStringLiteral("OVTouchDeviceLostNotification");
// The touch session's status changed by itself while it runs (its device's input came to be
// held, or no longer is). No userInfo.
inline const QString OVTouchStatusDidChangeNotification =
    QStringLiteral("OVTouchStatusDidChangeNotification");
