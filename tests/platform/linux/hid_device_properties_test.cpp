#include <gtest/gtest.h>

#include "platform/linux/hid_device_properties.h"
#include "platform/linux/descriptor_bytes_helpers.h"

TEST(HIDDeviceProperties, LocationFromTheUSBPortPath) {
    EXPECT_EQ(OVLocationIDForUSBPort(1, QStringLiteral("4")), 0x01400000u);
    EXPECT_EQ(OVLocationIDForUSBPort(1, QStringLiteral("1.4")), 0x01140000u);
    EXPECT_EQ(OVLocationIDForUSBPort(0x14, QStringLiteral("2.10.3")), 0x142A3000u);
    EXPECT_EQ(OVLocationIDForUSBPort(2, QStringLiteral("1.2.3.4.5.6")), 0x02123456u);
    // Two identical displays on neighbouring ports differ.
    EXPECT_NE(OVLocationIDForUSBPort(1, QStringLiteral("1.3")),
              OVLocationIDForUSBPort(1, QStringLiteral("1.4")));

    // Paths that do not fit in nibbles are hashed: stable, positive, and still distinct.
    const std::uint32_t deep = OVLocationIDForUSBPort(1, QStringLiteral("1.2.3.4.5.6.7"));
    EXPECT_EQ(deep, OVLocationIDForUSBPort(1, QStringLiteral("1.2.3.4.5.6.7")));
    EXPECT_LT(deep, 0x80000000u);
    EXPECT_NE(deep, OVLocationIDForUSBPort(1, QStringLiteral("1.2.3.4.5.6.8")));
    const std::uint32_t wide = OVLocationIDForUSBPort(1, QStringLiteral("16"));
    EXPECT_NE(wide, OVLocationIDForUSBPort(1, QStringLiteral("1.6")));
    EXPECT_LT(OVLocationIDForUSBPort(200, QStringLiteral("1")), 0x80000000u);
    EXPECT_LT(OVLocationIDForPath(QStringLiteral("i2c-ELAN9008:00")), 0x80000000u);
}

TEST(HIDDeviceProperties, BusIdentityTransportAndVersion) {
    const auto identity = OVParseHIDID(QStringLiteral("0003:000004E8:00001234"));
    ASSERT_TRUE(identity.has_value());
    EXPECT_EQ(identity->bus, 3u);
    EXPECT_EQ(identity->vendor, 0x04E8u);
    EXPECT_EQ(identity->product, 0x1234u);
    EXPECT_FALSE(OVParseHIDID(QStringLiteral("0003:04E8")).has_value());
    EXPECT_FALSE(OVParseHIDID(QStringLiteral("0003:zz:1234")).has_value());

    EXPECT_EQ(OVTransportForBus(0x03), QStringLiteral("USB"));
    EXPECT_EQ(OVTransportForBus(0x05), QStringLiteral("Bluetooth"));
    EXPECT_EQ(OVTransportForBus(0x18), QStringLiteral("I2C"));
    EXPECT_TRUE(OVTransportForBus(0x06).isEmpty());

    EXPECT_EQ(OVVersionNumberFromBCD(QStringLiteral("0102")), 0x0102);
    EXPECT_EQ(OVVersionNumberFromBCD(QStringLiteral("ffff\n")), 0xFFFF);
    EXPECT_FALSE(OVVersionNumberFromBCD(QStringLiteral("1.02")).has_value());
    EXPECT_FALSE(OVVersionNumberFromBCD(QStringLiteral("12345")).has_value());
}

