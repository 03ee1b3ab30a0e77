#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <vector>

#include "platform/hid_manager.h"
#include "platform/linux/evdev_grab.h"
#include "platform/linux/hidraw_devices.h"

// One hidraw node. Opened non-blocking by its manager; once a report callback is registered,
// every read() of the node is delivered as one report from the main loop.
class OVLinuxHIDDevice : public OVHIDDevice, public std::enable_shared_from_this<OVLinuxHIDDevice> {
  public:
    explicit OVLinuxHIDDevice(OVHIDRawDeviceRecord record);
    ~OVLinuxHIDDevice() override;

    QVariant property(const QString& key) const override;
    void registerInputReportCallback(InputReportCallback callback) override;
    QString nodePath() const override { return _record.nodePath; }
    OVExclusiveUse takeExclusiveUse() override;
    void releaseExclusiveUse() override;

    const OVHIDRawDeviceRecord& record() const { return _record; }

    // For the manager: 0 or the errno of open(2).
    int openNode();
    void closeNode();
    bool isOpen() const { return _fd >= 0; }
    // Called once when reading fails; listening has stopped and the node is closed by then.
    void setReadFailureHandler(std::function<void(int errorNumber)> handler);

    // The largest report a read can deliver.
    static constexpr qsizetype kReadBufferSize = 16384;

  private:
    void startListening();
    void stopListening();
    void readAvailableReports();
    void failReading(int errorNumber);

    OVHIDRawDeviceRecord _record;
    int _fd = -1;
    QSocketNotifier* _notifier = nullptr;  // owned; deleted later, it may be the signal's sender
    InputReportCallback _callback;
    std::function<void(int)> _readFailed;
    std::vector<std::uint8_t> _buffer;
    OVEvdevGrab _grab;
};

// HID devices through libudev and hidraw. The manager lists the hidraw nodes that match its
// matching dictionaries, in the order of their numbers.
class OVLinuxHIDManager : public OVHIDManager {
  public:
    OVLinuxHIDManager() = default;
    ~OVLinuxHIDManager() override;

    void setDeviceMatching(const QList<QVariantMap>& matching) override;
    QList<OVHIDDeviceRef> copyDevices() override;
    // Opens every matched node. Nodes that cannot be opened are left out as long as one opens;
    // when none does, the errno of the first failure is returned and nothing stays open.
    int open() override;
    void close() override;
    // The errno's text ("Permission denied").
    QString describeOpenResult(int result) const override;
    void setDeviceErrorCallback(DeviceErrorCallback callback) override;

  private:
    std::vector<std::shared_ptr<OVLinuxHIDDevice>> matchedDevices() const;
    void deviceFailed(const std::weak_ptr<OVLinuxHIDDevice>& device, int errorNumber);

    QList<QVariantMap> _matching;
    std::vector<std::shared_ptr<OVLinuxHIDDevice>> _openDevices;
    bool _open = false;
    DeviceErrorCallback _errorCallback;
};
