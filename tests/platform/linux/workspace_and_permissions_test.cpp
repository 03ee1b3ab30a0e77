#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStyleHints>
#include <memory>

#include "keyboard/recording_event_poster.h"
#include "platform/linux/linux_event_poster.h"
#include "platform/linux/linux_permissions.h"

TEST(LinuxEventPoster, ChoosesTheFirstBackendThatWorksAndLooksAgainOnlyWhenAsked) {
    int tries = 0;
    bool xtestWorks = false;
    const bool never = false;
    OVRecordingEventPoster* made = nullptr;
    auto backend = [&](const bool* works) {
        return [&, works](QString* why) -> std::unique_ptr<OVEventPoster> {
            ++tries;
            if (!*works) {
                *why = QStringLiteral("missing");
                return nullptr;
            }
            auto poster = std::make_unique<OVRecordingEventPoster>();
            made = poster.get();
            return poster;
        };
    };
    OVLinuxEventPoster poster({{"uinput", backend(&never)}, {"XTest", backend(&xtestWorks)}});
    // Nothing works: events are dropped, and only the first one looked for a backend.
    poster.postMouseEvent(1, 0, QPointF(1, 1), 0, 1);
    poster.postKey(0, true, 0);
    EXPECT_EQ(tries, 2);
    EXPECT_FALSE(poster.canPost());  // a check looks again
    EXPECT_EQ(tries, 4);
    EXPECT_TRUE(poster.backendName().isEmpty());
    EXPECT_DOUBLE_EQ(poster.doubleClickInterval(),
                     QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0);

    // The fix arrives (the rule installed, a new session): the next check finds it, and keeps it.
    xtestWorks = true;
    EXPECT_TRUE(poster.canPost());
    EXPECT_EQ(poster.backendName(), QStringLiteral("XTest"));
    ASSERT_TRUE(made);
    poster.postKey(0, true, 0);
    EXPECT_TRUE(poster.canPost());
    EXPECT_EQ(tries, 6);
    EXPECT_EQ(made->lines().size(), 1);
    EXPECT_DOUBLE_EQ(poster.doubleClickInterval(), 0.5);
}

TEST(LinuxPermissions, InputMonitoringMeansTheDigitizerCanBeRead) {
    auto record = [](const QString& node, QList<OVHIDUsagePair> usages) {
        OVHIDRawDeviceRecord device;
        device.nodePath = node;
        device.topLevelUsages = std::move(usages);
        return device;
    };
    const QList<OVHIDRawDeviceRecord> devices{
        record("/dev/hidraw0", {{0x01, 0x06}}),                // keyboard
        record("/dev/hidraw1", {{0x01, 0x02}, {0x0D, 0x04}}),  // mouse first, then touch screen
        record("/dev/hidraw2", {{0x0D, 0x02}}),                // pen
    };
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
    attached = {devices[0]};  // without a digitizer there is nothing to be kept from
    readable.clear();
    EXPECT_TRUE(permissions.canListenToInput());
    EXPECT_FALSE(permissions.canPostEvents());
    posting = true;
    EXPECT_TRUE(permissions.canPostEvents());
}
