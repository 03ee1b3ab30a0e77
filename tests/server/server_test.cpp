// orvetta-server as a client meets it: the real program on 127.0.0.1, with SQLite in a temporary
// folder and with a throw-away PostgreSQL cluster.

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>
#include <atomic>
#include <thread>

#include "server_harness.h"
#include "support/files.h"

namespace {

enum class Engine { SQLite, PostgreSQL };

const QByteArray kToken = QByteArrayLiteral("s3cret-admin-token-0123456789");
const QByteArray kBearer = "Bearer " + kToken;
const QString kReports = QStringLiteral("/v1/compatibility-reports/");

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString newUUID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QJsonObject reportWithUUID(const QString& uuid) {
    OVSampleReportSpec spec;
    spec.reportUUID = uuid;
    return OVSampleReport(spec);
}

// A connection to 127.0.0.1:`port`; reads on it give up after 30 s (a guard against a hang).
int connectTo(int port) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval limit{30, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    return socket;
}

// Appends what one read gives; false once the connection is closed.
bool readSome(int socket, std::string* received) {
    char buffer[4096];
    const ssize_t count = ::recv(socket, buffer, sizeof(buffer), 0);
    if (count > 0) {
        received->append(buffer, std::size_t(count));
    }
    return count > 0;
}

// Sends `request` on a connection of its own and reads the answer until the server closes it.
std::string rawExchange(int port, const std::string& request) {
    const int socket = connectTo(port);
    std::string answer;
    if (::send(socket, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size())) {
        while (readSome(socket, &answer)) {
        }
    }
    ::close(socket);
    return answer;
}

class ServerTest : public ::testing::TestWithParam<Engine> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        write("admin-token", kToken + "\n");
        write("policy.json", R"({"version_policy": {"latest_version": "1.0"}})");
        if (GetParam() == Engine::PostgreSQL) {
            QString problem;
            if (!postgres) {
                postgres = std::make_unique<OVThrowawayPostgres>();
                ASSERT_TRUE(postgres->start(&problem)) << problem.toStdString();
            }
            databaseURL = postgres->createDatabase(&problem);
            ASSERT_FALSE(databaseURL.isEmpty()) << problem.toStdString();
        }
    }

    static void TearDownTestSuite() { postgres.reset(); }

    void write(const QString& name, const QByteArray& contents) {
        OVWriteFile(folder.filePath(name), contents);
    }

    // The store of the test's servers; a second server at once needs another SQLite folder.
    QStringList storeArguments(const QString& dataFolder = "data") const {
        return databaseURL.isEmpty() ? QStringList{"--data", folder.filePath(dataFolder)}
                                     : QStringList{"--database", databaseURL};
    }

    std::unique_ptr<OVServerProcess> start() {
        auto server = std::make_unique<OVServerProcess>(
            storeArguments() + QStringList{"--policy", folder.filePath("policy.json"),
                                           "--admin-token-file", folder.filePath("admin-token")});
        EXPECT_TRUE(server->listening()) << server->log().toStdString();
        return server;
    }

    OVHTTPAnswer post(const OVServerProcess& server, const QJsonObject& report) {
        return OVSendHTTP(server.port(), "POST", kReports, json(report));
    }

    // Every stored report, read page by page.
    QList<QJsonObject> storedReports(const OVServerProcess& server) {
        QList<QJsonObject> reports;
        QString since;
        do {
            const OVHTTPAnswer page =
                OVSendHTTP(server.port(), "GET", kReports + "?limit=7&since=" + since, {}, kBearer);
            EXPECT_EQ(page.status, 200) << page.body.toStdString();
            for (const QJsonValue& report : page.json.value("reports").toArray()) {
                reports.append(report.toObject());
            }
            since = page.json.value("next_since").toString();
        } while (!since.isEmpty());
        return reports;
    }

    static inline std::unique_ptr<OVThrowawayPostgres> postgres;
    QTemporaryDir folder;
    QString databaseURL;
};

