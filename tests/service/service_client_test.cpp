// The service client against a real local HTTP server, in virtual time.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrlQuery>
#include <cmath>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/assembled_platform.h"
#include "platform/linux/qt_http_transport.h"
#include "service/bounded_json.h"
#include "service/environment.h"
#include "service/report_outbox.h"
#include "service/service_client.h"
#include "settings/profiles.h"
#include "support/local_http_server.h"
#include "support/log_capture.h"

namespace {

struct Outcome {
    int calls = 0;
    bool onMainThread = false;
    std::optional<QVariantMap> dictionary;
    std::optional<OVError> error;

    OVJSONCompletion completion() {
        return [this](const std::optional<QVariantMap>& d, const std::optional<OVError>& e) {
            ++calls;
            onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            dictionary = d;
            error = e;
        };
    }
};

class ServiceClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        platform.http = &transport;
        services.setPlatform(&platform);
        OVRegisterDefaults();
        useBase(server.origin() + "/v1");
    }

    void useBase(const QString& base) { OVStandardPreferences().setObject("apiBaseURL", base); }
    void useNoServer() { useBase(QString("http://127.0.0.1:%1/v1").arg(OVUnusedLocalPort())); }

    // Sends a request and waits for its completion; `post` sends `payload`.
    Outcome request(const QString& path, std::optional<QVariantMap> payload = std::nullopt) {
        Outcome outcome;
        if (payload) {
            OVPostJSON(path, *payload, outcome.completion());
        } else {
            OVGetJSON(path, {}, outcome.completion());
        }
        EXPECT_TRUE(OVRunEventLoopUntil([&] { return outcome.calls > 0; }));
        return outcome;
    }

    void sendQueuedReports(const OVReportOutbox& outbox) {
        bool done = false;
        OVSendQueuedReports(outbox, [&] { done = true; });
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return done; }));
    }

    OVServicesGuard services;
    OVLocalHTTPServer server;
    OVQtHTTPTransport transport;
    OVAssembledPlatform platform;
};

// Kept reports named by their "n" member, oldest first.
QStringList keptReports(const OVReportOutbox& outbox) {
    QStringList names;
    for (const QString& file : outbox.fileNames()) {
        names.append(outbox.read(file)->value("n").toString());
    }
    return names;
}

QByteArray nested(int depth) {
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

}  // namespace

TEST_F(ServiceClientTest, TheBaseURLIsTrimmedAndJoinedWithExactlyOneSlash) {
    useBase("  " + server.origin() + "/api/v1///\n");
    EXPECT_EQ(OVAPIURL("/app-policy/")->toString(), server.origin() + "/api/v1/app-policy/");
    request("compatibility-reports/", QVariantMap{{"a", 1}});
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].path, "/api/v1/compatibility-reports/");
}

