#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrlQuery>
#include <cmath>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "orvetta_config.h"
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

    Outcome get(const QString& path, const OVQueryParameters& parameters = {}) {
        Outcome outcome;
        OVGetJSON(path, parameters, outcome.completion());
        EXPECT_TRUE(OVRunEventLoopUntil([&] { return outcome.calls > 0; }));
        return outcome;
    }

    // Sends the kept reports and waits until that is over.
    void sendQueuedReports(const OVReportOutbox& outbox) {
        bool done = false;
        OVSendQueuedReports(outbox, [&] { done = true; });
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return done; }));
    }

    Outcome post(const QString& path, const QVariantMap& payload) {
        Outcome outcome;
        OVPostJSON(path, payload, outcome.completion());
        EXPECT_TRUE(OVRunEventLoopUntil([&] { return outcome.calls > 0; }));
        return outcome;
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

TEST_F(ServiceClientTest, BaseURLAndPathMeetAtExactlyOneSlash) {
    useBase("  " + server.origin() + "/api/v1///\n");
    EXPECT_EQ(OVAPIURL("compatibility-reports/")->toString(),
              server.origin() + "/api/v1/compatibility-reports/");
    EXPECT_EQ(OVAPIURL("/app-policy/")->toString(), server.origin() + "/api/v1/app-policy/");

    const Outcome outcome = post("compatibility-reports/", {{"a", 1}});
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].path, "/api/v1/compatibility-reports/");
    EXPECT_EQ(outcome.calls, 1);
}

TEST_F(ServiceClientTest, RetiredAndEmptyBaseURLsFallBackToProduction) {
    const QString production = "https://www.orvetta.test/api/v1";
    const QStringList retired{"http://localhost:8080/api/v1", "https://orvetta.test/api/v1"};
    bool wasRetired = false;
    EXPECT_EQ(OVResolvedAPIBaseURL(" " + retired[1] + "\n", production, retired, &wasRetired),
              production);
    EXPECT_TRUE(wasRetired);
    EXPECT_EQ(OVResolvedAPIBaseURL("   ", production, retired, &wasRetired), production);
    EXPECT_FALSE(wasRetired);

    // The default build has no service.
    ASSERT_TRUE(OVProductionAPIBaseURL().isEmpty());
    EXPECT_TRUE(OVRetiredAPIBaseURLs().isEmpty());
    useBase("   ");
    EXPECT_FALSE(OVServiceConfigured());
}

TEST_F(ServiceClientTest, UnusableBaseURLFailsAtOnceWithoutTouchingTheNetwork) {
    OVLogCapture log;
    const QString none = "No Orvetta service is configured.";
    const QString https = "The Orvetta service address must use https.";
    const QList<std::pair<QString, QString>> cases = {
        {"", none},
        {"  \n", none},
        {"not a url", ""},
        {"ftp://files.example/v1", ""},
        {"file:///etc", ""},
        {"/v1", ""},
        {"http://", ""},
        {"http://example.org/v1", https},
        {"http://127.0.0.1.example.org/v1", https},
    };
    for (const auto& [base, description] : cases) {
        SCOPED_TRACE(base.toStdString());
        useBase(base);
        Outcome getOutcome;
        OVGetJSON("/app-policy/", {{"app", "orvetta"}}, getOutcome.completion());
        ASSERT_EQ(getOutcome.calls, 1);  // inside the call
        EXPECT_EQ(getOutcome.error->code, OVServiceErrorInvalidURL);
        EXPECT_EQ(getOutcome.error->description,
                  description.isEmpty() ? "Policy server URL is invalid." : description);

        Outcome postOutcome;
        OVPostJSON("/compatibility-reports/", {}, postOutcome.completion());
        ASSERT_EQ(postOutcome.calls, 1);
        EXPECT_EQ(postOutcome.error->code, OVServiceErrorInvalidURL);
        EXPECT_EQ(postOutcome.error->description,
                  description.isEmpty() ? "The Orvetta service URL is invalid." : description);
    }
    EXPECT_EQ(transport.requestsInFlight(), 0);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(log.contains("Orvetta refused the service address http://example.org/v1"));
}

TEST(ServiceAddress, PlainHTTPReachesOnlyThisComputer) {
    for (const char* host : {"127.0.0.1", "127.255.3.9", "::1", "LocalHost", "::ffff:127.0.0.1"}) {
        EXPECT_TRUE(OVIsLoopbackHost(host)) << host;
    }
    for (const char* host : {"128.0.0.1", "127.0.0", "1127.0.0.1", "127.0.0.256", "::2",
                             "::ffff:10.0.0.1", "localhost.evil.test", ""}) {
        EXPECT_FALSE(OVIsLoopbackHost(host)) << host;
    }
}

