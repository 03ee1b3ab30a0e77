#include "app/app_delegate.h"

#include <algorithm>
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
#include "service/report_outbox.h"
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

const QString kDeviceSelectionKey = QStringLiteral("deviceSelection");
const QString kDisplaySelectionKey = QStringLiteral("displaySelection");

// The preferences whose change is a change of the settings profiles: the profile store, the
// active profile, automatic switching and the Default profile's own values.
bool isProfileKey(const QString& key) {
    static const QSet<QString> keys = [] {
        QSet<QString> profileKeys(OVProfileSettingKeys().begin(), OVProfileSettingKeys().end());
        profileKeys << QStringLiteral("settingsProfiles") << QStringLiteral("activeSettingsProfile")
                    << QStringLiteral("automaticProfileSwitching");
        return profileKeys;
    }();
    return keys.contains(key);
}

}  // namespace

OVAppDelegate::OVAppDelegate(OVTouchSession& bridge, OVAppShellUI& ui)
    : _bridge(bridge), _ui(ui), _runningVersion(OVBundleVersion()), _observers(OVDefaultCenter()) {}

OVAppDelegate::~OVAppDelegate() {
    invalidateTimers();
    removePlatformCallbacks();
    OVStandardPreferences().stopFollowingFileChanges();
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

    // What others write to the preferences (orvetta-tool, an editor) is taken in as it lands.
    OVPreferences& preferences = OVStandardPreferences();
    preferences.followFileChanges(
        [this](const QStringList& keys) { preferencesChangedOnDisk(keys); });
    if (preferences.fileUnreadable()) {
        postNotification(QStringLiteral("orvetta.preferences"),
                         QStringLiteral("Orvetta cannot read its settings"),
                         QStringLiteral("%1: %2. Orvetta runs with its default settings and saves "
                                        "no changes until the file can be read.")
                             .arg(preferences.path(), preferences.fileProblem()),
                         QUrl());
    }

    // The cursor is never hidden at launch, whatever the setting was when the program last ran.
    preferences.setBool(OVHideCursorKey, false);
    setCursorHidden(false);

    if (!showWelcomeIfNeeded()) {
        requestTermination();
        return;
    }
    // Reports that an earlier start could not deliver go first, one after another.
    if (const std::optional<OVReportOutbox> outbox = OVStandardReportOutbox()) {
        OVSendQueuedReports(*outbox);
    }
    auto continueStartup = [this, alive = std::weak_ptr<int>(_lifetime)] {
        if (!alive.expired()) {
            continueStartupAfterPolicyCheck();
        }
    };
    if (_policyCheck) {
        _policyCheck(continueStartup);
    } else if (OVServiceConfigured()) {
        OVFetchAppPolicyOnLaunch(*this, continueStartup);
    } else {
        // Without a service the check ends at once; touch still starts after this launch step.
        runAsync([this, continueStartup] { OVFetchAppPolicyOnLaunch(*this, continueStartup); });
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
    workspace.setActivationRequestCallback(
        [this](const OVActivationRequest& request) { activationRequested(request); });
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
    _displayRefreshTimer.reset();
    _wakeRestartTimer.reset();
    _deviceChangeTimer.reset();
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
        startTouchAutomatically();
        showInitialCompatibilityCheckIfNeeded();
        return;
    }
    startTouchAutomatically();
}

void OVAppDelegate::quit() {
    setCursorHidden(false);
    _bridge.stop();
    requestTermination();
}

int OVAppDelegate::runModalAlert(OVModalAlert& alert) {
    return _ui.runModalAlert(alert);
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
    OVStandardPreferences().stopFollowingFileChanges();
    _bridge.stop();
    setCursorHidden(false);
}

void OVAppDelegate::workspaceWillSleep() {
    // Sleeping again (or losing the seat) before touch started again: touch is still wanted, in
    // the mode remembered then.
    _wakeRestartTimer.reset();
    if (!std::exchange(_touchSuspended, true)) {
        _touchWasRunningBeforeSleep = _bridge.running();
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
        // No sleep was seen: touch starts again.
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
    // The display may come back later than this: it is then started when it appears.
    startTouchAutomatically();
    _touchWasRunningBeforeSleep = false;
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
        startTouchAutomatically();
        return;
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
    if (notification.userInfo.value(QStringLiteral("enabled")).toBool()) {
        _testModeOwners.insert(notification.sender);
    } else {
        _testModeOwners.remove(notification.sender);
    }
    if (!_testModeOwners.isEmpty() && !_bridge.running()) {
        startTouchAutomatically();
        return;
    }
    applyCompatibilityTestMode();
    refreshMenu();
}

void OVAppDelegate::applyCompatibilityTestMode() {
    _bridge.setCompatibilityTestMode(!_testModeOwners.isEmpty() ||
                                     initialCompatibilitySetupRequired());
}

void OVAppDelegate::initialCompatibilityCompleted() {
    if (!_bridge.running() && !requiredUpdateActive()) {
        startTouchAutomatically();
        return;
    }
    applyCompatibilityTestMode();
    refreshMenu();
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
        if (_bridge.running()) {
            _bridge.stop();
        }
        startTouchAutomatically();
        return;
    }
    refreshMenu();
}

