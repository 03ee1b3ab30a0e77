#include "app/app_delegate.h"

#include <utility>

#include "app/cursor_hiding.h"
#include "app/permissions_and_welcome.h"
#include "app/touch_session.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "platform/platform.h"
#include "service/app_policy.h"
#include "service/environment.h"
#include "settings/profile_switching.h"
#include "settings/profiles.h"

namespace {

// Display changes that move, resize, add or remove displays: begin configuration, moved, set
// mode, add, remove, enabled, disabled, mirror and unmirror (not set main, not desktop shape).
constexpr std::uint32_t kDisplayMappingChangeFlags = 0xF3B;
constexpr double kWakeRestartDelay = 1.25;
constexpr double kDisplayRefreshDelay = 0.45;
// HID devices come as several nodes at once; the restart waits for the burst to settle.
constexpr double kDeviceChangeSettleDelay = 0.5;

}  // namespace

OVAppDelegate::OVAppDelegate(OVTouchSession& bridge, OVAppShellUI& ui)
    : _bridge(bridge), _ui(ui), _runningVersion(OVBundleVersion()), _observers(OVDefaultCenter()) {}

OVAppDelegate::~OVAppDelegate() {
    invalidateTimers();
    removePlatformCallbacks();
}

bool OVAppDelegate::requiredUpdateActive() const {
    return OVCurrentProcessState().updateRequired;
}

void OVAppDelegate::runAsync(std::function<void()> fn) {
    OVMainScheduler().async([alive = std::weak_ptr<int>(_lifetime), fn = std::move(fn)] {
        if (!alive.expired()) {
            fn();
        }
    });
}

// --- Launch and lifecycle ------------------------------------------------------------------------

void OVAppDelegate::applicationDidFinishLaunching() {
    // The bridge exists already (the caller made it, status "Stopped").
    _ui.createKeyboardController();
    _ui.createStatusItem();
    // Policy notifications answer through the platform's notification service; nothing to set up.
    buildMenu();
    registerObservers();
    registerPlatformCallbacks();

    // The cursor is never hidden at launch, whatever the setting was when the program last ran.
    OVStandardPreferences().setBool(OVHideCursorKey, false);
    setCursorHidden(false);

    if (!showWelcomeIfNeeded()) {
        requestTermination();
        return;
    }
    auto continueStartup = [this, alive = std::weak_ptr<int>(_lifetime)] {
        if (!alive.expired()) {
            continueStartupAfterPolicyCheck();
        }
    };
    if (_policyCheck) {
        _policyCheck(continueStartup);
    } else {
        OVFetchAppPolicyOnLaunch(*this, continueStartup);
    }
}

void OVAppDelegate::registerObservers() {
    _observers.add(OVDeviceSelectionDidChangeNotification, nullptr,
                   [this](const OVNotification&) { deviceSelectionChanged(); });
    _observers.add(OVDisplaySelectionDidChangeNotification, nullptr,
                   [this](const OVNotification&) { displaySelectionChanged(); });
    _observers.add(OVCompatibilityTestModeDidChangeNotification, nullptr,
                   [this](const OVNotification& n) { compatibilityTestModeChanged(n); });
    _observers.add(OVInitialCompatibilityCompletedNotification, nullptr,
                   [this](const OVNotification&) { initialCompatibilityCompleted(); });
    _observers.add(OVSettingsProfileDidChangeNotification, nullptr,
                   [this](const OVNotification&) { settingsProfileChanged(); });
    _observers.add(OVMinimumSupportedVersionFailedNotification, nullptr,
                   [this](const OVNotification&) { minimumSupportedVersionFailed(); });
    // The session ended because its device went away: the menu says so until it returns.
    _observers.add(OVTouchDeviceLostNotification, nullptr,
                   [this](const OVNotification&) { refreshMenu(); });
    _observers.add(OVTouchStatusDidChangeNotification, nullptr,
                   [this](const OVNotification&) { refreshMenu(); });
}

