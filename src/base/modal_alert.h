#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// A modal alert as the program's logic describes it; the windows show it.
struct OVModalAlert {
    // The dialog's window title; empty for the program's name.
    QString windowTitle;
    QString messageText;
    QString informativeText;
    // The buttons from the right, the first one the default.
    QStringList buttonTitles;

    // An optional one-line text field under the texts: shown when `hasTextField` is set; holds
    // what the user typed when the alert returns.
    bool hasTextField = false;
    QString textFieldValue;

    // An optional extra push button under the texts that does not close the alert ("Help").
    QString accessoryButtonTitle;
    std::function<void()> accessoryButtonAction;
};

// Shows modal alerts. The application shows them as dialogs; tests answer them.
class OVModalAlertRunner {
  public:
    virtual ~OVModalAlertRunner() = default;

    // Shows `alert` until the user presses one of its buttons; returns that button's index in
    // `buttonTitles`, or -1 when the alert was closed without one. Fills `textFieldValue`.
    virtual int runModalAlert(OVModalAlert& alert) = 0;
};
