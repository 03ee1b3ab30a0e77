#include <gtest/gtest.h>

#include "base/preferences.h"
#include "base/services.h"
#include "hid/descriptor_writer.h"
#include "hid/device_discovery.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_hid_manager.h"
#include "settings/profiles.h"

namespace {

QVariantMap touchDisplay(int location, const QString& product = "Flip Touch") {
    return {{"VendorID", 0x4e8},        {"ProductID", 0x1234},  {"LocationID", location},
            {"PrimaryUsagePage", 0x0D}, {"PrimaryUsage", 0x04}, {"Manufacturer", "Samsung"},
            {"Product", product},       {"SerialNumber", "SN1"}};
}

QByteArray touchDescriptor() {
    OVHIDTouchScreenDescription description;
    description.fingers = 2;
    return OVHIDTouchScreenDescriptor(description);
}

class DeviceDiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.hidManagerFactory = devices.managerFactory();
        services.setPlatform(&platform);
        OVRegisterDefaults();
    }

    QStringList candidateTitles() {
        QStringList titles;
        for (const QVariant& record : OVCandidateDevices()) {
            titles << record.toMap().value("title").toString();
        }
        return titles;
    }

    OVServicesGuard services;
    OVSimHIDDeviceSet devices;
    OVAssembledPlatform platform;
};

}  // namespace

TEST_F(DeviceDiscoveryTest, SignatureComponentsStaySplittableAndReadBack) {
    OVSimHIDDevice device({{"VendorID", 0x4e8},
                           {"ProductID", 0x1234},
                           {"LocationID", 0x1420},
                           {"Manufacturer", "Samsung: Displays"},
                           {"Product", "Flip|2 Pro"}});
    const QString signature = OVDeviceSignature(device);
    EXPECT_EQ(signature, "04e8:1234:00001420:Samsung_ Displays:Flip_2 Pro:-");
    EXPECT_EQ(signature.split(':').size(), 6);

    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    ASSERT_TRUE(OVVendorProductFromSignature(signature, &vendor, &product));
    EXPECT_EQ(vendor, 0x4e8u);
    EXPECT_EQ(product, 0x1234u);

    OVSimHIDDevice bare({{"VendorID", -5}, {"ProductID", 0x12345}, {"Product", ""}});
    EXPECT_EQ(OVDeviceSignature(bare), "0000:12345:00000000:-:-:-");
    OVSimHIDDevice wrongTypes({{"VendorID", "0x4e8"}, {"LocationID", true}, {"Product", 7}});
    EXPECT_EQ(OVDeviceSignature(wrongTypes), "0000:0000:00000000:-:-:-");
    EXPECT_EQ(OVIntegerDeviceProperty(wrongTypes, "VendorID"), -1);
    EXPECT_EQ(OVIntegerDeviceProperty(wrongTypes, "LocationID"), -1);
    EXPECT_EQ(OVIntegerDeviceProperty(OVSimHIDDevice({{"X", 13.9}}), "X"), 13);
    EXPECT_EQ(OVDeviceStringOrDash(wrongTypes, "Product"), "-");
}

TEST_F(DeviceDiscoveryTest, VendorAndProductAreScannedLikeHexNumbers) {
    std::uint32_t vendor = 7;
    std::uint32_t product = 9;
    EXPECT_TRUE(OVVendorProductFromSignature(" 0X04E8:0x1234g:rest", &vendor, &product));
    EXPECT_EQ(vendor, 0x4e8u);
    EXPECT_EQ(product, 0x1234u);
    EXPECT_TRUE(OVVendorProductFromSignature("0x:0xg", &vendor, &product));  // the 0 is a digit
    EXPECT_EQ(vendor, 0u);
    EXPECT_EQ(product, 0u);
    EXPECT_TRUE(OVVendorProductFromSignature("123456789abc:1", &vendor, &product));
    EXPECT_EQ(vendor, 0xffffffffu);

    vendor = 7;
    product = 9;
    for (const char* unreadable : {"zz:1234:x", "04e8", "04e8:", ":1234", "auto", ""}) {
        EXPECT_FALSE(OVVendorProductFromSignature(unreadable, &vendor, &product)) << unreadable;
    }
    EXPECT_EQ(vendor, 7u);  // untouched
    EXPECT_EQ(product, 9u);
}

