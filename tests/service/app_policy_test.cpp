// The app policy: how the launch fetches and adopts it, and what it makes the program show.

#include <gtest/gtest.h>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/assembled_platform.h"
#include "platform/linux/qt_http_transport.h"
#include "platform/sim/sim_workspace.h"
#include "service/app_policy.h"
#include "service/environment.h"
#include "settings/profiles.h"
#include "support/local_http_server.h"
#include "support/log_capture.h"

namespace {

// Answers alerts with scripted choices and records what it was shown.
class ScriptedPresenter : public OVPolicyAlertPresenter {
  public:
    int runModalAlert(OVModalAlert& alert) override {
        alerts.append(alert);
        return choices.isEmpty() ? -1 : choices.takeFirst();
    }
    void terminateApplication() override { ++terminations; }

    QList<int> choices;
    QList<OVModalAlert> alerts;
    int terminations = 0;
};

class AppPolicyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.workspaceService = &workspace;
        platform.http = &transport;
        services.setPlatform(&platform);
        OVRegisterDefaults();
        OVStandardPreferences().setObject("apiBaseURL", "https://service.example:8443/api/v1");
    }

    static void setPolicy(const QString& json) {
        const std::optional<QVariantMap> policy = OVAppPolicyFromJSON(json.toUtf8());
        ASSERT_TRUE(policy.has_value()) << json.toStdString();
        OVCurrentProcessState().currentAppPolicy = *policy;
    }

    // The launch's fetch from the local server answering `reply`; the times startup went on.
    int fetchOnLaunch(const OVLocalHTTPServer::Reply& reply) {
        server.route("/v1/app-policy/", reply);
        OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1/");
        int continued = 0;
        OVFetchAppPolicyOnLaunch(presenter, [&] { ++continued; });
        EXPECT_TRUE(
            OVRunEventLoopUntil([&] { return continued > 0 || !presenter.alerts.isEmpty(); }));
        return continued;
    }

    void runMainLoop() { services.virtualScheduler()->advance(0); }
    QStringList titles() const {
        QStringList titles;
        for (const OVModalAlert& alert : presenter.alerts) {
            titles.append(alert.messageText);
        }
        return titles;
    }

    // A version just above the running one.
    static QString nextVersion() { return OVBundleVersion() + ".1"; }

    OVServicesGuard services;
    OVSimWorkspace workspace;
    OVQtHTTPTransport transport;
    OVAssembledPlatform platform;
    OVLocalHTTPServer server;
    ScriptedPresenter presenter;
};

}  // namespace

TEST(VersionComparison, ComparesNumberByNumber) {
    EXPECT_EQ(OVCompareVersionStrings("0.9.3", "0.10"), -1);
    EXPECT_EQ(OVCompareVersionStrings("0.10", "0.9.3"), 1);
    EXPECT_EQ(OVCompareVersionStrings("1.2.10-beta3", "1.2.10-beta4"), -1);
    EXPECT_EQ(OVCompareVersionStrings("1.2.10-beta3", "1.2.10"), 1);  // a fourth number, 3 > 0
    EXPECT_EQ(OVCompareVersionStrings("v1.02", "1.2"), 0);
    // Numbers longer than 64 bits still compare by value.
    EXPECT_EQ(OVCompareVersionStrings("1.123456789012345678901234", "1.123456789012345678901233"),
              1);
}

TEST_F(AppPolicyTest, AFailedFetchKeepsThePolicyInForceLogsOneLineAndIsReportedAgain) {
    setPolicy(R"({"version_policy": {"latest_version": "7"}})");
    OVLogCapture log;
    EXPECT_EQ(fetchOnLaunch(OVLocalHTTPServer::json(
                  500, R"({"error": "Down.\n2024 FAKE LOG LINE)" + QByteArray(400, 'x') + "\"}")),
              1);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("Orvetta app policy check failed: Down.\\n2024 FAKE"));
    EXPECT_LE(log.lines()[0].size(), 40 + OVLogTextLimit);
    EXPECT_EQ(OVPolicyStringAtPath({"version_policy", "latest_version"}), "7");
    EXPECT_EQ(OVInstallEventForCurrentLaunch(), "first_launch");
    // Neither a policy of another shape nor a deep one replaces it.
    EXPECT_FALSE(OVAppPolicyFromJSON("[]").has_value());
    EXPECT_FALSE(OVAppPolicyFromJSON(QByteArray(65, '{')).has_value());
    ASSERT_TRUE(OVLoadBundledAppPolicy());
    EXPECT_FALSE(OVFirstLaunchPolicyMessage().has_value());
}

