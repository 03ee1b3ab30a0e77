#include "app/permissions_and_welcome.h"

#include "base/preferences.h"
#include "base/services.h"
#include "hid/touch_bridge.h"
#include "platform/permissions.h"

namespace {

const QString kOpenInputMonitoring = QStringLiteral("Open Input Monitoring");
const QString kOpenAccessibility = QStringLiteral("Open Accessibility");

const QString kPermissionSteps = QStringLiteral(
    "Orvetta needs:\n"
    "- Accessibility: permission to create input, that is write access to /dev/uinput (or an X11 "
    "session with XTEST).\n"
    "- Input Monitoring: read access to the touch display's hidraw device. Install Orvetta's udev "
    "rule with \"sudo orvetta-tool install-udev-rule\", then unplug and reconnect the display.\n\n"
    "After changing permissions, quit and reopen Orvetta if touch does not start immediately.");

const QString kConnectDisplay = QStringLiteral(
    "Connect the display with USB and make sure no other touch driver app is using it. Touch "
    "starts by itself when the display appears.");

}  // namespace

QStringList OVMissingPermissionNames(const OVPermissions& permissions) {
    QStringList missing;
    if (!permissions.canPostEvents()) {
        missing.append(OVAccessibilityPermissionName);
    }
    if (!permissions.canListenToInput()) {
        missing.append(OVInputMonitoringPermissionName);
    }
    return missing;
}

void OVRequestMissingSystemPermissions(OVPermissions& permissions) {
    if (!permissions.canPostEvents()) {
        permissions.requestPostEventAccess();
    }
    if (!permissions.canListenToInput()) {
        permissions.requestListenAccess();
    }
}

bool OVFirstInstallRequested(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--simulate-first-install")) ||
           arguments.contains(QStringLiteral("-firstinstall"));
}

void OVSimulateFirstInstall() {
    OVPreferences& preferences = OVStandardPreferences();
    preferences.removeObject(OVWelcomeAcceptedVersionKey);
    preferences.setBool(OVInitialCompatibilityReportSentKey, false);
    preferences.setBool(OVInitialCompatibilityCheckCompletedKey, false);
    preferences.setBool(OVPermissionsCompatibilityCheckPendingKey, false);
    preferences.synchronize();
}

bool OVSimulateFirstInstallIfRequested(const QStringList& arguments) {
    if (!OVFirstInstallRequested(arguments)) {
        return false;
    }
    OVSimulateFirstInstall();
    return true;
}

bool OVWelcomeRequired(const QString& runningVersion, const QString& acceptedVersion,
                       const QStringList& missingPermissions) {
    return acceptedVersion != runningVersion || !missingPermissions.isEmpty();
}

OVModalAlert OVWelcomeAlert() {
    OVModalAlert alert;
    alert.windowTitle = QStringLiteral("Welcome to Orvetta");
    alert.messageText = QStringLiteral("Welcome to Orvetta");
    alert.informativeText = QStringLiteral(
        "Orvetta reads the touches, pen strokes and eraser strokes of your USB touch display and "
        "turns them into mouse, scroll, zoom and keyboard input for the whole desktop. While touch "
        "is on, Orvetta takes the display's touch input for itself, so that the desktop does not "
        "act on it twice, and it posts input as if it came from a mouse and a keyboard.\n\n"
        "To find out whether your display works with Orvetta, the compatibility check sends an "
        "anonymous report: the display's vendor and product, its HID report descriptor, samples "
        "of the touches recorded during the check, your screen sizes, the Orvetta version, the "
        "operating system and a random installation number. It holds no name, no account and "
        "nothing you type.\n\n"
        "At every start Orvetta asks its service for update notices and sends the same "
        "installation number, the Orvetta version, the operating system, the processor type, the "
        "language and the time zone.\n\n"
        "By continuing you accept this.");
    alert.buttonTitles = {QStringLiteral("Accept and Continue"), QStringLiteral("Quit")};
    return alert;
}

OVModalAlert OVPermissionNoticeAlert(std::function<void()> openHelp) {
    OVModalAlert alert;
    alert.messageText = QStringLiteral("Orvetta needs permissions");
    alert.informativeText = QStringLiteral(
        "Orvetta needs two permissions before touch setup can continue.\n\n"
        "Accessibility lets Orvetta create input (write access to /dev/uinput), and Input "
        "Monitoring lets it read the touch display (read access to its hidraw device). Install "
        "Orvetta's udev rule with \"sudo orvetta-tool install-udev-rule\", then unplug and "
        "reconnect the display. Help explains the steps.\n\n"
        "After enabling both permissions, quit and reopen Orvetta. Compatibility Check will start "
        "on the next launch.");
    alert.buttonTitles = {QStringLiteral("OK, I understand")};
    alert.accessoryButtonTitle = QStringLiteral("Help");
    alert.accessoryButtonAction = std::move(openHelp);
    return alert;
}

OVStartFailureCause OVStartFailureCauseFor(const OVError& error) {
    switch (error.code) {
        case OVTouchBridge::MissingPermissionError:
            return OVStartFailureCause::MissingPermission;
        case OVTouchBridge::DeviceNotFoundError:
            return OVStartFailureCause::DeviceNotFound;
        case OVTouchBridge::NoTouchDescriptorError:
            return OVStartFailureCause::DeviceNotRecognised;
        default:
            return OVStartFailureCause::DeviceNotOpened;
    }
}

OVStartErrorAlert OVStartErrorAlertFor(const OVError& error) {
    OVStartErrorAlert result;
    QString advice = kPermissionSteps;
    switch (OVStartFailureCauseFor(error)) {
        case OVStartFailureCause::MissingPermission:
            result.alert.messageText = QStringLiteral("Orvetta needs permission");
            break;
        case OVStartFailureCause::DeviceNotOpened:
            result.alert.messageText = QStringLiteral("Orvetta cannot open the touch display");
            break;
        case OVStartFailureCause::DeviceNotFound:
            result.alert.messageText = QStringLiteral("Touch display not found");
            advice = kConnectDisplay;
            break;
        case OVStartFailureCause::DeviceNotRecognised:
            result.alert.messageText = QStringLiteral("Touch display not recognised");
            advice = kConnectDisplay;
            break;
    }
    result.alert.informativeText = QStringLiteral("%1\n\n").arg(error.description) + advice;
    if (error.description.contains(OVInputMonitoringPermissionName)) {
        result.alert.buttonTitles.append(kOpenInputMonitoring);
        result.choices.append(OVStartErrorChoice::OpenInputMonitoring);
    }
    if (error.description.contains(OVAccessibilityPermissionName)) {
        result.alert.buttonTitles.append(kOpenAccessibility);
        result.choices.append(OVStartErrorChoice::OpenAccessibility);
    }
    result.alert.buttonTitles.append(QStringLiteral("OK"));
    result.choices.append(OVStartErrorChoice::OK);
    return result;
}

QString OVPermissionHelpSectionFor(const OVError& error) {
    if (error.description.contains(OVInputMonitoringPermissionName)) {
        return QStringLiteral("input-monitoring");
    }
    if (error.description.contains(OVAccessibilityPermissionName)) {
        return QStringLiteral("accessibility");
    }
    return QString();
}

OVStartErrorChoice OVStartErrorChoiceAt(const OVStartErrorAlert& alert, int buttonIndex) {
    if (buttonIndex < 0 || buttonIndex >= alert.choices.size()) {
        return OVStartErrorChoice::OK;
    }
    return alert.choices.at(buttonIndex);
}
