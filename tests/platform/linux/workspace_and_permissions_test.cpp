#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <memory>

#include "platform/linux/linux_event_poster.h"
#include "platform/linux/linux_permissions.h"
#include "platform/linux/single_instance.h"

namespace {

// A backend that counts what reaches it.
class CountingPoster : public OVEventPoster {
  public:
    int posted = 0;
    void postMouseEvent(int, int, QPointF, std::uint64_t, std::int64_t) override { ++posted; }
    void postScrollWheel(std::int32_t, std::int32_t, std::uint64_t) override {}
    void postMagnify(double, std::int64_t, QPointF) override {}
    void postKey(std::uint16_t, bool, std::uint64_t) override { ++posted; }
    void postText(const QString&, std::uint64_t) override {}
    void postSystemKey(int, bool) override {}
    void warpCursor(QPointF) override {}
    void openSystemApplication(const QString&) override {}
    double doubleClickInterval() const override { return 0.25; }
};

OVHIDRawDeviceRecord record(const QString& node, QList<OVHIDUsagePair> usages) {
    OVHIDRawDeviceRecord device;
    device.nodePath = node;
    device.topLevelUsages = std::move(usages);
    return device;
}

}  // namespace

TEST(LinuxEventPoster, ChoosesTheFirstBackendThatWorksAndLooksAgainOnlyWhenAsked) {
    int uinputTries = 0;
    int xtestTries = 0;
    bool xtestWorks = false;
    CountingPoster* made = nullptr;
    OVLinuxEventPoster poster(QList<QPair<QString, OVLinuxEventPoster::Factory>>{
        {QStringLiteral("uinput"),
         [&](QString* why) -> std::unique_ptr<OVEventPoster> {
             ++uinputTries;
             *why = QStringLiteral("/dev/uinput: No such file or directory");
             return nullptr;
         }},
        {QStringLiteral("XTest"), [&](QString* why) -> std::unique_ptr<OVEventPoster> {
             ++xtestTries;
             if (!xtestWorks) {
                 *why = QStringLiteral("no X display");
                 return nullptr;
             }
             auto backend = std::make_unique<CountingPoster>();
             made = backend.get();
             return backend;
         }}});

    // Nothing works: events are dropped, and only the first one looked for a backend.
    poster.postMouseEvent(1, 0, QPointF(1, 1), 0, 1);
    poster.postKey(0, true, 0);
    EXPECT_EQ(uinputTries, 1);
    EXPECT_EQ(xtestTries, 1);
    EXPECT_FALSE(poster.canPost());  // a check looks again
    EXPECT_EQ(uinputTries, 2);
    EXPECT_TRUE(poster.backendName().isEmpty());
    // Without a backend the desktop's own setting answers.
    EXPECT_DOUBLE_EQ(poster.doubleClickInterval(),
                     QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0);

    // The fix arrives (the rule installed, a new session): the next check finds it.
    xtestWorks = true;
    EXPECT_TRUE(poster.canPost());
    EXPECT_EQ(poster.backendName(), QStringLiteral("XTest"));
    ASSERT_TRUE(made);
    poster.postMouseEvent(1, 0, QPointF(1, 1), 0, 1);
    poster.postKey(0, true, 0);
    EXPECT_EQ(made->posted, 2);
    EXPECT_DOUBLE_EQ(poster.doubleClickInterval(), 0.25);
    EXPECT_TRUE(poster.canPost());
    EXPECT_EQ(xtestTries, 3);  // kept, not made again
}

TEST(LinuxPermissions, InputMonitoringMeansTheDigitizerCanBeRead) {
    const QList<OVHIDRawDeviceRecord> devices{
        record("/dev/hidraw0", {{0x01, 0x06}}),                // keyboard
        record("/dev/hidraw1", {{0x01, 0x02}, {0x0D, 0x04}}),  // mouse first, then touch screen
        record("/dev/hidraw2", {{0x0D, 0x02}}),                // pen
    };
    EXPECT_EQ(OVDigitizerNodes(devices), (QStringList{"/dev/hidraw1", "/dev/hidraw2"}));

    QStringList readable;
    QStringList tried;
    bool posting = false;
    QList<OVHIDRawDeviceRecord> attached = devices;
    OVLinuxPermissions permissions([&] { return posting; }, [&] { return attached; },
                                   [&](const QString& node) {
                                       tried.append(node);
                                       return readable.contains(node);
                                   });
    EXPECT_FALSE(permissions.canListenToInput());
    EXPECT_EQ(tried, (QStringList{"/dev/hidraw1", "/dev/hidraw2"}));  // never the keyboard
    readable = {"/dev/hidraw2"};
    EXPECT_TRUE(permissions.canListenToInput());
    // Without a digitizer there is nothing to be kept from.
    attached = {devices[0]};
    readable.clear();
    EXPECT_TRUE(permissions.canListenToInput());

    EXPECT_FALSE(permissions.canPostEvents());
    posting = true;
    EXPECT_TRUE(permissions.canPostEvents());

    EXPECT_FALSE(OVLinuxPermissions::canOpenForReading(QStringLiteral("/nonexistent/hidraw9")));
}

TEST(SingleInstance, ASecondStartActivatesTheFirst) {
    // The lock and the socket live in the user's runtime directory, where no other user can
    // take their names first.
    QTemporaryDir runtime;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", savedRuntime); });
    const QString name =
        QStringLiteral("orvetta-test-") + QUuid::createUuid().toString(QUuid::Id128);
    auto first = std::make_unique<OVSingleInstance>(name);
    QList<bool> firstInstalls;
    first->setActivationRequestCallback(
        [&](const OVActivationRequest& request) { firstInstalls.append(request.firstInstall); });
    EXPECT_FALSE(first->activateOther());
    EXPECT_TRUE(first->isRunningInstance());
    EXPECT_TRUE(QFileInfo(runtime.filePath(name + ".socket")).exists());

    OVSingleInstance second(name);
    EXPECT_TRUE(second.activateOther());
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstInstalls.size() == 1; }, 5000));
    // A start with the first-install switch hands it over.
    EXPECT_TRUE(OVSingleInstance(name).activateOther({true}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstInstalls.size() == 2; }, 5000));
    EXPECT_EQ(firstInstalls, QList<bool>({false, true}));

    // Once the first is gone, the next start runs.
    first.reset();
    OVSingleInstance third(name);
    EXPECT_FALSE(third.activateOther());
    EXPECT_TRUE(third.isRunningInstance());
}