void OVAppDelegate::registerPlatformCallbacks() {
    OVPlatform& platform = OVCurrentPlatform();
    OVWorkspace& workspace = platform.workspace();
    workspace.setFrontmostApplicationCallback(
        [this](const OVApplicationInfo& application) { frontmostApplicationChanged(application); });
    workspace.setSleepCallbacks([this] { workspaceWillSleep(); }, [this] { workspaceDidWake(); });
    workspace.setSessionActivityCallback([this](bool active) { sessionActivityChanged(active); });
    workspace.setActivationRequestCallback([this] { activationRequested(); });
    platform.setHIDDeviceChangeCallback(
        [this](const OVHIDDeviceChange& change) { hidDeviceChanged(change.added); });
    // The callback may come on any thread: it only hops to the main loop.
    platform.displayServices().setReconfigurationCallback(
        [this, alive = std::weak_ptr<int>(_lifetime)](std::uint32_t displayID,
                                                      std::uint32_t flags) {
            if (!alive.expired()) {
                displayReconfigured(displayID, flags);
            }
        });
    _platformCallbacksRegistered = true;
}

void OVAppDelegate::removePlatformCallbacks() {
    if (!_platformCallbacksRegistered || !OVHasCurrentPlatform()) {
        return;
    }
    _platformCallbacksRegistered = false;
    OVPlatform& platform = OVCurrentPlatform();
    platform.workspace().setFrontmostApplicationCallback(nullptr);
    platform.workspace().setSleepCallbacks(nullptr, nullptr);
    platform.workspace().setSessionActivityCallback(nullptr);
    platform.workspace().setActivationRequestCallback(nullptr);
    platform.setHIDDeviceChangeCallback(nullptr);
    platform.displayServices().setReconfigurationCallback(nullptr);
}

void OVAppDelegate::invalidateTimers() {
    _displayRefreshTimer.invalidate();
    _displayRefreshTimer = OVTimer();
    _wakeRestartTimer.invalidate();
    _wakeRestartTimer = OVTimer();
    _deviceChangeTimer.invalidate();
    _deviceChangeTimer = OVTimer();
}

void OVAppDelegate::continueStartupAfterPolicyCheck() {
    if (_startupContinued || requiredUpdateActive() || _terminated) {
        return;
    }
    _startupContinued = true;

    const QStringList missing = missingPermissionNames();
    if (!missing.isEmpty()) {
        if (showFirstRunPermissionNoticeForMissingPermissions(missing)) {
            OVPreferences& preferences = OVStandardPreferences();
            preferences.setBool(OVPermissionsCompatibilityCheckPendingKey, true);
            preferences.synchronize();
            requestMissingSystemPermissions();
        }
        // Touch stays stopped: the user starts it once the permissions are granted.
        refreshMenu();
        return;
    }
    if (initialCompatibilitySetupRequired()) {
        _bridge.setCompatibilityTestMode(true);
        startTouch();
        showInitialCompatibilityCheckIfNeeded();
        refreshMenu();
        return;
    }
    startTouch();
}

void OVAppDelegate::quit() {
    setCursorHidden(false);
    _bridge.stop();
    requestTermination();
}

int OVAppDelegate::runModalAlert(const OVPolicyAlert& alert) {
    OVModalAlert shown;
    shown.messageText = alert.messageText;
    shown.informativeText = alert.informativeText;
    shown.buttonTitles = alert.buttonTitles;
    return _ui.runModalAlert(shown);
}

void OVAppDelegate::terminateApplication() {
    requestTermination();
}

void OVAppDelegate::checkForUpdates() {
    OVShowUpdatePolicyMessage(*this);
}

void OVAppDelegate::requestTermination() {
    _terminationRequested = true;
    _ui.terminateApplication();
}

void OVAppDelegate::applicationWillTerminate() {
    _terminated = true;
    invalidateTimers();
    removePlatformCallbacks();
    _observers.removeAll();
    _bridge.stop();
    setCursorHidden(false);
}

