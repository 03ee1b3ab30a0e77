#pragma once

#include <QString>
#include <QStringList>

// A modal alert of the app policy: a message, an informative text and up to three buttons.
struct OVPolicyAlert {
    QString messageText;
    QString informativeText;
    QStringList buttonTitles;
};

// What the app policy needs of the user interface: modal alerts and the end of the application.
// The application's windows implement it; tests script it. It must outlive the policy calls
// made with it, including the message presented later on the main loop.
class OVPolicyAlertPresenter {
  public:
    virtual ~OVPolicyAlertPresenter() = default;

    // Shows the alert modally; returns the index of the chosen button, or -1 when it was
    // closed without one.
    virtual int runModalAlert(const OVPolicyAlert& alert) = 0;
    // Ends the application (the running version is no longer supported).
    virtual void terminateApplication() = 0;
};
