// orvetta: the tray application that makes a USB touch display the desktop's touch, pen and
// eraser input.

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <array>
#include <optional>

#include "app/bridge_touch_session.h"
#include "app/ui/application.h"
#include "app/ui/status_icon.h"
#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/qt_scheduler.h"
#include "base/services.h"
#include "hid/touch_bridge.h"
#include "orvetta_config.h"
#include "platform/linux/key_codes.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/qt_http_transport.h"

namespace {

// X11 and Wayland report a key's evdev code plus 8 as its native scan code; the recorder names
// the key by its place through the virtual key codes of the same places.
std::optional<std::uint16_t> virtualKeyForScanCode(quint32 scanCode) {
    static const std::array<int, 256> virtualKeys = [] {
        std::array<int, 256> table;
        table.fill(-1);
        for (int virtualKey = 127; virtualKey >= 0; --virtualKey) {
            const int evdev = OVEvdevCodeForVirtualKey(static_cast<std::uint16_t>(virtualKey));
            if (evdev >= 0 && evdev < static_cast<int>(table.size())) {
                table[static_cast<std::size_t>(evdev)] = virtualKey;
            }
        }
        return table;
    }();
    if (scanCode < 8 || scanCode - 8 >= virtualKeys.size()) {
        return std::nullopt;
    }
    const int virtualKey = virtualKeys[scanCode - 8];
    if (virtualKey < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(virtualKey);
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
    const std::unique_ptr<OVLinuxPlatform> platform = OVCreateLinuxPlatform();
    platform->setHTTPTransport(std::make_unique<OVQtHTTPTransport>(&scheduler));
    OVServicesGuard services(
        OVServices{&center, &preferences, &scheduler, platform.get(), &process});

    OVTouchBridge bridge;
    OVApplicationRun run;
    run.arguments = QApplication::arguments();
    run.makeSession = [&bridge] { return std::make_unique<OVBridgeTouchSession>(bridge); };
    run.shellOptions.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    run.shellOptions.settingsSources.scanCodeTranslator = virtualKeyForScanCode;
    return OVRunApplication(std::move(run));
}
