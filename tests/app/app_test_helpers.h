#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <utility>

#include "app/app_delegate.h"
#include "app/app_shell_ui.h"
#include "app/permissions_and_welcome.h"
#include "app/touch_session.h"
#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_hid_manager.h"
#include "platform/sim/sim_permissions.h"
#include "platform/sim/sim_user_notifications.h"
#include "platform/sim/sim_workspace.h"
#include "settings/profiles.h"

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A touch session whose start succeeds or fails as the test says, and that counts what the shell
// asks of it.
class ScriptedTouchSession : public OVTouchSession {
  public:
    bool start(OVError* error) override;
    void stop() override;
    bool running() const override { return _running; }
    OVTouchStatus status() const override { return _status; }
    bool compatibilityTestMode() const override { return _testMode; }
    void setCompatibilityTestMode(bool enabled) override;
    void refreshDisplayMapping() override;

    // The next starts fail with this error (and its status text) until cleared.
    void failStartsWith(const OVError& error, OVTouchStatus status);
    void succeedStarts() { _failure.reset(); }
    // The device went away while the session ran, as the session reports it.
    void loseDevice();

    int starts = 0;
    int stops = 0;
    int refreshes = 0;
    // The test mode at each successful start.
    QList<bool> testModeAtStarts;
    QList<bool> testModeChanges;

  private:
    bool _running = false;
    bool _testMode = false;
    OVTouchStatus _status = OVTouchStatus::Stopped;
    std::optional<std::pair<OVError, OVTouchStatus>> _failure;
};

// Display services with a number of displays that count cursor hides and shows.
class CountingDisplays : public OVDisplayServices {
  public:
    QList<OVDisplayInfo> activeDisplays() const override;
    std::uint32_t mainDisplayID() const override { return 1; }
    void hideCursor() override { ++hides; }
    void showCursor() override { ++shows; }
    void setReconfigurationCallback(ReconfigurationCallback callback) override {
        reconfiguration = std::move(callback);
    }

    int displayCount = 1;
    int hides = 0;
    int shows = 0;
    ReconfigurationCallback reconfiguration;
};

// The sim desktop, with another instance of the program running or not, and the callback of a
// later start asking this one to come forward.
class InstanceWorkspace : public OVSimWorkspace {
  public:
    bool activateOtherInstance(const OVActivationRequest& request) override {
        ++instanceChecks;
        handedOver.append(request.firstInstall);
        return otherInstanceRuns;
    }
    void setActivationRequestCallback(ActivationCallback callback) override {
        activationRequested = std::move(callback);
    }

    bool otherInstanceRuns = false;
    int instanceChecks = 0;
    // The first-install switch of each instance check.
    QList<bool> handedOver;
    ActivationCallback activationRequested;
};

// The web service as the policy check sees it: each request is answered from a script (a
// transport failure when the script is empty), on the main loop or when the test says so.
class ScriptedTransport : public OVHTTPTransport {
  public:
    void send(const OVHTTPRequest& request,
              std::function<void(const OVHTTPResponse& response)> completion) override;

    static OVHTTPResponse json(const QByteArray& body, int status = 200);
    static OVHTTPResponse offline();
    // Answers the requests held so far.
    void releaseHeld();

    QList<OVHTTPRequest> requests;
    QList<OVHTTPResponse> responses;
    bool holding = false;

  private:
    QList<std::function<void()>> _held;
};

// The user interface as the delegate sees it: answers alerts from a script and records the rest.
class RecordingShellUI : public OVAppShellUI {
  public:
    void createKeyboardController() override { ++keyboardControllersMade; }
    bool keyboardVisible() const override { return keyboardShown; }
    void showKeyboard() override { keyboardShown = true; }
    void hideKeyboard() override { keyboardShown = false; }
    void createStatusItem() override { ++statusItemsMade; }
    void setMenuState(const OVStatusMenuState& state) override {
        menu = state;
        ++menuUpdates;
    }
    void showWindow(OVAppWindow window) override { windows.append(window); }
    void revealStatusMenu() override { ++reveals; }
    void terminateApplication() override { ++terminations; }
    int runModalAlert(OVModalAlert& alert) override;

    // Answers for the next alerts, in order; an alert without an answer gets button 0.
    QList<int> answers;
    // Pressing the alert's extra button (Help) before answering.
    bool pressAccessoryButton = false;
    QList<OVModalAlert> alerts;
    QStringList alertMessages() const;

    int keyboardControllersMade = 0;
    int statusItemsMade = 0;
    bool keyboardShown = false;
    OVStatusMenuState menu;
    int menuUpdates = 0;
    QList<OVAppWindow> windows;
    int reveals = 0;
    int terminations = 0;
};

// Fresh services in virtual time with the registered defaults and a platform of scripted parts.
class AppFixture {
    // First made, last gone: everything below uses the services.
    OVServicesGuard _services;

  public:
    AppFixture();

