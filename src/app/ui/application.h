#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/app_delegate.h"
#include "app/ui/app_shell.h"

class OVTouchSession;

// What the process entry runs, besides the services installed by the caller.
struct OVApplicationRun {
    QStringList arguments;
    // Makes the touch session once this process is the running instance.
    std::function<std::unique_ptr<OVTouchSession>()> makeSession;
    OVQtAppShell::Options shellOptions;
    // Runs the event loop until the application ends; QApplication::exec when empty.
    std::function<int()> exec;
};

// The process entry with the services installed: when another instance runs, hands it the
// first-install switch, asks it to come forward and returns 0 without showing or writing
// anything; otherwise the steps of OVPrepareProcess, then runs the application with its delegate
// and returns when it ends.
int OVRunApplication(OVApplicationRun run);

// The steps of the process entry before the application runs, in this order: the preference
// defaults, the first-install switches of `arguments`, and the built-in app policy.
void OVPrepareProcess(const QStringList& arguments);

// The running application: the user interface and the delegate wired together, the launch
// started from the event loop and the delegate told when the application ends.
class OVApplication : public QObject {
    Q_OBJECT

  public:
    OVApplication(OVTouchSession& session, OVQtAppShell::Options options,
                  QObject* parent = nullptr);
    ~OVApplication() override;

    // Runs the launch sequence once the event loop runs (as a launch notification does), then
    // opens what `arguments` ask for ("--debug-reports").
    void launch(const QStringList& arguments = {});

    OVAppDelegate& delegate() { return *_delegate; }
    OVQtAppShell& shell() { return *_shell; }

  private:
    void finishLaunching(const QStringList& arguments);

    std::unique_ptr<OVQtAppShell> _shell;
    std::unique_ptr<OVAppDelegate> _delegate;
};
