#pragma once

#include "base/modal_alert.h"

// What the app policy needs of the user interface: modal alerts and the end of the application.
// The application's windows implement it; tests script it. It must outlive the policy calls
// made with it, including the message presented later on the main loop.
class OVPolicyAlertPresenter : public OVModalAlertRunner {
  public:
    // Ends the application (the running version is no longer supported).
    virtual void terminateApplication() = 0;
};
