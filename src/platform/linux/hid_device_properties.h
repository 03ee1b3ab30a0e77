#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <optional>

#include "platform/linux/hid_descriptor_facts.h"

// The HID device facts the kernel gives in sysfs and the udev database, gathered before they are
// turned into the device properties the program reads ("VendorID", "LocationID", ...).
struct OVHIDSysfsFacts {
    QString hidID;         // HID_ID of the hid device: "bus:vendor:product" in hex
    QString hidName;       // HID_NAME
    QString hidPhys;       // HID_PHYS
    QString hidUniq;       // HID_UNIQ
    QString hidSysPath;    // the hid device in sysfs
    bool onUSB = false;    // a USB device is among the parents
    QString usbBusNumber;  // busnum of the USB device
    QString usbPortPath;   // devpath of the USB device: "1.4.2"
    QString usbBcdDevice;  // bcdDevice, four hex digits
    QString usbManufacturer;
    QString usbProduct;
    QString usbSerial;
    QByteArray reportDescriptor;  // empty when unreadable
};

// The bus, vendor and product of a HID_ID value ("0003:000004E8:00001234").
struct OVHIDBusIdentity {
    std::uint32_t bus = 0;
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
};
std::optional<OVHIDBusIdentity> OVParseHIDID(const QString& hidID);

// "USB", "Bluetooth", "I2C", "SPI" or "Platform" (built into the computer) for the kernel's bus
// numbers; empty for any other bus.
QString OVTransportForBus(std::uint32_t bus);

// A USB location as a positive 32-bit value: the bus number in the top byte, then one nibble per
// port of the port path, outermost first (bus 1, ports "1.4" → 0x01140000). Paths that do not fit
// (a bus above 127, more than six ports, a port above 15) and non-USB devices get a stable 31-bit
// hash of their path instead.
std::uint32_t OVLocationIDForUSBPort(std::uint32_t busNumber, const QString& portPath);
std::uint32_t OVLocationIDForPath(const QString& path);

// 32-bit FNV-1a of UTF-8 text, the program's stable hash for identifiers.
std::uint32_t OVStableHash32(const QByteArray& bytes);

// bcdDevice ("0102") as the integer 0x0102; nothing when it is not hex.
std::optional<std::int32_t> OVVersionNumberFromBCD(const QString& bcd);

// The device properties of section "HID devices" of the platform layer, from the gathered facts.
// Properties the device lacks are left out.
QVariantMap OVHIDPropertiesFromSysfsFacts(const OVHIDSysfsFacts& facts,
                                          QList<OVHIDUsagePair>* topLevelUsages = nullptr);

// Whether a device matches one matching dictionary: every key must match. "DeviceUsagePage" and
// "DeviceUsage" match one of the device's top-level collections (both the same one when both are
// given); any other key matches the property of the same name.
bool OVHIDDeviceMatchesDictionary(const QVariantMap& properties,
                                  const QList<OVHIDUsagePair>& topLevelUsages,
                                  const QVariantMap& dictionary);
// A device matches a list when it matches one of its dictionaries; an empty list matches all.
bool OVHIDDeviceMatchesAny(const QVariantMap& properties,
                           const QList<OVHIDUsagePair>& topLevelUsages,
                           const QList<QVariantMap>& matching);
