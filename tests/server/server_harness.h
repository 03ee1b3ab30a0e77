#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// What the server's black-box tests and its load benchmark need: child processes whose output is
// read as it comes, orvetta-server itself, and a throw-away PostgreSQL cluster.

// A program run as a child. It dies with this process (parent-death signal), its standard output
// and error are read on a thread into one text, and it is killed when the object goes.
class OVChildProcess {
  public:
    struct User {
        uid_t uid;
        gid_t gid;
    };

    OVChildProcess() = default;
    ~OVChildProcess();
    OVChildProcess(const OVChildProcess&) = delete;
    OVChildProcess& operator=(const OVChildProcess&) = delete;

    // Starts `arguments` (the program first), as `user` when given.
    bool start(const QStringList& arguments, std::optional<User> user = std::nullopt);
    bool running() const { return _pid > 0; }
    pid_t pid() const { return _pid; }

    // Waits until the output has a line containing `fragment` after the first `from` bytes of
    // output; the offset after that line, or nothing when the output ended or the time ran out
    // (a guard against a hang, not a timer of the test).
    std::optional<qsizetype> waitForLine(const QString& fragment, qsizetype from = 0,
                                         int limitMilliseconds = 30000) const;
    QString output() const;

    // Sends `signal` and waits for the end; the exit status, or -1 when it ended by a signal
    // or did not end in time (then it is killed).
    int signalAndWait(int signal, int limitMilliseconds = 30000);
    // Waits for the end without signalling.
    int wait(int limitMilliseconds = 120000) { return signalAndWait(0, limitMilliseconds); }

  private:
    void readOutput(int descriptor);

    pid_t _pid = -1;
    int _pidDescriptor = -1;
    std::thread _reader;
    mutable std::mutex _mutex;
    mutable std::condition_variable _grown;
    std::string _output;
    bool _ended = false;
};

// The built orvetta-server on 127.0.0.1 and a port of its choosing.
class OVServerProcess {
  public:
    // Starts it with `arguments` after "--listen 127.0.0.1:0" and waits until it listens.
    explicit OVServerProcess(const QStringList& arguments);

    bool listening() const { return _port > 0; }
    int port() const { return _port; }
    QString origin() const;  // "http://127.0.0.1:<port>"
    OVChildProcess& process() { return _process; }
    QString log() const { return _process.output(); }
    // Waits for a log line containing `fragment` that came after the previous one waited for.
    bool waitForLog(const QString& fragment);

  private:
    OVChildProcess _process;
    int _port = 0;
    qsizetype _logRead = 0;
};

// A PostgreSQL cluster in a temporary folder, reached through a Unix socket in that folder only
// (no TCP port), run as the "postgres" user when this process is root (initdb and postgres
// refuse to run as root). Stopped and removed when the object goes, or killed with this process.
class OVThrowawayPostgres {
  public:
    OVThrowawayPostgres() = default;
    ~OVThrowawayPostgres();

    // initdb, then postgres; `problem` says why not. Tests run without flushing to disk; a
    // durable cluster flushes as a production one does.
    bool start(QString* problem, bool durable = false);
    // A new, empty database: its URL for orvetta-server --database.
    QString createDatabase(QString* problem);

  private:
    QTemporaryDir _folder;
    OVChildProcess _postgres;
    std::optional<OVChildProcess::User> _user;
    int _databases = 0;
};

// A compatibility report as the application sends it.
struct OVSampleReportSpec {
    QString reportUUID;  // left out when empty
    QString displayModel = QStringLiteral("Samsung Flip");
    QString installID = QStringLiteral("7D1B9C53-0E43-4C4E-9F55-2B1A8E0C9D11");
    QJsonObject results{{QStringLiteral("finger"), QStringLiteral("ok")}};
    qsizetype sampleBytes = 0;  // length of one raw sample's text
};
QJsonObject OVSampleReport(const OVSampleReportSpec& spec = {});

// One HTTP exchange with the server on 127.0.0.1:`port`, on a connection of its own.
struct OVHTTPAnswer {
    int status = 0;  // 0 when no answer came
    QByteArray body;
    QJsonObject json;  // the body, when it is a JSON object
    std::multimap<std::string, std::string> headers;

    QByteArray header(const std::string& name) const;
};
OVHTTPAnswer OVSendHTTP(int port, const QByteArray& method, const QString& target,
                        const QByteArray& body = QByteArray(),
                        const QByteArray& authorization = QByteArray());
