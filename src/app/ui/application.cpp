#include "app/ui/application.h"

#include <QCoreApplication>

#include "app/permissions_and_welcome.h"
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
