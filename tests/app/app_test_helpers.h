#pragma once

#include <functional>
#include <optional>
#include <ostream>

#include "app/app_delegate.h"
#include "app/permissions_and_welcome.h"
#include "app/touch_session.h"
#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_hid_manager.h"
#include "platform/sim/sim_permissions.h"
#include "platform/sim/sim_user_notifications.h"
#include "platform/sim/sim_workspace.h"
#include "settings/profiles.h"

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline OVError startError(qint64 code, const QString& description) {
    return OVError{QStringLiteral("Orvetta"), code, description};
}

// A touch session whose starts succeed or fail as the test says, and that counts what the shell
// asks of it.
class ScriptedTouchSession : public OVTouchSession {
  public:
    bool start(OVError* error) override {
        ++starts;
        if (_running) {
            return true;
        }
        if (_failure) {
            *error = _failure->first;
            _status = _failure->second;
            return false;
        }
        testModeAtStarts.append(_testMode);
        _running = true;
        _status = OVTouchStatus::Active;
        return true;
    }
    void stop() override {
        ++stops;
        _running = false;
        _status = OVTouchStatus::Stopped;
    }
    bool running() const override { return _running; }
    OVTouchStatus status() const override { return _status; }
    bool compatibilityTestMode() const override { return _testMode; }
    void setCompatibilityTestMode(bool enabled) override { _testMode = enabled; }
    void refreshDisplayMapping() override {
        ++refreshes;
        _status = _running ? OVTouchStatus::DisplayUpdated : _status;
    }

    // The next starts fail with this error (and status) until succeedStarts().
    void failStartsWith(const OVError& error, OVTouchStatus status) { _failure = {error, status}; }
    void succeedStarts() { _failure.reset(); }
    // The device went away while the session ran, as the session reports it.
    void loseDevice() {
        _running = false;
        _status = OVTouchStatus::DeviceNotFound;
    }

    int starts = 0;
    int stops = 0;
    int refreshes = 0;
    QList<bool> testModeAtStarts;  // the test mode at each successful start

  private:
    bool _running = false;
    bool _testMode = false;
    OVTouchStatus _status = OVTouchStatus::Stopped;
    std::optional<std::pair<OVError, OVTouchStatus>> _failure;
};

// Answers alerts from a script (button 0 when it runs out) and records every alert shown.
class ScriptedAlerts : public OVModalAlertRunner {
  public:
    struct Answer {
        Answer(int pressed = 0, QString typed = {}) : button(pressed), text(std::move(typed)) {}
        int button;
        QString text;  // typed into the alert's text field
    };

    int runModalAlert(OVModalAlert& alert) override {
        if (pressAccessoryButton && alert.accessoryButtonAction) {
            alert.accessoryButtonAction();
        }
        const Answer answer = answers.isEmpty() ? Answer{} : answers.takeFirst();
        if (alert.hasTextField) {
            alert.textFieldValue = answer.text;
        }
        shown.append(alert);
        messages.append(alert.messageText);
        return answer.button;
    }

    QList<Answer> answers;
    bool pressAccessoryButton = false;  // presses the extra button (Help) before answering
    QList<OVModalAlert> shown;
    QStringList messages;
};

// The user interface as the delegate sees it: scripted alerts, and a record of the rest.
class RecordingShellUI : public OVAppShellUI {
  public:
    void createKeyboardController() override {}
    bool keyboardVisible() const override { return keyboardShown; }
    void showKeyboard() override { keyboardShown = true; }
    void hideKeyboard() override { keyboardShown = false; }
    void createStatusItem() override {}
    void setMenuState(const OVStatusMenuState& state) override { menu = state; }
    void showWindow(OVAppWindow window) override { windows.append(window); }
    void revealStatusMenu() override {}
    void terminateApplication() override { ++terminations; }
    int runModalAlert(OVModalAlert& alert) override { return alerts.runModalAlert(alert); }

    ScriptedAlerts alerts;
    bool keyboardShown = false;
    OVStatusMenuState menu;
    QList<OVAppWindow> windows;
    int terminations = 0;
};

// Displays that count cursor hides and shows.
class CountingDisplays : public OVSimDisplayServices {
  public:
    void hideCursor() override { ++hides; }
    void showCursor() override { ++shows; }

    int hides = 0;
    int shows = 0;
};

// The sim desktop, with another instance of the program running or not.
class InstanceWorkspace : public OVSimWorkspace {
  public:
    bool activateOtherInstance(const OVActivationRequest& request) override {
        handedOver.append(request.firstInstall);
        return otherInstanceRuns;
    }

    bool otherInstanceRuns = false;
    QList<bool> handedOver;  // the first-install switch of each hand-over
};

// The web service: each request is answered from a script (a transport failure when it runs
// out), on the main loop or, while holding, when the test releases it.
class ScriptedTransport : public OVHTTPTransport {
  public:
    void send(const OVHTTPRequest& request,
              std::function<void(const OVHTTPResponse& response)> completion) override {
        requests.append(request);
        OVHTTPResponse response;
        response.transportError = QStringLiteral("The network is unreachable.");
        response = responses.isEmpty() ? response : responses.takeFirst();
        auto answer = [completion = std::move(completion), response] { completion(response); };
        if (holding) {
            held.append(std::move(answer));
        } else {
            OVMainScheduler().async(std::move(answer));
        }
    }
    static OVHTTPResponse json(const QByteArray& body, int status = 200) {
        OVHTTPResponse response;
        response.statusCode = status;
        response.body = body;
        return response;
    }

    QList<OVHTTPRequest> requests;
    QList<OVHTTPResponse> responses;
    bool holding = false;
    QList<std::function<void()>> held;
};

// Fresh services in virtual time with the registered defaults, a platform of scripted parts and
// the delegate over the scripted session and user interface.
class AppFixture {
  public:
    OVServicesGuard services;  // first made, last gone

    AppFixture() {
        displays.setDisplays({OVSimDisplayServices::makeDisplay(1, {0, 0, 1920, 1080}, true)});
        platform.hidManagerFactory = devices.managerFactory();
        platform.displays = &displays;
        platform.workspaceService = &workspace;
        platform.permissionService = &permissions;
        platform.notifications = &notifications;
        platform.http = &transport;
        services.setPlatform(&platform);
        OVRegisterDefaults();
        preferences().setObject(QStringLiteral("apiBaseURL"),
                                QStringLiteral("https://service.test/v1"));
        delegate = std::make_unique<OVAppDelegate>(session, ui);
        delegate->setRunningVersion(QStringLiteral("2.4.0"));
    }

    OVVirtualScheduler& scheduler() { return *services.virtualScheduler(); }
    OVPreferences& preferences() { return OVStandardPreferences(); }
    // A user who completed the first-run check and accepted this version's terms.
    void setUpReturningUser() {
        preferences().setObject(OVWelcomeAcceptedVersionKey, QStringLiteral("2.4.0"));
        preferences().setBool(OVInitialCompatibilityReportSentKey, true);
        preferences().setBool(OVPermissionsCompatibilityCheckPendingKey, false);
    }
    // The policy check's answer waits until completePolicyCheck().
    void holdPolicyCheck() { transport.holding = true; }
    void completePolicyCheck() {
        for (const auto& answer : std::exchange(transport.held, {})) {
            answer();
        }
    }
    void launch() { delegate->applicationDidFinishLaunching(); }
    void advance(double seconds) { scheduler().advance(seconds); }
    QList<OVModalAlert>& alerts() { return ui.alerts.shown; }

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
