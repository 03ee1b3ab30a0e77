#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>

// One HID device as the platform sees it.
class OVHIDDevice {
  public:
    virtual ~OVHIDDevice() = default;

    // Device properties by key: "VendorID", "ProductID", "VersionNumber", "LocationID",
    // "PrimaryUsagePage", "PrimaryUsage", "MaxInputReportSize" (integers), "Manufacturer",
    // "Product", "SerialNumber", "Transport" (strings), "ReportDescriptor" (QByteArray).
    // An invalid QVariant when the device does not have the property.
    virtual QVariant property(const QString& key) const = 0;

    // Called with the bytes of every input report while the device's manager is open.
    using InputReportCallback = std::function<void(const std::uint8_t* report, qsizetype length)>;
    virtual void registerInputReportCallback(InputReportCallback callback) = 0;

    // Where the device lives for people (a hidraw node on Linux); empty when it has none.
    virtual QString nodePath() const { return QString(); }

    // A running touch session asks for exclusive use so that the desktop does not act on the
    // device's input a second time, with every report (`contactsDown`: the report had a contact
    // down; the platform takes the device over only while none is). `exclusive` false gives the
    // device back. Platforms where nothing else reads the device ignore it.
    virtual void setExclusiveUse(bool exclusive, bool contactsDown) {
        (void)exclusive;
        (void)contactsDown;
    }
};

using OVHIDDeviceRef = std::shared_ptr<OVHIDDevice>;

// A set of HID devices that match a list of matching dictionaries.
class OVHIDManager {
  public:
    virtual ~OVHIDManager() = default;

    // Each dictionary holds some of "DeviceUsagePage", "DeviceUsage", "VendorID", "ProductID"
    // (integers); a device matches when it matches every key of at least one dictionary.
    // An empty list matches every HID device (the default).
    virtual void setDeviceMatching(const QList<QVariantMap>& matching) = 0;

    // The matched devices, in the platform's order.
    virtual QList<OVHIDDeviceRef> copyDevices() = 0;

    // Opens the matched devices for input reports; 0 on success, a platform code otherwise.
    virtual int open() = 0;
    virtual void close() = 0;

    // Called once when an open device stops delivering (unplugged, read error), with the
    // platform's error number. Input from that device has stopped when this is called.
    using DeviceErrorCallback = std::function<void(const OVHIDDeviceRef& device, int errorNumber)>;
    virtual void setDeviceErrorCallback(DeviceErrorCallback callback) = 0;
};
