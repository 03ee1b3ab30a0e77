#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUrlQuery>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/assembled_platform.h"
#include "platform/linux/qt_http_transport.h"
#include "platform/sim/sim_user_notifications.h"
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
        platform.notifications = &notifications;
        platform.http = &transport;
        services.setPlatform(&platform);
        OVRegisterDefaults();
        OVStandardPreferences().setObject("apiBaseURL", "https://service.example:8443/api/v1");
    }

    static void setPolicy(const QByteArray& json) {
        const std::optional<QVariantMap> policy = OVAppPolicyFromJSON(json);
        ASSERT_TRUE(policy.has_value()) << json.toStdString();
        OVCurrentProcessState().currentAppPolicy = *policy;
    }

    void runMainLoop() { services.virtualScheduler()->advance(0); }

    // A version just above the running one.
    static QString nextVersion() { return OVBundleVersion() + ".1"; }

    OVServicesGuard services;
    OVSimWorkspace workspace;
    OVSimUserNotifications notifications{&workspace};
    OVQtHTTPTransport transport;
    OVAssembledPlatform platform;
    ScriptedPresenter presenter;
};

}  // namespace

TEST(VersionComparison, ComparesNumberByNumber) {
    EXPECT_EQ(OVCompareVersionStrings("0.9.3", "0.10"), -1);
    EXPECT_EQ(OVCompareVersionStrings("0.10", "0.9.3"), 1);
    EXPECT_EQ(OVCompareVersionStrings("1.2", "1.2.0"), 0);
    EXPECT_EQ(OVCompareVersionStrings("1.2.0.0", "1.2"), 0);
    EXPECT_EQ(OVVersionNumberParts("1.2.10-beta3"), QList<qint64>({1, 2, 10, 3}));
    EXPECT_EQ(OVCompareVersionStrings("1.2.10-beta3", "1.2.10-beta4"), -1);
    EXPECT_EQ(OVCompareVersionStrings("1.2.10-beta3", "1.2.10"), 1);  // a fourth number, 3 > 0
    EXPECT_EQ(OVCompareVersionStrings("v1.02", "1.2"), 0);
    EXPECT_EQ(OVCompareVersionStrings("", "0.0"), 0);
    EXPECT_EQ(OVCompareVersionStrings("", "0.1"), -1);
    EXPECT_EQ(OVVersionNumberParts("..-beta.."), QList<qint64>());
    // Numbers longer than 64 bits still compare by value.
    EXPECT_EQ(OVCompareVersionStrings("1.123456789012345678901234", "1.123456789012345678901233"),
              1);
    EXPECT_EQ(OVVersionNumberParts("2.99999999999999999999"),
              QList<qint64>({2, std::numeric_limits<qint64>::max()}));
}

TEST_F(AppPolicyTest, PathLookupsTreatWrongTypesAsAbsent) {
    setPolicy(R"({"version_policy": {"latest_version": 2, "download_url": "/dl",
                  "nested": {"a": ["x"]}}, "messages": {"not": "an array"}})");
    EXPECT_TRUE(OVPolicyStringAtPath({"version_policy", "latest_version"}).isNull());
    EXPECT_EQ(OVPolicyStringAtPath({"version_policy", "download_url"}), "/dl");
    EXPECT_TRUE(OVPolicyArrayAtPath({"messages"}).isEmpty());
    EXPECT_EQ(OVPolicyArrayAtPath({"version_policy", "nested", "a"}).size(), 1);
    EXPECT_FALSE(OVPolicyValueAtPath({"version_policy", "download_url", "deeper"}).isValid());
    EXPECT_FALSE(OVPolicyValueAtPath({"missing", "x"}).isValid());
    EXPECT_FALSE(OVFirstLaunchPolicyMessage().has_value());
}

TEST_F(AppPolicyTest, BothAnswerShapesGiveThePolicy) {
    const QVariantMap inner{{"version_policy", QVariantMap{{"latest_version", "9"}}}};
    EXPECT_EQ(OVPolicyFromAPIResponse({{"policy", inner}, {"meta", 1}}), inner);
    EXPECT_EQ(OVPolicyFromAPIResponse(inner), inner);
    const QVariantMap oddPolicy{{"policy", "text"}, {"messages", QVariantList()}};
    EXPECT_EQ(OVPolicyFromAPIResponse(oddPolicy), oddPolicy);
}

