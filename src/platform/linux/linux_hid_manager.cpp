#include "platform/linux/linux_hid_manager.h"

#include <fcntl.h>
#include <unistd.h>

#include <QtDebug>
#include <cerrno>
#include <cstring>

OVLinuxHIDDevice::OVLinuxHIDDevice(OVHIDRawDeviceRecord record)
    : _record(std::move(record)), _grab(_record.sysPath) {}

OVLinuxHIDDevice::~OVLinuxHIDDevice() {
    closeNode();
}

QVariant OVLinuxHIDDevice::property(const QString& key) const {
    return _record.properties.value(key);
}

void OVLinuxHIDDevice::registerInputReportCallback(InputReportCallback callback) {
    _callback = std::move(callback);
    if (_callback && isOpen()) {
        startListening();
    } else if (!_callback) {
        stopListening();
    }
}

OVExclusiveUse OVLinuxHIDDevice::takeExclusiveUse() {
    return _grab.take();
}

void OVLinuxHIDDevice::releaseExclusiveUse() {
    _grab.release();
}

void OVLinuxHIDDevice::setReadFailureHandler(std::function<void(int)> handler) {
    _readFailed = std::move(handler);
}

int OVLinuxHIDDevice::openNode() {
    if (isOpen()) {
        return 0;
    }
    const int fd = ::open(_record.nodePath.toUtf8().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    _fd = fd;
    if (_callback) {
        startListening();
    }
    return 0;
}

void OVLinuxHIDDevice::closeNode() {
    stopListening();
    _grab.release();
    if (_fd >= 0) {
        ::close(_fd);
        _fd = -1;
    }
}

void OVLinuxHIDDevice::startListening() {
    if (_notifier || _fd < 0) {
        return;
    }
    if (_buffer.empty()) {
        _buffer.resize(kReadBufferSize);
    }
    _notifier = new QSocketNotifier(_fd, QSocketNotifier::Read);
    QObject::connect(_notifier, &QSocketNotifier::activated, _notifier,
                     [this] { readAvailableReports(); });
}

void OVLinuxHIDDevice::stopListening() {
    if (!_notifier) {
        return;
    }
    _notifier->setEnabled(false);
    _notifier->deleteLater();
    _notifier = nullptr;
}

void OVLinuxHIDDevice::readAvailableReports() {
    // The callback may close the manager or drop the last reference to this device.
    const std::shared_ptr<OVLinuxHIDDevice> keepAlive = shared_from_this();
    while (_fd >= 0 && _notifier) {
        const ssize_t count = ::read(_fd, _buffer.data(), _buffer.size());
        if (count > 0) {
            if (_callback) {
                _callback(_buffer.data(), qsizetype(count));
            }
            continue;
        }
        if (count == 0) {
            failReading(ENODEV);  // end of file: the node went away
            return;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            failReading(errno);
        }
        return;
    }
}

void OVLinuxHIDDevice::failReading(int errorNumber) {
    qWarning("Orvetta: reading %s failed: %s", qUtf8Printable(_record.nodePath),
             strerror(errorNumber));
    closeNode();
    if (_readFailed) {
        const auto handler = _readFailed;  // the handler may replace itself
        handler(errorNumber);
    }
}

OVLinuxHIDManager::~OVLinuxHIDManager() {
    close();
}

void OVLinuxHIDManager::setDeviceMatching(const QList<QVariantMap>& matching) {
    _matching = matching;
}

std::vector<std::shared_ptr<OVLinuxHIDDevice>> OVLinuxHIDManager::matchedDevices() const {
    std::vector<std::shared_ptr<OVLinuxHIDDevice>> devices;
    for (OVHIDRawDeviceRecord& record : OVEnumerateHIDRawDevices()) {
        if (OVHIDDeviceMatchesAny(record.properties, record.topLevelUsages, _matching)) {
            devices.push_back(std::make_shared<OVLinuxHIDDevice>(std::move(record)));
        }
    }
    return devices;
}

QList<OVHIDDeviceRef> OVLinuxHIDManager::copyDevices() {
    QList<OVHIDDeviceRef> devices;
    if (_open) {
        for (const auto& device : _openDevices) {
            devices.append(device);
        }
        return devices;
    }
    for (const auto& device : matchedDevices()) {
        devices.append(device);
    }
    return devices;
}

int OVLinuxHIDManager::open() {
    if (_open) {
        return 0;
    }
    int firstFailure = 0;
    for (const auto& device : matchedDevices()) {
        const int result = device->openNode();
        if (result != 0) {
            qWarning("Orvetta: cannot open %s: %s", qUtf8Printable(device->nodePath()),
                     strerror(result));
            firstFailure = firstFailure ? firstFailure : result;
            continue;
        }
        const std::weak_ptr<OVLinuxHIDDevice> weak = device;
        device->setReadFailureHandler(
            [this, weak](int errorNumber) { deviceFailed(weak, errorNumber); });
        _openDevices.push_back(device);
    }
    if (_openDevices.empty() && firstFailure != 0) {
        return firstFailure;
    }
    _open = true;
    return 0;
}

void OVLinuxHIDManager::close() {
    for (const auto& device : _openDevices) {
        device->setReadFailureHandler(nullptr);
        device->closeNode();
    }
    _openDevices.clear();
    _open = false;
}

QString OVLinuxHIDManager::describeOpenResult(int result) const {
    return QString::fromLocal8Bit(strerror(result));
}

void OVLinuxHIDManager::setDeviceErrorCallback(DeviceErrorCallback callback) {
    _errorCallback = std::move(callback);
}

void OVLinuxHIDManager::deviceFailed(const std::weak_ptr<OVLinuxHIDDevice>& device,
                                     int errorNumber) {
    const std::shared_ptr<OVLinuxHIDDevice> failed = device.lock();
    if (failed && _errorCallback) {
        const auto callback = _errorCallback;
        callback(failed, errorNumber);
    }
}