// Posts reports with fresh UUIDs from several threads until told to stop or the server stops
// answering; remembers the identifier of every report that got one, and the UUIDs in doubt.
class ReportStream {
  public:
    ReportStream(int port, int threads) {
        for (int i = 0; i < threads; ++i) {
            _threads.emplace_back([this, port] { postUntilStopped(port); });
        }
    }
    ~ReportStream() { finish(); }

    void waitForAcknowledged(int count) {
        std::unique_lock lock(_mutex);
        _progress.wait_for(lock, std::chrono::seconds(60),
                           [&] { return int(acknowledged.size()) >= count; });
    }
    void finish() {
        _stop = true;
        for (std::thread& thread : _threads) {
            if (thread.joinable()) {
                thread.join();
            }
        }
    }

    QHash<QString, QString> acknowledged;  // read after finish()
    QStringList inDoubt;

  private:
    void postUntilStopped(int port) {
        while (!_stop) {
            const QString uuid = newUUID();
            const OVHTTPAnswer answer =
                OVSendHTTP(port, "POST", kReports, json(reportWithUUID(uuid)));
            std::lock_guard lock(_mutex);
            if (answer.status != 201) {
                inDoubt.append(uuid);
                return;
            }
            acknowledged.insert(uuid, answer.json.value("id").toString());
            _progress.notify_all();
        }
    }

    std::atomic<bool> _stop{false};
    std::mutex _mutex;
    std::condition_variable _progress;
    std::vector<std::thread> _threads;
};

}  // namespace

TEST_P(ServerTest, PolicyIsServedReloadedAndABrokenFileKeepsTheLastGoodOne) {
    auto server = start();
    const QString query = "/v1/app-policy/?app=orvetta&install_event=first_launch";
    OVHTTPAnswer answer = OVSendHTTP(server->port(), "GET", query);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, R"({"policy":{"version_policy":{"latest_version":"1.0"}}})");

    // A change of the file is picked up by itself, also when it arrives wrapped in "policy".
    write("policy.json",
          R"({"policy": {"messages": [{"id": "m1", "show": "once", "title": "Hi"}]}})");
    ASSERT_TRUE(server->waitForLog("policy: loaded")) << server->log().toStdString();
    answer = OVSendHTTP(server->port(), "GET", "/app-policy");
    EXPECT_EQ(answer.body, R"({"policy":{"messages":[{"id":"m1","show":"once","title":"Hi"}]}})");

    // A broken file, even on SIGHUP, leaves that policy in force and the log says why.
    write("policy.json", R"({"messages": [{"id": "m1", "show": "sometimes"}]})");
    ::kill(server->process().pid(), SIGHUP);
    ASSERT_TRUE(server->waitForLog("messages[0].show: \"sometimes\" is not one of"))
        << server->log().toStdString();
    write("policy.json", R"({"messages": [{"tittle": "Hello"}]})");
    ASSERT_TRUE(server->waitForLog("\"tittle\" is not a member"));
    EXPECT_EQ(OVSendHTTP(server->port(), "GET", query).body, answer.body);

    // A server refuses to start with a broken policy.
    OVServerProcess refused(storeArguments("second") +
                            QStringList{"--policy", folder.filePath("policy.json")});
    EXPECT_FALSE(refused.listening());
    EXPECT_EQ(refused.process().wait(), 1);
    EXPECT_TRUE(refused.log().contains("\"tittle\" is not a member"));
}

