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
    if (!_keyboard) {
        _keyboard = std::make_unique<OVTouchKeyboardController>();
    }
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

void OVQtAppShell::showWindow(OVAppWindow window) {
    switch (window) {
        case OVAppWindow::Settings:
            if (!_settings) {
                _settings = std::make_unique<OVSettingsWindowController>(*_alerts,
                                                                         _options.settingsSources);
            }
            _settings->showWindow();
            return;
        case OVAppWindow::About:
            if (!_about) {
                OVAboutWindowController::Actions actions;
                actions.checkForUpdates = _options.checkForUpdates;
                actions.startCompatibilityCheck = [this] {
                    showWindow(OVAppWindow::CompatibilityCheck);
                };
                actions.startCompatibilityTest = [this] {
                    showWindow(OVAppWindow::CompatibilityTest);
                };
                _about = std::make_unique<OVAboutWindowController>(std::move(actions));
            }
            _about->showWindow();
            return;
        case OVAppWindow::Help:
            if (!_help) {
                _help = std::make_unique<OVHelpWindowController>();
            }
            _help->showWindow();
            return;
        case OVAppWindow::CompatibilityCheck:
            if (!_introCompatibility) {
                _introCompatibility = std::make_unique<OVIntroCompatibilityWindowController>();
                // A required check closed before it is finished ends the application, as
                // "Quit" does.
                _introCompatibility->setQuitHandler([this] {
                    if (_delegate) {
                        _delegate->quit();
                    } else {
                        terminateApplication();
                    }
                });
            }
            _introCompatibility->showWindow();
            return;
        case OVAppWindow::CompatibilityTest:
            if (!_compatibilityTest) {
                _compatibilityTest = std::make_unique<OVCompatibilityWindowController>();
            }
            _compatibilityTest->showWindow();
            return;
        case OVAppWindow::DebugReports:
            if (!_debugReports) {
                _debugReports = std::make_unique<OVDebugWindowController>();
            }
            _debugReports->showWindow();
            return;
    }
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
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

int OVQtAppShell::runModalAlert(OVModalAlert& alert) {
    return _alerts->runModalAlert(alert);
}