TEST_F(ServiceClientTest, QueryKeepsOrderDropsEmptiesAndEncodesEveryValue) {
    server.route("/v1/app-policy/", OVLocalHTTPServer::json(200, "{}"));
    const QString tricky = QString::fromUtf8("Etc/GMT+2 & a=b 100% é");
    const Outcome outcome =
        get("app-policy/",
            {{"zeta", "1"}, {"empty", ""}, {"", "nameless"}, {"tz", tricky}, {"alpha", "2"}});
    ASSERT_EQ(outcome.calls, 1);
    EXPECT_FALSE(outcome.error.has_value());
    ASSERT_EQ(server.requests().size(), 1);
    const QByteArray query = server.requests()[0].query;
    QStringList names;
    QString decodedTz;
    for (const QByteArray& item : query.split('&')) {
        const QList<QByteArray> parts = item.split('=');
        ASSERT_EQ(parts.size(), 2) << item.toStdString();
        const QString name = QUrl::fromPercentEncoding(parts[0]);
        names << name;
        if (name == "tz") {
            decodedTz = QUrl::fromPercentEncoding(parts[1]);
        }
    }
    EXPECT_EQ(names, QStringList({"zeta", "tz", "alpha"}));
    EXPECT_EQ(decodedTz, tricky);
    EXPECT_FALSE(query.contains('+'));  // a "+" would read as a space on the other side
}

TEST_F(ServiceClientTest, PostSendsCompactJSONWithBothHeadersAndGetOnlyAccept) {
    server.route("/v1/compatibility-reports/", OVLocalHTTPServer::json(201, R"({"id": "r-1"})"));
    server.route("/v1/app-policy/", OVLocalHTTPServer::json(200, "{}"));
    const QVariantMap payload{
        {"schema_version", 1}, {"anonymous", true}, {"list", QVariantList{1, "x"}}};

    const Outcome posted = post("/compatibility-reports/", payload);
    ASSERT_FALSE(posted.error.has_value());
    EXPECT_EQ(posted.dictionary->value("id").toString(), "r-1");
    EXPECT_TRUE(posted.onMainThread);

    const Outcome fetched = get("/app-policy/");
    ASSERT_FALSE(fetched.error.has_value());

    ASSERT_EQ(server.requests().size(), 2);
    const OVLocalHTTPServer::Request& postRequest = server.requests()[0];
    EXPECT_EQ(postRequest.method, "POST");
    EXPECT_EQ(postRequest.headers.value("content-type"), "application/json");
    EXPECT_EQ(postRequest.headers.value("accept"), "application/json");
    EXPECT_FALSE(postRequest.body.contains('\n'));
    EXPECT_EQ(QJsonDocument::fromJson(postRequest.body).object().toVariantMap(), payload);

    const OVLocalHTTPServer::Request& getRequest = server.requests()[1];
    EXPECT_EQ(getRequest.method, "GET");
    EXPECT_EQ(getRequest.headers.value("accept"), "application/json");
    EXPECT_FALSE(getRequest.headers.contains("content-type"));
    EXPECT_TRUE(getRequest.body.isEmpty());
}

