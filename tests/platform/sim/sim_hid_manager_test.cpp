#include <gtest/gtest.h>

#include <cerrno>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "platform/sim/sim_hid_manager.h"
#include "platform/sim/sim_permissions.h"
#include "platform/sim/sim_user_notifications.h"
#include "platform/sim/sim_workspace.h"

TEST(SimHIDManager, MatchingOpeningAndReportsFollowTheManager) {
    OVSimHIDDeviceSet set;
    OVSimHIDDeviceRef touch = set.add(
        {{"VendorID", 0x4e8}, {"ProductID", 1}, {"PrimaryUsagePage", 13}, {"PrimaryUsage", 4}},
        QByteArray::fromHex("0102"));
    OVSimHIDDeviceRef mouse = set.add(
        {{"VendorID", 0x45e}, {"ProductID", 2}, {"PrimaryUsagePage", 1}, {"PrimaryUsage", 2}});
    EXPECT_EQ(touch->property("ReportDescriptor").toByteArray(), QByteArray::fromHex("0102"));

    std::unique_ptr<OVHIDManager> manager = set.createManager();
    EXPECT_EQ(manager->copyDevices().size(), 2);  // no matching: every device
    manager->setDeviceMatching(
        {{{"DeviceUsagePage", 13}, {"DeviceUsage", 4}}, {{"VendorID", 0x45e}, {"ProductID", 3}}});
    ASSERT_EQ(manager->copyDevices().size(), 1);
    EXPECT_EQ(manager->copyDevices()[0], touch);
    manager->setDeviceMatching({{{"VendorID", 0x45e}}, {{"VendorID", "0x4e8"}}});
    ASSERT_EQ(manager->copyDevices().size(), 1);
    EXPECT_EQ(manager->copyDevices()[0], mouse);

    manager->setDeviceMatching({{{"DeviceUsagePage", 13}}});
    QList<QByteArray> received;
    touch->registerInputReportCallback([&](const std::uint8_t* report, qsizetype length) {
        received.append(QByteArray(reinterpret_cast<const char*>(report), length));
    });
    EXPECT_FALSE(touch->deliverInputReport("\x01\x02"));  // not open yet
    ASSERT_EQ(manager->open(), 0);
    EXPECT_TRUE(touch->isOpen());
    EXPECT_FALSE(mouse->isOpen());
    EXPECT_TRUE(touch->deliverInputReport(QByteArray("\x01\x02", 2)));
    manager->close();
    EXPECT_FALSE(touch->deliverInputReport("\x03"));
    EXPECT_EQ(received, QList<QByteArray>({QByteArray("\x01\x02", 2)}));
    EXPECT_EQ(set.managersCreated(), 1);
    EXPECT_EQ(set.managersOpened(), 1);

    set.setOpenResult(13);
    EXPECT_EQ(set.createManager()->open(), 13);
}

TEST(SimHIDManager, UnpluggingAnOpenDeviceReportsItOnce) {
    OVSimHIDDeviceSet set;
    OVSimHIDDeviceRef touch = set.add({{"PrimaryUsagePage", 13}});
    std::unique_ptr<OVHIDManager> manager = set.createManager();
    QList<int> errors;
    manager->setDeviceErrorCallback([&](const OVHIDDeviceRef& device, int error) {
        EXPECT_EQ(device, touch);
        errors << error;
    });
    ASSERT_EQ(manager->open(), 0);
    set.remove(touch);
    set.remove(touch);
    EXPECT_EQ(errors, QList<int>({ENODEV}));
    EXPECT_FALSE(touch->isOpen());
    EXPECT_TRUE(manager->copyDevices().isEmpty());
}

TEST(SimDesktop, WorkspaceNotificationsAndPermissionsAreScripted) {
    OVServicesGuard services;
    OVSimWorkspace workspace;
    QStringList events;
    workspace.setFrontmostApplicationCallback(
        [&](const OVApplicationInfo& app) { events << "front " + app.bundleIdentifier; });
    workspace.setSleepCallbacks([&] { events << "sleep"; }, [&] { events << "wake"; });
    workspace.activateApplication({"org.example.Editor", "Editor"});
    workspace.sleep();
    workspace.wake();
    EXPECT_EQ(events, QStringList({"front org.example.Editor", "sleep", "wake"}));
    EXPECT_EQ(workspace.frontmostApplication().localizedName, "Editor");

    OVSimUserNotifications notifications(&workspace);
    int answers = 0;
    notifications.requestAuthorization([&](bool granted) { answers += granted ? 1 : 100; });
    EXPECT_EQ(answers, 0);  // later, on the main loop
    services.virtualScheduler()->advance(0);
    EXPECT_EQ(answers, 1);
    notifications.deliver("id-1", "Title", "Body", QUrl("https://example.com/a"));
    notifications.deliver("id-2", "Plain", "", QUrl());
    EXPECT_FALSE(notifications.activate("id-2"));
    EXPECT_TRUE(notifications.activate("id-1"));
    EXPECT_EQ(workspace.openedURLs(), QList<QUrl>({QUrl("https://example.com/a")}));

    OVSimPermissions permissions;
    permissions.setCanListenToInput(false);
    permissions.requestListenAccess();
    EXPECT_FALSE(permissions.canListenToInput());
    permissions.setRequestsGrant(true);
    permissions.requestListenAccess();
    EXPECT_TRUE(permissions.canListenToInput());
    EXPECT_EQ(permissions.listenAccessRequests(), 2);
}
