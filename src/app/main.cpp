// orvetta: the tray application that makes a USB touch display the desktop's touch, pen and
// eraser input.

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <memory>

#include "app/bridge_touch_session.h"
#include "app/ui/application.h"
#include "app/ui/status_icon.h"
#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/qt_scheduler.h"
#include "base/services.h"
#include "hid/touch_bridge.h"
#include "orvetta_config.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/qt_http_transport.h"
#include "platform/linux/x11_keymap.h"
#include "service/report_outbox.h"

namespace {

// On a Wayland session the windows run through XWayland (Qt's xcb platform): there the keyboard
// panel can stay out of the focus and keep its place, which Wayland lets no client ask for. A
// platform the user chose stays.
void preferXWaylandOnWaylandSessions() {
    const bool wayland =
        qgetenv("XDG_SESSION_TYPE") == "wayland" || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!wayland || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qWarning(
            "Orvetta: this Wayland session has no XWayland: the keyboard panel may take the "
            "focus from the application being typed into and cannot keep its place");
        return;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
}

// The end of the session (SIGTERM at logout) and Ctrl+C end the application as "Quit" does, so
// that touch stops and the preferences are written before the process exits. The handler only
// writes a byte; the main loop reads it.
int gTerminationPipe[2] = {-1, -1};

void terminationSignalHandler(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gTerminationPipe[0], &byte, 1);
}

std::unique_ptr<QSocketNotifier> quitOnTerminationSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gTerminationPipe) != 0) {
        return nullptr;
    }
    auto notifier = std::make_unique<QSocketNotifier>(gTerminationPipe[1], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(gTerminationPipe[1], &byte, 1);
        QApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = terminationSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    return notifier;
}

}  // namespace

int main(int argc, char** argv) {
    preferXWaylandOnWaylandSessions();
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvetta"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvetta"));
    QApplication::setApplicationVersion(QStringLiteral(ORVETTA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("orvetta"));
    // A tray application: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(OVStatusIcon());
    const std::unique_ptr<QSocketNotifier> terminationSignals = quitOnTerminationSignals();

    OVQtScheduler scheduler;
    OVNotificationCenter center;
    OVPreferences preferences(OVPreferences::defaultPath(), &scheduler);
    OVProcessState process;
    process.reportOutboxDirectory = OVReportOutboxDefaultDirectory();
    const std::unique_ptr<OVLinuxPlatform> platform = OVCreateLinuxPlatform();
    platform->setHTTPTransport(std::make_unique<OVQtHTTPTransport>(&scheduler));
    OVServicesGuard services(
        OVServices{&center, &preferences, &scheduler, platform.get(), &process});

    OVTouchBridge bridge;
    OVApplicationRun run;
    run.arguments = QApplication::arguments();
    run.makeSession = [&bridge] { return std::make_unique<OVBridgeTouchSession>(bridge); };
    run.shellOptions.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    // The recorder names a key by the character it types, as the keyboard's keys are sent.
    std::shared_ptr<OVX11Keymap> keymap = OVX11Keymap::open();
    run.shellOptions.settingsSources.scanCodeTranslator = [keymap](quint32 scanCode) {
        return OVVirtualKeyForScanCode(scanCode, keymap ? keymap->current() : nullptr);
    };
    return OVRunApplication(std::move(run));
}