TEST_F(AppPolicyTest, AnUnsupportedVersionStopsTheLaunchOnce) {
    int failures = 0;
    OVDefaultCenter().addObserver(OVMinimumSupportedVersionFailedNotification, nullptr,
                                  [&](const OVNotification&) { ++failures; });
    presenter.choices = {0};  // "Download Update"
    EXPECT_EQ(fetchOnLaunch(OVLocalHTTPServer::json(
                  200, QString(R"({"version_policy": {"minimum_supported_version": "%1",
                     "download_url": " /downloads/new "}, "messages": [{"show": "always"}]})")
                           .arg(nextVersion())
                           .toUtf8())),
              0);
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(OVCurrentProcessState().updateRequired);
    EXPECT_EQ(titles(), QStringList{"Orvetta update required"});
    ASSERT_EQ(workspace.openedURLs().size(), 1);
    EXPECT_EQ(workspace.openedURLs()[0].toString(), server.origin() + "/downloads/new");
    // The program ends a moment after the download page opened.
    services.virtualScheduler()->advance(0.59);
    EXPECT_EQ(presenter.terminations, 0);
    services.virtualScheduler()->advance(0.01);
    EXPECT_EQ(presenter.terminations, 1);

    EXPECT_FALSE(OVEnforceMinimumSupportedVersionIfNeeded(presenter));
    services.virtualScheduler()->advance(OVServiceRequestTimeout);
    EXPECT_EQ(presenter.alerts.size(), 1);  // the launch message never came
}

TEST_F(AppPolicyTest, OnlyTheFirstMessageThatShouldShowIsPresentedAndOnceMessagesOnce) {
    const QString messages = R"({"version_policy": {"latest_version": "%1"}, "messages": ["junk",
        {"title": "Silent", "show": "never", "show_on_launch": true},
        {"title": "Numeric", "show_on_launch": 1},
        {"title": "Update", "show": "if_update_available"},
        {"id": "w", "title": "Welcome", "show": "once"},
        {"title": "Tip", "body": "Two fingers", "show": "once"},
        {"title": "Always", "show": "ALWAYS"}]})";
    for (const QString& version : {OVBundleVersion(), nextVersion()}) {
        setPolicy(messages.arg(version));
        OVCurrentProcessState().policyMessageIDsShownThisLaunch.clear();
        for (int launch = 0; launch < 3; ++launch) {
            OVShowFirstLaunchPolicyMessageIfNeeded(presenter);
            runMainLoop();
        }
    }
    EXPECT_EQ(titles(), QStringList({"Welcome", "Tip", "Always", "Update"}));
    // A message without an id is remembered by a hash of its texts.
    EXPECT_EQ(OVStandardPreferences().arrayForKey("shownPolicyMessageIDs"),
              QVariantList(
                  {"w", OVPolicyMessageIdentifier({{"title", "Tip"}, {"body", "Two fingers"}})}));
}

TEST_F(AppPolicyTest, AlertsShowAtMostThreeButtonsAndOpenOnlyTheChosenWebLinkResolved) {
    QVariantList actions;
    for (int i = 1; i <= 5; ++i) {
        actions.append(QVariantMap{{"label", QString("Action %1").arg(i)},
                                   {"url", QString("https://example.com/%1").arg(i)}});
    }
    presenter.choices = {1, 3, -1, 0, 0};
    OVShowPolicyAlert(presenter, "", "Body", actions);
    EXPECT_EQ(presenter.alerts[0].buttonTitles, QStringList({"Action 1", "Action 2", "Action 3"}));
    EXPECT_EQ(workspace.openedURLs(), QList<QUrl>{QUrl("https://example.com/2")});
    OVShowPolicyAlert(presenter, "T", "", actions);  // beyond the shown buttons
    OVShowPolicyAlert(presenter, "T", "", actions);  // closed
    OVLogCapture log;
    OVShowPolicyAlert(presenter, "T", "", {QVariantMap{{"url", "file:///etc/passwd"}}});
    EXPECT_EQ(workspace.openedURLs().size(), 1);
    EXPECT_TRUE(log.contains("file:"));
    OVShowPolicyMessage(presenter, QVariantMap{{"title", "News"}, {"url", "news/today"}});
    EXPECT_EQ(presenter.alerts.last().buttonTitles, QStringList({"Open", "OK"}));
    EXPECT_EQ(workspace.openedURLs().last(),
              QUrl("https://service.example:8443/api/v1/news/today"));
}
