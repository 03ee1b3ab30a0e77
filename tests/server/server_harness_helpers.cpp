#include "server_harness.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <vector>

namespace {

std::optional<std::string> lineWith(const std::string& output, const std::string& fragment,
                                    std::size_t from, std::size_t* end) {
    const std::size_t found = output.find(fragment, from);
    if (found == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t lineEnd = output.find('\n', found);
    if (lineEnd == std::string::npos) {
        return std::nullopt;  // the line is not complete yet
    }
    *end = lineEnd + 1;
    return output.substr(found, lineEnd - found);
}

// The newest PostgreSQL's programs that Debian installs.
QString postgresProgram(const QString& name) {
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql"))
                               .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& version : versions) {
        const QString path = QStringLiteral("/usr/lib/postgresql/%1/bin/%2").arg(version, name);
        if (QFile::exists(path)) {
            return path;
        }
    }
    return name;
}

constexpr int kPostgresPort = 5432;  // only names the socket file in the cluster's folder

// What a compatibility report carries besides the members a test chooses.
// clang-format off
const char* const kReportMembers = R"json({"schema_version": 1, "app": "orvetta",
    "platform": "linux", "channel": "beta", "app_version": "1.0.0", "app_build": "1",
    "report_type": "compatibility_check", "report_format": "vovuderovo-check-v1",
    "os_version": "Debian GNU/Linux 12 (bookworm)", "anonymous": true,
    "diagnostics": {"logical_resolution": "1920x1080"}, "usb_vendor_id": "0eef",
    "usb_product_id": "72fa", "usb_devices": [{"vendor_id": "0eef", "product_id": "72fa"}]})json";
// clang-format on

}  // namespace

OVChildProcess::~OVChildProcess() {
    if (_pid > 0) {
        signalAndWait(SIGKILL);
    }
}

bool OVChildProcess::start(const QStringList& arguments, std::optional<User> user) {
    std::vector<std::string> strings;
    for (const QString& argument : arguments) {
        strings.push_back(QFile::encodeName(argument).toStdString());
    }
    std::vector<char*> argv;
    for (std::string& string : strings) {
        argv.push_back(string.data());
    }
    argv.push_back(nullptr);

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        ::dup2(pipe[1], STDOUT_FILENO);
        ::dup2(pipe[1], STDERR_FILENO);
        if (user && (::setgroups(0, nullptr) != 0 || ::setgid(user->gid) != 0 ||
                     ::setuid(user->uid) != 0)) {
            ::_exit(126);
        }
        // After the change of user, which would clear it.
        ::prctl(PR_SET_PDEATHSIG, user ? SIGQUIT : SIGKILL);
        if (::getppid() != parent) {
            ::_exit(125);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipe[1]);
    if (pid < 0) {
        ::close(pipe[0]);
        return false;
    }
    _pid = pid;
    _pidDescriptor = int(::syscall(SYS_pidfd_open, pid, 0));
    _ended = false;
    _reader = std::thread([this, descriptor = pipe[0]] { readOutput(descriptor); });
    return true;
}

void OVChildProcess::readOutput(int descriptor) {
    char buffer[4096];
    ssize_t count;
    while ((count = ::read(descriptor, buffer, sizeof(buffer))) > 0 ||
           (count < 0 && errno == EINTR)) {
        if (count > 0) {
            std::lock_guard lock(_mutex);
            _output.append(buffer, std::size_t(count));
            _grown.notify_all();
        }
    }
    ::close(descriptor);
    std::lock_guard lock(_mutex);
    _ended = true;
    _grown.notify_all();
}

std::optional<qsizetype> OVChildProcess::waitForLine(const QString& fragment, qsizetype from,
                                                     int limitMilliseconds) const {
    const std::string wanted = fragment.toStdString();
    std::size_t end = 0;
    std::unique_lock lock(_mutex);
    const bool found = _grown.wait_for(lock, std::chrono::milliseconds(limitMilliseconds), [&] {
        return lineWith(_output, wanted, std::size_t(from), &end).has_value() || _ended;
    });
    if (found && lineWith(_output, wanted, std::size_t(from), &end)) {
        return qsizetype(end);
    }
    return std::nullopt;
}

QString OVChildProcess::output() const {
    std::lock_guard lock(_mutex);
    return QString::fromStdString(_output);
}