TEST_F(DeviceDiscoveryTest, TitlesNameTheDeviceAndItsIDs) {
    EXPECT_EQ(OVDeviceTitle(OVSimHIDDevice(touchDisplay(1))), "Flip Touch (0x04e8:0x1234)");
    EXPECT_EQ(OVDeviceTitle(OVSimHIDDevice({{"Manufacturer", "Acme"}, {"VendorID", 0x12345}})),
              "Acme (0x12345:unknown)");
    EXPECT_EQ(OVDeviceTitle(OVSimHIDDevice({{"ProductID", 0x1234}, {"Product", ""}})),
              "HID touch device (unknown:0x1234)");
    EXPECT_EQ(OVHexOrUnknown(0x1420, 8), "0x00001420");
    EXPECT_EQ(OVHexOrUnknown(0xD, 2), "0x0d");
    EXPECT_EQ(OVHexOrUnknown(-1, 4), "unknown");
}

TEST_F(DeviceDiscoveryTest, PossiblyCompatibleNeedsTheDigitizerPageOrTellingNames) {
    const auto compatible = [](const QVariantMap& properties) {
        return OVDeviceLooksPossiblyCompatible(OVSimHIDDevice(properties));
    };
    EXPECT_TRUE(compatible({{"PrimaryUsagePage", 13}}));
    EXPECT_TRUE(compatible({{"PrimaryUsagePage", 1}, {"Product", "Large TOUCH Display 75\""}}));
    EXPECT_FALSE(compatible({{"PrimaryUsagePage", 1}, {"Product", "Touchpad"}}));
    EXPECT_TRUE(compatible({{"Product", "USB MultiTouch"}}));
    EXPECT_TRUE(compatible({{"Product", "Multi-Touch Panel"}}));
    EXPECT_TRUE(compatible({{"Manufacturer", "ELAN Touchscreen"}}));
    EXPECT_TRUE(compatible({{"Manufacturer", "Touch Systems"}, {"Product", "Display"}}));
    EXPECT_FALSE(compatible({{"Product", "Keyboard"}, {"PrimaryUsagePage", 12}}));
    EXPECT_FALSE(compatible({}));
}

TEST_F(DeviceDiscoveryTest, CandidatesAreSupportedFirstThenByTitleAndListedOncePerSignature) {
    devices.add(touchDisplay(0x100, "zeta panel"));  // possibly compatible, no descriptor
    devices.add(touchDisplay(0x200, "Beta Flip"), touchDescriptor());
    devices.add(touchDisplay(0x200, "Beta Flip"), touchDescriptor());  // the same interface again
    devices.add(touchDisplay(0x300, "Beta Flip"), touchDescriptor());  // a second identical screen
    devices.add(touchDisplay(0x400, "alpha Flip"), touchDescriptor());
    devices.add({{"Product", "Keyboard"}, {"PrimaryUsagePage", 1}});
    devices.add({{"Product", "Generic HID"}, {"PrimaryUsagePage", 1}}, touchDescriptor());
    devices.add(touchDisplay(0x500, "Broken Display"), QByteArray::fromHex("05010902a101c0"));

    const QVariantList candidates = OVCandidateDevices();
    QStringList titles;
    QList<bool> supported;
    for (const QVariant& record : candidates) {
        titles << record.toMap().value("title").toString();
        supported << record.toMap().value("supported").toBool();
    }
    EXPECT_EQ(titles,
              QStringList({"alpha Flip (0x04e8:0x1234)", "Beta Flip (0x04e8:0x1234)",
                           "Beta Flip (0x04e8:0x1234)", "Generic HID (unknown:unknown)",
                           "Broken Display (0x04e8:0x1234)", "zeta panel (0x04e8:0x1234)"}));
    EXPECT_EQ(supported, QList<bool>({true, true, true, true, false, false}));
    EXPECT_EQ(candidates[1].toMap().value("signature").toString(),
              "04e8:1234:00000200:Samsung:Beta Flip:SN1");
    EXPECT_EQ(candidates[2].toMap().value("signature").toString(),
              "04e8:1234:00000300:Samsung:Beta Flip:SN1");

    EXPECT_EQ(devices.managersCreated(), 1);
    EXPECT_EQ(devices.managersOpened(), 0);
    EXPECT_TRUE(OVHasCompatibleTouchDevice());
    EXPECT_EQ(devices.managersCreated(), 2);
    EXPECT_EQ(devices.managersOpened(), 0);
}