TEST_F(ServiceClientTest, EveryKindOfAnswerBecomesADictionaryOrAnError) {
    struct Case {
        const char* name;
        OVLocalHTTPServer::Reply reply;
        bool hasDictionary;
        qint64 code;  // 0: no error
        QString description;
    };
    OVLocalHTTPServer::Reply html;
    html.status = 200;
    html.addHeader("Content-Type", "text/html");
    html.body = "<html><body><b>FATAL ERROR</b>: Uncaught exception</body></html>";
    OVLocalHTTPServer::Reply garbage = OVLocalHTTPServer::json(200, "{\"a\": ");

    const QString unreadable =
        "The Orvetta service returned a response that Orvetta could not read.";
    const QList<Case> cases = {
        {"object", OVLocalHTTPServer::json(200, R"({"ok": true})"), true, 0, ""},
        {"empty object", OVLocalHTTPServer::json(201, "{}"), true, 0, ""},
        {"array", OVLocalHTTPServer::json(200, "[1, 2]"), false, 3, unreadable},
        {"empty body", OVLocalHTTPServer::json(200, ""), false, 2, "Server returned HTTP 200."},
        {"no content", OVLocalHTTPServer::json(204, ""), false, 2, "Server returned HTTP 204."},
        {"message", OVLocalHTTPServer::json(500, R"({"message": "Database is down."})"), true, 500,
         "Database is down."},
        {"error wins", OVLocalHTTPServer::json(404, R"({"message": "m", "error": "No policy."})"),
         true, 404, "No policy."},
        {"empty texts", OVLocalHTTPServer::json(503, R"({"error": "", "message": 7})"), true, 503,
         "Server returned HTTP 503."},
        {"fatal error page", html, false, QJsonParseError::IllegalValue,
         "The Orvetta service returned an internal server error page instead of JSON; please "
         "check the backend logs."},
        {"invalid JSON", garbage, false, QJsonParseError::UnterminatedObject, unreadable},
        {"64 levels", OVLocalHTTPServer::json(200, "{\"a\":" + nested(63) + "}"), true, 0, ""},
        {"65 levels", OVLocalHTTPServer::json(200, "{\"a\":" + nested(64) + "}"), false,
         QJsonParseError::DeepNesting, unreadable},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const QByteArray path = "/v1/case-" + QByteArray::number(server.requests().size());
        server.route(path, testCase.reply);
        const Outcome outcome = get(QString::fromLatin1(path.mid(3)));
        ASSERT_EQ(outcome.calls, 1);
        EXPECT_EQ(outcome.dictionary.has_value(), testCase.hasDictionary);
        if (testCase.code == 0) {
            EXPECT_FALSE(outcome.error.has_value());
        } else {
            ASSERT_TRUE(outcome.error.has_value());
            EXPECT_EQ(outcome.error->domain, "Orvetta");
            EXPECT_EQ(outcome.error->code, testCase.code);
            EXPECT_EQ(outcome.error->description, testCase.description);
        }
    }
}

TEST_F(ServiceClientTest, ABodyOverFourMiBIsRefusedAndOneOfExactlyFourMiBIsRead) {
    const qint64 limit = OVHTTPMaximumBodySize;
    const QByteArray prefix = "{\"a\":\"";
    const QByteArray suffix = "\"}";
    const QByteArray atLimit =
        prefix + QByteArray(limit - prefix.size() - suffix.size(), 'x') + suffix;
    ASSERT_EQ(atLimit.size(), limit);
    const QByteArray overLimit = prefix + QByteArray(limit + 1024 * 1024, 'x') + suffix;

    server.route("/v1/at-limit", OVLocalHTTPServer::json(200, atLimit));
    OVLocalHTTPServer::Reply announced = OVLocalHTTPServer::json(200, overLimit);
    server.route("/v1/announced", announced);
    OVLocalHTTPServer::Reply streamed = OVLocalHTTPServer::json(200, overLimit);
    streamed.sendContentLength = false;
    server.route("/v1/streamed", streamed);

    const Outcome read = get("at-limit");
    EXPECT_FALSE(read.error.has_value());
    EXPECT_EQ(read.dictionary->value("a").toString().size(), atLimit.size() - 8);

    for (const char* path : {"announced", "streamed"}) {
        SCOPED_TRACE(path);
        const Outcome refused = get(path);
        ASSERT_TRUE(refused.error.has_value());
        EXPECT_EQ(refused.error->code, OVServiceErrorResponseTooLarge);
        EXPECT_TRUE(refused.error->description.contains("4 MiB"));
        EXPECT_FALSE(refused.dictionary.has_value());
    }
    EXPECT_EQ(transport.requestsInFlight(), 0);
}

TEST_F(ServiceClientTest, ASilentServerTimesOutAfterTwelveSecondsOfVirtualTime) {
    OVLocalHTTPServer::Reply silent;
    silent.neverAnswer = true;
    server.route("/v1/app-policy/", silent);

    Outcome outcome;
    OVGetJSON("/app-policy/", {}, outcome.completion());
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return server.requests().size() == 1; }));

    services.virtualScheduler()->advance(OVServiceRequestTimeout - 0.1);
    QCoreApplication::processEvents();
    EXPECT_EQ(outcome.calls, 0);

    services.virtualScheduler()->advance(0.1);
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return outcome.calls > 0; }));
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.error->domain, "QNetworkReply");
    EXPECT_EQ(outcome.error->code, QNetworkReply::TimeoutError);
    EXPECT_EQ(outcome.error->description, "The request timed out.");
    EXPECT_TRUE(outcome.onMainThread);
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

