#include <gtest/gtest.h>

#include "base/preferences.h"
#include "base/services.h"
#include "hid/device_discovery.h"
#include "hid_test_support.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_hid_manager.h"
#include "settings/profiles.h"

namespace {

QVariantMap touchDisplay(int location, const QString& product) {
    return {{"VendorID", 0x4e8},        {"ProductID", 0x1234},  {"LocationID", location},
            {"PrimaryUsagePage", 0x0D}, {"PrimaryUsage", 0x04}, {"Manufacturer", "Samsung"},
            {"Product", product},       {"SerialNumber", "SN1"}};
}

class DeviceDiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.hidManagerFactory = devices.managerFactory();
        services.setPlatform(&platform);
        OVRegisterDefaults();
    }
    OVServicesGuard services;
    OVSimHIDDeviceSet devices;
    OVAssembledPlatform platform;
};

}  // namespace

TEST_F(DeviceDiscoveryTest, SignaturesReadBackTheirVendorAndProduct) {
    OVSimHIDDevice device({{"VendorID", 0x4e8},
                           {"ProductID", 0x1234},
                           {"LocationID", 0x1420},
                           {"Manufacturer", "Samsung: Displays"},
                           {"Product", "Flip|2 Pro"}});
    EXPECT_EQ(OVDeviceSignature(device), "04e8:1234:00001420:Samsung_ Displays:Flip_2 Pro:-");
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    ASSERT_TRUE(OVVendorProductFromSignature(OVDeviceSignature(device), &vendor, &product));
    EXPECT_EQ(vendor, 0x4e8u);
    EXPECT_EQ(product, 0x1234u);
    // Read as a scanner reads hex: white space, an optional 0x, digits up to anything else.
    EXPECT_TRUE(OVVendorProductFromSignature(" 0X04E8:0x1234g:rest", &vendor, &product));
    EXPECT_EQ(vendor, 0x4e8u);
    EXPECT_EQ(product, 0x1234u);
    EXPECT_TRUE(OVVendorProductFromSignature("0x:123456789abc", &vendor, &product));
    EXPECT_EQ(vendor, 0u);
    EXPECT_EQ(product, 0xffffffffu);
    for (const char* unreadable : {"zz:1234:x", "04e8", ":1234", "auto"}) {
        EXPECT_FALSE(OVVendorProductFromSignature(unreadable, &vendor, &product)) << unreadable;
    }
    EXPECT_EQ(product, 0xffffffffu);  // untouched
}

TEST_F(DeviceDiscoveryTest, CandidatesAreSupportedFirstThenByTitleAndListedOncePerSignature) {
    const QByteArray touch = OVHIDTouchScreenDescriptor({});
    devices.add(touchDisplay(0x100, "zeta panel"));  // possibly compatible, no descriptor
    devices.add(touchDisplay(0x200, "Beta Flip"), touch);
    devices.add(touchDisplay(0x200, "Beta Flip"), touch);  // the same interface again
    devices.add(touchDisplay(0x300, "Beta Flip"), touch);  // a second identical screen
    devices.add(touchDisplay(0x400, "alpha Flip"), touch);
    devices.add({{"Product", "Keyboard"}, {"PrimaryUsagePage", 1}});
    devices.add({{"Manufacturer", "Touch Systems"}, {"Product", "Display"}});  // by its names
    devices.add({{"Product", "Touchpad"}, {"PrimaryUsagePage", 1}});
    devices.add({{"Product", "Generic HID"}, {"PrimaryUsagePage", 1}}, touch);
    devices.add(touchDisplay(0x500, "Broken Display"), QByteArray::fromHex("05010902a101c0"));
    QStringList titles;
    QList<bool> supported;
    for (const QVariant& record : OVCandidateDevices()) {
        titles << record.toMap().value("title").toString();
        supported << record.toMap().value("supported").toBool();
    }
    EXPECT_EQ(titles, QStringList({"alpha Flip (0x04e8:0x1234)", "Beta Flip (0x04e8:0x1234)",
                                   "Beta Flip (0x04e8:0x1234)", "Generic HID (unknown:unknown)",
                                   "Broken Display (0x04e8:0x1234)", "Display (unknown:unknown)",
                                   "zeta panel (0x04e8:0x1234)"}));
    EXPECT_EQ(supported, QList<bool>({true, true, true, true, false, false, false}));
    EXPECT_TRUE(OVHasCompatibleTouchDevice());
}

TEST_F(DeviceDiscoveryTest, TheSelectionBecomesMatchingThatFindsTheChosenDevice) {
    devices.add(touchDisplay(1, "Flip"));
    devices.add({{"VendorID", 0x45e}, {"ProductID", 0x7}, {"PrimaryUsagePage", 1}});
    const auto matchedProducts = [&](const QString& selection) {
        std::unique_ptr<OVHIDManager> manager = platform.createHIDManager();
        manager->setDeviceMatching(OVHIDMatchingForSelection(selection));
        QList<int> products;
        for (const OVHIDDeviceRef& device : manager->copyDevices()) {
            products << OVIntegerDeviceProperty(*device, "ProductID");
        }
        return products;
    };
    EXPECT_EQ(matchedProducts(OVCurrentDeviceSelection()), QList<int>({0x1234}));
    OVStandardPreferences().setObject("deviceSelection", "045e:0007:00000000:-:-:-");
    EXPECT_EQ(matchedProducts(OVCurrentDeviceSelection()), QList<int>({0x7}));
    EXPECT_EQ(matchedProducts("nothex:0007"), QList<int>({0x1234}));
}
