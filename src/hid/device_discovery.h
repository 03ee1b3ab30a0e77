#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <optional>

#include "platform/hid_manager.h"

// Finding the HID devices that can serve as the touch input, naming them for people, and turning
// the user's device choice into device matching. A device is known across restarts by its
// signature: vendor, product and location IDs and its manufacturer, product and serial strings.

// The "deviceSelection" value that lets the session pick the first compatible device.
inline const QString OVDeviceSelectionAuto = QStringLiteral("auto");

// Digitizer usage page and its Touch Screen usage.
inline constexpr std::int32_t OVHIDDigitizerUsagePage = 0x0D;
inline constexpr std::int32_t OVHIDTouchScreenUsage = 0x04;

// A number property as a signed 32-bit integer; -1 when it is missing or not a number.
std::int32_t OVIntegerDeviceProperty(const OVHIDDevice& device, const QString& key);
// A string property; nothing when it is missing or not a string.
std::optional<QString> OVStringDeviceProperty(const OVHIDDevice& device, const QString& key);
// The "ReportDescriptor" bytes; empty when the device has none.
QByteArray OVHIDReportDescriptorForDevice(const OVHIDDevice& device);

// The string property, or "-" when it is missing, not a string or empty.
QString OVDeviceStringOrDash(const OVHIDDevice& device, const QString& key);
// "0x" and at least `digits` lower-case hex digits, or "unknown" for a negative value.
QString OVHexOrUnknown(qint64 value, int digits);

// A signature component: "-" for a missing or empty string, else the string with every ":" and
// "|" turned into "_".
QString OVSafeSignatureComponent(const std::optional<QString>& text);
// "vvvv:pppp:llllllll:manufacturer:product:serial".
QString OVDeviceSignature(const OVHIDDevice& device);
// "Product (0xvvvv:0xpppp)", named by the product string, else the manufacturer string, else
// "HID touch device".
QString OVDeviceTitle(const OVHIDDevice& device);
// Reads the vendor and product IDs back from a signature; leaves the outputs alone and returns
// false when they cannot be read.
bool OVVendorProductFromSignature(const QString& signature, std::uint32_t* vendor,
                                  std::uint32_t* product);

// The stored device choice: "auto" or a device signature.
QString OVCurrentDeviceSelection();

// Matching for "auto": one dictionary for Digitizer / Touch Screen devices.
QList<QVariantMap> OVCreateHIDMatchingArray();
QVariantMap OVCreateUsageMatchDictionary(std::int32_t usagePage, std::int32_t usage);
QVariantMap OVCreateVendorProductMatchDictionary(std::int32_t vendor, std::int32_t product);
// The matching for a device choice: "auto" matches by usage, a signature by its vendor and
// product IDs (or by usage when they cannot be read back).
QList<QVariantMap> OVHIDMatchingForSelection(const QString& selection);

// A cheap test without the descriptor: a Digitizer device, or one whose strings name a
// multi-touch screen or a touch display.
bool OVDeviceLooksPossiblyCompatible(const OVHIDDevice& device);
// The device's report descriptor yields a valid touch layout.
bool OVDeviceHasParseableTouchDescriptor(const OVHIDDevice& device);
// A panel built into the computer: its "Transport" is "I2C", "SPI" or "Platform".
bool OVDeviceIsBuiltIn(const OVHIDDevice& device);
// The order in which "auto" considers the matched devices: every other device (a USB display)
// before the built-in ones, each group in the platform's order, so that a laptop's own panel is
// chosen only when nothing else is attached.
QList<OVHIDDeviceRef> OVDevicesInAutoOrder(QList<OVHIDDeviceRef> devices);

// One record per candidate device ("signature", "title", "supported"), supported devices first,
// then by title regardless of case.
QVariantList OVCandidateDevices();
// Whether at least one attached HID device looks possibly compatible.
bool OVHasCompatibleTouchDevice();