TEST_F(AppPolicyTest, TheBuiltInPolicyIsAHarmlessObject) {
    ASSERT_TRUE(OVLoadBundledAppPolicy());
    EXPECT_FALSE(OVCurrentVersionIsBelowMinimumSupportedVersion());
    EXPECT_FALSE(OVFirstLaunchPolicyMessage().has_value());
    EXPECT_FALSE(OVAppPolicyFromJSON("[]").has_value());
    EXPECT_FALSE(OVAppPolicyFromJSON("{").has_value());
    EXPECT_FALSE(OVAppPolicyFromJSON(QByteArray(65, '{')).has_value());
}

TEST_F(AppPolicyTest, LaunchEventFollowsTheLastAcknowledgedLaunch) {
    EXPECT_EQ(OVInstallEventForCurrentLaunch(), "first_launch");
    OVStandardPreferences().setObject("lastLaunchedVersion", OVBundleVersion());
    EXPECT_EQ(OVInstallEventForCurrentLaunch(), "first_launch");  // no build yet
    OVMarkCurrentLaunchReported();
    EXPECT_EQ(OVInstallEventForCurrentLaunch(), "policy_check");
    OVStandardPreferences().setObject("lastLaunchedBuild", OVBundleBuild() + "0");
    EXPECT_EQ(OVInstallEventForCurrentLaunch(), "update");
}

TEST_F(AppPolicyTest, LaunchFetchSendsElevenParametersAndAdoptsTheAnswer) {
    OVLocalHTTPServer server;
    OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1/");
    server.route("/v1/app-policy/", OVLocalHTTPServer::json(200, R"({"policy": {"version_policy":
                     {"latest_version": "99.0"}, "messages": [{"id": "hello", "show": "always",
                     "title": "Hi"}]}})"));
    int continued = 0;
    OVFetchAppPolicyOnLaunch(presenter, [&] { ++continued; });
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return continued > 0; }));
    EXPECT_EQ(continued, 1);

    ASSERT_EQ(server.requests().size(), 1);
    const QUrlQuery query(QString::fromLatin1(server.requests()[0].query));
    QStringList names;
    for (const auto& item : query.queryItems()) {
        names << item.first;
    }
    EXPECT_EQ(names,
              QStringList({"app", "platform", "channel", "version", "app_build", "install_id",
                           "install_event", "os_version", "arch", "locale", "timezone"}));
    const auto value = [&](const QString& name) {
        return query.queryItemValue(name, QUrl::FullyDecoded);
    };
    EXPECT_EQ(value("app"), "orvetta");
    EXPECT_EQ(value("platform"), "linux");
    EXPECT_EQ(value("channel"), "beta");
    EXPECT_EQ(value("version"), OVBundleVersion());
    EXPECT_EQ(value("install_event"), "first_launch");
    EXPECT_EQ(value("install_id"), OVStableInstallID());
    EXPECT_EQ(value("os_version"), OVOperatingSystemVersionString());

    EXPECT_EQ(OVPolicyStringAtPath({"version_policy", "latest_version"}), "99.0");
    EXPECT_EQ(OVInstallEventForCurrentLaunch(), "policy_check");
    EXPECT_TRUE(presenter.alerts.isEmpty());  // the message waits for the main loop
    runMainLoop();
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_EQ(presenter.alerts[0].messageText, "Hi");
}

TEST_F(AppPolicyTest, AFailedFetchKeepsTheBuiltInPolicyAndIsReportedAgainNextTime) {
    OVLocalHTTPServer server;
    OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1");
    // The server's text reaches the log on one line, escaped and cut.
    server.route(
        "/v1/app-policy/",
        OVLocalHTTPServer::json(500, R"({"error": "Maintenance.\n2024 FAKE LOG LINE\u001b[2J)" +
                                         QByteArray(400, 'x') + R"("})"));
    setPolicy(R"({"version_policy": {"latest_version": "7"}})");

    OVLogCapture log;
    int continued = 0;
    OVFetchAppPolicyOnLaunch(presenter, [&] { ++continued; });
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return continued > 0; }));
    EXPECT_EQ(continued, 1);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith(
        "Orvetta app policy check failed: Maintenance.\\n2024 FAKE LOG LINE\\u001b[2Jxxx"));
    EXPECT_LE(log.lines()[0].size(), 40 + OVLogTextLimit);
    EXPECT_EQ(OVPolicyStringAtPath({"version_policy", "latest_version"}), "7");
    EXPECT_EQ(OVInstallEventForCurrentLaunch(), "first_launch");
}

