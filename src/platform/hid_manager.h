#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>

// How much of a HID device's own input is kept from the desktop. On Linux the kernel also makes
// input devices of a touch display (event nodes) that the desktop reads; a session holds them.
struct OVExclusiveUse {
    enum class Hold { All, Some, None };

    QStringList heldNodes;
    // The nodes that could not be held, each with the reason ("/dev/input/event7: Device or
    // resource busy").
    QStringList unheldNodes;

    // All: nothing reaches the desktop (also when the device has nothing the desktop reads).
    Hold hold() const {
        if (unheldNodes.isEmpty()) {
            return Hold::All;
        }
        return heldNodes.isEmpty() ? Hold::None : Hold::Some;
    }
    bool operator==(const OVExclusiveUse&) const = default;
};

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

    // Keeps the device's own input from the desktop while a touch session runs, so that the
    // desktop does not act on every touch a second time: takes what is not held yet and returns
    // what is held now. Nothing is taken while the platform sees a contact down (the desktop would
    // keep a contact that never lifts). May scan the system: never call it per report. Platforms
    // where nothing else reads the device hold everything.
    virtual OVExclusiveUse takeExclusiveUse() { return {}; }
    // Gives everything back to the desktop.
    virtual void releaseExclusiveUse() {}
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
    // The system's reason for a failed open() as people read it ("Permission denied"); the code
    // in hex where the platform has no words for it.
    virtual QString describeOpenResult(int result) const {
        return QStringLiteral("0x%1").arg(QString::number(std::uint32_t(result), 16));
    }

    // Called once when an open device stops delivering (unplugged, read error), with the
    // platform's error number. Input from that device has stopped when this is called.
    using DeviceErrorCallback = std::function<void(const OVHIDDeviceRef& device, int errorNumber)>;
    virtual void setDeviceErrorCallback(DeviceErrorCallback callback) = 0;
};
