#pragma once

#include "app/status_menu_state.h"
#include "base/modal_alert.h"

// The windows the status menu opens.
enum class OVAppWindow {
    Settings,
    About,
    Help,
    // The interactive first-run compatibility check.
    CompatibilityCheck,
    // The step-by-step compatibility test.
    CompatibilityTest,
    DebugReports,
};

// What the application's logic asks of its user interface. The tray application implements it
// with widgets; tests record what was asked.
class OVAppShellUI : public OVModalAlertRunner {
  public:
    // The on-screen keyboard, made at launch.
    virtual void createKeyboardController() = 0;
    virtual bool keyboardVisible() const = 0;
    virtual void showKeyboard() = 0;
    virtual void hideKeyboard() = 0;

    // The status item with the program's icon and the tool tip "Orvetta".
    virtual void createStatusItem() = 0;
    // Builds the status menu on the first call and updates its titles and states afterwards.
    virtual void setMenuState(const OVStatusMenuState& state) = 0;

    // Creates the window's controller on first use, shows the window, makes it key and brings
    // it and the program to the front.
    virtual void showWindow(OVAppWindow window) = 0;

    // Brings the status menu forward after a later start of the program asked for it: where the
    // desktop has no tray, the window that stands in for the menu shows again.
    virtual void revealStatusMenu() = 0;

    // Ends the application (after the current event).
    virtual void terminateApplication() = 0;
};
