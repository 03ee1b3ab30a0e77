// orvetta-server: the Orvetta service. Collects the compatibility reports of a fleet's touch
// displays and hands out the app policy. Requests are served on worker threads; this thread runs
// the Qt event loop for signals, the policy file watch and the periodic write of launch counts.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QUrl>
#include <cstdio>

#include "base/qt_scheduler.h"
#include "server/admin_token.h"
#include "server/http_listener.h"
#include "server/server_log.h"

namespace {

// Launch counts are written this often, and when the server stops.
constexpr double kLaunchWriteInterval = 5.0;
// A changed policy file is read once it has been quiet this long (editors write in steps).
constexpr double kPolicySettleTime = 0.2;

// The database a URL names, without its password, for the log.
QString databaseForLog(const QString& url) {
    return QUrl(url).toDisplayString(QUrl::RemovePassword);
}

class Server {
  public:
    explicit Server(const OVServerOptions& options)
        : _options(options), _policy(options.policyPath) {}

    // Opens the database, reads the policy and the token and starts listening; false when the
    // server cannot run, after logging why.
    bool start() {
        QByteArray token;
        if (!openStore() || !loadPolicy() || !readAdminToken(&token)) {
            return false;
        }
        _context =
            std::make_unique<OVServerContext>(OVServerContext{*_store, _policy, _launches, token});
        _listener = std::make_unique<OVHTTPListener>(_options, *_context);
        QString problem;
        if (!_listener->bind(&problem)) {
            OVServerLog(QStringLiteral("cannot start: %1").arg(problem));
            return false;
        }
        _listener->start();
        warnAboutPlainHTTP();
        OVServerLog(QStringLiteral("listening on %1").arg(_listener->origin()));
        _launchWrites = _scheduler.every(kLaunchWriteInterval, [this] { writeLaunches(); });
        watchPolicyFile();
        return true;
    }

    // Stops accepting, finishes the requests in progress and writes what is pending.
    void stop() {
        OVServerLog(QStringLiteral("stopping: finishing the requests in progress"));
        _launchWrites.invalidate();
        _policySettle.invalidate();
        _listener->stop();
        writeLaunches();
        _store.reset();
        OVServerLog(QStringLiteral("stopped"));
    }

    void reloadPolicy(bool always) {
        QString outcome;
        if (_policy.reload(&outcome) != OVPolicyReload::Unchanged || always) {
            OVServerLog(outcome);
        }
        // A file replaced by renaming is a new file to watch.
        if (!_policy.path().isEmpty() && !_watcher.files().contains(_policy.path()) &&
            QFileInfo::exists(_policy.path())) {
            _watcher.addPath(_policy.path());
        }
    }

  private:
    bool openStore() {
        OVError error;
        _store = OVOpenReportStore(_options.dataDirectory, _options.databaseURL,
                                   _options.databaseConnections, &error);
        if (!_store) {
            OVServerLog(QStringLiteral("cannot start: %1").arg(error.description));
            return false;
        }
        OVServerLog(QStringLiteral("orvetta-server %1: reports in %2")
                        .arg(QStringLiteral(ORVETTA_SERVER_VERSION),
                             _options.databaseURL.isEmpty()
                                 ? QStringLiteral("SQLite in %1").arg(_options.dataDirectory)
                                 : QStringLiteral("PostgreSQL at %1")
                                       .arg(databaseForLog(_options.databaseURL))));
        return true;
    }

    // A policy file that does not pass keeps the server from starting.
    bool loadPolicy() {
        QString outcome;
        const bool loaded = _policy.reload(&outcome) != OVPolicyReload::Refused;
        OVServerLog(outcome);
        return loaded;
    }

    // Without a token file the admin reads are off; an unusable one keeps the server from
    // starting.
    bool readAdminToken(QByteArray* token) {
        if (_options.adminTokenPath.isEmpty()) {
            OVServerLog(QStringLiteral("admin reads are off (no --admin-token-file)"));
            return true;
        }
        QString problem;
        const std::optional<QByteArray> read = OVReadAdminToken(_options.adminTokenPath, &problem);
        if (!read) {
            OVServerLog(QStringLiteral("cannot start: %1").arg(problem));
            return false;
        }
        *token = *read;
        return true;
    }

    void watchPolicyFile() {
        if (_policy.path().isEmpty()) {
            return;
        }
        _watcher.addPath(_policy.path());
        _watcher.addPath(QFileInfo(_policy.path()).absolutePath());
        const auto changed = [this] {
            _policySettle.invalidate();
            _policySettle = _scheduler.after(kPolicySettleTime, [this] { reloadPolicy(false); });
        };
        QObject::connect(&_watcher, &QFileSystemWatcher::fileChanged, changed);
        QObject::connect(&_watcher, &QFileSystemWatcher::directoryChanged, changed);
    }

    void writeLaunches() {
        OVError error;
        if (!_launches.flush(*_store, &error)) {
            OVServerLog(QStringLiteral("launch counts not written yet: %1").arg(error.description));
        }
    }

    // The application refuses plain http to anything but this machine.
    void warnAboutPlainHTTP() {
        const QString& host = _options.listenHost;
        const bool loopback = host == QLatin1String("localhost") ||
                              host.startsWith(QLatin1String("127.")) ||
                              host == QLatin1String("::1");
        if (_options.certificatePath.isEmpty() && !loopback) {
            OVServerLog(
                QStringLiteral("note: Orvetta reaches a service on another machine only "
                               "over https; give --cert and --key, or put a TLS proxy in "
                               "front"));
        }
    }

    const OVServerOptions _options;
    OVPolicyFile _policy;
    OVLaunchCounter _launches;
    std::unique_ptr<OVReportStore> _store;
    std::unique_ptr<OVServerContext> _context;
    std::unique_ptr<OVHTTPListener> _listener;
    OVQtScheduler _scheduler;
    OVTimer _launchWrites;
    OVTimer _policySettle;
    QFileSystemWatcher _watcher;
};

// SIGTERM, SIGINT and SIGHUP arrive on a descriptor the event loop watches. They are blocked
// before any thread starts, so that every thread inherits the mask.
sigset_t handledSignals() {
    sigset_t handled;
    sigemptyset(&handled);
    sigaddset(&handled, SIGTERM);
    sigaddset(&handled, SIGINT);
    sigaddset(&handled, SIGHUP);
    return handled;
}

}  // namespace

int main(int argc, char** argv) {
    const sigset_t handled = handledSignals();
    pthread_sigmask(SIG_BLOCK, &handled, nullptr);
    ::signal(SIGPIPE, SIG_IGN);  // a client that goes away is an error of its write, not a signal

    QCoreApplication application(argc, argv);
    const OVServerCommandLine commandLine = OVParseServerCommandLine(application.arguments());
    if (!commandLine.options) {
        std::fputs(commandLine.text.toLocal8Bit().constData(),
                   commandLine.exitStatus == 0 ? stdout : stderr);
        return commandLine.exitStatus;
    }

    Server server(*commandLine.options);
    if (!server.start()) {
        return 1;
    }
    const int signalDescriptor = signalfd(-1, &handled, SFD_CLOEXEC | SFD_NONBLOCK);
    QSocketNotifier notifier(signalDescriptor, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        signalfd_siginfo info{};
        while (::read(signalDescriptor, &info, sizeof(info)) == sizeof(info)) {
            if (info.ssi_signo == SIGHUP) {
                server.reloadPolicy(true);
            } else {
                notifier.setEnabled(false);
                server.stop();
                application.quit();
                return;
            }
        }
    });
    const int status = application.exec();
    ::close(signalDescriptor);
    return status;
}