void OVAppDelegate::activationRequested(const OVActivationRequest& request) {
    _ui.revealStatusMenu();
    if (request.firstInstall) {
        // After the request is handled: the welcome is a modal dialog.
        runAsync([this] { firstInstallRequested(); });
    }
}

void OVAppDelegate::firstInstallRequested() {
    OVSimulateFirstInstall();
    if (!showWelcomeIfNeeded()) {
        requestTermination();
        return;
    }
    // Before the deferred start has run, it takes care of the check itself.
    if (!_startupContinued || requiredUpdateActive()) {
        refreshMenu();
        return;
    }
    if (!_bridge.running()) {
        startTouchAutomatically();
    } else {
        applyCompatibilityTestMode();
        refreshMenu();
    }
    showCompatibilityCheckWindow();
}

void OVAppDelegate::preferencesChangedOnDisk(const QStringList& keys) {
    const auto changed = [&keys](const auto& predicate) {
        return std::any_of(keys.begin(), keys.end(), predicate);
    };
    if (changed([](const QString& key) { return isProfileKey(key); })) {
        OVDefaultCenter().post(OVSettingsProfileDidChangeNotification);
    }
    if (keys.contains(kDeviceSelectionKey)) {
        OVDefaultCenter().post(OVDeviceSelectionDidChangeNotification, this);
    }
    if (keys.contains(kDisplaySelectionKey)) {
        OVDefaultCenter().post(OVDisplaySelectionDidChangeNotification, this);
    }
    if (keys.contains(OVHideCursorKey)) {
        setCursorHidden(OVStandardPreferences().boolForKey(OVHideCursorKey));
    }
    if (keys.contains(OVInitialCompatibilityReportSentKey) ||
        keys.contains(OVPermissionsCompatibilityCheckPendingKey)) {
        applyCompatibilityTestMode();
    }
    refreshMenu();
}

void OVAppDelegate::keyboardVisibilityChanged() {
    refreshMenu();
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
    startSession(StartRequest::ByUser);
}

void OVAppDelegate::startTouchAutomatically() {
    startSession(StartRequest::Automatic);
}

void OVAppDelegate::startSession(StartRequest request) {
    applyCompatibilityTestMode();
    OVError error;
    const bool failed = !_bridge.start(&error) && !error.description.isEmpty();
    refreshMenu();
    if (!failed) {
        return;
    }
    if (request == StartRequest::ByUser) {
        showError(error);
        return;
    }
    // Nobody waits for this start: the status line says why it failed; a missing permission,
    // which only the user can grant, is worth one notification per launch.
    const OVStartFailureCause cause = OVStartFailureCauseFor(error);
    const bool permission = cause == OVStartFailureCause::MissingPermission ||
                            cause == OVStartFailureCause::DeviceNotOpened;
    if (permission && !_permissionNotificationPosted) {
        _permissionNotificationPosted = true;
        postNotification(QStringLiteral("orvetta.permission"),
                         OVStartErrorAlertFor(error).alert.messageText,
                         error.description + QStringLiteral(" Touch stays off until this is "
                                                            "fixed; click for the steps."),
                         OVPermissionHelpURL(OVPermissionHelpSectionFor(error)));
    }
}

void OVAppDelegate::postNotification(const QString& identifier, const QString& title,
                                     const QString& body, const QUrl& link) {
    OVUserNotifications& notifications = OVCurrentPlatform().userNotifications();
    notifications.requestAuthorization(
        [&notifications, identifier, title, body, link](bool granted) {
            if (granted) {
                notifications.deliver(identifier, title, body, link);
            }
        });
}

void OVAppDelegate::showError(const OVError& error) {
    const OVStartErrorAlert alert = OVStartErrorAlertFor(error);
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
