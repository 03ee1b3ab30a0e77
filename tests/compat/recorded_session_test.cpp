// The compatibility windows fed with the demo touch session through the touch bridge, and their
// reports sent to a service on 127.0.0.1.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/diagnostics_report.h"
#include "compat/intro_check.h"
#include "compat/step_test.h"
#include "support/compat.h"
#include "hid/hid_recording.h"
#include "platform/linux/qt_http_transport.h"
#include "platform/sim/sim_replay.h"
#include "service/report_outbox.h"
#include "settings/profiles.h"
#include "support/local_http_server.h"

using namespace compat_test;

namespace {

OVHIDRecording demoSession() {
    OVError error;
    const std::optional<OVHIDRecording> recording = OVReadHIDRecordingFile(
        QStringLiteral(ORVETTA_SOURCE_DIR "/resources/demo/demo-session.hidrec"), &error);
    if (!recording) {
        ADD_FAILURE() << error.description.toStdString();
        return OVHIDRecording();
    }
    return *recording;
}

// The bytes of a report as the debug text writes them: two hex digits each, one space apart.
QString hexOf(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' '));
}

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
                              {"LocationID", 0x14200000},
                              {"PrimaryUsagePage", 13},
                              {"PrimaryUsage", 4},
                              {"MaxInputReportSize", 38},
                              {"Manufacturer", "Orvetta"},
                              {"Product", "Demo touch screen"},
                              {"Transport", "USB"}},
                             recording.descriptor);
        machine->platform.http = &transport;
        OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1");
        server.route("/v1/compatibility-reports/", reply);
    }

    QVariantMap receivedJSON(int index = 0) const {
        return QJsonDocument::fromJson(server.requests().at(index).body).object().toVariantMap();
    }

    OVServicesGuard services;
    OVHIDRecording recording = demoSession();
    OVIntroCompatibilityCheckModel check;
    int quits = 0;
    OVLocalHTTPServer server;
    OVQtHTTPTransport transport;
    std::unique_ptr<SimMachine> machine;
};

}  // namespace

TEST_F(RecordedSession, TheDemoSessionProvesEveryInputWithItsFirstReport) {
    playDemoSession();
    const auto& results = check.resultsByName();
    for (const QString& name : OVIntroCompatibilityCheckModel::resultNames()) {
        ASSERT_TRUE(results.contains(name)) << name.toStdString();
        EXPECT_TRUE(results.value(name).sample.contains(" bytes: 01 ")) << name.toStdString();
    }
    // Five fingers at once prove four.
    EXPECT_EQ(results.value("Finger 4 point").details,
              "contacts=5 kinds=finger, finger, finger, finger, finger");
    // The first report of the session is the first finger's sample.
    EXPECT_EQ(OVFirstHexLineOfSample(results.value("Finger 1 point").sample),
              hexOf(recording.events.first().bytes));

    const QVariantList samples = check.rawSamples();
    ASSERT_EQ(samples.size(), 6);
    for (const QVariant& sample : samples) {
        const QVariantMap object = sample.toMap();
        EXPECT_EQ(object.value("status"), "ok");
        EXPECT_EQ(object.value("hex").toString().size(), 38 * 3 - 1);
    }
}