void OVAppDelegate::workspaceWillSleep() {
    // Sleeping again (or losing the seat) before touch started again: touch is still wanted, in
    // the mode remembered then.
    _wakeRestartTimer.invalidate();
    _wakeRestartTimer = OVTimer();
    if (!std::exchange(_touchSuspended, true)) {
        _touchWasRunningBeforeSleep = _bridge.running();
        _compatibilityModeBeforeSleep = _bridge.compatibilityTestMode();
    }
    if (_touchWasRunningBeforeSleep) {
        _bridge.stop();
        refreshMenu();
    }
}

void OVAppDelegate::workspaceDidWake() {
    // Waking while another user has the seat: touch waits for the seat to come back.
    if (requiredUpdateActive() || _sessionInactive) {
        return;
    }
    if (_bridge.running()) {
        // No sleep was seen: touch starts again in the mode it runs in.
        if (!_touchSuspended) {
            _compatibilityModeBeforeSleep = _bridge.compatibilityTestMode();
        }
        _touchWasRunningBeforeSleep = true;
        _bridge.stop();
    }
    _touchSuspended = _touchWasRunningBeforeSleep;
    if (!_touchWasRunningBeforeSleep) {
        return;
    }
    _wakeRestartTimer.invalidate();
    _wakeRestartTimer =
        OVMainScheduler().after(kWakeRestartDelay, [this] { restartTouchAfterWake(); });
    refreshMenu();
}

void OVAppDelegate::restartTouchAfterWake() {
    _wakeRestartTimer = OVTimer();
    _touchSuspended = false;
    if (requiredUpdateActive()) {
        return;
    }
    _bridge.setCompatibilityTestMode(_compatibilityModeBeforeSleep ||
                                     initialCompatibilitySetupRequired());
    startTouch();
    _touchWasRunningBeforeSleep = false;
    _compatibilityModeBeforeSleep = false;
    refreshMenu();
}

void OVAppDelegate::sessionActivityChanged(bool active) {
    _sessionInactive = !active;
    if (active) {
        workspaceDidWake();
    } else {
        workspaceWillSleep();
    }
}

void OVAppDelegate::displayReconfigured(std::uint32_t displayID, std::uint32_t flags) {
    Q_UNUSED(displayID);
    if ((flags & kDisplayMappingChangeFlags) == 0) {
        return;
    }
    runAsync([this] { scheduleDisplayMappingRefresh(); });
}

void OVAppDelegate::scheduleDisplayMappingRefresh() {
    _displayRefreshTimer.invalidate();
    _displayRefreshTimer = OVMainScheduler().after(kDisplayRefreshDelay,
                                                   [this] { displayMappingRefreshTimerFired(); });
}

void OVAppDelegate::displayMappingRefreshTimerFired() {
    _displayRefreshTimer = OVTimer();
    if (_bridge.running()) {
        _bridge.refreshDisplayMapping();
        refreshMenu();
    }
}

void OVAppDelegate::deviceSelectionChanged() {
    if (requiredUpdateActive()) {
        return;
    }
    if (_bridge.running()) {
        _bridge.stop();
        startTouch();
        if (initialCompatibilitySetupRequired()) {
            _bridge.setCompatibilityTestMode(true);
        }
    }
    refreshMenu();
}

void OVAppDelegate::displaySelectionChanged() {
    scheduleDisplayMappingRefresh();
}

void OVAppDelegate::compatibilityTestModeChanged(const OVNotification& notification) {
    if (requiredUpdateActive()) {
        return;
    }
    const bool enabled = notification.userInfo.value(QStringLiteral("enabled")).toBool();
    if (enabled && !_bridge.running()) {
        startTouch();
    }
    _bridge.setCompatibilityTestMode(enabled);
    refreshMenu();
}

void OVAppDelegate::initialCompatibilityCompleted() {
    _bridge.setCompatibilityTestMode(false);
    refreshMenu();
    if (!_bridge.running() && !requiredUpdateActive()) {
        startTouch();
    }
}

void OVAppDelegate::minimumSupportedVersionFailed() {
    _bridge.stop();
    _ui.hideKeyboard();
    refreshMenu();
}