TEST_F(ServiceClientTest, ALaterStartSendsTheKeptReportsInOrderAndRemovesWhatWasAnswered) {
    QTemporaryDir directory;
    const OVReportOutbox outbox(directory.path());
    for (const char* n : {"ok-1", "refused", "ok-2", "busy", "after-busy"}) {
        outbox.add({{"n", n}});
    }
    server.route("/v1/compatibility-reports/", [](const OVLocalHTTPServer::Request& request) {
        const QString n = QJsonDocument::fromJson(request.body)["n"].toString();
        if (n == "refused") {
            return OVLocalHTTPServer::json(400, R"({"error": "Unknown report format."})");
        }
        return OVLocalHTTPServer::json(n == "busy" ? 503 : 201, R"({"id": "cr-1"})");
    });
    OVLogCapture log;
    sendQueuedReports(outbox);
    QStringList sent;
    for (const OVLocalHTTPServer::Request& request : server.requests()) {
        sent.append(QJsonDocument::fromJson(request.body)["n"].toString());
    }
    EXPECT_EQ(sent, QStringList({"ok-1", "refused", "ok-2", "busy"}));
    EXPECT_EQ(keptReports(outbox), QStringList({"busy", "after-busy"}));
    EXPECT_TRUE(log.contains("the service refused it (400): Unknown report format."));

    // Without a network everything stays.
    useBase(QStringLiteral("http://127.0.0.1:%1/v1").arg(OVUnusedLocalPort()));
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
    ASSERT_EQ(outbox.fileNames().size(), 20);
    EXPECT_EQ(keptReports(outbox).first(), "2");
    EXPECT_EQ(keptReports(outbox).last(), "21 again");
    EXPECT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.contains("Orvetta dropped the queued report 0000000001-"));

    // Four reports of a little over a megabyte each pass 4 MiB: the oldest goes.
    QTemporaryDir other;
    const OVReportOutbox large(other.path());
    for (int n = 0; n < 4; ++n) {
        ASSERT_TRUE(large.add({{"n", n}, {"bulk", QString(1024 * 1024 + 10, 'b')}}).has_value());
    }
    EXPECT_EQ(large.fileNames().size(), 3);
}

TEST_F(ServiceClientTest, ARefusedConnectionPassesTheTransportErrorThrough) {
    useBase(QStringLiteral("http://127.0.0.1:%1/v1").arg(OVUnusedLocalPort()));
    const Outcome outcome = get("/app-policy/");
    ASSERT_EQ(outcome.calls, 1);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->domain, "QNetworkReply");
    EXPECT_EQ(outcome.error->code, QNetworkReply::ConnectionRefusedError);
    EXPECT_FALSE(outcome.error->description.isEmpty());
    EXPECT_FALSE(outcome.dictionary.has_value());
}

TEST_F(ServiceClientTest, RedirectsAreFollowed) {
    OVLocalHTTPServer::Reply moved;
    moved.status = 302;
    moved.addHeader("Location", "/v2/app-policy/?from=v1");
    server.route("/v1/app-policy/", moved);
    server.route("/v2/app-policy/", OVLocalHTTPServer::json(200, R"({"policy": {}})"));

    const Outcome outcome = get("/app-policy/");
    EXPECT_FALSE(outcome.error.has_value());
    EXPECT_TRUE(outcome.dictionary->contains("policy"));
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[1].target, "/v2/app-policy/?from=v1");
}

TEST_F(ServiceClientTest, APayloadThatJSONCannotHoldFailsAtOnce) {
    Outcome outcome;
    OVPostJSON("/compatibility-reports/", {{"scale", std::nan("")}}, outcome.completion());
    ASSERT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.error->code, OVServiceErrorPayloadNotEncodable);
    Outcome nested;
    OVPostJSON("/compatibility-reports/", {{"a", QVariantList{QVariant::fromValue(QPointF(1, 2))}}},
               nested.completion());
    ASSERT_EQ(nested.calls, 1);
    EXPECT_EQ(nested.error->code, OVServiceErrorPayloadNotEncodable);
    EXPECT_TRUE(server.requests().isEmpty());
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

TEST(ServiceResponseParsing, WithoutAnyResponseTheDescriptionSaysSo) {
    const OVJSONResult empty = OVParseJSONResponse(QByteArray(), std::nullopt, std::nullopt);
    EXPECT_EQ(empty.error->code, OVServiceErrorNoUsableResponse);
    EXPECT_EQ(empty.error->description, "The server did not return a usable response.");

    const OVError offline{"QNetworkReply", 99, "Network unreachable"};
    const OVJSONResult failed = OVParseJSONResponse(R"({"ok": true})", 200, offline);
    EXPECT_FALSE(failed.dictionary.has_value());
    EXPECT_EQ(failed.error->domain, "QNetworkReply");
    EXPECT_EQ(failed.error->code, 99);
    EXPECT_EQ(failed.error->description, "Network unreachable");

    EXPECT_EQ(OVInvalidJSONMessage(""), "The Orvetta service returned an empty response.");

    OVHTTPResponse oversized;
    oversized.statusCode = 200;
    oversized.body = QByteArray(OVHTTPMaximumBodySize + 1, ' ');
    EXPECT_EQ(OVParseHTTPResponse(oversized).error->code, OVServiceErrorResponseTooLarge);
}