TEST_F(ServiceClientTest, AnUnusableBaseURLFailsAtOnceAndPlainHTTPOnlyReachesThisComputer) {
    OVLogCapture log;
    for (const char* base :
         {"", "  \n", "not a url", "ftp://files.example/v1", "file:///etc", "/v1", "http://",
          "http://example.org/v1", "http://127.0.0.1.example.org/v1"}) {
        SCOPED_TRACE(base);
        useBase(base);
        Outcome get;
        OVGetJSON("/app-policy/", {{"app", "orvetta"}}, get.completion());
        Outcome post;
        OVPostJSON("/compatibility-reports/", {}, post.completion());
        ASSERT_EQ(get.calls + post.calls, 2);  // inside the calls
        EXPECT_EQ(get.error->code, OVServiceErrorInvalidURL);
        EXPECT_EQ(post.error->code, OVServiceErrorInvalidURL);
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(log.contains("Orvetta refused the service address http://example.org/v1"));

    for (const char* host : {"127.0.0.1", "127.255.3.9", "::1", "LocalHost", "::ffff:127.0.0.1"}) {
        EXPECT_TRUE(OVIsLoopbackHost(host)) << host;
    }
    for (const char* host : {"128.0.0.1", "127.0.0", "1127.0.0.1", "127.0.0.256", "::2",
                             "::ffff:10.0.0.1", "localhost.evil.test", ""}) {
        EXPECT_FALSE(OVIsLoopbackHost(host)) << host;
    }
}

TEST_F(ServiceClientTest, RequestsCarryAnEncodedQueryOrCompactJSONAndTheirHeaders) {
    server.route("/v1/compatibility-reports/", OVLocalHTTPServer::json(201, R"({"id": "r-1"})"));
    server.route("/v1/app-policy/", OVLocalHTTPServer::json(200, "{}"));
    const QString tricky = QString::fromUtf8("Etc/GMT+2 & a=b 100% é");
    Outcome fetched;
    OVGetJSON("app-policy/", {{"zeta", "1"}, {"empty", ""}, {"", "x"}, {"tz", tricky}},
              fetched.completion());
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return fetched.calls > 0; }));
    EXPECT_FALSE(fetched.error.has_value());
    const QVariantMap payload{{"anonymous", true}, {"list", QVariantList{1, "x"}}};
    const Outcome posted = request("/compatibility-reports/", payload);
    EXPECT_EQ(posted.dictionary->value("id").toString(), "r-1");
    EXPECT_TRUE(posted.onMainThread);

    ASSERT_EQ(server.requests().size(), 2);
    const OVLocalHTTPServer::Request& get = server.requests()[0];
    EXPECT_FALSE(get.query.contains('+'));  // a "+" would read as a space on the other side
    EXPECT_EQ(QUrlQuery(QString::fromLatin1(get.query)).queryItems(QUrl::FullyDecoded),
              (QList<std::pair<QString, QString>>{{"zeta", "1"}, {"tz", tricky}}));
    EXPECT_EQ(get.headers.value("accept"), "application/json");
    EXPECT_FALSE(get.headers.contains("content-type"));
    const OVLocalHTTPServer::Request& post = server.requests()[1];
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.headers.value("content-type"), "application/json");
    EXPECT_FALSE(post.body.contains('\n'));
    EXPECT_EQ(QJsonDocument::fromJson(post.body).object().toVariantMap(), payload);
}

TEST_F(ServiceClientTest, EveryKindOfAnswerBecomesADictionaryOrAnError) {
    OVLocalHTTPServer::Reply html = OVLocalHTTPServer::json(200, "<html><b>FATAL ERROR</b></html>");
    html.headers.clear();
    html.addHeader("Content-Type", "text/html");
    const struct {
        OVLocalHTTPServer::Reply reply;
        bool hasDictionary;
        qint64 code;  // 0: no error
        QString description;
    } cases[] = {
        {OVLocalHTTPServer::json(200, R"({"ok": true})"), true, 0, ""},
        {OVLocalHTTPServer::json(299, "{}"), true, 0, ""},
        {OVLocalHTTPServer::json(200, "[1, 2]"), false, 3, "could not read"},
        {OVLocalHTTPServer::json(204, ""), false, 2, "Server returned HTTP 204."},
        {OVLocalHTTPServer::json(500, R"({"message": "Database is down."})"), true, 500,
         "Database is down."},
        {OVLocalHTTPServer::json(404, R"({"message": "m", "error": "No policy."})"), true, 404,
         "No policy."},
        {OVLocalHTTPServer::json(503, R"({"error": "", "message": 7})"), true, 503,
         "Server returned HTTP 503."},
        {html, false, QJsonParseError::IllegalValue, "internal server error page"},
        {OVLocalHTTPServer::json(200, "{\"a\": "), false, QJsonParseError::UnterminatedObject,
         "could not read"},
        {OVLocalHTTPServer::json(200, "{\"a\":" + nested(63) + "}"), true, 0, ""},
        {OVLocalHTTPServer::json(200, "{\"a\":" + nested(64) + "}"), false,
         QJsonParseError::DeepNesting, "could not read"},
    };
    for (const auto& c : cases) {
        const QByteArray path = "/v1/case-" + QByteArray::number(server.requests().size());
        SCOPED_TRACE(path.constData());
        server.route(path, c.reply);
        const Outcome outcome = request(QString::fromLatin1(path.mid(3)));
        EXPECT_EQ(outcome.dictionary.has_value(), c.hasDictionary);
        EXPECT_EQ(outcome.error ? outcome.error->code : 0, c.code);
        if (outcome.error) {
            EXPECT_TRUE(outcome.error->description.contains(c.description))
                << outcome.error->description.toStdString();
        }
    }
}

