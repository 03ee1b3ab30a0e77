// The application's service client against the real orvetta-server: the launch policy with its
// message, and the first-run compatibility report.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/intro_check.h"
#include "compat_windows/compat_test_helpers.h"
#include "platform/linux/qt_http_transport.h"
#include "server_harness.h"
#include "service/app_policy.h"
#include "settings/profiles.h"
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
        write(QStringLiteral("admin-token"), kToken);
        write(QStringLiteral("policy.json"), R"({"messages": [
            {"id": "fleet-welcome", "show": "once", "title": "Welcome to the fleet"}]})");
        server = std::make_unique<OVServerProcess>(QStringList{
            QStringLiteral("--data"), folder.filePath(QStringLiteral("data")),
            QStringLiteral("--policy"), folder.filePath(QStringLiteral("policy.json")),
            QStringLiteral("--admin-token-file"), folder.filePath(QStringLiteral("admin-token"))});
        ASSERT_TRUE(server->listening()) << server->log().toStdString();
    }

    void write(const QString& name, const QByteArray& contents) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    void useServer() {
        OVRegisterDefaults();
        OVStandardPreferences().setObject("apiBaseURL", server->origin() + "/v1");
    }

    QJsonObject adminRead(const QString& target) {
        const OVHTTPAnswer answer =
            OVSendHTTP(server->port(), "GET", target, {}, "Bearer " + kToken);
        EXPECT_EQ(answer.status, 200) << answer.body.toStdString();
        return answer.json;
    }

    QTemporaryDir folder;
    std::unique_ptr<OVServerProcess> server;
    OVQtHTTPTransport transport;
};

}  // namespace

TEST_F(ClientAgainstServer, APolicyMessageShowsOnceOverTwoLaunches) {
    OVPreferences store(folder.filePath(QStringLiteral("preferences.json")), nullptr);
    OVAssembledPlatform platform;
    platform.http = &transport;
    QStringList shown;
    for (int launch = 0; launch < 2; ++launch) {
        OVServicesGuard process;  // a fresh process with the same preferences
        process.setPreferences(&store);
        process.setPlatform(&platform);
        useServer();
        RecordingPresenter presenter;
        int continued = 0;
        OVFetchAppPolicyOnLaunch(presenter, [&] { ++continued; });
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return continued > 0; }));
        process.virtualScheduler()->advance(0);
        shown += presenter.titles;
    }
    EXPECT_EQ(shown, QStringList{"Welcome to the fleet"});

    QHash<QString, qint64> launches;
    for (const QJsonValue& row : adminRead(QStringLiteral("/v1/compatibility-reports/summary"))
                                     .value(QStringLiteral("launches"))
                                     .toArray()) {
        EXPECT_EQ(row.toObject().value(QStringLiteral("platform")), "linux");
        launches[row.toObject().value(QStringLiteral("install_event")).toString()] +=
            row.toObject().value(QStringLiteral("launches")).toInteger();
    }
    EXPECT_EQ(launches, (QHash<QString, qint64>{{"first_launch", 1}, {"policy_check", 1}}));
}

TEST_F(ClientAgainstServer, TheFirstRunReportIsSentAndStored) {
    OVServicesGuard services;
    SimMachine machine(services);
    machine.platform.http = &transport;
    machine.devices.add({{"VendorID", 0x0eef},
                         {"ProductID", 0x72fa},
                         {"PrimaryUsagePage", 13},
                         {"PrimaryUsage", 4},
                         {"Product", "Touch display"},
                         {"Transport", "USB"}},
                        QByteArray());
    useServer();
    OVIntroCompatibilityCheckModel check;
    check.setContactFilter(keepAll);
    check.startCheck();
    check.modelSelectionChanged(QStringLiteral("Samsung Flip 2"), QString());
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    postReport(contacts({OVContactKindPen}), sampleText("pen"));
    check.sendReport();
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return check.presentation().sendEnabled; }));
    const QString status = check.presentation().statusText;
    ASSERT_TRUE(status.startsWith(QStringLiteral("Anonymous report sent: CR-")))
        << status.toStdString();
    EXPECT_TRUE(check.reportSent());

    const QJsonArray stored = adminRead(QStringLiteral("/v1/compatibility-reports/"))
                                  .value(QStringLiteral("reports"))
                                  .toArray();
    ASSERT_EQ(stored.size(), 1);
    const QJsonObject entry = stored[0].toObject();
    EXPECT_EQ(status, QStringLiteral("Anonymous report sent: ") +
                          entry.value(QStringLiteral("id")).toString());
    const QJsonObject report = entry.value(QStringLiteral("report")).toObject();
    EXPECT_EQ(report.value(QStringLiteral("report_type")), "compatibility_check");
    EXPECT_EQ(report.value(QStringLiteral("display_model")), "Samsung Flip 2");
    EXPECT_EQ(report.value(QStringLiteral("usb_vendor_id")), "0eef");
    const QJsonObject results = report.value(QStringLiteral("result_summary")).toObject();
    EXPECT_EQ(results.value(QStringLiteral("finger")), "ok");
    EXPECT_EQ(results.value(QStringLiteral("pen")), "ok");
    EXPECT_EQ(results.value(QStringLiteral("eraser")), "not_tested");
}