TEST_P(ServerTest, EveryRefusalIsAJSONErrorWithItsStatus) {
    auto server = start();
    const int port = server->port();
    // Every answer's shape is the request fuzzer's to check; here, what needs the real server.
    const struct {
        QByteArray method;
        QString target;
        QByteArray body;
        int status;
        const char* error;
    } cases[] = {
        {"POST", kReports, json(reportWithUUID("not-a-uuid")), 400, "must be a UUID"},
        {"GET", "/v1/nothing", "", 404, "There is nothing at /v1/nothing"},
        {"POST", "/v1/app-policy/", "{}", 405, "does not answer POST"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        const OVHTTPAnswer answer = OVSendHTTP(port, c.method, c.target, c.body, kBearer);
        EXPECT_EQ(answer.status, c.status) << answer.body.toStdString();
        EXPECT_TRUE(answer.json.value("error").toString().contains(c.error));
        EXPECT_EQ(answer.header("Allow").isEmpty(), c.status != 405);
    }

    // A body declared larger than 4 MiB is refused before it is sent; one of exactly 4 MiB is
    // read and stored.
    const std::string refusal =
        rawExchange(port,
                    "POST /v1/compatibility-reports/ HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                    "Content-Type: application/json\r\nContent-Length: 4194305\r\n\r\n");
    EXPECT_EQ(refusal.rfind("HTTP/1.1 413", 0), 0u) << refusal;

    OVSampleReportSpec large;
    large.sampleBytes = 4 * 1024 * 1024 - json(OVSampleReport(large)).size();
    const QByteArray fourMiB = json(OVSampleReport(large));
    ASSERT_EQ(fourMiB.size(), 4 * 1024 * 1024);
    EXPECT_EQ(OVSendHTTP(port, "POST", kReports, fourMiB).status, 201);
    EXPECT_EQ(OVSendHTTP(port, "POST", kReports, fourMiB + ' ').status, 413);
}

TEST_P(ServerTest, ASecondDeliveryOfAReportAnswersTheFirstIdentifier) {
    auto server = start();
    const QString uuid = newUUID();
    const OVHTTPAnswer first = post(*server, reportWithUUID(uuid));
    ASSERT_EQ(first.status, 201);
    const QString id = first.json.value("id").toString();
    EXPECT_TRUE(id.startsWith("CR-"));
    // The same UUID, written otherwise.
    const OVHTTPAnswer again = post(*server, reportWithUUID("{" + uuid.toUpper() + "}"));
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.json.value("id").toString(), id);

    // Deliveries racing each other get one row between them.
    const QJsonObject raced = reportWithUUID(newUUID());
    std::vector<std::thread> racers;
    std::mutex mutex;
    QSet<QString> ids;
    for (int i = 0; i < 8; ++i) {
        racers.emplace_back([&] {
            const OVHTTPAnswer answer = post(*server, raced);
            std::lock_guard lock(mutex);
            ids.insert(answer.json.value("id").toString());
        });
    }
    for (std::thread& racer : racers) {
        racer.join();
    }
    EXPECT_EQ(ids.size(), 1);
    EXPECT_NE(*ids.begin(), id);
    // Reports without a UUID are always new.
    EXPECT_NE(post(*server, OVSampleReport()).json.value("id"),
              post(*server, OVSampleReport()).json.value("id"));
    EXPECT_EQ(storedReports(*server).size(), 4);
}

TEST_P(ServerTest, AdminReadsNeedTheToken) {
    auto server = start();
    const int port = server->port();
    for (const QString& target : {kReports, kReports + "summary", QString("/")}) {
        SCOPED_TRACE(target.toStdString());
        const OVHTTPAnswer refused = OVSendHTTP(port, "GET", target, {}, kBearer.chopped(1));
        EXPECT_EQ(refused.status, 401);
        EXPECT_FALSE(refused.header("WWW-Authenticate").isEmpty());
        EXPECT_EQ(OVSendHTTP(port, "GET", target, {}, kBearer).status, 200);
    }
    // A browser sends the token as the password of basic authentication.
    const OVHTTPAnswer page =
        OVSendHTTP(port, "GET", "/", {}, "Basic " + ("admin:" + kToken).toBase64());
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("<table>"));

    // Without a token file the reads are off altogether.
    OVServerProcess closed(storeArguments("second"));
    EXPECT_EQ(OVSendHTTP(closed.port(), "GET", kReports, {}, kBearer).status, 403);
}