void OVAppDelegate::hidDeviceChanged(bool added) {
    _deviceAddedSinceSettled = _deviceAddedSinceSettled || added;
    _deviceChangeTimer.invalidate();
    _deviceChangeTimer =
        OVMainScheduler().after(kDeviceChangeSettleDelay, [this] { deviceChangesSettled(); });
}

bool OVAppDelegate::touchShouldFollowDevice() const {
    // Touch was wanted but has no device: it was lost, never found, or could not be opened.
    // A user who stopped touch sees "Stopped" and keeps it stopped; another user's seat is theirs.
    const OVTouchStatus status = _bridge.status();
    return _startupContinued && !requiredUpdateActive() && !_sessionInactive &&
           (status == OVTouchStatus::DeviceNotFound || status == OVTouchStatus::NeedsPermission);
}

void OVAppDelegate::deviceChangesSettled() {
    _deviceChangeTimer = OVTimer();
    const bool added = _deviceAddedSinceSettled;
    _deviceAddedSinceSettled = false;
    if (added && touchShouldFollowDevice()) {
        // No alert here: a device coming that is not the touch display is no reason for one.
        if (_bridge.running()) {
            _bridge.stop();
        }
        if (initialCompatibilitySetupRequired()) {
            _bridge.setCompatibilityTestMode(true);
        }
        _bridge.start(nullptr);
    }
    refreshMenu();
}

void OVAppDelegate::activationRequested() {
    _ui.revealStatusMenu();
}

// --- Status menu and commands --------------------------------------------------------------------

void OVAppDelegate::buildMenu() {
    OVStatusMenuState state = menuState();
    state.statusTitle = OVStatusMenuStartingTitle;
    _ui.setMenuState(state);
    _menuBuilt = true;
}

OVStatusMenuState OVAppDelegate::menuState() const {
    OVStatusMenuInputs inputs;
    inputs.updateRequired = requiredUpdateActive();
    inputs.setupRequired = initialCompatibilitySetupRequired();
    inputs.sessionRunning = _bridge.running();
    inputs.sessionStatusText = OVTouchStatusText(_bridge.status());
    inputs.keyboardVisible = _ui.keyboardVisible();
    inputs.profileNames = OVSettingsProfileNames();
    inputs.activeProfileName = OVActiveSettingsProfileName();
    inputs.automaticSwitching = OVAutomaticProfileSwitchingEnabled();
    return OVStatusMenuStateFor(inputs);
}

void OVAppDelegate::refreshMenu() {
    if (!_menuBuilt) {
        return;
    }
    _ui.setMenuState(menuState());
}

void OVAppDelegate::toggleTouch() {
    if (requiredUpdateActive()) {
        return;
    }
    if (initialCompatibilitySetupRequired()) {
        showCompatibilityCheckWindow();
        return;
    }
    if (_bridge.running()) {
        _bridge.stop();
        refreshMenu();
        return;
    }
    startTouch();
}

void OVAppDelegate::startTouch() {
    if (initialCompatibilitySetupRequired()) {
        _bridge.setCompatibilityTestMode(true);
    }
    OVError error;
    if (!_bridge.start(&error) && !error.description.isEmpty()) {
        showError(error);
    }
    refreshMenu();
}

void OVAppDelegate::showError(const OVError& error) {
    const OVStartErrorAlert alert = OVStartErrorAlertForDescription(error.description);
    OVModalAlert shown = alert.alert;
    switch (OVStartErrorChoiceAt(alert, _ui.runModalAlert(shown))) {
        case OVStartErrorChoice::OpenInputMonitoring:
            openPermissionHelp(QStringLiteral("input-monitoring"));
            break;
        case OVStartErrorChoice::OpenAccessibility:
            openPermissionHelp(QStringLiteral("accessibility"));
            break;
        case OVStartErrorChoice::OK:
            break;
    }
}

void OVAppDelegate::showKeyboard() {
    if (requiredUpdateActive()) {
        return;
    }
    if (initialCompatibilitySetupRequired()) {
        showCompatibilityCheckWindow();
        return;
    }
    if (_ui.keyboardVisible()) {
        _ui.hideKeyboard();
    } else {
        _ui.showKeyboard();
    }
    refreshMenu();
}

