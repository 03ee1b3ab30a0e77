// The first-run check fed with the demo touch session through the touch bridge, and its report
// sent to a service on 127.0.0.1.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/virtual_scheduler.h"
#include "compat/intro_check.h"
#include "hid/hid_recording.h"
#include "platform/linux/qt_http_transport.h"
#include "platform/sim/sim_replay.h"
#include "service/report_outbox.h"
#include "settings/profiles.h"
#include "support/compat.h"
#include "support/local_http_server.h"

using namespace compat_test;

namespace {

class RecordedSession : public ::testing::Test {
  protected:
    RecordedSession() {
        OVRegisterDefaults();
        check.setContactFilter(keepAll);  // the whole display stands in for the window
        check.setQuitHandler([this] { ++quits; });
        check.setCloseHandler([this] { check.windowWillClose(); });
    }

    // Plays the demo session through a touch bridge with the check listening.
    void playDemoSession() {
        OVSimReplay replay(*services.virtualScheduler(), QSize(1920, 1080), false,
                           [](const QString&) {});
        services.setPlatform(&replay.platform());
        ASSERT_TRUE(replay.load(recording));
        check.startCheck();
        replay.runVirtual(*services.virtualScheduler());
        services.setPlatform(nullptr);
    }

    // The machine the report describes and a service to send it to.
    void connectToService(const OVLocalHTTPServer::Reply& reply) {
        machine = std::make_unique<SimMachine>(services);
        machine->devices.add({{"VendorID", 0x1d6b},
                              {"ProductID", 0x0104},
                              {"PrimaryUsagePage", 13},
                              {"PrimaryUsage", 4}},
                             recording.descriptor);
        machine->platform.http = &transport;
        OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1");
        server.route("/v1/compatibility-reports/", reply);
    }

    QVariantMap receivedJSON(int index = 0) const {
        return QJsonDocument::fromJson(server.requests().at(index).body).object().toVariantMap();
    }

    OVServicesGuard services;
    // Throws, failing the test, when the session cannot be read.
    OVHIDRecording recording =
        OVReadHIDRecordingFile(ORVETTA_SOURCE_DIR "/resources/demo/demo-session.hidrec").value();
    OVIntroCompatibilityCheckModel check;
    int quits = 0;
    OVLocalHTTPServer server;
    OVQtHTTPTransport transport;
    std::unique_ptr<SimMachine> machine;
};

}  // namespace

TEST_F(RecordedSession, TheDemoSessionProvesEveryInputAndItsReportReachesTheService) {
    playDemoSession();
    // Five fingers at once prove four.
    EXPECT_EQ(check.resultsByName().value("Finger 4 point").details,
              "contacts=5 kinds=finger, finger, finger, finger, finger");

    connectToService(OVLocalHTTPServer::json(201, R"({"id": "cr-2041"})"));
    check.modelSelectionChanged("Samsung Flip 2", QString());
    check.sendReport();
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return check.presentation().sendEnabled; }));
    EXPECT_EQ(check.presentation().statusText, "Anonymous report sent: cr-2041");

    ASSERT_EQ(server.requests().size(), 1);
    const QVariantMap sent = receivedJSON();
    EXPECT_EQ(sent.value("display_model"), "Samsung Flip 2");
    EXPECT_FALSE(sent.value("report_uuid").toString().isEmpty());
    const QVariantMap summary = sent.value("result_summary").toMap();
    EXPECT_EQ(summary.keys(), (QStringList{"eraser", "finger", "four_finger", "pen", "three_finger",
                                           "two_finger"}));
    EXPECT_EQ(summary.values(), QVariantList(6, "ok"));
    const QVariantList samples = sent.value("raw_samples").toList();
    // The first report of the session is the first finger's sample.
    EXPECT_EQ(samples.value(0).toMap().value("hex"),
              QString::fromLatin1(recording.events.first().bytes.toHex(' ')));
    EXPECT_EQ(sent.value("usb_product_id"), "0104");
}

TEST_F(RecordedSession, AReportTheServiceDidNotTakeWaitsOnceAndFirstRunSetupCanStillFinish) {
    QTemporaryDir outboxDirectory;
    OVCurrentProcessState().reportOutboxDirectory = outboxDirectory.path();
    playDemoSession();
    connectToService(OVLocalHTTPServer::json(503, R"({"error": "Reports are paused."})"));
    check.modelSelectionChanged("Other", QString());
    for (int attempt = 1; attempt <= 2; ++attempt) {
        check.sendReport();
        ASSERT_TRUE(OVRunEventLoopUntil([&] { return check.presentation().sendEnabled; }));
    }
    EXPECT_EQ(check.presentation().statusText,
              "Report saved; it will be sent when the service can be reached.\n"
              "Reports are paused.");
    EXPECT_FALSE(check.reportSent());

    // Both sends carried one uuid: the outbox keeps the report the service saw, once.
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(receivedJSON(0), receivedJSON(1));
    const OVReportOutbox outbox(outboxDirectory.path());
    ASSERT_EQ(outbox.fileNames().size(), 1);
    EXPECT_EQ(*outbox.read(outbox.fileNames().first()), receivedJSON());

    check.finish();
    EXPECT_TRUE(OVStandardPreferences().boolForKey(OVInitialCompatibilityCheckCompletedKey));
    EXPECT_FALSE(OVStandardPreferences().boolForKey(OVInitialCompatibilityReportSentKey));
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 0);
}