TEST_F(AppPolicyTest, AnUnsupportedVersionStopsTheLaunchOnce) {
    OVLocalHTTPServer server;
    OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1");
    server.route("/v1/app-policy/",
                 OVLocalHTTPServer::json(200, QStringLiteral(R"({"version_policy":
                     {"minimum_supported_version": "%1", "download_url": " /downloads/new "},
                     "messages": [{"show": "always", "title": "Never seen"}]})")
                                                  .arg(nextVersion())
                                                  .toUtf8()));
    int failures = 0;
    OVDefaultCenter().addObserver(OVMinimumSupportedVersionFailedNotification, nullptr,
                                  [&](const OVNotification&) { ++failures; });
    presenter.choices = {0};  // "Download Update"
    int continued = 0;
    bool answered = false;
    OVFetchAppPolicyOnLaunch(presenter, [&] { ++continued; });
    ASSERT_TRUE(OVRunEventLoopUntil([&] {
        answered = !presenter.alerts.isEmpty();
        return answered;
    }));
    EXPECT_EQ(continued, 0);
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(OVCurrentProcessState().updateRequired);
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_EQ(presenter.alerts[0].messageText, "Orvetta update required");
    EXPECT_EQ(presenter.alerts[0].informativeText, "This version is no longer supported.");
    EXPECT_EQ(presenter.alerts[0].buttonTitles, QStringList({"Download Update", "Quit"}));
    ASSERT_EQ(workspace.openedURLs().size(), 1);
    EXPECT_EQ(workspace.openedURLs()[0].toString(), server.origin() + "/downloads/new");

    services.virtualScheduler()->advance(0.59);
    EXPECT_EQ(presenter.terminations, 0);
    services.virtualScheduler()->advance(0.01);
    EXPECT_EQ(presenter.terminations, 1);
    EXPECT_EQ(presenter.alerts.size(), 1);  // the launch message never came

    EXPECT_FALSE(OVEnforceMinimumSupportedVersionIfNeeded(presenter));
    EXPECT_EQ(presenter.alerts.size(), 1);
    services.virtualScheduler()->advance(OVServiceRequestTimeout);
    EXPECT_EQ(continued, 0);  // not even when the launch's deadline passes
}

TEST_F(AppPolicyTest, WithoutADownloadAddressTheOnlyWayIsQuit) {
    setPolicy(QStringLiteral(R"({"version_policy": {"minimum_supported_version": "%1"}})")
                  .arg(nextVersion())
                  .toUtf8());
    presenter.choices = {0};
    EXPECT_TRUE(OVEnforceMinimumSupportedVersionIfNeeded(presenter));
    EXPECT_EQ(presenter.alerts[0].buttonTitles, QStringList({"Quit"}));
    EXPECT_EQ(presenter.terminations, 1);  // at once
    EXPECT_TRUE(workspace.openedURLs().isEmpty());
}

TEST_F(AppPolicyTest, ChoosingQuitEndsAtOnceAndASupportedVersionIsLeftAlone) {
    setPolicy(QStringLiteral(R"({"version_policy": {"minimum_supported_version": "%1",
              "download_url": "https://dl.example/new"}})")
                  .arg(OVBundleVersion() + ".0")
                  .toUtf8());
    EXPECT_FALSE(OVEnforceMinimumSupportedVersionIfNeeded(presenter));  // equal is supported
    setPolicy(QStringLiteral(R"({"version_policy": {"minimum_supported_version": "%1",
              "download_url": "https://dl.example/new"}})")
                  .arg(nextVersion())
                  .toUtf8());
    presenter.choices = {1};
    EXPECT_TRUE(OVEnforceMinimumSupportedVersionIfNeeded(presenter));
    EXPECT_EQ(presenter.terminations, 1);
    EXPECT_TRUE(workspace.openedURLs().isEmpty());
}

