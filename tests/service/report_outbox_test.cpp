#include "service/report_outbox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/services.h"
#include "platform/assembled_platform.h"
#include "platform/linux/qt_http_transport.h"
#include "settings/profiles.h"
#include "support/local_http_server.h"
#include "support/log_capture.h"

namespace {

class ReportOutbox : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        platform.http = &transport;
        services.setPlatform(&platform);
        OVRegisterDefaults();
        OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1");
    }

    // Kept reports named by their "n" member, oldest first.
    QStringList keptReports() const {
        QStringList names;
        for (const QString& file : outbox.fileNames()) {
            names.append(outbox.read(file)->value("n").toString());
        }
        return names;
    }

    // Sends the kept reports and waits until the flush is over.
    void flush() {
        bool done = false;
        OVSendQueuedReports(outbox, [&] { done = true; });
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return done; }));
    }

    QTemporaryDir directory;
    OVReportOutbox outbox{directory.filePath("state/orvetta/outbox")};
    OVServicesGuard services;
    OVLocalHTTPServer server;
    OVQtHTTPTransport transport;
    OVAssembledPlatform platform;
};

}  // namespace

TEST_F(ReportOutbox, ReportsAreKeptInOrderWithAUUIDAndTheOldestGoBeyondTheLimits) {
    OVLogCapture log;
    const QString uuid = "6F1C2A9E-0B7D-4C3E-9A51-2D8F0E6B9B2E";
    ASSERT_TRUE(outbox.add({{"n", "0"}, {"report_uuid", "{" + uuid + "}"}}).has_value());
    for (int n = 1; n < 22; ++n) {
        ASSERT_TRUE(outbox.add({{"n", QString::number(n)}}).has_value());
    }
    // The folder is private; 22 reports became the newest 20.
    EXPECT_EQ(QFile::permissions(outbox.directory()) & 0x0077, 0);
    const QStringList files = outbox.fileNames();
    ASSERT_EQ(files.size(), 20);
    EXPECT_EQ(keptReports().first(), "2");
    EXPECT_EQ(keptReports().last(), "21");
    EXPECT_TRUE(files.first().startsWith("0000000003-"));
    EXPECT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.contains("Orvetta dropped the queued report 0000000001-" + uuid.toLower()));
    for (const QString& file : files) {
        const QString kept = outbox.read(file)->value("report_uuid").toString();
        EXPECT_EQ(file, file.left(11) + kept + ".json");
    }

    // Four reports of a little over a megabyte each pass 4 MiB: the oldest goes.
    QTemporaryDir other;
    const OVReportOutbox large(other.path());
    for (int n = 0; n < 4; ++n) {
        ASSERT_TRUE(large.add({{"n", n}, {"bulk", QString(1024 * 1024 + 10, 'b')}}).has_value());
    }
    EXPECT_EQ(large.fileNames().size(), 3);
    OVError error;
    EXPECT_FALSE(large.add({{"bulk", QString(5 * 1024 * 1024, 'b')}}, &error).has_value());
    EXPECT_FALSE(error.description.isEmpty());
    EXPECT_EQ(large.fileNames().size(), 3);
    EXPECT_FALSE(OVReportOutbox(QString()).add({{"n", 1}}).has_value());
}

TEST_F(ReportOutbox, ALaterStartSendsInOrderAndRemovesWhatTheServiceAnswered) {
    for (const char* n : {"ok-1", "refused", "ok-2", "busy", "after-busy"}) {
        outbox.add({{"n", n}});
    }
    // A stray temporary file of an interrupted write is not a report; a broken report is dropped.
    QFile(QDir(outbox.directory()).filePath("0000000009-x.json.tmp")).open(QIODevice::WriteOnly);
    QFile broken(
        QDir(outbox.directory()).filePath("0000000000-00000000-0000-4000-8000-000000000000.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"n\": ");
    broken.close();

    server.route("/v1/compatibility-reports/", [](const OVLocalHTTPServer::Request& request) {
        const QString n = QJsonDocument::fromJson(request.body)["n"].toString();
        if (n == "refused") {
            return OVLocalHTTPServer::json(400, R"({"error": "Unknown report format."})");
        }
        if (n == "busy") {
            return OVLocalHTTPServer::json(503, R"({"error": "Try later."})");
        }
        return OVLocalHTTPServer::json(201, R"({"id": "cr-1"})");
    });
    OVLogCapture log;
    flush();
    QStringList sent;
    for (const OVLocalHTTPServer::Request& request : server.requests()) {
        const QJsonDocument body = QJsonDocument::fromJson(request.body);
        sent.append(body["n"].toString());
        EXPECT_EQ(body["report_uuid"].toString().size(), 36);
    }
    EXPECT_EQ(sent, QStringList({"ok-1", "refused", "ok-2", "busy"}));
    EXPECT_EQ(keptReports(), QStringList({"busy", "after-busy"}));
    EXPECT_TRUE(log.contains("Orvetta removed the unreadable queued report 0000000000-"));
    EXPECT_TRUE(log.contains("the service refused it (400): Unknown report format."));
    EXPECT_TRUE(log.contains("Orvetta keeps 2 queued report(s) for a later start: Try later."));

    // The next start without a network keeps everything; the one after that delivers it.
    OVStandardPreferences().setObject(
        "apiBaseURL", QStringLiteral("http://127.0.0.1:%1/v1").arg(OVUnusedLocalPort()));
    flush();
    EXPECT_EQ(keptReports(), QStringList({"busy", "after-busy"}));
    OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1");
    server.route("/v1/compatibility-reports/", OVLocalHTTPServer::json(201, R"({"id": "cr-2"})"));
    flush();
    EXPECT_TRUE(outbox.fileNames().isEmpty());
    EXPECT_EQ(QDir(outbox.directory()).entryList(QDir::Files).size(), 1);  // the stray file

    // Without a service nothing is tried.
    outbox.add({{"n", "later"}});
    OVStandardPreferences().setObject("apiBaseURL", "");
    const qsizetype requests = server.requests().size();
    flush();
    EXPECT_EQ(server.requests().size(), requests);
    EXPECT_EQ(keptReports(), QStringList({"later"}));
}