TEST_P(ServerTest, TheSummaryCountsReportsAndInputsWithoutKeepingInstallIDs) {
    auto server = start();
    const int port = server->port();
    const auto report = [](const QString& model, QJsonObject results) {
        OVSampleReportSpec spec;
        spec.displayModel = model;
        spec.results = std::move(results);
        spec.installID = "INSTALL-IN-THE-CLEAR-0001";
        return OVSampleReport(spec);
    };
    ASSERT_EQ(post(*server, report("Flip", {{"finger", "ok"}, {"pen", "ok"}, {"eraser", "failed"}}))
                  .status,
              201);
    ASSERT_EQ(post(*server, report("Flip", {{"finger", "ok"}, {"pen", "not_tested"}})).status, 201);
    ASSERT_EQ(post(*server, report("Board", {{"finger", "failed"}})).status, 201);
    for (const char* install : {"0001", "0002"}) {
        OVSendHTTP(port, "GET",
                   QString("/v1/app-policy/?app=orvetta&platform=linux&version=1.0.0&install_event="
                           "first_launch&install_id=INSTALL-IN-THE-CLEAR-") +
                       install);
    }
    const OVHTTPAnswer summary = OVSendHTTP(port, "GET", kReports + "summary", {}, kBearer);
    ASSERT_EQ(summary.status, 200);
    QHash<QString, QString> displays;  // model: "reports passed failed"
    for (const QJsonValue& display : summary.json.value("displays").toArray()) {
        const QJsonObject row = display.toObject();
        displays.insert(row.value("display_model").toString(),
                        QString("%1 %2 %3")
                            .arg(row.value("reports").toInt())
                            .arg(row.value("passed_inputs").toInt())
                            .arg(row.value("failed_inputs").toInt()));
    }
    EXPECT_EQ(displays, (QHash<QString, QString>{{"Flip", "2 3 1"}, {"Board", "1 0 1"}}));
    EXPECT_EQ(summary.json.value("installations")[0]["installations"], 2);

    // The stored report carries the installation's keyed hash, the same for each of its reports.
    const QList<QJsonObject> stored = storedReports(*server);
    ASSERT_EQ(stored.size(), 3);
    const QJsonObject first = stored[0].value("report").toObject();
    EXPECT_FALSE(first.contains("install_id"));
    EXPECT_EQ(first.value("install_hash").toString().size(), 64);
    EXPECT_EQ(stored[1].value("report")["install_hash"], first.value("install_hash"));

    // Neither the log nor the store keeps what the requests carried.
    EXPECT_FALSE(server->log().contains("INSTALL-IN-THE-CLEAR"));
    ASSERT_EQ(server->process().signalAndWait(SIGTERM), 0);
    QDirIterator files(folder.filePath("data"), QDir::Files);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains("INSTALL-IN-THE-CLEAR"))
            << file.fileName().toStdString();
    }
}

TEST_P(ServerTest, NoAcknowledgedReportIsLostOrDoubledWhenTheServerIsKilledOrStopped) {
    auto server = start();
    QHash<QString, QString> acknowledged;
    QStringList inDoubt;
    {
        ReportStream stream(server->port(), 4);
        stream.waitForAcknowledged(60);
        ::kill(server->process().pid(), SIGKILL);
        stream.finish();
        acknowledged = stream.acknowledged;
        inDoubt = stream.inDoubt;
    }
    server->process().wait();
    server = start();

    // The client sends what it does not know to be stored again: those stored before the kill
    // answer their first identifier.
    for (const QString& uuid : inDoubt) {
        const OVHTTPAnswer answer = post(*server, reportWithUUID(uuid));
        ASSERT_TRUE(answer.status == 200 || answer.status == 201) << answer.body.toStdString();
        acknowledged.insert(uuid, answer.json.value("id").toString());
    }
    // A stop finishes the requests in progress.
    {
        ReportStream stream(server->port(), 4);
        stream.waitForAcknowledged(30);
        EXPECT_EQ(server->process().signalAndWait(SIGTERM), 0);
        stream.finish();
        acknowledged.insert(stream.acknowledged);
    }
    EXPECT_TRUE(server->log().contains("stopped"));

    server = start();
    QHash<QString, QString> stored;
    for (const QJsonObject& report : storedReports(*server)) {
        const QString uuid = report.value("report_uuid").toString();
        EXPECT_FALSE(stored.contains(uuid)) << "stored twice: " << uuid.toStdString();
        stored.insert(uuid, report.value("id").toString());
    }
    for (auto it = acknowledged.constBegin(); it != acknowledged.constEnd(); ++it) {
        EXPECT_EQ(stored.value(it.key()), it.value()) << it.key().toStdString();
    }
    EXPECT_GE(acknowledged.size(), 90);
}

