#include <gtest/gtest.h>

#include "base/notification_center.h"

TEST(NotificationCenter, DeliversByNameAndSenderInOrderAndRemovalDuringDeliveryIsSafe) {
    OVNotificationCenter center;
    int sender = 0;
    std::vector<QString> seen;
    center.addObserver("A", nullptr, [&](const OVNotification& n) {
        seen.push_back("any:" + n.userInfo.value("v").toString());
    });
    center.addObserver("A", &sender, [&](const OVNotification&) { seen.push_back("sender"); });
    center.addObserver("B", nullptr, [&](const OVNotification&) { seen.push_back("B"); });
    EXPECT_FALSE(center.hasObservers("C"));
    center.post("A", &seen, {{"v", 1}});
    center.post("A", &sender, {{"v", 2}});
    EXPECT_EQ(seen, (std::vector<QString>{"any:1", "any:2", "sender"}));

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
    center.post("N");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);  // only the observer added during delivery
    {
        OVScopedObservers scoped(center);
        scoped.add("S", nullptr, [&](const OVNotification&) {});
    }
    EXPECT_FALSE(center.hasObservers("S"));
}
