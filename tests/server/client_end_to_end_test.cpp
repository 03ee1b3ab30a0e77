// The application's service client against the real orvetta-server: the launch policy with its
// message, and the first-run compatibility report, sent at once or kept for the next launch.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/intro_check.h"
#include "platform/linux/qt_http_transport.h"
#include "server_harness.h"
#include "service/app_policy.h"
#include "service/report_outbox.h"
#include "settings/profiles.h"
#include "support/compat.h"
#include "support/files.h"
#include "support/local_http_server.h"

using namespace compat_test;

namespace {

const QByteArray kToken = QByteArrayLiteral("end-to-end-admin-token-42");

class RecordingPresenter : public OVPolicyAlertPresenter {
  public:
    int runModalAlert(OVModalAlert& alert) override {
        titles.append(alert.messageText);
        return -1;
    }
    void terminateApplication() override { ADD_FAILURE() << "the application was ended"; }

    QStringList titles;
};

class ClientAgainstServer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        write("admin-token", kToken);
        write("policy.json", R"({"messages": [
            {"id": "fleet-welcome", "show": "once", "title": "Welcome to the fleet"}]})");
        server = std::make_unique<OVServerProcess>(QStringList{
            "--data", folder.filePath("data"), "--policy", folder.filePath("policy.json"),
            "--admin-token-file", folder.filePath("admin-token")});
        ASSERT_TRUE(server->listening()) << server->log().toStdString();
    }

    void write(const QString& name, const QByteArray& contents) {
        OVWriteFile(folder.filePath(name), contents);
    }

    void useServer(const QString& origin) {
        OVRegisterDefaults();
        OVStandardPreferences().setObject("apiBaseURL", origin + "/v1");
    }

    QJsonObject adminRead(const QString& target) {
        const OVHTTPAnswer answer =
            OVSendHTTP(server->port(), "GET", target, {}, "Bearer " + kToken);
        EXPECT_EQ(answer.status, 200) << answer.body.toStdString();
        return answer.json;
    }

    // The first-run check on a machine with one touch display: a finger and a pen tried, the
    // report sent; the status line once the send is answered.
    QString runCheckAndSend(OVServicesGuard& services) {
        SimMachine machine(services);
        machine.platform.http = &transport;
        machine.devices.add({{"VendorID", 0x0eef},
                             {"ProductID", 0x72fa},
                             {"PrimaryUsagePage", 13},
                             {"PrimaryUsage", 4},
                             {"Product", "Touch display"},
                             {"Transport", "USB"}},
                            QByteArray());
        OVIntroCompatibilityCheckModel check;
        check.setContactFilter(keepAll);
        check.startCheck();
        check.modelSelectionChanged("Samsung Flip 2", QString());
        postReport(contacts({OVContactKindFinger}), sampleText("f1"));
        postReport(contacts({OVContactKindPen}), sampleText("pen"));
        check.sendReport();
        EXPECT_TRUE(OVRunEventLoopUntil([&] { return check.presentation().sendEnabled; }));
        return check.presentation().statusText;
    }

    // The reports the server stored, after checking each is the check's report.
    QJsonArray storedReports() {
        const QJsonArray stored = adminRead(kReports).value("reports").toArray();
        for (const QJsonValue& entry : stored) {
            const QJsonObject report = entry["report"].toObject();
            EXPECT_EQ(report.value("display_model"), "Samsung Flip 2");
            EXPECT_EQ(report.value("usb_vendor_id"), "0eef");
            const QJsonValue results = report.value("result_summary");
            EXPECT_EQ(results["finger"].toString() + results["pen"].toString() +
                          results["eraser"].toString(),
                      "okoknot_tested");
        }
        return stored;
    }

    const QString kReports = "/v1/compatibility-reports/";
    QTemporaryDir folder;
    std::unique_ptr<OVServerProcess> server;
    OVQtHTTPTransport transport;
};

}  // namespace

TEST_F(ClientAgainstServer, APolicyMessageShowsOnceOverTwoLaunches) {
    OVPreferences store(folder.filePath("preferences.json"), nullptr);
    OVAssembledPlatform platform;
    platform.http = &transport;
    QStringList shown;
    for (int launch = 0; launch < 2; ++launch) {
        OVServicesGuard process;  // a fresh process with the same preferences
        process.setPreferences(&store);
        process.setPlatform(&platform);
        useServer(server->origin());
        RecordingPresenter presenter;
        int continued = 0;
        OVFetchAppPolicyOnLaunch(presenter, [&] { ++continued; });
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return continued > 0; }));
        process.virtualScheduler()->advance(0);
        shown += presenter.titles;
    }
    EXPECT_EQ(shown, QStringList{"Welcome to the fleet"});

    QHash<QString, qint64> launches;
    for (const QJsonValue& row : adminRead(kReports + "summary").value("launches").toArray()) {
        EXPECT_EQ(row["platform"], "linux");
        launches[row["install_event"].toString()] += row["launches"].toInteger();
    }
    EXPECT_EQ(launches, (QHash<QString, qint64>{{"first_launch", 1}, {"policy_check", 1}}));
}

TEST_F(ClientAgainstServer,
       TheFirstRunReportKeptOfflineIsDeliveredAtTheNextLaunchAndLeavesTheOutbox) {
    QTemporaryDir outboxFolder;
    QString reportUUID;
    {
        OVServicesGuard firstLaunch;  // no network: nothing listens on the port
        OVCurrentProcessState().reportOutboxDirectory = outboxFolder.path();
        useServer(QString("http://127.0.0.1:%1").arg(OVUnusedLocalPort()));
        const QString status = runCheckAndSend(firstLaunch);
        EXPECT_TRUE(status.startsWith("Report saved; it will be sent")) << status.toStdString();
        const OVReportOutbox outbox(outboxFolder.path());
        ASSERT_EQ(outbox.fileNames().size(), 1);
        reportUUID = outbox.read(outbox.fileNames()[0])->value("report_uuid").toString();
    }
    EXPECT_TRUE(storedReports().isEmpty());

    OVServicesGuard nextLaunch;
    OVAssembledPlatform platform;
    platform.http = &transport;
    nextLaunch.setPlatform(&platform);
    OVCurrentProcessState().reportOutboxDirectory = outboxFolder.path();
    useServer(server->origin());
    bool done = false;
    OVSendQueuedReports(*OVStandardReportOutbox(), [&] { done = true; });
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return done; }));
    EXPECT_TRUE(OVStandardReportOutbox()->fileNames().isEmpty());
    // A report sent while the service answers is stored at once and named in the status line.
    const QString status = runCheckAndSend(nextLaunch);
    const QJsonArray stored = storedReports();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0]["report_uuid"], reportUUID);
    EXPECT_EQ(status, "Anonymous report sent: " + stored[1]["id"].toString());
}
