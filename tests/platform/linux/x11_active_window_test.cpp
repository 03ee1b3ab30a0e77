#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <vector>

#include "platform/linux/x11_active_window.h"
#include "platform/linux/x11_client_helpers.h"

TEST(X11ActiveWindow, ApplicationsFromWindowClasses) {
    const OVApplicationInfo firefox =
        OVApplicationInfoFromWindowClass("Navigator", "firefox", false, "orvetta");
    EXPECT_EQ(firefox.bundleIdentifier, QStringLiteral("firefox"));
    EXPECT_EQ(firefox.localizedName, QStringLiteral("firefox"));
    const OVApplicationInfo own =
        OVApplicationInfoFromWindowClass("orvetta", "Orvetta", true, "orvetta");
    EXPECT_EQ(own.bundleIdentifier, QStringLiteral("orvetta"));
    EXPECT_EQ(own.localizedName, QStringLiteral("Orvetta"));
    EXPECT_EQ(OVApplicationInfoFromWindowClass("xterm", "", false, "o").localizedName,
              QStringLiteral("xterm"));
}

TEST(X11ActiveWindow, FollowsTheActiveWindowOfTheWindowManager) {
    if (!X11TestClient::available()) {
        ASSERT_FALSE(X11TestClient::required()) << "no X server";
        GTEST_SKIP() << "needs an X server (ctest runs one)";
    }
    X11TestClient client;
    std::vector<OVApplicationInfo> activated;
    auto watch = OVX11ActiveWindowWatch::create(
        [&](const OVApplicationInfo& application) { activated.push_back(application); },
        QStringLiteral("orvetta"));
    ASSERT_TRUE(watch);

    const unsigned long browser = client.makeClassWindow("Navigator", "firefox", 4242);
    const unsigned long otherBrowser = client.makeClassWindow("Navigator", "firefox", 4242);
    const unsigned long terminal = client.makeClassWindow("xterm", "XTerm", 4343);
    const unsigned long ours = client.makeClassWindow("orvetta", "Orvetta", long(getpid()));

    client.setActiveWindow(browser);
    ASSERT_TRUE(QTest::qWaitFor([&] { return activated.size() == 1; }, 5000));
    EXPECT_EQ(activated[0].bundleIdentifier, QStringLiteral("firefox"));

    // Another window of the same application, and the bare desktop: no activation.
    client.setActiveWindow(otherBrowser);
    client.setActiveWindow(0);
    client.setActiveWindow(terminal);
    ASSERT_TRUE(QTest::qWaitFor([&] { return activated.size() == 2; }, 5000));
    EXPECT_EQ(activated[1].localizedName, QStringLiteral("XTerm"));

    client.setActiveWindow(ours);
    ASSERT_TRUE(QTest::qWaitFor([&] { return activated.size() == 3; }, 5000));
    EXPECT_EQ(activated[2].bundleIdentifier, QStringLiteral("orvetta"));
    EXPECT_EQ(activated.size(), 3u);
}
