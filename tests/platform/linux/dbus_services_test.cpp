#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QTest>
#include <memory>
#include <optional>

#include "platform/linux/dbus_user_notifications.h"
#include "platform/linux/linux_workspace.h"
#include "platform/linux/private_bus_helpers.h"

namespace {

constexpr int kWaitMilliseconds = 5000;
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

class DBusServicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PrivateBus::available()) {
            ASSERT_FALSE(qEnvironmentVariableIsSet("ORVETTA_LINUX_TESTBEDS"))
                << "dbus-daemon or python3-dbusmock is missing";
            GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        }
        bus = std::make_unique<PrivateBus>();
        ASSERT_TRUE(bus->isRunning());
    }

    // The Inhibit calls logind holds, as (what, who, why, mode) lists.
    QList<QStringList> inhibitors() {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kLogind, kLogindPath, QStringLiteral("org.freedesktop.login1.Manager"),
            QStringLiteral("ListInhibitors"));
        const QDBusMessage reply = bus->connection().call(call);
        QList<QStringList> result;
        if (reply.arguments().isEmpty()) {
            return result;
        }
        const QDBusArgument argument = reply.arguments().first().value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            argument.beginStructure();
            argument >> what >> who >> why >> mode >> uid >> pid;
            argument.endStructure();
            result.append({what, who, why, mode});
        }
        argument.endArray();
        return result;
    }

    // The arguments of every Notify call the daemon received.
    QList<QVariantList> notifyCalls() {
        const QVariantList reply =
            bus->callMock(kNotifications, kNotificationsPath, QStringLiteral("GetMethodCalls"),
                          {QStringLiteral("Notify")});
        QList<QVariantList> calls;
        if (reply.isEmpty()) {
            return calls;
        }
        const QDBusArgument argument = reply.first().value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            qulonglong time = 0;
            QVariantList arguments;
            argument.beginStructure();
            argument >> time;
            argument.beginArray();
            while (!argument.atEnd()) {
                QDBusVariant value;
                argument >> value;
                arguments.append(value.variant());
            }
            argument.endArray();
            argument.endStructure();
            calls.append(arguments);
        }
        argument.endArray();
        return calls;
    }

    std::unique_ptr<PrivateBus> bus;
};

QStringList stringsOf(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) {
        QStringList strings;
        value.value<QDBusArgument>() >> strings;
        return strings;
    }
    return value.toStringList();
}

}  // namespace

TEST_F(DBusServicesTest, SleepAndWakeFromLogind) {
    ASSERT_TRUE(bus->startTemplate(QStringLiteral("logind"), kLogind, true));
    OVLinuxWorkspace::Options options;
    options.systemBus = [this] { return bus->newConnection(QStringLiteral("system")); };
    options.instanceName = QStringLiteral("orvetta-test-sleep");
    OVLinuxWorkspace workspace(options);
    std::vector<QString> calls;
    workspace.setSleepCallbacks([&] { calls.push_back(QStringLiteral("sleep")); },
                                [&] { calls.push_back(QStringLiteral("wake")); });
    ASSERT_TRUE(workspace.sleepWatch()->isWatching());

    // A delay lock gives the session the time to stop before the system sleeps.
    ASSERT_TRUE(QTest::qWaitFor([&] { return workspace.sleepWatch()->holdsInhibitor(); },
                                kWaitMilliseconds));
    ASSERT_EQ(inhibitors().size(), 1);
    EXPECT_EQ(inhibitors().first(),
              (QStringList{"sleep", "Orvetta", "Stopping touch input", "delay"}));

    bus->emitSignal(kLogind, kLogindPath, QStringLiteral("org.freedesktop.login1.Manager"),
                    QStringLiteral("PrepareForSleep"), QStringLiteral("b"), {true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() == 1; }, kWaitMilliseconds));
    EXPECT_EQ(calls[0], QStringLiteral("sleep"));
    EXPECT_FALSE(workspace.sleepWatch()->holdsInhibitor());
    EXPECT_TRUE(QTest::qWaitFor([&] { return inhibitors().isEmpty(); }, kWaitMilliseconds));

    bus->emitSignal(kLogind, kLogindPath, QStringLiteral("org.freedesktop.login1.Manager"),
                    QStringLiteral("PrepareForSleep"), QStringLiteral("b"), {false});
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() == 2; }, kWaitMilliseconds));
    EXPECT_EQ(calls[1], QStringLiteral("wake"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return inhibitors().size() == 1; }, kWaitMilliseconds));
}