TEST_F(AppPolicyTest, OnlyTheFirstMessageThatShouldShowIsPresented) {
    setPolicy(R"({"messages": ["junk",
        {"title": "Silent", "show": "never", "show_on_launch": true},
        {"title": "Off", "show_on_launch": false},
        {"title": "Numeric", "show_on_launch": 1},
        {"title": "First", "message": "one", "show_on_launch": true},
        {"title": "Second", "show": "ALWAYS"}]})");
    OVShowFirstLaunchPolicyMessageIfNeeded(presenter);
    runMainLoop();
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_EQ(presenter.alerts[0].messageText, "First");
    EXPECT_EQ(presenter.alerts[0].informativeText, "one");
    EXPECT_EQ(presenter.alerts[0].buttonTitles, QStringList({"OK"}));

    // The same message is not shown twice in one process.
    OVShowFirstLaunchPolicyMessageIfNeeded(presenter);
    runMainLoop();
    EXPECT_EQ(presenter.alerts.size(), 1);
}

TEST_F(AppPolicyTest, OnceMessagesStayShownAcrossStoreReloads) {
    QTemporaryDir directory;
    const QString path = directory.filePath("preferences.json");
    const QByteArray policy = R"({"messages": [
        {"id": "welcome-2", "show": "once", "title": "Welcome"},
        {"show": "once", "title": "Tip", "body": "Use two fingers"},
        {"show": "once"},
        {"show": "always", "title": "Fallback"}]})";
    const auto launch = [&](QStringList* titles) {
        OVServicesGuard process;  // a fresh process
        OVPreferences store(path, nullptr);
        process.setPreferences(&store);
        process.setPlatform(&platform);
        setPolicy(policy);
        ScriptedPresenter launchPresenter;
        OVShowFirstLaunchPolicyMessageIfNeeded(launchPresenter);
        process.virtualScheduler()->advance(0);
        ASSERT_EQ(launchPresenter.alerts.size(), 1);
        titles->append(launchPresenter.alerts[0].messageText);
        ASSERT_TRUE(store.synchronize());
    };
    QStringList titles;
    for (int i = 0; i < 4; ++i) {
        launch(&titles);
    }
    // The message without id, title or body has no identity: it shows every time and is never
    // stored.
    EXPECT_EQ(titles, QStringList({"Welcome", "Tip", "Orvetta", "Orvetta"}));
    // Without an id a message is remembered by a hash of its texts, not by the texts.
    OVPreferences reloaded(path, nullptr);
    const QString tipHash =
        OVPolicyMessageIdentifier({{"title", "Tip"}, {"body", "Use two fingers"}});
    EXPECT_EQ(reloaded.arrayForKey("shownPolicyMessageIDs"), QVariantList({"welcome-2", tipHash}));
}

TEST_F(AppPolicyTest, TheShownListKeepsTheNewest256AndReadsTheOlderTextForm) {
    OVStandardPreferences().setObject("shownPolicyMessageIDs", QVariantList{"Old\nBody"});
    EXPECT_TRUE(OVPolicyMessageWasShownOnce({{"title", "Old"}, {"message", "Body"}}));
    for (int i = 0; i < 300; ++i) {
        OVMarkPolicyMessageShownOnce({{"id", QStringLiteral("m-%1").arg(i)}});
    }
    const QVariantList shown = OVStandardPreferences().arrayForKey("shownPolicyMessageIDs");
    ASSERT_EQ(shown.size(), 256);
    EXPECT_EQ(shown.first(), "m-44");
    EXPECT_EQ(shown.last(), "m-299");
}

TEST_F(AppPolicyTest, UpdateMessagesShowOnlyWhenANewerVersionExists) {
    const QByteArray messages = R"("messages": [{"show": "if_update_available", "title": "New"}])";
    setPolicy("{\"version_policy\": {\"latest_version\": \"" + OVBundleVersion().toUtf8() +
              "\"}, " + messages + "}");
    EXPECT_FALSE(OVFirstLaunchPolicyMessage().has_value());
    setPolicy("{\"version_policy\": {\"latest_version\": \"" + nextVersion().toUtf8() + "\"}, " +
              messages + "}");
    EXPECT_TRUE(OVFirstLaunchPolicyMessage().has_value());
    setPolicy("{" + messages + "}");
    EXPECT_FALSE(OVFirstLaunchPolicyMessage().has_value());
}

