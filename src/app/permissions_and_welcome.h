#pragma once

#include <QString>
#include <QStringList>

#include "app/help_page.h"
#include "base/error.h"
#include "base/modal_alert.h"
#include "compat/first_run_keys.h"

class OVPermissions;

// The gates in front of touch input: the two permissions, the terms accepted once per version
// and the first-run compatibility check.

inline const QString OVAccessibilityPermissionName = QStringLiteral("Accessibility");
inline const QString OVInputMonitoringPermissionName = QStringLiteral("Input Monitoring");

inline const QString OVWelcomeAcceptedVersionKey = QStringLiteral("welcomeAcceptedVersion");
inline const QString OVHideCursorKey = QStringLiteral("hideCursor");

// "Accessibility" (synthetic input cannot be posted) and "Input Monitoring" (the touch display
// cannot be read), in this order, for those that are missing.
QStringList OVMissingPermissionNames(const OVPermissions& permissions);
// Asks the system for each missing permission; the answers are not awaited.
void OVRequestMissingSystemPermissions(OVPermissions& permissions);

// The command-line switches "--simulate-first-install" and "-firstinstall".
bool OVFirstInstallRequested(const QStringList& arguments);
// Forgets the accepted terms and the first-run check, and writes the preferences through at once:
// the welcome and the check come again as on a first launch.
void OVSimulateFirstInstall();
// OVSimulateFirstInstall when `arguments` ask for it; returns whether they did.
bool OVSimulateFirstInstallIfRequested(const QStringList& arguments);

// Whether the welcome must be shown: unless the running version's terms were accepted and no
// permission is missing.
bool OVWelcomeRequired(const QString& runningVersion, const QString& acceptedVersion,
                       const QStringList& missingPermissions);
// The welcome dialog: what the program does and what the compatibility report holds; button 0
// accepts, button 1 quits.
OVModalAlert OVWelcomeAlert();
inline constexpr int OVWelcomeAcceptButton = 0;

// The notice shown once when permissions are missing at the first start; its "Help" button runs
// `openHelp` and leaves the notice open.
OVModalAlert OVPermissionNoticeAlert(std::function<void()> openHelp);

// Why a start of touch failed, from its error.
enum class OVStartFailureCause {
    MissingPermission,    // Accessibility or Input Monitoring
    DeviceNotOpened,      // the device is there but could not be opened (its node's permissions)
    DeviceNotFound,       // no touch display, or not the one selected
    DeviceNotRecognised,  // no usable touch descriptor
};
OVStartFailureCause OVStartFailureCauseFor(const OVError& error);

// The alert of a start of touch the user asked for that failed: titled by its cause, with the
// buttons its error calls for.
enum class OVStartErrorChoice { OpenInputMonitoring, OpenAccessibility, OK };
struct OVStartErrorAlert {
    OVModalAlert alert;
    // What each button does, in the order of alert.buttonTitles.
    QList<OVStartErrorChoice> choices;
};
OVStartErrorAlert OVStartErrorAlertFor(const OVError& error);
// The choice behind a button index of that alert; OK for anything else.
OVStartErrorChoice OVStartErrorChoiceAt(const OVStartErrorAlert& alert, int buttonIndex);
// The section of the set-up guide for the permission `error` names ("input-monitoring",
// "accessibility"), or empty.
QString OVPermissionHelpSectionFor(const OVError& error);
