#pragma once

#include <functional>
#include <memory>

#include "app/app_shell_ui.h"
#include "settings/ui/settings_window.h"

class OVAboutWindowController;
class OVAppDelegate;
class OVCompatibilityWindowController;
class OVDebugWindowController;
class OVHelpWindowController;
class OVIntroCompatibilityWindowController;
class OVStatusItem;
class OVTouchKeyboardController;

// The tray application's user interface: the status item, the keyboard, the windows, made on
// first use and kept until the program ends, and modal alerts as dialogs.
class OVQtAppShell : public OVAppShellUI {
  public:
    struct Options {
        // Where the desktop has no tray, a window stands in for the status menu.
        bool trayAvailable = true;
        // Shows the alerts; nullptr for dialogs.
        OVModalAlertRunner* alerts = nullptr;
        // Ends the application; empty to quit Qt's event loop.
        std::function<void()> terminate;
        OVSettingsWindowController::Sources settingsSources =
            OVSettingsWindowController::defaultSources();
        // "Check for Updates" in the About window.
        std::function<void()> checkForUpdates;
    };

    explicit OVQtAppShell(Options options);
    ~OVQtAppShell() override;

    // The delegate whose commands the menu calls; set before the launch.
    void setDelegate(OVAppDelegate* delegate) { _delegate = delegate; }

    void createKeyboardController() override;
    bool keyboardVisible() const override;
    void showKeyboard() override;
    void hideKeyboard() override;
    void createStatusItem() override;
    void setMenuState(const OVStatusMenuState& state) override;
    void showWindow(OVAppWindow window) override;
    void revealStatusMenu() override;
    void terminateApplication() override;
    int runModalAlert(OVModalAlert& alert) override;

    OVStatusItem* statusItem() const { return _statusItem.get(); }
    OVTouchKeyboardController* keyboardController() const { return _keyboard.get(); }
    OVSettingsWindowController* settingsWindowController() const { return _settings.get(); }
    OVAboutWindowController* aboutWindowController() const { return _about.get(); }
    OVHelpWindowController* helpWindowController() const { return _help.get(); }
    OVIntroCompatibilityWindowController* introCompatibilityWindowController() const {
        return _introCompatibility.get();
    }
    OVCompatibilityWindowController* compatibilityWindowController() const {
        return _compatibilityTest.get();
    }
    OVDebugWindowController* debugWindowController() const { return _debugReports.get(); }

  private:
    std::unique_ptr<OVAboutWindowController> makeAboutWindow();
    std::unique_ptr<OVIntroCompatibilityWindowController> makeCompatibilityCheck();

    Options _options;
    std::unique_ptr<OVModalAlertRunner> _ownedAlerts;
    OVModalAlertRunner* _alerts;
    OVAppDelegate* _delegate = nullptr;
    std::unique_ptr<OVTouchKeyboardController> _keyboard;
    std::unique_ptr<OVStatusItem> _statusItem;
    std::unique_ptr<OVSettingsWindowController> _settings;
    std::unique_ptr<OVAboutWindowController> _about;
    std::unique_ptr<OVHelpWindowController> _help;
    std::unique_ptr<OVIntroCompatibilityWindowController> _introCompatibility;
    std::unique_ptr<OVCompatibilityWindowController> _compatibilityTest;
    std::unique_ptr<OVDebugWindowController> _debugReports;
};