TEST_F(RecordedSession, TheCheckSendsItsReportToTheServiceAndFinishesFirstRunSetup) {
    playDemoSession();
    connectToService(OVLocalHTTPServer::json(201, R"({"id": "cr-2041"})"));
    int completions = 0;
    OVScopedObservers observer(OVDefaultCenter());
    observer.add(OVInitialCompatibilityCompletedNotification, nullptr,
                 [&](const OVNotification&) { ++completions; });

    check.modelSelectionChanged("Samsung Flip 2", QString());
    check.sendReport();
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return check.presentation().sendEnabled; }));
    EXPECT_EQ(check.presentation().statusText, "Anonymous report sent: cr-2041");
    EXPECT_TRUE(check.reportSent());

    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].method, "POST");
    EXPECT_EQ(server.requests()[0].path, "/v1/compatibility-reports/");
    const QVariantMap sent = receivedJSON();
    EXPECT_EQ(sent.value("schema_version").toInt(), 1);
    EXPECT_EQ(sent.value("app"), "orvetta");
    EXPECT_EQ(sent.value("anonymous"), true);
    EXPECT_EQ(sent.value("report_type"), "compatibility_check");
    EXPECT_EQ(sent.value("report_format"), "vovuderovo-check-v1");
    EXPECT_EQ(sent.value("display_model"), "Samsung Flip 2");
    EXPECT_EQ(sent.value("install_id"), OVStandardPreferences().stringForKey("installID"));
    const QVariantMap summary = sent.value("result_summary").toMap();
    EXPECT_EQ(summary.keys(), (QStringList{"eraser", "finger", "four_finger", "pen", "three_finger",
                                           "two_finger"}));
    for (const QVariant& status : summary) {
        EXPECT_EQ(status, "ok");
    }
    const QVariantList samples = sent.value("raw_samples").toList();
    ASSERT_EQ(samples.size(), 6);
    EXPECT_EQ(samples[0].toMap().value("control"), "finger");
    EXPECT_EQ(samples[0].toMap().value("hex"), hexOf(recording.events.first().bytes));
    EXPECT_EQ(samples[4].toMap().value("control"), "pen");
    EXPECT_TRUE(samples[4].toMap().value("text").toString().contains("kind=pen"));
    EXPECT_EQ(sent.value("usb_vendor_id"), "1d6b");
    EXPECT_EQ(sent.value("usb_product_id"), "0104");
    EXPECT_EQ(sent.value("diagnostics").toMap().value("logical_resolution"), "1920x1080");

    check.finish();
    EXPECT_TRUE(OVStandardPreferences().boolForKey(OVInitialCompatibilityReportSentKey));
    EXPECT_EQ(completions, 1);
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 0);
}

TEST_F(RecordedSession, AReportTheServiceDidNotTakeWaitsAndFirstRunSetupCanStillFinish) {
    QTemporaryDir outboxDirectory;
    OVCurrentProcessState().reportOutboxDirectory = outboxDirectory.path();
    playDemoSession();
    connectToService(OVLocalHTTPServer::json(503, R"({"error": "Reports are paused."})"));
    check.modelSelectionChanged("Other", QString());
    check.sendReport();
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return check.presentation().sendEnabled; }));
    EXPECT_EQ(check.presentation().statusText,
              "Report saved; it will be sent when the service can be reached.\n"
              "Reports are paused.");
    EXPECT_FALSE(check.reportSent());
    EXPECT_TRUE(check.presentation().finishEnabled);

    // The kept report is the one the service saw, uuid and all.
    const OVReportOutbox outbox(outboxDirectory.path());
    ASSERT_EQ(outbox.fileNames().size(), 1);
    const QVariantMap kept = *outbox.read(outbox.fileNames().first());
    EXPECT_EQ(kept, receivedJSON());
    EXPECT_EQ(kept.value("display_model"), "Other");

    // A required check closed before Finish still quits.
    check.windowWillClose();
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 1);
}

TEST_F(RecordedSession, ATestOfASilentDisplaySendsSixFailures) {
    connectToService(OVLocalHTTPServer::json(201, R"({"id": 7})"));
    OVCompatibilityTestModel test;
    test.setContactFilter(keepAll);
    test.resetIntro();
    test.startTest();
    services.virtualScheduler()->advance(63.0);
    ASSERT_EQ(test.state(), OVCompatibilityTestModel::State::Finished);
    test.sendReport();
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return test.presentation().sendEnabled; }));
    EXPECT_EQ(test.presentation().statusText, "Anonymous report sent.");

    const QVariantMap sent = receivedJSON();
    EXPECT_EQ(sent.value("report_type"), "troubleshoot");
    EXPECT_EQ(sent.value("report_format"), "vovuderovo-troubleshoot-v1");
    EXPECT_EQ(sent.value("display_model"), "");
    for (const QVariant& status : sent.value("result_summary").toMap()) {
        EXPECT_EQ(status, "failed");
    }
    const QVariantList samples = sent.value("raw_samples").toList();
    ASSERT_EQ(samples.size(), 6);
    EXPECT_EQ(samples[5].toMap(), (QVariantMap{{"control", "eraser"}, {"status", "timeout"}}));
}
