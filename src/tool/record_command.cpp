// orvetta-tool record: writes the input reports of a hidraw node in the hid-recorder format until
// interrupted, so that users can send what their display does.

#include <signal.h>
#include <unistd.h>

#include <fcntl.h>
#include <QEventLoop>
#include <QFile>
#include <QSaveFile>
#include <QSocketNotifier>
#include <cerrno>
#include <functional>
#include <memory>

#include "platform/linux/hidraw_recorder.h"
#include "tool/tool_commands.h"

namespace {

// The write end of the pipe that turns SIGINT and SIGTERM into main-loop events.
int gSignalPipe = -1;

void noteSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe, &byte, 1);
    errno = savedErrno;
}

// Routes SIGINT and SIGTERM to `onSignal` on the main loop while it exists.
class InterruptWatch {
  public:
    explicit InterruptWatch(std::function<void()> onSignal) {
        if (::pipe2(_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            return;
        }
        gSignalPipe = _pipe[1];
        struct sigaction action {};
        action.sa_handler = noteSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &_previousInt);
        sigaction(SIGTERM, &action, &_previousTerm);
        _notifier = std::make_unique<QSocketNotifier>(_pipe[0], QSocketNotifier::Read);
        QObject::connect(_notifier.get(), &QSocketNotifier::activated, _notifier.get(),
                         [this, onSignal = std::move(onSignal)] {
                             char bytes[16];
                             while (::read(_pipe[0], bytes, sizeof bytes) > 0) {
                             }
                             onSignal();
                         });
    }
    ~InterruptWatch() {
        if (!_notifier) {
            return;
        }
        sigaction(SIGINT, &_previousInt, nullptr);
        sigaction(SIGTERM, &_previousTerm, nullptr);
        _notifier.reset();
        gSignalPipe = -1;
        ::close(_pipe[0]);
        ::close(_pipe[1]);
    }

  private:
    int _pipe[2] = {-1, -1};
    struct sigaction _previousInt {};
    struct sigaction _previousTerm {};
    std::unique_ptr<QSocketNotifier> _notifier;
};

}  // namespace

int OVRecordCommand(const QStringList& arguments, QTextStream&, QTextStream& err) {
    QString node;
    QString outputPath;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--output") && i + 1 < arguments.size()) {
            outputPath = arguments[++i];
        } else if (node.isEmpty() && !arguments[i].startsWith(QLatin1String("--"))) {
            node = arguments[i];
        } else {
            node.clear();
            break;
        }
    }
    if (node.isEmpty()) {
        err << "usage: orvetta-tool record <hidraw node> [--output FILE]\n";
        return 2;
    }

    // Unbuffered: every report reaches the file as it comes, so that an interrupted or killed
    // recording keeps everything up to its last report.
    QFile output;
    const bool toFile = !outputPath.isEmpty();
    const bool opened =
        toFile ? (output.setFileName(outputPath),
                  output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
               : output.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (!opened) {
        err << "orvetta-tool record: cannot write " << outputPath << ": " << output.errorString()
            << "\n";
        return 1;
    }

    OVHIDRawRecorder recorder;
    QEventLoop loop;
    int exitCode = 0;
    recorder.setStoppedHandler([&](const QString& reason) {
        err << "orvetta-tool record: " << reason << "\n";
        exitCode = 1;
        loop.quit();
    });
    OVError error;
    if (!recorder.start(node, output, &error)) {
        err << "orvetta-tool record: " << error.description << "\n";
        return 1;
    }
    err << "Recording " << OVHIDRawNodePath(node) << (toFile ? " to " + outputPath : QString())
        << "; press Ctrl-C to stop.\n";
    err.flush();
    InterruptWatch interrupt([&] { loop.quit(); });
    loop.exec();
    const int reports = recorder.reportCount();
    recorder.stop();
    output.close();
    err << "Recorded " << reports << (reports == 1 ? " report" : " reports")
        << (toFile ? " to " + outputPath : QString()) << ".\n";
    return exitCode;
}