TEST_F(DBusServicesTest, TheLoginSessionLosingAndRegainingTheSeat) {
    ASSERT_TRUE(bus->startTemplate(QStringLiteral("logind"), kLogind, true));
    const QString path = bus->callMock(kLogind, kLogindPath, QStringLiteral("AddSession"),
                                       {QStringLiteral("c7"), QStringLiteral("seat0"), 1000u,
                                        QStringLiteral("alice"), true})
                             .value(0)
                             .toString();
    ASSERT_EQ(path, QStringLiteral("/org/freedesktop/login1/session/c7"));
    OVLinuxWorkspace::Options options;
    options.systemBus = [this] { return bus->newConnection(QStringLiteral("system")); };
    options.instanceName = QStringLiteral("orvetta-test-session");
    options.sessionID = QStringLiteral("c7");
    OVLinuxWorkspace workspace(options);
    std::vector<bool> changes;
    workspace.setSessionActivityCallback([&](bool active) { changes.push_back(active); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return workspace.sessionWatch()->isActive().has_value(); },
                                kWaitMilliseconds));
    EXPECT_EQ(workspace.sessionWatch()->sessionPath(), path);
    EXPECT_TRUE(changes.empty());  // active from the start: nothing to say

    // Another user switches to their session, then back.
    auto setActive = [&](bool active) {
        bus->callMock(kLogind, path, QStringLiteral("UpdateProperties"),
                      {QStringLiteral("org.freedesktop.login1.Session"),
                       QVariantMap{{QStringLiteral("Active"), active}}});
    };
    setActive(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.size() == 1; }, kWaitMilliseconds));
    EXPECT_FALSE(changes[0]);
    setActive(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.size() == 2; }, kWaitMilliseconds));
    EXPECT_TRUE(changes[1]);

    // A program started in a session that is in the background hears so at once.
    setActive(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.size() == 3; }, kWaitMilliseconds));
    std::vector<bool> later;
    OVLinuxWorkspace second(options);
    second.setSessionActivityCallback([&](bool active) { later.push_back(active); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !later.empty(); }, kWaitMilliseconds));
    EXPECT_EQ(later, std::vector<bool>{false});
}

TEST_F(DBusServicesTest, NotificationsWithALink) {
    ASSERT_TRUE(bus->startTemplate(QStringLiteral("notification_daemon"), kNotifications, false));
    std::vector<QUrl> opened;
    OVDBusUserNotifications notifications(bus->newConnection(QStringLiteral("session")),
                                          [&](const QUrl& url) {
                                              opened.push_back(url);
                                              return true;
                                          });
    std::optional<bool> granted;
    notifications.requestAuthorization([&](bool answer) { granted = answer; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return granted.has_value(); }, kWaitMilliseconds));
    EXPECT_TRUE(*granted);

    const QUrl link(QStringLiteral("https://orvetta.example/update"));
    notifications.deliver(QStringLiteral("policy.1"), QStringLiteral("Update"),
                          QStringLiteral("Version 2 <new> & better"), link);
    notifications.deliver(QStringLiteral("policy.2"), QStringLiteral("Hello"),
                          QStringLiteral("No link"), QUrl());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return notifications.shownCount() == 2; }, kWaitMilliseconds));
    const QList<QVariantList> calls = notifyCalls();
    ASSERT_EQ(calls.size(), 2);
    // Notify(app name, replaces ID, icon, summary, body, actions, hints, timeout)
    ASSERT_EQ(calls[0].size(), 8);
    EXPECT_EQ(calls[0][0].toString(), QStringLiteral("Orvetta"));
    EXPECT_EQ(calls[0][1].toUInt(), 0u);
    EXPECT_EQ(calls[0][3].toString(), QStringLiteral("Update"));
    // The daemon reads markup: the body stays the text it was.
    EXPECT_EQ(calls[0][4].toString(), QStringLiteral("Version 2 &lt;new&gt; &amp; better"));
    EXPECT_EQ(stringsOf(calls[0][5]), (QStringList{"default", "Open"}));
    EXPECT_EQ(calls[0][7].toInt(), -1);
    EXPECT_TRUE(stringsOf(calls[1][5]).isEmpty());

    // The mock numbers notifications from 1. Activating the first opens its link; the second
    // has none; another action key is not the notification's activation.
    bus->emitSignal(kNotifications, kNotificationsPath, kNotifications,
                    QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                    {1u, QStringLiteral("other")});
    bus->emitSignal(kNotifications, kNotificationsPath, kNotifications,
                    QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                    {2u, QStringLiteral("default")});
    bus->emitSignal(kNotifications, kNotificationsPath, kNotifications,
                    QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                    {1u, QStringLiteral("default")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.empty(); }, kWaitMilliseconds));
    EXPECT_EQ(opened, (std::vector<QUrl>{link}));

    // The same identifier again replaces the shown notification.
    notifications.deliver(QStringLiteral("policy.1"), QStringLiteral("Update"),
                          QStringLiteral("Version 3"), link);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifyCalls().size() == 3; }, kWaitMilliseconds));
    EXPECT_EQ(notifyCalls()[2][1].toUInt(), 1u);

    // Once closed, its link is forgotten.
    bus->emitSignal(kNotifications, kNotificationsPath, kNotifications,
                    QStringLiteral("NotificationClosed"), QStringLiteral("uu"), {1u, 2u});
    bus->emitSignal(kNotifications, kNotificationsPath, kNotifications,
                    QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                    {1u, QStringLiteral("default")});
    notifications.deliver(QStringLiteral("policy.3"), QStringLiteral("Sync"), QString(), QUrl());
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifyCalls().size() == 4; }, kWaitMilliseconds));
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(DBusServicesTest, NoNotificationServerMeansNoAuthorization) {
    OVDBusUserNotifications notifications(bus->newConnection(QStringLiteral("session")));
    std::optional<bool> granted;
    notifications.requestAuthorization([&](bool answer) { granted = answer; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return granted.has_value(); }, kWaitMilliseconds));
    EXPECT_FALSE(*granted);
    EXPECT_EQ(OVDBusUserNotifications::bodyForServer(QStringLiteral("a<b"), false),
              QStringLiteral("a<b"));
}
