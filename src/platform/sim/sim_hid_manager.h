#pragma once

#include <QByteArray>
#include <QList>
#include <QVariantMap>
#include <memory>

#include "platform/hid_manager.h"

class OVSimHIDManager;

// A simulated HID device: its properties, its report descriptor and the input reports that a
// test or a replay hands it.
class OVSimHIDDevice : public OVHIDDevice {
  public:
    // `reportDescriptor`, when not empty, becomes the "ReportDescriptor" property.
    explicit OVSimHIDDevice(const QVariantMap& properties,
                            const QByteArray& reportDescriptor = QByteArray());

    QVariant property(const QString& key) const override;
    void setProperty(const QString& key, const QVariant& value);
    void registerInputReportCallback(InputReportCallback callback) override;
    QString nodePath() const override { return _nodePath; }
    void setNodePath(const QString& path) { _nodePath = path; }

    // Whether an open manager holds the device, so that its reports are delivered.
    bool isOpen() const { return _openCount > 0; }
    // Hands one input report to the registered callback while the device is open; returns
    // whether it was delivered.
    bool deliverInputReport(const QByteArray& report);

  private:
    friend class OVSimHIDManager;

    QVariantMap _properties;
    QString _nodePath;
    InputReportCallback _callback;
    int _openCount = 0;
};

using OVSimHIDDeviceRef = std::shared_ptr<OVSimHIDDevice>;

// The HID devices attached to the simulated machine. Managers made by managerFactory() list
// them; the set outlives none of its managers' needs (they share its state).
class OVSimHIDDeviceSet {
  public:
    OVSimHIDDeviceSet();

    OVSimHIDDeviceRef add(const QVariantMap& properties,
                          const QByteArray& reportDescriptor = QByteArray());
    void add(const OVSimHIDDeviceRef& device);
    // Unplugs a device: managers that hold it open report it with ENODEV.
    void remove(const OVSimHIDDeviceRef& device);
    QList<OVSimHIDDeviceRef> devices() const;

    // A fresh manager over this set, as OVPlatform::createHIDManager gives one.
    std::unique_ptr<OVHIDManager> createManager() const;
    std::function<std::unique_ptr<OVHIDManager>()> managerFactory() const;

    // What open() answers (0 succeeds), for permission tests.
    void setOpenResult(int result);

    int managersCreated() const;
    int managersOpened() const;

    struct State;

  private:
    std::shared_ptr<State> _state;
};

// A manager over an OVSimHIDDeviceSet. Matching follows hid_manager.h: a device matches a
// dictionary when every key matches; "DeviceUsagePage" and "DeviceUsage" are compared with the
// device's "DeviceUsagePairs" property (a list of dictionaries with those two keys) when it has
// one, else with its "PrimaryUsagePage" and "PrimaryUsage".
class OVSimHIDManager : public OVHIDManager {
  public:
    explicit OVSimHIDManager(std::shared_ptr<OVSimHIDDeviceSet::State> state);
    ~OVSimHIDManager() override;

    void setDeviceMatching(const QList<QVariantMap>& matching) override;
    QList<OVHIDDeviceRef> copyDevices() override;
    int open() override;
    void close() override;
    void setDeviceErrorCallback(DeviceErrorCallback callback) override;

    bool isOpen() const { return _open; }
    // The device stops delivering with `errorNumber` (a read error, an unplug).
    void failDevice(const OVSimHIDDeviceRef& device, int errorNumber);

    static bool deviceMatches(const OVHIDDevice& device, const QList<QVariantMap>& matching);

  private:
    QList<OVSimHIDDeviceRef> matchedDevices() const;

    std::shared_ptr<OVSimHIDDeviceSet::State> _state;
    QList<QVariantMap> _matching;
    QList<OVSimHIDDeviceRef> _openDevices;
    DeviceErrorCallback _errorCallback;
    bool _open = false;
};
