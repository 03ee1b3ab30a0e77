#include "app/app_test_helpers.h"

bool ScriptedTouchSession::start(OVError* error) {
    ++starts;
    if (_running) {
        return true;
    }
    if (_failure) {
        if (error) {
            *error = _failure->first;
        }
        _status = _failure->second;
        return false;
    }
    _running = true;
    _status = QStringLiteral("Touch active");
    testModeAtStarts.append(_testMode);
    return true;
}

void ScriptedTouchSession::stop() {
    ++stops;
    _running = false;
    _status = QStringLiteral("Stopped");
}

void ScriptedTouchSession::setCompatibilityTestMode(bool enabled) {
    if (enabled != _testMode) {
        testModeChanges.append(enabled);
    }
    _testMode = enabled;
}

void ScriptedTouchSession::refreshDisplayMapping() {
    ++refreshes;
    if (_running) {
        _status = QStringLiteral("Display updated");
    }
}

void ScriptedTouchSession::failStartsWith(const OVError& error, const QString& status) {
    _failure = std::make_pair(error, status);
}

void ScriptedTouchSession::loseDevice() {
    _running = false;
    _status = OVDeviceNotFoundStatus;
}

QList<OVDisplayInfo> CountingDisplays::activeDisplays() const {
    QList<OVDisplayInfo> displays;
    for (int index = 0; index < displayCount; ++index) {
        OVDisplayInfo display;
        display.displayID = static_cast<std::uint32_t>(index + 1);
        display.bounds = QRectF(1920.0 * index, 0, 1920, 1080);
        display.pixelSize = QSize(1920, 1080);
        display.isMain = index == 0;
        displays.append(display);
    }
    return displays;
}

int RecordingShellUI::runModalAlert(OVModalAlert& alert) {
    if (pressAccessoryButton && alert.accessoryButtonAction) {
        alert.accessoryButtonAction();
    }
    alerts.append(alert);
    return answers.isEmpty() ? 0 : answers.takeFirst();
}

QStringList RecordingShellUI::alertMessages() const {
    QStringList messages;
    for (const OVModalAlert& alert : alerts) {
        messages.append(alert.messageText);
    }
    return messages;
}

AppFixture::AppFixture() {
    platform.displays = &displays;
    platform.workspaceService = &workspace;
    platform.permissionService = &permissions;
    _services.setPlatform(&platform);
    OVRegisterDefaults();
    delegate = std::make_unique<OVAppDelegate>(session, ui);
    delegate->setRunningVersion(QStringLiteral("2.4.0"));
}

void AppFixture::setUpReturningUser() {
    preferences().setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.4.0"));
    preferences().setBool(OVInitialCompatibilityReportSentKey, true);
    preferences().setBool(OVPermissionsCompatibilityCheckPendingKey, false);
}

void AppFixture::holdPolicyCheck() {
    delegate->setPolicyCheck([this](std::function<void()> continueStartup) {
        _policyStarted = true;
        _continueStartup = std::move(continueStartup);
    });
}

void AppFixture::completePolicyCheck() {
    if (_continueStartup) {
        _continueStartup();
    }
}

void AppFixture::failMinimumVersion() {
    OVCurrentProcessState().updateRequired = true;
    OVDefaultCenter().post(OVMinimumSupportedVersionFailedNotification);
}

void AppFixture::launch() {
    delegate->applicationDidFinishLaunching();
}