    OVVirtualScheduler& scheduler() { return *_services.virtualScheduler(); }
    OVPreferences& preferences() { return OVStandardPreferences(); }
    // The test's own store (a file) in place of the one in memory, with the defaults.
    void usePreferences(OVPreferences& preferences) {
        _services.setPreferences(&preferences);
        OVRegisterDefaults();
    }
    // A user who completed the first-run check and accepted this version's terms.
    void setUpReturningUser();
    // The policy check's answer waits until completePolicyCheck().
    void holdPolicyCheck() { transport.holding = true; }
    void completePolicyCheck() { transport.releaseHeld(); }
    bool policyCheckStarted() const { return !transport.requests.isEmpty(); }
    // The next policy answer says that this version is no longer supported.
    void answerWithMinimumVersionAbove();
    void advance(double seconds) { scheduler().advance(seconds); }
    void launch();

    ScriptedTouchSession session;
    OVSimHIDDeviceSet devices;
    CountingDisplays displays;
    InstanceWorkspace workspace;
    OVSimPermissions permissions;
    OVSimUserNotifications notifications{&workspace};
    ScriptedTransport transport;
    RecordingShellUI ui;
    OVAssembledPlatform platform;
    std::unique_ptr<OVAppDelegate> delegate;
};

// --- Definitions ---------------------------------------------------------------------------

inline bool ScriptedTouchSession::start(OVError* error) {
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
    _status = OVTouchStatus::Active;
    testModeAtStarts.append(_testMode);
    return true;
}

inline void ScriptedTouchSession::stop() {
    ++stops;
    _running = false;
    _status = OVTouchStatus::Stopped;
}

inline void ScriptedTouchSession::setCompatibilityTestMode(bool enabled) {
    if (enabled != _testMode) {
        testModeChanges.append(enabled);
    }
    _testMode = enabled;
}

inline void ScriptedTouchSession::refreshDisplayMapping() {
    ++refreshes;
    if (_running) {
        _status = OVTouchStatus::DisplayUpdated;
    }
}

inline void ScriptedTouchSession::failStartsWith(const OVError& error, OVTouchStatus status) {
    _failure = std::make_pair(error, status);
}

inline void ScriptedTouchSession::loseDevice() {
    _running = false;
    _status = OVTouchStatus::DeviceNotFound;
}

inline QList<OVDisplayInfo> CountingDisplays::activeDisplays() const {
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

inline int RecordingShellUI::runModalAlert(OVModalAlert& alert) {
    if (pressAccessoryButton && alert.accessoryButtonAction) {
        alert.accessoryButtonAction();
    }
    alerts.append(alert);
    return answers.isEmpty() ? 0 : answers.takeFirst();
}

inline QStringList RecordingShellUI::alertMessages() const {
    QStringList messages;
    for (const OVModalAlert& alert : alerts) {
        messages.append(alert.messageText);
    }
    return messages;
}

inline void ScriptedTransport::send(
    const OVHTTPRequest& request, std::function<void(const OVHTTPResponse& response)> completion) {
    requests.append(request);
    const OVHTTPResponse response = responses.isEmpty() ? offline() : responses.takeFirst();
    auto answer = [completion = std::move(completion), response] { completion(response); };
    if (holding) {
        _held.append(std::move(answer));
    } else {
        OVMainScheduler().async(std::move(answer));
    }
}

inline OVHTTPResponse ScriptedTransport::json(const QByteArray& body, int status) {
    OVHTTPResponse response;
    response.statusCode = status;
    response.body = body;
    return response;
}

inline OVHTTPResponse ScriptedTransport::offline() {
    OVHTTPResponse response;
    response.transportError = QStringLiteral("The network is unreachable.");
    return response;
}

inline void ScriptedTransport::releaseHeld() {
    const QList<std::function<void()>> held = std::exchange(_held, {});
    for (const auto& answer : held) {
        answer();
    }
}

inline AppFixture::AppFixture() {
    platform.hidManagerFactory = devices.managerFactory();
    platform.displays = &displays;
    platform.workspaceService = &workspace;
    platform.permissionService = &permissions;
    platform.notifications = &notifications;
    platform.http = &transport;
    _services.setPlatform(&platform);
    OVRegisterDefaults();
    // The scripted transport stands in for the service.
    preferences().setObject(QStringLiteral("apiBaseURL"),
                            QStringLiteral("https://service.test/v1"));
    delegate = std::make_unique<OVAppDelegate>(session, ui);
    delegate->setRunningVersion(QStringLiteral("2.4.0"));
}

inline void AppFixture::setUpReturningUser() {
    preferences().setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.4.0"));
    preferences().setBool(OVInitialCompatibilityReportSentKey, true);
    preferences().setBool(OVPermissionsCompatibilityCheckPendingKey, false);
}

inline void AppFixture::answerWithMinimumVersionAbove() {
    transport.responses.append(ScriptedTransport::json(
        R"({"policy": {"version_policy": {"minimum_supported_version": "999.0"}}})"));
}

inline void AppFixture::launch() {
    delegate->applicationDidFinishLaunching();
}

inline OVError startError(qint64 code, const QString& description) {
    return OVError{QStringLiteral("Orvetta"), code, description};
}
