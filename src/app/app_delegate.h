#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/app_shell_ui.h"
#include "app/status_menu_state.h"
#include "base/error.h"
#include "base/notification_center.h"
#include "base/scheduler.h"
#include "platform/workspace.h"
#include "service/policy_presenter.h"

class OVTouchSession;

// The application's spine: brings the parts up at launch in order, starts touch once the app
// policy check is done, follows sleep and wake, display changes and the choices made in other
// windows, keeps the status menu in step and carries out its commands. Widgets stay behind
// OVAppShellUI, so that all of this runs in virtual time in tests.
class OVAppDelegate : public OVPolicyAlertPresenter {
  public:
    // Asks the service for the app policy and calls the continuation when startup may go on.
    using PolicyCheck = std::function<void(std::function<void()> continueStartup)>;

    OVAppDelegate(OVTouchSession& bridge, OVAppShellUI& ui);
    ~OVAppDelegate() override;
    OVAppDelegate(const OVAppDelegate&) = delete;
    OVAppDelegate& operator=(const OVAppDelegate&) = delete;

    // The launch's policy check; the service's by default.
    void setPolicyCheck(PolicyCheck check) { _policyCheck = std::move(check); }
    // The running version whose terms the welcome asks to accept.
    void setRunningVersion(const QString& version) { _runningVersion = version; }

    // --- Launch and lifecycle ------------------------------------------------------------------
    void applicationDidFinishLaunching();
    // Runs once, when the app policy check is done (also when it failed); touch starts here.
    void continueStartupAfterPolicyCheck();
    void applicationWillTerminate();
    void quit();

    void workspaceWillSleep();
    void workspaceDidWake();
    void restartTouchAfterWake();
    // Another user took the seat (inactive): touch stops as for sleep. The seat came back: touch
    // starts again as after a wake.
    void sessionActivityChanged(bool active);
    // The platform's display reconfiguration callback.
    void displayReconfigured(std::uint32_t displayID, std::uint32_t flags);
    void scheduleDisplayMappingRefresh();
    void displayMappingRefreshTimerFired();
    void deviceSelectionChanged();
    void displaySelectionChanged();
    // A compatibility window took test mode for itself or gave it back (the notification's
    // sender owns it): the bridge is in test mode while any window holds it, and while the
    // first-run check is due.
    void compatibilityTestModeChanged(const OVNotification& notification);
    void initialCompatibilityCompleted();
    void minimumSupportedVersionFailed();
    // A HID device came (`added`) or went while the program runs.
    void hidDeviceChanged(bool added);
    // Half a second after the last device change: refreshes the menu, and when a device came
    // while touch had lost its device (or could not open one), starts touch again.
    void deviceChangesSettled();
    // A later start of the program asked this one to come forward, with the first run again
    // when it was given the first-install switch.
    void activationRequested(const OVActivationRequest& request = {});
    // The first-install switch of a later start: the welcome and the first-run check come again.
    void firstInstallRequested();
    // Another program changed these preferences in the file.
    void preferencesChangedOnDisk(const QStringList& keys);
    // The touch keyboard appeared or went away, by the menu, a touch or its own key.
    void keyboardVisibilityChanged();

    // --- Status menu and commands ---------------------------------------------------------------
    void buildMenu();
    void refreshMenu();
    OVStatusMenuState menuState() const;
    void toggleTouch();
    // A start the user asked for: a failure shows its alert.
    void startTouch();
    // A start nobody asked for at that moment (launch, wake, the device coming back, the test
    // windows): a failure only sets the status, and a missing permission posts one notification
    // per launch.
    void startTouchAutomatically();
    void showError(const OVError& error);
    void showKeyboard();
    void showSettings();
    void showHelp();
    void showAbout();
    void showDebugReports();
    void showCompatibilityTest();
    void showCompatibilityCheckWindow();
    void selectProfileFromMenu(const QVariant& representedObject);
    void toggleAutomaticProfileSwitching();
    void settingsProfileChanged();
    // Another application came to the front: automatic profile switching.
    void frontmostApplicationChanged(const OVApplicationInfo& application);

    void setCursorHidden(bool hidden);
    void applyCursorHiddenPreference();
    void toggleHideCursor();

    // --- Permissions and welcome ---------------------------------------------------------------
    QStringList missingPermissionNames() const;
    void requestMissingSystemPermissions();
    bool showFirstRunPermissionNoticeForMissingPermissions(const QStringList& names);
    void openPermissionHelp(const QString& section = QString());
    bool initialCompatibilitySetupRequired() const;
    // True to continue; false when the user chose to quit.
    bool showWelcomeIfNeeded();
    void showInitialCompatibilityCheckIfNeeded();

    // --- The app policy's alerts -------------------------------------------------------------
    int runModalAlert(OVModalAlert& alert) override;
    void terminateApplication() override;
    // "Check for Updates".
    void checkForUpdates();

    // --- State, for the windows and tests ------------------------------------------------------
    bool startupContinued() const { return _startupContinued; }
    bool cursorHidden() const { return _cursorHidden; }
    bool wakeRestartPending() const { return _wakeRestartTimer.isValid(); }
    bool displayRefreshPending() const { return _displayRefreshTimer.isValid(); }
    bool deviceChangesPending() const { return _deviceChangeTimer.isValid(); }
    bool terminated() const { return _terminated; }
    // The application was asked to end (quit, or the welcome declined).
    bool terminationRequested() const { return _terminationRequested; }

  private:
    bool requiredUpdateActive() const;
    void requestTermination();
    void registerObservers();
    void registerPlatformCallbacks();
    void removePlatformCallbacks();
    void invalidateTimers();
    // Runs `fn` on the main loop after the current call, unless the delegate is gone by then.
    void runAsync(std::function<void()> fn);
    bool touchShouldFollowDevice() const;
    enum class StartRequest { ByUser, Automatic };
    void startSession(StartRequest request);
    void applyCompatibilityTestMode();
    // A system notification; nothing when notifications are not allowed.
    void postNotification(const QString& identifier, const QString& title, const QString& body,
                          const QUrl& link);

    OVTouchSession& _bridge;
    OVAppShellUI& _ui;
    PolicyCheck _policyCheck;
    QString _runningVersion;

    OVScopedObservers _observers;
    OVTimer _displayRefreshTimer;
    OVTimer _wakeRestartTimer;
    OVTimer _deviceChangeTimer;
    bool _deviceAddedSinceSettled = false;
    // Callbacks that run later on the main loop hold this weakly, so that they do nothing once
    // the delegate is gone.
    std::shared_ptr<int> _lifetime = std::make_shared<int>(0);
    bool _menuBuilt = false;
    bool _cursorHidden = false;
    bool _startupContinued = false;
    bool _touchWasRunningBeforeSleep = false;
    // The windows that hold compatibility test mode.
    QSet<const void*> _testModeOwners;
    bool _permissionNotificationPosted = false;
    // Touch was stopped by a sleep or by another user taking the seat, and not started again yet.
    bool _touchSuspended = false;
    bool _sessionInactive = false;
    bool _platformCallbacksRegistered = false;
    bool _terminated = false;
    bool _terminationRequested = false;
};
