#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QTest>
#include <optional>

#include "platform/linux/dbus_user_notifications.h"
#include "platform/linux/linux_workspace.h"
#include "platform/linux/private_bus_helpers.h"

// logind and a notification daemon as python-dbusmock services on a private bus.

namespace {

constexpr int kWait = 5000;
const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// A D-Bus value as plain lists: arrays and structures become lists, variants their content.
QVariant plain(const QVariant& value) {
    if (value.canConvert<QDBusVariant>()) {
        return plain(value.value<QDBusVariant>().variant());
    }
    if (!value.canConvert<QDBusArgument>()) {
        return value;
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    const bool structure = argument.currentType() == QDBusArgument::StructureType;
    structure ? argument.beginStructure() : argument.beginArray();
    QVariantList list;
    while (!argument.atEnd()) {
        list << plain(argument.asVariant());
    }
    structure ? argument.endStructure() : argument.endArray();
    return list;
}

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
        options.systemBus = [this] { return bus->connection("system"); };
        options.instanceName = QStringLiteral("orvetta-test");
    }

    // The (what, who, why, mode, uid, pid) of the inhibitors logind holds.
    QVariantList inhibitors() {
        return plain(bus->connection()
                         .call(QDBusMessage::createMethodCall(
                             kLogind, kLogindPath, kLogind + ".Manager", "ListInhibitors"))
                         .arguments()
                         .value(0))
            .toList();
    }
    // The arguments of every Notify call the daemon received (its log: (time, arguments)).
    QList<QVariantList> notifyCalls() {
        QList<QVariantList> calls;
        for (const QVariant& call :
             plain(bus->callMock(kNotifications, kNotificationsPath, "GetMethodCalls", {"Notify"})
                       .value(0))
                 .toList()) {
            calls << call.toList().value(1).toList();
        }
        return calls;
    }

    // Emits a signal from a mock object.
    void emitSignal(const QString& service, const QString& path, const QString& interface,
                    const QString& name, const QString& signature, const QVariantList& arguments) {
        bus->callMock(service, path, "EmitSignal",
                      {interface, name, signature, QVariant::fromValue(arguments)});
    }

    std::unique_ptr<PrivateBus> bus;
    OVLinuxWorkspace::Options options;
};

}  // namespace

TEST_F(DBusServicesTest, SleepWakeAndTheSessionLosingTheSeat) {
    ASSERT_TRUE(bus->startTemplate(QStringLiteral("logind"), kLogind, true));
    const QString path = bus->callMock(kLogind, kLogindPath, QStringLiteral("AddSession"),
                                       {"c7", "seat0", 1000u, "alice", true})
                             .value(0)
                             .toString();
    options.sessionID = QStringLiteral("c7");
    OVLinuxWorkspace workspace(options);
    QStringList calls;
    workspace.setSleepCallbacks([&] { calls << "sleep"; }, [&] { calls << "wake"; });
    workspace.setSessionActivityCallback([&](bool active) { calls << (active ? "on" : "off"); });

    // A delay lock gives the session the time to stop before the system sleeps.
    ASSERT_TRUE(QTest::qWaitFor([&] { return workspace.sleepWatch()->holdsInhibitor(); }, kWait));
    ASSERT_EQ(inhibitors().size(), 1);
    EXPECT_EQ(inhibitors()[0].toList().mid(0, 4),
              (QVariantList{"sleep", "Orvetta", "Stopping touch input", "delay"}));
    for (bool sleeping : {true, false}) {
        emitSignal(kLogind, kLogindPath, kLogind + ".Manager", "PrepareForSleep", "b", {sleeping});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return inhibitors().size() == (sleeping ? 0 : 1); }, kWait));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() == 2; }, kWait));

    // Another user switches to their session, then back. Active from the start said nothing.
    auto setActive = [&](bool active) {
        bus->callMock(kLogind, path, QStringLiteral("UpdateProperties"),
                      {kLogind + ".Session", QVariantMap{{"Active", active}}});
    };
    setActive(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() == 3; }, kWait));
    setActive(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() == 4; }, kWait));
    EXPECT_EQ(calls, (QStringList{"sleep", "wake", "off", "on"}));
}

TEST_F(DBusServicesTest, NotificationsWithALink) {
    ASSERT_TRUE(bus->startTemplate(QStringLiteral("notification_daemon"), kNotifications, false));
    std::vector<QUrl> opened;
    OVDBusUserNotifications notifications(bus->connection("session"), [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    std::optional<bool> granted;
    notifications.requestAuthorization([&](bool answer) { granted = answer; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return granted.has_value(); }, kWait));
    EXPECT_TRUE(*granted);

    const QUrl link(QStringLiteral("https://orvetta.example/update"));
    notifications.deliver("policy.1", "Update", "Version 2 <new> & better", link);
    notifications.deliver("policy.2", "Hello", "No link", QUrl());
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications.shownCount() == 2; }, kWait));
    // Notify(app name, replaces ID, icon, summary, body, actions, hints, timeout); the daemon
    // reads markup, so the body is escaped to stay the text it was.
    const QList<QVariantList> calls = notifyCalls();
    EXPECT_EQ(calls[0].value(4).toString(), QStringLiteral("Version 2 &lt;new&gt; &amp; better"));
    EXPECT_EQ(calls[0].value(5).toStringList(), (QStringList{"default", "Open"}));
    EXPECT_TRUE(calls[1].value(5).toStringList().isEmpty());

    // The mock numbers notifications from 1. Activating the first opens its link; the second
    // has none; another action key is not the notification's activation.
    for (const auto& [id, key] : {std::pair{1u, "other"}, {2u, "default"}, {1u, "default"}}) {
        emitSignal(kNotifications, kNotificationsPath, kNotifications, "ActionInvoked", "us",
                   {id, key});
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.empty(); }, kWait));
    EXPECT_EQ(opened, (std::vector<QUrl>{link}));

    // The same identifier again replaces the shown notification; once closed, its link is gone.
    notifications.deliver("policy.1", "Update", "Version 3", link);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifyCalls().size() == 3; }, kWait));
    EXPECT_EQ(notifyCalls()[2][1].toUInt(), 1u);
    emitSignal(kNotifications, kNotificationsPath, kNotifications, "NotificationClosed", "uu",
               {1u, 2u});
    emitSignal(kNotifications, kNotificationsPath, kNotifications, "ActionInvoked", "us",
               {1u, "default"});
    notifications.deliver("policy.3", "Sync", QString(), QUrl());
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifyCalls().size() == 4; }, kWait));
    EXPECT_EQ(opened.size(), 1u);
}