TEST_F(AppPolicyTest, IdentifiersComeFromIdOrAHashOfTitleAndBody) {
    const auto sha256 = [](const QByteArray& text) {
        return "sha256:" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
    };
    EXPECT_EQ(OVPolicyMessageIdentifier({{"id", "x"}, {"title", "T"}}), "x");
    EXPECT_EQ(
        OVPolicyMessageIdentifier({{"id", ""}, {"title", "T"}, {"message", "M"}, {"body", "B"}}),
        sha256("T\nM"));
    EXPECT_EQ(OVPolicyMessageIdentifier({{"title", "T"}, {"message", ""}, {"body", "B"}}),
              sha256("T\nB"));
    EXPECT_EQ(OVPolicyMessageIdentifier({{"body", "B"}}), sha256("\nB"));
    EXPECT_EQ(OVPolicyMessageIdentifier({{"id", 5}}), "");
}

TEST_F(AppPolicyTest, AlertsShowAtMostThreeButtonsAndOpenTheChosenLink) {
    QVariantList actions;
    for (int i = 1; i <= 5; ++i) {
        actions.append(QVariantMap{{"label", QStringLiteral("Action %1").arg(i)},
                                   {"url", QStringLiteral("https://example.com/%1").arg(i)}});
    }
    presenter.choices = {1};
    OVShowPolicyAlert(presenter, "", "Body", actions);
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_EQ(presenter.alerts[0].messageText, "Orvetta");
    EXPECT_EQ(presenter.alerts[0].buttonTitles, QStringList({"Action 1", "Action 2", "Action 3"}));
    ASSERT_EQ(workspace.openedURLs().size(), 1);
    EXPECT_EQ(workspace.openedURLs()[0], QUrl("https://example.com/2"));

    presenter.choices = {3, -1};  // beyond the shown buttons, then closed
    OVShowPolicyAlert(presenter, "T", "", actions);
    OVShowPolicyAlert(presenter, "T", "", actions);
    EXPECT_EQ(workspace.openedURLs().size(), 1);

    presenter.choices = {0};
    OVShowPolicyAlert(presenter, "T", "", {QVariantMap{{"label", ""}, {"url", "/help"}}});
    EXPECT_EQ(presenter.alerts.last().buttonTitles, QStringList({"OK"}));
    EXPECT_EQ(workspace.openedURLs().last(), QUrl("https://service.example:8443/help"));
}

TEST_F(AppPolicyTest, AMessageWithALinkGetsOpenAndOK) {
    presenter.choices = {0};
    OVShowPolicyMessage(presenter,
                        QVariantMap{{"title", "News"}, {"url", "news/today"}, {"type", "alert"}});
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_EQ(presenter.alerts[0].buttonTitles, QStringList({"Open", "OK"}));
    ASSERT_EQ(workspace.openedURLs().size(), 1);
    EXPECT_EQ(workspace.openedURLs()[0], QUrl("https://service.example:8443/api/v1/news/today"));

    OVShowPolicyMessage(presenter, QVariant("not a message"));
    EXPECT_EQ(presenter.alerts.size(), 1);
    const QVariantMap withActionLink{
        {"actions", QVariantList{QVariantMap{{"label", "A"}}, QVariantMap{{"url", "/b"}}}}};
    EXPECT_EQ(OVPolicyMessageURLString(withActionLink), "/b");
}