TEST(ServiceLogText, ControlCharactersAreEscapedAndLongTextIsCut) {
    EXPECT_EQ(OVLogSafeText(QString::fromUtf8("caf\xc3\xa9 at 10:00")),
              QString::fromUtf8("caf\xc3\xa9 at 10:00"));
    EXPECT_EQ(OVLogSafeText("a\nb\r\tc\x1b[31md\u202Ee"), "a\\nb\\r\\tc\\u001b[31md\\u202ee");
    EXPECT_EQ(OVLogSafeText(QString(400, 'x')), QString(297, 'x') + "...");
    // A cut never splits an escape or a surrogate pair.
    EXPECT_EQ(OVLogSafeText(QString(200, '\n')), QString("\\n").repeated(148) + "...");
    const QString face = QString::fromUtf8("\xf0\x9f\x99\x82");
    EXPECT_EQ(OVLogSafeText(face.repeated(200)), face.repeated(148) + "...");
}

TEST(BoundedJSON, NestingIsCountedOutsideStringsOnly) {
    EXPECT_EQ(OVJSONNestingDepth("{\"a\": [1, {\"b\": []}]}"), 4);
    EXPECT_EQ(OVJSONNestingDepth(R"({"text": "[[[[{{{{ \" ]]]] [["})"), 1);
    const QByteArray deepInString = "{\"a\": \"" + nested(100) + "\"}";
    EXPECT_TRUE(OVParseBoundedJSON(deepInString).has_value());
    QJsonParseError error{};
    EXPECT_FALSE(OVParseBoundedJSON(nested(65), &error).has_value());
    EXPECT_EQ(error.error, QJsonParseError::DeepNesting);
    EXPECT_TRUE(OVParseBoundedJSON(nested(64)).has_value());
    // A deep document is refused without building it.
    EXPECT_FALSE(OVParseBoundedJSON(QByteArray(1 << 20, '[')).has_value());
}

TEST(ServiceEnvironment, FieldsComeFromTheBuildThePreferencesAndTheSystem) {
    OVServicesGuard services;
    EXPECT_EQ(OVBundleVersion(), QStringLiteral(ORVETTA_VERSION));
    EXPECT_EQ(OVBundleBuild(), QStringLiteral(ORVETTA_BUILD));
    EXPECT_EQ(OVPlatformName(), "linux");

    const QString installID = OVStableInstallID();
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$")
                    .match(installID)
                    .hasMatch())
        << installID.toStdString();
    EXPECT_EQ(OVStableInstallID(), installID);
    EXPECT_EQ(OVStandardPreferences().stringForKey("installID"), installID);

    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(OVLocaleIdentifier(), "de-DE");
    QLocale::setDefault(previous);

    QProcess uname;
    uname.start("uname", {"-m"});
    ASSERT_TRUE(uname.waitForFinished());
    EXPECT_EQ(OVArchitectureName(),
              QString::fromLocal8Bit(uname.readAllStandardOutput()).trimmed());

    const QByteArray previousZone = qgetenv("TZ");
    qputenv("TZ", "Europe/Helsinki");
    EXPECT_EQ(OVTimeZoneIdentifier(), "Europe/Helsinki");
    if (previousZone.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", previousZone);
    }

    QFile osRelease("/etc/os-release");
    if (osRelease.open(QIODevice::ReadOnly)) {
        EXPECT_EQ(OVOperatingSystemVersionString(), OVOSReleasePrettyName(osRelease.readAll()));
    }
    EXPECT_FALSE(OVOperatingSystemVersionString().isEmpty());
}

TEST(ServiceEnvironment, PrettyNameIsReadFromOSReleaseWithoutQuotes) {
    EXPECT_EQ(OVOSReleasePrettyName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                    "(bookworm)\"\nID=debian\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(OVOSReleasePrettyName("PRETTY_NAME='Fedora Linux 40'\n"), "Fedora Linux 40");
    EXPECT_EQ(OVOSReleasePrettyName("PRETTY_NAME=Arch\\ Linux\n"), "Arch Linux");
    EXPECT_EQ(OVOSReleasePrettyName("PRETTY_NAME=\"Say \\\"hi\\\"\"\n"), "Say \"hi\"");
    EXPECT_EQ(OVOSReleasePrettyName("NAME=Debian\n"), "");
}