TEST_F(DeviceDiscoveryTest, NoDevicesMeansNoCandidates) {
    EXPECT_TRUE(OVCandidateDevices().isEmpty());
    EXPECT_FALSE(OVHasCompatibleTouchDevice());
    devices.add({{"Product", "Keyboard"}}, touchDescriptor());
    EXPECT_FALSE(OVHasCompatibleTouchDevice());  // parseable, but nothing says touch
    EXPECT_EQ(candidateTitles().size(), 1);
}

TEST_F(DeviceDiscoveryTest, ParseableDescriptorNeedsAValidTouchLayout) {
    EXPECT_TRUE(OVDeviceHasParseableTouchDescriptor(OVSimHIDDevice({}, touchDescriptor())));
    EXPECT_FALSE(OVDeviceHasParseableTouchDescriptor(OVSimHIDDevice({})));
    EXPECT_FALSE(OVDeviceHasParseableTouchDescriptor(
        OVSimHIDDevice({{"ReportDescriptor", QString::fromLatin1(touchDescriptor().toHex())}})));
}

TEST_F(DeviceDiscoveryTest, SelectionBecomesMatchingThatFindsTheChosenDevice) {
    EXPECT_EQ(OVCurrentDeviceSelection(), "auto");
    OVStandardPreferences().setObject("deviceSelection", "");
    EXPECT_EQ(OVCurrentDeviceSelection(), "auto");

    devices.add(touchDisplay(1));
    devices.add(
        {{"VendorID", 0x45e}, {"ProductID", 0x7}, {"PrimaryUsagePage", 1}, {"PrimaryUsage", 2}});
    OVSimHIDDevice mouseWithTouch(
        {{"VendorID", 0x1},
         {"ProductID", 0x2},
         {"PrimaryUsagePage", 1},
         {"DeviceUsagePairs",
          QVariantList{QVariantMap{{"DeviceUsagePage", 1}, {"DeviceUsage", 2}},
                       QVariantMap{{"DeviceUsagePage", 13}, {"DeviceUsage", 4}}}}});
    devices.add(std::make_shared<OVSimHIDDevice>(mouseWithTouch));

    const auto matchedProducts = [&](const QString& selection) {
        std::unique_ptr<OVHIDManager> manager = platform.createHIDManager();
        manager->setDeviceMatching(OVHIDMatchingForSelection(selection));
        QList<int> products;
        for (const OVHIDDeviceRef& device : manager->copyDevices()) {
            products << OVIntegerDeviceProperty(*device, "ProductID");
        }
        return products;
    };
    const QList<QVariantMap> automatic = OVHIDMatchingForSelection("auto");
    ASSERT_EQ(automatic.size(), 1);
    EXPECT_EQ(automatic[0], QVariantMap({{"DeviceUsagePage", 13}, {"DeviceUsage", 4}}));
    EXPECT_EQ(automatic[0].value("DeviceUsagePage").typeId(), QMetaType::Int);
    EXPECT_EQ(matchedProducts("auto"), QList<int>({0x1234, 0x2}));

    OVStandardPreferences().setObject("deviceSelection", "045e:0007:00000000:-:-:-");
    EXPECT_EQ(OVCurrentDeviceSelection(), "045e:0007:00000000:-:-:-");
    EXPECT_EQ(OVHIDMatchingForSelection(OVCurrentDeviceSelection()),
              QList<QVariantMap>({OVCreateVendorProductMatchDictionary(0x45e, 7)}));
    EXPECT_EQ(matchedProducts(OVCurrentDeviceSelection()), QList<int>({0x7}));
    EXPECT_EQ(OVHIDMatchingForSelection("nothex:0007"), automatic);
}