void OVAppDelegate::showSettings() {
    if (requiredUpdateActive()) {
        return;
    }
    if (initialCompatibilitySetupRequired()) {
        showCompatibilityCheckWindow();
        return;
    }
    _ui.showWindow(OVAppWindow::Settings);
}

void OVAppDelegate::showHelp() {
    _ui.showWindow(OVAppWindow::Help);
}

void OVAppDelegate::showAbout() {
    _ui.showWindow(OVAppWindow::About);
}

void OVAppDelegate::showDebugReports() {
    _ui.showWindow(OVAppWindow::DebugReports);
}

void OVAppDelegate::showCompatibilityTest() {
    _ui.showWindow(OVAppWindow::CompatibilityTest);
}

void OVAppDelegate::showCompatibilityCheckWindow() {
    _ui.showWindow(OVAppWindow::CompatibilityCheck);
}

void OVAppDelegate::selectProfileFromMenu(const QVariant& representedObject) {
    OVSelectProfileFromMenu(representedObject);
}

void OVAppDelegate::toggleAutomaticProfileSwitching() {
    OVToggleAutomaticProfileSwitching();
}

void OVAppDelegate::frontmostApplicationChanged(const OVApplicationInfo& application) {
    OVFrontmostApplicationChanged(application,
                                  OVCurrentPlatform().workspace().ownBundleIdentifier());
}

void OVAppDelegate::settingsProfileChanged() {
    refreshMenu();
}

void OVAppDelegate::setCursorHidden(bool hidden) {
    OVDisplayServices& displays = OVCurrentPlatform().displayServices();
    if (hidden) {
        OVHideCursorOnActiveDisplays(displays);
        _cursorHidden = true;
        return;
    }
    if (_cursorHidden) {
        OVShowCursorOnActiveDisplays(displays);
        _cursorHidden = false;
    }
}

void OVAppDelegate::applyCursorHiddenPreference() {
    setCursorHidden(OVStandardPreferences().boolForKey(OVHideCursorKey));
    refreshMenu();
}

void OVAppDelegate::toggleHideCursor() {
    OVPreferences& preferences = OVStandardPreferences();
    preferences.setBool(OVHideCursorKey, !preferences.boolForKey(OVHideCursorKey));
    applyCursorHiddenPreference();
}

// --- Permissions and welcome ---------------------------------------------------------------------

QStringList OVAppDelegate::missingPermissionNames() const {
    return OVMissingPermissionNames(OVCurrentPlatform().permissions());
}

void OVAppDelegate::requestMissingSystemPermissions() {
    OVRequestMissingSystemPermissions(OVCurrentPlatform().permissions());
}

bool OVAppDelegate::showFirstRunPermissionNoticeForMissingPermissions(const QStringList& names) {
    // The same notice whichever permissions are missing.
    Q_UNUSED(names);
    OVModalAlert notice = OVPermissionNoticeAlert([this] { openPermissionHelp(); });
    _ui.runModalAlert(notice);
    return true;
}

void OVAppDelegate::openPermissionHelp(const QString& section) {
    OVCurrentPlatform().workspace().openURL(OVPermissionHelpURL(section));
}

bool OVAppDelegate::initialCompatibilitySetupRequired() const {
    return OVInitialCompatibilitySetupRequired();
}

bool OVAppDelegate::showWelcomeIfNeeded() {
    const QString accepted = OVStandardPreferences().stringForKey(OVWelcomeAcceptedVersionKey);
    if (!OVWelcomeRequired(_runningVersion, accepted, missingPermissionNames())) {
        return true;
    }
    OVModalAlert welcome = OVWelcomeAlert();
    if (_ui.runModalAlert(welcome) != OVWelcomeAcceptButton) {
        return false;
    }
    OVStandardPreferences().setObject(OVWelcomeAcceptedVersionKey, _runningVersion);
    return true;
}

void OVAppDelegate::showInitialCompatibilityCheckIfNeeded() {
    if (initialCompatibilitySetupRequired()) {
        runAsync([this] { showCompatibilityCheckWindow(); });
    }
}
