#include "app/ui/application.h"

#include <QApplication>

#include "app/permissions_and_welcome.h"
#include "app/touch_session.h"
#include "base/preferences.h"
#include "base/services.h"
#include "platform/platform.h"
#include "service/app_policy.h"
#include "settings/profiles.h"

void OVPrepareProcess(const QStringList& arguments) {
    OVRegisterDefaults();
    OVSimulateFirstInstallIfRequested(arguments);
    OVLoadBundledAppPolicy();
}

OVApplication::OVApplication(OVTouchSession& session, OVQtAppShell::Options options,
                             QObject* parent)
    : QObject(parent) {
    if (!options.checkForUpdates) {
        options.checkForUpdates = [this] { _delegate->checkForUpdates(); };
    }
    _shell = std::make_unique<OVQtAppShell>(std::move(options));
    _delegate = std::make_unique<OVAppDelegate>(session, *_shell);
    _shell->setDelegate(_delegate.get());
    if (QCoreApplication* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this,
                [this] { _delegate->applicationWillTerminate(); });
    }
}

OVApplication::~OVApplication() {
    // The delegate refers to the shell: it goes first.
    _delegate.reset();
    _shell.reset();
}

void OVApplication::launch(const QStringList& arguments) {
    QMetaObject::invokeMethod(
        this, [this, arguments] { finishLaunching(arguments); }, Qt::QueuedConnection);
}

void OVApplication::finishLaunching(const QStringList& arguments) {
    _delegate->applicationDidFinishLaunching();
    if (arguments.contains(QStringLiteral("--debug-reports")) &&
        !_delegate->terminationRequested()) {
        _delegate->showDebugReports();
    }
}

int OVRunApplication(OVApplicationRun run) {
    // A later start hands its first-install switch to the running instance instead of writing
    // preferences that the running instance holds.
    OVActivationRequest request;
    request.firstInstall = OVFirstInstallRequested(run.arguments);
    if (OVCurrentPlatform().workspace().activateOtherInstance(request)) {
        return 0;
    }
    OVPrepareProcess(run.arguments);
    const std::unique_ptr<OVTouchSession> session = run.makeSession();
    OVApplication application(*session, std::move(run.shellOptions));
    application.launch(run.arguments);
    const int status = run.exec ? run.exec() : QApplication::exec();
    OVStandardPreferences().synchronize();
    return status;
}
