#include <gtest/gtest.h>

#include "base/notification_center.h"

TEST(NotificationCenter, DeliversByNameAndSenderInOrder) {
    OVNotificationCenter center;
    int sender = 0;
    int other = 0;
    std::vector<QString> seen;
    center.addObserver("A", nullptr, [&](const OVNotification& n) {
        seen.push_back("any:" + n.userInfo.value("v").toString());
    });
    center.addObserver("A", &sender, [&](const OVNotification&) { seen.push_back("sender"); });
    center.addObserver("B", nullptr, [&](const OVNotification&) { seen.push_back("B"); });

    EXPECT_TRUE(center.hasObservers("A"));
    EXPECT_FALSE(center.hasObservers("C"));
    center.post("A", &other, {{"v", 1}});
    center.post("A", &sender, {{"v", 2}});
    EXPECT_EQ(seen, (std::vector<QString>{"any:1", "any:2", "sender"}));
}

TEST(NotificationCenter, RemovingDuringDeliveryIsSafe) {
    OVNotificationCenter center;
    int first = 0;
    int second = 0;
    OVObserverToken secondToken = 0;
    OVObserverToken firstToken = center.addObserver("N", nullptr, [&](const OVNotification&) {
        ++first;
        center.removeObserver(firstToken);
        center.removeObserver(secondToken);  // not delivered to from now on
        center.addObserver("N", nullptr, [&](const OVNotification&) { ++second; });
    });
    secondToken = center.addObserver("N", nullptr, [&](const OVNotification&) { ++second; });
    center.post("N");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    center.post("N");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);  // the observer added during delivery
}

TEST(NotificationCenter, ScopedObserversGoAway) {
    OVNotificationCenter center;
    int count = 0;
    {
        OVScopedObservers observers(center);
        observers.add("N", nullptr, [&](const OVNotification&) { ++count; });
        center.post("N");
    }
    center.post("N");
    EXPECT_EQ(count, 1);
    EXPECT_FALSE(center.hasObservers("N"));
}