TEST_F(AppPolicyTest, NotificationMessagesAreDeliveredOnceAuthorised) {
    OVShowPolicyMessage(
        presenter,
        QVariantMap{{"type", ""},
                    {"presentation", "Balloon"},
                    {"title", "Update"},
                    {"body", "Read more"},
                    {"actions", QVariantList{QVariantMap{{"label", "Go"}, {"url", "/notes"}}}}});
    EXPECT_TRUE(presenter.alerts.isEmpty());
    EXPECT_TRUE(notifications.delivered().isEmpty());  // authorisation answers later
    runMainLoop();
    ASSERT_EQ(notifications.delivered().size(), 1);
    const OVSimUserNotifications::Delivered delivered = notifications.delivered()[0];
    EXPECT_EQ(delivered.title, "Update");
    EXPECT_EQ(delivered.body, "Read more");
    EXPECT_EQ(delivered.link, QUrl("https://service.example:8443/notes"));
    EXPECT_TRUE(delivered.identifier.startsWith(workspace.ownBundleIdentifier() + ".policy."));
    EXPECT_TRUE(notifications.activate(delivered.identifier));
    EXPECT_EQ(workspace.openedURLs().last(), delivered.link);

    OVLogCapture log;
    notifications.setAuthorizationGranted(false);
    OVShowPolicyNotification("", "x", "");
    runMainLoop();
    EXPECT_EQ(notifications.delivered().size(), 1);
    EXPECT_TRUE(log.contains("Orvetta notification authorization failed: not granted"));
}

TEST_F(AppPolicyTest, LinksResolveAgainstTheServiceAndOnlyWebSchemesPass) {
    EXPECT_EQ(OVURLFromPolicyString(" https://example.com/x?y=1 "),
              QUrl("https://example.com/x?y=1"));
    EXPECT_EQ(OVURLFromPolicyString("/downloads/latest"),
              QUrl("https://service.example:8443/downloads/latest"));
    EXPECT_EQ(OVURLFromPolicyString("downloads/latest"),
              QUrl("https://service.example:8443/api/v1/downloads/latest"));
    EXPECT_FALSE(OVURLFromPolicyString("  ").has_value());

    OVStandardPreferences().setObject("apiBaseURL", "http://service.example");
    EXPECT_EQ(OVURLFromPolicyString("downloads/latest"),
              QUrl("http://service.example/downloads/latest"));
    EXPECT_EQ(OVURLFromPolicyString("/a"), QUrl("http://service.example/a"));

    OVLogCapture log;
    for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "orvetta://open",
                                "mailto:someone@example.com", "http:no-host"}) {
        EXPECT_FALSE(OVURLFromPolicyString(refused).has_value()) << refused;
    }
    EXPECT_TRUE(log.contains("javascript"));
    EXPECT_TRUE(log.contains("file"));

    presenter.choices = {0};
    OVShowPolicyAlert(presenter, "T", "", {QVariantMap{{"url", "file:///etc/passwd"}}});
    EXPECT_TRUE(workspace.openedURLs().isEmpty());

    OVStandardPreferences().setObject("apiBaseURL", "file:///srv/api");
    EXPECT_FALSE(OVURLFromPolicyString("/downloads").has_value());
}

TEST_F(AppPolicyTest, CheckForUpdatesOffersTheDownloadWheneverThereIsOne) {
    setPolicy("{\"version_policy\": {\"latest_version\": \"" + nextVersion().toUtf8() +
              "\", \"download_url\": \"/download\"}}");
    presenter.choices = {0};
    OVShowUpdatePolicyMessage(presenter);
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_EQ(presenter.alerts[0].messageText, "A newer version is available");
    EXPECT_EQ(presenter.alerts[0].informativeText,
              QStringLiteral("Version %1 is ready to download.").arg(nextVersion()));
    EXPECT_EQ(presenter.alerts[0].buttonTitles, QStringList({"Download", "OK"}));
    EXPECT_EQ(workspace.openedURLs().last(), QUrl("https://service.example:8443/download"));

    setPolicy("{\"version_policy\": {\"latest_version\": \"" + OVBundleVersion().toUtf8() +
              "\", \"download_url\": \"/download\"}}");
    OVShowUpdatePolicyMessage(presenter);
    EXPECT_EQ(presenter.alerts[1].messageText, "You are using the latest version");
    EXPECT_EQ(presenter.alerts[1].informativeText, "");
    EXPECT_EQ(presenter.alerts[1].buttonTitles, QStringList({"Download", "OK"}));

    setPolicy("{}");
    OVShowUpdatePolicyMessage(presenter);
    EXPECT_EQ(presenter.alerts[2].messageText, "You are using the latest version");
    EXPECT_EQ(presenter.alerts[2].buttonTitles, QStringList({"OK"}));
}