INSTANTIATE_TEST_SUITE_P(Engines, ServerTest, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         [](const auto& info) {
                             return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
                         });

TEST(ServerConnections, TLSTheConnectionLimitAndTheTimeOuts) {
    QTemporaryDir folder;
    const QString certificate = folder.filePath("cert.pem");
    const QString key = folder.filePath("key.pem");
    OVChildProcess openssl;
    ASSERT_TRUE(openssl.start(
        QString("/usr/bin/openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
                "-nodes -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -days 2")
            .split(' ') +
        QStringList{"-keyout", key, "-out", certificate}));
    ASSERT_EQ(openssl.wait(), 0) << openssl.output().toStdString();

    OVServerProcess secure({"--data", folder.filePath("tls"), "--cert", certificate, "--key", key});
    ASSERT_TRUE(secure.listening()) << secure.log().toStdString();
    EXPECT_TRUE(secure.log().contains("listening on https://127.0.0.1:"));
    httplib::SSLClient client("127.0.0.1", secure.port());
    client.set_ca_cert_path(certificate.toStdString().c_str());
    client.enable_server_certificate_verification(true);
    const httplib::Result overTLS = client.Get("/v1/app-policy/");
    ASSERT_TRUE(overTLS) << httplib::to_string(overTLS.error());
    EXPECT_EQ(overTLS->body, R"({"policy":{}})");

    // With one connection at a time, a second client is answered only once the first, idle, has
    // been closed by the idle time-out.
    OVServerProcess single({"--data", folder.filePath("single"), "--max-connections", "1",
                            "--idle-timeout", "1", "--request-timeout", "1"});
    ASSERT_TRUE(single.listening());
    const int idle = connectTo(single.port());
    const int waiting = connectTo(single.port());
    const std::string request = "GET /app-policy/ HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    ASSERT_EQ(::send(waiting, request.data(), request.size(), MSG_NOSIGNAL),
              ssize_t(request.size()));
    std::string idleBytes;
    std::string answer;
    bool idleOpen = true;
    bool waitingOpen = true;
    while (waitingOpen) {
        pollfd sockets[2] = {{idle, POLLIN, 0}, {waiting, POLLIN, 0}};
        ASSERT_GT(::poll(sockets, 2, 30000), 0) << "no answer";
        if (idleOpen && sockets[0].revents) {
            idleOpen = readSome(idle, &idleBytes);
        } else if (sockets[1].revents) {
            EXPECT_FALSE(idleOpen) << "answered while the other connection was served";
            waitingOpen = readSome(waiting, &answer);
        }
    }
    EXPECT_EQ(idleBytes, "");
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    ::close(idle);
    ::close(waiting);

    // A request that never ends is refused at the request time-out.
    const std::string unfinished =
        rawExchange(single.port(), "GET /app-policy/ HTTP/1.1\r\nHost: x\r\nAccept: ");
    EXPECT_EQ(unfinished.rfind("HTTP/1.1 400", 0), 0u) << unfinished;
}
