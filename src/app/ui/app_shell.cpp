#include "app/ui/app_shell.h"

#include <QCoreApplication>

#include "app/app_delegate.h"
#include "app/ui/about_window.h"
#include "app/ui/alert_dialog.h"
#include "app/ui/help_window.h"
#include "app/ui/status_item.h"
#include "compat/ui/compatibility_window_controller.h"
#include "compat/ui/debug_window_controller.h"
#include "compat/ui/intro_compatibility_window_controller.h"
#include "keyboard/ui/touch_keyboard_controller.h"

OVQtAppShell::OVQtAppShell(Options options) : _options(std::move(options)) {
    if (!_options.alerts) {
        _ownedAlerts = std::make_unique<OVQtModalAlertRunner>();
    }
    _alerts = _options.alerts ? _options.alerts : _ownedAlerts.get();
}

OVQtAppShell::~OVQtAppShell() {
    _delegate = nullptr;
    // Windows before the status item, the status item before the keyboard.
    _settings.reset();
    _about.reset();
    _help.reset();
    _introCompatibility.reset();
    _compatibilityTest.reset();
    _debugReports.reset();
    _statusItem.reset();
    _keyboard.reset();
}

void OVQtAppShell::createKeyboardController() {
    if (_keyboard) {
        return;
    }
    _keyboard = std::make_unique<OVTouchKeyboardController>();
    // The menu's "Show Keyboard" / "Close Keyboard" follows the panel, whoever shows or hides it.
    QObject::connect(_keyboard.get(), &OVTouchKeyboardController::visibilityChanged,
                     _keyboard.get(), [this] {
                         if (_delegate) {
                             _delegate->keyboardVisibilityChanged();
                         }
                     });
}

bool OVQtAppShell::keyboardVisible() const {
    return _keyboard && _keyboard->visible();
}

void OVQtAppShell::showKeyboard() {
    createKeyboardController();
    _keyboard->showKeyboard();
}

void OVQtAppShell::hideKeyboard() {
    if (_keyboard) {
        _keyboard->hideKeyboard();
    }
}

void OVQtAppShell::createStatusItem() {
    if (!_statusItem && _delegate) {
        _statusItem = std::make_unique<OVStatusItem>(*_delegate, _options.trayAvailable);
    }
}

void OVQtAppShell::setMenuState(const OVStatusMenuState& state) {
    if (_statusItem) {
        _statusItem->setMenuState(state);
    }
}

namespace {

// Makes a window's controller on first use and keeps it; shows its window in front.
template <typename Controller, typename Make>
void showMadeOnFirstUse(std::unique_ptr<Controller>& controller, Make make) {
    if (!controller) {
        controller = make();
    }
    controller->showWindow();
}

}  // namespace

void OVQtAppShell::showWindow(OVAppWindow window) {
    switch (window) {
        case OVAppWindow::Settings:
            showMadeOnFirstUse(_settings, [this] {
                return std::make_unique<OVSettingsWindowController>(*_alerts,
                                                                    _options.settingsSources);
            });
            return;
        case OVAppWindow::About:
            showMadeOnFirstUse(_about, [this] { return makeAboutWindow(); });
            return;
        case OVAppWindow::Help:
            showMadeOnFirstUse(_help, [] { return std::make_unique<OVHelpWindowController>(); });
            return;
        case OVAppWindow::CompatibilityCheck:
            showMadeOnFirstUse(_introCompatibility, [this] { return makeCompatibilityCheck(); });
            return;
        case OVAppWindow::CompatibilityTest:
            showMadeOnFirstUse(_compatibilityTest,
                               [] { return std::make_unique<OVCompatibilityWindowController>(); });
            return;
        case OVAppWindow::DebugReports:
            showMadeOnFirstUse(_debugReports,
                               [] { return std::make_unique<OVDebugWindowController>(); });
            return;
    }
}

std::unique_ptr<OVAboutWindowController> OVQtAppShell::makeAboutWindow() {
    OVAboutWindowController::Actions actions;
    actions.checkForUpdates = _options.checkForUpdates;
    actions.startCompatibilityCheck = [this] { showWindow(OVAppWindow::CompatibilityCheck); };
    actions.startCompatibilityTest = [this] { showWindow(OVAppWindow::CompatibilityTest); };
    return std::make_unique<OVAboutWindowController>(std::move(actions));
}

std::unique_ptr<OVIntroCompatibilityWindowController> OVQtAppShell::makeCompatibilityCheck() {
    auto check = std::make_unique<OVIntroCompatibilityWindowController>();
    // A required check closed before it is finished ends the application, as "Quit" does.
    check->setQuitHandler([this] {
        if (_delegate) {
            _delegate->quit();
        } else {
            terminateApplication();
        }
    });
    return check;
}

void OVQtAppShell::revealStatusMenu() {
    if (_statusItem) {
        _statusItem->reveal();
    }
}

void OVQtAppShell::terminateApplication() {
    if (_options.terminate) {
        _options.terminate();
        return;
    }
    // exit, not quit: quit asks the windows first, and the window that stands in for the tray
    // only hides when it is closed.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

int OVQtAppShell::runModalAlert(OVModalAlert& alert) {
    return _alerts->runModalAlert(alert);
}