TEST(HIDDeviceProperties, USBAndBluetoothDevices) {
    OVHIDSysfsFacts usb;
    usb.hidID = QStringLiteral("0003:000004E8:00001234");
    usb.hidName = QStringLiteral("Acme Big Touch");
    usb.hidSysPath = QStringLiteral("/sys/devices/usb1/1-1/1-1.4/1-1.4:1.0/0003:04E8:1234.0001");
    usb.onUSB = true;
    usb.usbBusNumber = QStringLiteral("1");
    usb.usbPortPath = QStringLiteral("1.4");
    usb.usbBcdDevice = QStringLiteral("0102");
    usb.usbManufacturer = QStringLiteral("Acme: Displays");
    usb.usbProduct = QStringLiteral("Big|Touch 65");
    usb.reportDescriptor = touchScreenDescriptor();
    QList<OVHIDUsagePair> usages;
    QVariantMap properties = OVHIDPropertiesFromSysfsFacts(usb, &usages);
    EXPECT_EQ(properties.value("VendorID"), QVariant(0x04E8));
    EXPECT_EQ(properties.value("ProductID"), QVariant(0x1234));
    EXPECT_EQ(properties.value("VersionNumber"), QVariant(0x0102));
    EXPECT_EQ(properties.value("LocationID"), QVariant(0x01140000));
    EXPECT_EQ(properties.value("Transport"), QVariant("USB"));
    EXPECT_EQ(properties.value("Manufacturer"), QVariant("Acme: Displays"));
    EXPECT_EQ(properties.value("Product"), QVariant("Big|Touch 65"));
    EXPECT_FALSE(properties.contains("SerialNumber"));  // the device has none
    EXPECT_EQ(properties.value("PrimaryUsagePage"), QVariant(0x0D));
    EXPECT_EQ(properties.value("PrimaryUsage"), QVariant(0x04));
    EXPECT_EQ(properties.value("MaxInputReportSize"), QVariant(14));
    EXPECT_EQ(properties.value("ReportDescriptor").toByteArray(), touchScreenDescriptor());
    EXPECT_EQ(usages.size(), 2);

    // Bluetooth: the kernel's name and unique ID stand in for the strings; no bcdDevice.
    OVHIDSysfsFacts bluetooth;
    bluetooth.hidID = QStringLiteral("0005:0000045E:00000B13");
    bluetooth.hidName = QStringLiteral("Pen Display");
    bluetooth.hidPhys = QStringLiteral("f4:4e:fc:00:00:01");
    bluetooth.hidUniq = QStringLiteral("c8:3f:26:00:00:02");
    properties = OVHIDPropertiesFromSysfsFacts(bluetooth, &usages);
    EXPECT_EQ(properties.value("Transport"), QVariant("Bluetooth"));
    EXPECT_EQ(properties.value("Product"), QVariant("Pen Display"));
    EXPECT_EQ(properties.value("SerialNumber"), QVariant("c8:3f:26:00:00:02"));
    EXPECT_FALSE(properties.contains("Manufacturer"));
    EXPECT_FALSE(properties.contains("VersionNumber"));
    EXPECT_EQ(properties.value("LocationID"),
              QVariant(std::int32_t(OVLocationIDForPath(bluetooth.hidPhys))));
    // No descriptor could be read: nothing derived from it, and no usages to match.
    EXPECT_FALSE(properties.contains("ReportDescriptor"));
    EXPECT_FALSE(properties.contains("PrimaryUsagePage"));
    EXPECT_FALSE(properties.contains("MaxInputReportSize"));
    EXPECT_TRUE(usages.isEmpty());
}

TEST(HIDDeviceProperties, MatchingDictionaries) {
    const QVariantMap properties{{"VendorID", 0x04E8},
                                 {"ProductID", 0x1234},
                                 {"PrimaryUsagePage", 0x01},
                                 {"PrimaryUsage", 0x02}};
    // The touch screen is the second top-level collection; matching looks at all of them.
    const QList<OVHIDUsagePair> usages{{0x01, 0x02}, {0x0D, 0x04}};
    const QVariantMap touchScreen{{"DeviceUsagePage", 13}, {"DeviceUsage", 4}};
    EXPECT_TRUE(OVHIDDeviceMatchesDictionary(properties, usages, touchScreen));
    // Page and usage must come from the same collection.
    EXPECT_FALSE(OVHIDDeviceMatchesDictionary(properties, usages,
                                              {{"DeviceUsagePage", 13}, {"DeviceUsage", 2}}));
    EXPECT_TRUE(OVHIDDeviceMatchesDictionary(properties, usages, {{"DeviceUsagePage", 13}}));
    EXPECT_FALSE(OVHIDDeviceMatchesDictionary(properties, {{0x01, 0x02}}, touchScreen));

    EXPECT_TRUE(OVHIDDeviceMatchesDictionary(
        properties, usages, {{"VendorID", 0x04E8}, {"ProductID", qint64(0x1234)}}));
    EXPECT_FALSE(
        OVHIDDeviceMatchesDictionary(properties, usages, {{"VendorID", 0x04E8}, {"ProductID", 1}}));
    // A property the device lacks never matches; a number never equals a string.
    EXPECT_FALSE(OVHIDDeviceMatchesDictionary(properties, usages, {{"LocationID", 0}}));
    EXPECT_FALSE(OVHIDDeviceMatchesDictionary(properties, usages, {{"VendorID", "1256"}}));

    EXPECT_TRUE(OVHIDDeviceMatchesAny(properties, usages, {}));
    EXPECT_TRUE(OVHIDDeviceMatchesAny(properties, usages, {QVariantMap()}));
    EXPECT_TRUE(OVHIDDeviceMatchesAny(properties, usages, {{{"VendorID", 1}}, touchScreen}));
    EXPECT_FALSE(OVHIDDeviceMatchesAny(properties, usages, {{{"VendorID", 1}}}));
}