TEST_F(ServiceClientTest, ABodyOverFourMiBIsRefusedAndOneOfExactlyFourMiBIsRead) {
    const QByteArray atLimit = "{\"a\":\"" + QByteArray(OVHTTPMaximumBodySize - 8, 'x') + "\"}";
    const QByteArray overLimit = "{\"a\":\"" + QByteArray(OVHTTPMaximumBodySize, 'x') + "\"}";
    server.route("/v1/at-limit", OVLocalHTTPServer::json(200, atLimit));
    server.route("/v1/announced", OVLocalHTTPServer::json(200, overLimit));
    OVLocalHTTPServer::Reply streamed = OVLocalHTTPServer::json(200, overLimit);
    streamed.sendContentLength = false;
    server.route("/v1/streamed", streamed);

    EXPECT_EQ(request("at-limit").dictionary->value("a").toString().size(), atLimit.size() - 8);
    for (const char* path : {"announced", "streamed"}) {
        const Outcome refused = request(path);
        EXPECT_EQ(refused.error->code, OVServiceErrorResponseTooLarge) << path;
        EXPECT_FALSE(refused.dictionary.has_value());
    }
    EXPECT_EQ(transport.requestsInFlight(), 0);
}

TEST_F(ServiceClientTest, ATricklingServerIsAbandonedTwelveSecondsAfterTheRequest) {
    // One byte a second never lets a request go quiet; only the whole exchange has a deadline.
    OVLocalHTTPServer::Reply trickle = OVLocalHTTPServer::json(200, R"({"policy": {"a": 12345}})");
    trickle.trickle = true;
    server.route("/v1/app-policy/", trickle);
    Outcome outcome;
    OVGetJSON("/app-policy/", {}, outcome.completion());
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return server.requests().size() == 1; }));
    for (int second = 1; second < OVServiceRequestTimeout; ++second) {
        ASSERT_GT(server.trickleByte(), 0);
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return transport.bytesReadInFlight() == second; }));
        services.virtualScheduler()->advance(1.0);
    }
    services.virtualScheduler()->advance(0.9);
    QCoreApplication::processEvents();
    EXPECT_EQ(outcome.calls, 0);
    services.virtualScheduler()->advance(0.1);
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return outcome.calls > 0; }));
    EXPECT_EQ(outcome.error->code, QNetworkReply::TimeoutError);
    EXPECT_EQ(transport.requestsInFlight(), 0);
}

TEST_F(ServiceClientTest, ARequestInFlightCompletesOnceWhenTheTransportGoesAway) {
    OVLocalHTTPServer::Reply silent;
    silent.neverAnswer = true;
    server.route("/v1/slow", silent);
    Outcome outcome;
    {
        OVQtHTTPTransport shortLived;
        platform.http = &shortLived;
        OVGetJSON("/slow", {}, outcome.completion());
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return server.requests().size() == 1; }));
        platform.http = &transport;
    }
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.error->code, QNetworkReply::OperationCanceledError);
    services.virtualScheduler()->advance(OVServiceRequestTimeout * 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(outcome.calls, 1);
}

TEST_F(ServiceClientTest, TransportErrorsPassThroughAndWhatJSONCannotHoldFailsAtOnce) {
    useNoServer();
    const Outcome refused = request("/app-policy/");
    EXPECT_EQ(refused.error->domain, "QNetworkReply");
    EXPECT_EQ(refused.error->code, QNetworkReply::ConnectionRefusedError);
    for (const QVariant& value :
         {QVariant(std::nan("")), QVariant(QVariantList{QVariant::fromValue(QPointF(1, 2))})}) {
        Outcome outcome;
        OVPostJSON("/compatibility-reports/", {{"a", value}}, outcome.completion());
        EXPECT_EQ(outcome.error->code, OVServiceErrorPayloadNotEncodable);
    }
}

TEST_F(ServiceClientTest, ALaterStartSendsTheKeptReportsInOrderAndRemovesWhatWasAnswered) {
    QTemporaryDir directory;
    const OVReportOutbox outbox(directory.path());
    for (const char* n : {"ok-1", "refused", "ok-2", "busy", "after-busy"}) {
        outbox.add({{"n", n}});
    }
    server.route("/v1/compatibility-reports/", [](const OVLocalHTTPServer::Request& request) {
        const QString n = QJsonDocument::fromJson(request.body)["n"].toString();
        return n == "refused" ? OVLocalHTTPServer::json(400, R"({"error": "Unknown format."})")
                              : OVLocalHTTPServer::json(n == "busy" ? 503 : 200, "{}");
    });
    OVLogCapture log;
    sendQueuedReports(outbox);
    EXPECT_EQ(server.requests().size(), 4);
    EXPECT_EQ(keptReports(outbox), QStringList({"busy", "after-busy"}));
    EXPECT_TRUE(log.contains("the service refused it (400): Unknown format."));

    useNoServer();  // without a network everything stays
    sendQueuedReports(outbox);
    EXPECT_EQ(keptReports(outbox), QStringList({"busy", "after-busy"}));
}

