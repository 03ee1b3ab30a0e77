#include <gtest/gtest.h>

#include <QTest>
#include <vector>

#include "platform/linux/linux_hid_manager.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/descriptor_bytes_helpers.h"
#include "platform/linux/hid_testbed_helpers.h"

namespace {

class NoNetwork : public OVHTTPTransport {
  public:
    void send(const OVHTTPRequest&,
              std::function<void(const OVHTTPResponse&)> completion) override {
        OVHTTPResponse response;
        response.transportError = QStringLiteral("offline");
        completion(response);
    }
};

}  // namespace

TEST(LinuxPlatform, AssemblesTheLinuxParts) {
    if (!HIDTestbed::available()) {
        ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
        GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
    }
    HIDTestbed testbed;
    std::unique_ptr<OVLinuxPlatform> platform = OVCreateLinuxPlatform();
    ASSERT_TRUE(platform);

    EXPECT_TRUE(dynamic_cast<OVLinuxHIDManager*>(platform->createHIDManager().get()));
    EXPECT_FALSE(platform->displayServices().activeDisplays().isEmpty());
    EXPECT_EQ(platform->workspace().ownBundleIdentifier(), QStringLiteral("orvetta"));
    // No touch display attached: nothing to be kept from.
    EXPECT_TRUE(platform->permissions().canListenToInput());

    EXPECT_FALSE(platform->hasHTTPTransport());
    auto transport = std::make_unique<NoNetwork>();
    OVHTTPTransport* plugged = transport.get();
    platform->setHTTPTransport(std::move(transport));
    EXPECT_EQ(&platform->httpTransport(), plugged);

    // Devices that come and go reach the shell through the platform.
    std::vector<OVHIDDeviceChange> changes;
    platform->setHIDDeviceChangeCallback(
        [&](const OVHIDDeviceChange& change) { changes.push_back(change); });
    testbed.addUSBDevice(4, HIDTestbed::USBDevice(), touchScreenDescriptor());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.empty(); }, 5000));
    EXPECT_TRUE(changes[0].added);
    EXPECT_EQ(changes[0].nodePath, QStringLiteral("/dev/hidraw4"));
    // The touch display is there now, and this test may open its node.
    EXPECT_TRUE(platform->permissions().canListenToInput());

    platform->setHIDDeviceChangeCallback(nullptr);
    testbed.unplug(testbed.device(4));
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(changes.size(), 1u);
}