int OVChildProcess::signalAndWait(int signal, int limitMilliseconds) {
    if (_pid <= 0) {
        return -1;
    }
    if (signal != 0) {
        ::kill(_pid, signal);
    }
    pollfd ended{_pidDescriptor, POLLIN, 0};
    if (::poll(&ended, 1, limitMilliseconds) <= 0) {
        ::kill(_pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(_pid, &status, 0);
    ::close(_pidDescriptor);
    _pid = -1;
    _reader.join();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

OVServerProcess::OVServerProcess(const QStringList& arguments) {
    ::signal(SIGPIPE, SIG_IGN);  // a server that closes a connection fails the write instead
    const QStringList command =
        QStringList{QStringLiteral(ORVETTA_SERVER_PROGRAM), QStringLiteral("--listen"),
                    QStringLiteral("127.0.0.1:0")} +
        arguments;
    if (!_process.start(command)) {
        return;
    }
    const std::optional<qsizetype> end =
        _process.waitForLine(QStringLiteral("listening on http"), 0);
    if (!end) {
        return;
    }
    _logRead = *end;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("listening on https?://127\\.0\\.0\\.1:(\\d+)"))
            .match(_process.output());
    _port = match.captured(1).toInt();
}

QString OVServerProcess::origin() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(_port);
}

bool OVServerProcess::waitForLog(const QString& fragment) {
    const std::optional<qsizetype> end = _process.waitForLine(fragment, _logRead);
    if (end) {
        _logRead = *end;
    }
    return end.has_value();
}

OVThrowawayPostgres::~OVThrowawayPostgres() {
    if (_postgres.running()) {
        _postgres.signalAndWait(SIGINT);  // fast shutdown
    }
}

bool OVThrowawayPostgres::start(QString* problem, bool durable) {
    if (!_folder.isValid()) {
        *problem = QStringLiteral("no temporary folder");
        return false;
    }
    if (::geteuid() == 0) {
        const passwd* postgres = ::getpwnam("postgres");
        if (!postgres) {
            *problem = QStringLiteral("running as root, and there is no postgres user");
            return false;
        }
        _user = OVChildProcess::User{postgres->pw_uid, postgres->pw_gid};
        if (::chown(QFile::encodeName(_folder.path()).constData(), _user->uid, _user->gid) != 0) {
            *problem = QStringLiteral("cannot give the folder to postgres");
            return false;
        }
    }
    const QString data = _folder.filePath(QStringLiteral("data"));
    OVChildProcess initdb;
    const QStringList initdbArguments =
        QStringList{postgresProgram("initdb"), "-D", data} +
        QString("-A trust -U orvetta -E UTF8 --no-sync --no-instructions").split(' ');
    if (!initdb.start(initdbArguments, _user) || initdb.wait() != 0) {
        *problem = QStringLiteral("initdb failed: ") + initdb.output();
        return false;
    }
    QStringList postgres =
        QStringList{postgresProgram("postgres"), "-D", data, "-k", _folder.path()} +
        QString("-p %1 -c listen_addresses= -c max_connections=200").arg(kPostgresPort).split(' ');
    if (!durable) {
        postgres += {"-c", "fsync=off"};
    }
    if (!_postgres.start(postgres, _user) ||
        !_postgres.waitForLine(QStringLiteral("ready to accept connections"))) {
        *problem = QStringLiteral("postgres did not start: ") + _postgres.output();
        return false;
    }
    return true;
}

QString OVThrowawayPostgres::createDatabase(QString* problem) {
    const QString name = QStringLiteral("orvetta_%1").arg(++_databases);
    const auto url = [this](const QString& database) {
        return QStringLiteral("postgresql://orvetta@/%1?host=%2&port=%3")
            .arg(database, QString::fromLatin1(QUrl::toPercentEncoding(_folder.path())),
                 QString::number(kPostgresPort));
    };
    PGconn* connection = PQconnectdb(url(QStringLiteral("postgres")).toUtf8().constData());
    if (PQstatus(connection) != CONNECTION_OK) {
        *problem = QString::fromUtf8(PQerrorMessage(connection));
        PQfinish(connection);
        return QString();
    }
    PGresult* result =
        PQexec(connection, QStringLiteral("CREATE DATABASE %1").arg(name).toUtf8().constData());
    const bool created = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!created) {
        *problem = QString::fromUtf8(PQerrorMessage(connection));
    }
    PQclear(result);
    PQfinish(connection);
    return created ? url(name) : QString();
}

QJsonObject OVSampleReport(const OVSampleReportSpec& spec) {
    QJsonObject report = QJsonDocument::fromJson(kReportMembers).object();
    report.insert("install_id", spec.installID);
    report.insert("display_model", spec.displayModel);
    report.insert("result_summary", spec.results);
    report.insert("raw_samples", QJsonArray{QJsonObject{{"control", "finger"},
                                                        {"status", "ok"},
                                                        {"text", QString(spec.sampleBytes, 'x')}}});
    if (!spec.reportUUID.isEmpty()) {
        report.insert("report_uuid", spec.reportUUID);
    }
    return report;
}

QByteArray OVHTTPAnswer::header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (QByteArray::fromStdString(key).compare(QByteArray::fromStdString(name),
                                                   Qt::CaseInsensitive) == 0) {
            return QByteArray::fromStdString(value);
        }
    }
    return QByteArray();
}

OVHTTPAnswer OVSendHTTP(int port, const QByteArray& method, const QString& target,
                        const QByteArray& body, const QByteArray& authorization) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(60);
    httplib::Headers headers;
    if (!authorization.isEmpty()) {
        headers.emplace("Authorization", authorization.toStdString());
    }
    const std::string path = target.toStdString();
    const std::string content = body.toStdString();
    httplib::Result result = method == "GET" ? client.Get(path, headers)
                             : method == "POST"
                                 ? client.Post(path, headers, content, "application/json")
                                 : client.Delete(path, headers, content, "application/json");
    OVHTTPAnswer answer;
    if (!result) {
        return answer;
    }
    answer.status = result->status;
    answer.body = QByteArray::fromStdString(result->body);
    answer.json = QJsonDocument::fromJson(answer.body).object();
    answer.headers.insert(result->headers.begin(), result->headers.end());
    return answer;
}