TEST(ReportOutbox, ReportsAreKeptInOrderAndTheOldestGoBeyondTheLimits) {
    OVServicesGuard services;
    QTemporaryDir directory;
    const OVReportOutbox outbox(directory.filePath("orvetta/outbox"));
    OVLogCapture log;
    for (int n = 0; n < 22; ++n) {
        ASSERT_TRUE(outbox.add({{"n", QString::number(n)}}).has_value());
    }
    // A report kept again with its uuid replaces its copy in place.
    QVariantMap again = *outbox.read(outbox.fileNames().last());
    again.insert("n", "21 again");
    outbox.add(again);
    EXPECT_EQ(QFile::permissions(outbox.directory()) & 0x0077, 0);  // private
    EXPECT_EQ(keptReports(outbox).size(), 20);
    EXPECT_EQ(keptReports(outbox).first(), "2");
    EXPECT_EQ(keptReports(outbox).last(), "21 again");
    EXPECT_EQ(log.lines().size(), 2);

    // Four reports of a little over a megabyte each pass 4 MiB: the oldest goes.
    QTemporaryDir other;
    const OVReportOutbox large(other.path());
    for (int n = 0; n < 4; ++n) {
        large.add({{"n", n}, {"bulk", QString(1024 * 1024 + 10, 'b')}});
    }
    EXPECT_EQ(keptReports(large), QStringList({"1", "2", "3"}));
}

TEST(ServiceText, LogTextIsEscapedAndCutAndJSONNestingIsCountedOutsideStrings) {
    EXPECT_EQ(OVLogSafeText(QString::fromUtf8("café at 10:00")),
              QString::fromUtf8("café at 10:00"));
    EXPECT_EQ(OVLogSafeText("a\nb\r\tc\x1b[31md\u202Ee\u2029"),
              "a\\nb\\r\\tc\\u001b[31md\\u202ee\\u2029");
    // A cut never splits an escape or a surrogate pair.
    EXPECT_EQ(OVLogSafeText(QString(200, '\n')), QString("\\n").repeated(148) + "...");
    const QString face = QString::fromUtf8("\xf0\x9f\x99\x82");
    EXPECT_EQ(OVLogSafeText(face.repeated(200)), face.repeated(148) + "...");

    EXPECT_EQ(OVJSONNestingDepth(R"({"text": "[[[[{{{{ \" ]]]] [["})"), 1);
    EXPECT_TRUE(OVParseBoundedJSON("{\"a\": \"" + nested(100) + "\"}").has_value());
    EXPECT_FALSE(OVParseBoundedJSON(QByteArray(1 << 20, '[')).has_value());
}

TEST(ServiceEnvironment, TheInstallIDIsStableAndTheSystemNameComesFromOSRelease) {
    OVServicesGuard services;
    const QString installID = OVStableInstallID();
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$")
                    .match(installID)
                    .hasMatch())
        << installID.toStdString();
    EXPECT_EQ(OVStableInstallID(), installID);
    EXPECT_EQ(OVStandardPreferences().stringForKey("installID"), installID);

    EXPECT_EQ(OVOSReleasePrettyName("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12\"\n"),
              "Debian GNU/Linux 12");
    EXPECT_EQ(OVOSReleasePrettyName("PRETTY_NAME='Fedora Linux 40'\n"), "Fedora Linux 40");
    EXPECT_EQ(OVOSReleasePrettyName("PRETTY_NAME=Arch\\ Linux\n"), "Arch Linux");
    EXPECT_EQ(OVOSReleasePrettyName("PRETTY_NAME=\"Say \\\"hi\\\"\"\n"), "Say \"hi\"");
    EXPECT_EQ(OVOSReleasePrettyName("NAME=Debian\n"), "");
}
