#include "platform/sim/sim_hid_manager.h"

#include <cerrno>

struct OVSimHIDDeviceSet::State {
    QList<OVSimHIDDeviceRef> devices;
    QList<OVSimHIDManager*> managers;
    int openResult = 0;
    int managersCreated = 0;
    int managersOpened = 0;
};

namespace {

const QString kUsagePage = QStringLiteral("DeviceUsagePage");
const QString kUsage = QStringLiteral("DeviceUsage");

bool sameNumber(const QVariant& a, const QVariant& b) {
    bool aIsNumber = false;
    bool bIsNumber = false;
    const qint64 left = a.toLongLong(&aIsNumber);
    const qint64 right = b.toLongLong(&bIsNumber);
    return aIsNumber && bIsNumber && a.typeId() != QMetaType::QString &&
           b.typeId() != QMetaType::QString && left == right;
}

QList<QVariantMap> usagePairs(const OVHIDDevice& device) {
    QList<QVariantMap> pairs;
    for (const QVariant& pair : device.property(QStringLiteral("DeviceUsagePairs")).toList()) {
        pairs.append(pair.toMap());
    }
    if (pairs.isEmpty()) {
        pairs.append({{kUsagePage, device.property(QStringLiteral("PrimaryUsagePage"))},
                      {kUsage, device.property(QStringLiteral("PrimaryUsage"))}});
    }
    return pairs;
}

bool usageMatches(const OVHIDDevice& device, const QVariantMap& dictionary) {
    if (!dictionary.contains(kUsagePage) && !dictionary.contains(kUsage)) {
        return true;
    }
    for (const QVariantMap& pair : usagePairs(device)) {
        const bool pageMatches = !dictionary.contains(kUsagePage) ||
                                 sameNumber(pair.value(kUsagePage), dictionary.value(kUsagePage));
        const bool usageMatchesToo = !dictionary.contains(kUsage) ||
                                     sameNumber(pair.value(kUsage), dictionary.value(kUsage));
        if (pageMatches && usageMatchesToo) {
            return true;
        }
    }
    return false;
}

bool dictionaryMatches(const OVHIDDevice& device, const QVariantMap& dictionary) {
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
        if (it.key() == kUsagePage || it.key() == kUsage) {
            continue;
        }
        if (!sameNumber(device.property(it.key()), it.value())) {
            return false;
        }
    }
    return usageMatches(device, dictionary);
}

}  // namespace

OVSimHIDDevice::OVSimHIDDevice(const QVariantMap& properties, const QByteArray& reportDescriptor)
    : _properties(properties) {
    if (!reportDescriptor.isEmpty()) {
        _properties.insert(QStringLiteral("ReportDescriptor"), reportDescriptor);
    }
}

QVariant OVSimHIDDevice::property(const QString& key) const {
    return _properties.value(key);
}

void OVSimHIDDevice::setProperty(const QString& key, const QVariant& value) {
    if (value.isValid()) {
        _properties.insert(key, value);
    } else {
        _properties.remove(key);
    }
}

void OVSimHIDDevice::registerInputReportCallback(InputReportCallback callback) {
    _callback = std::move(callback);
}

bool OVSimHIDDevice::deliverInputReport(const QByteArray& report) {
    if (!isOpen() || !_callback) {
        return false;
    }
    _callback(reinterpret_cast<const std::uint8_t*>(report.constData()), report.size());
    return true;
}

OVSimHIDDeviceSet::OVSimHIDDeviceSet() : _state(std::make_shared<State>()) {}

OVSimHIDDeviceRef OVSimHIDDeviceSet::add(const QVariantMap& properties,
                                         const QByteArray& reportDescriptor) {
    auto device = std::make_shared<OVSimHIDDevice>(properties, reportDescriptor);
    add(device);
    return device;
}

void OVSimHIDDeviceSet::add(const OVSimHIDDeviceRef& device) {
    _state->devices.append(device);
}

void OVSimHIDDeviceSet::remove(const OVSimHIDDeviceRef& device) {
    _state->devices.removeAll(device);
    const QList<OVSimHIDManager*> managers = _state->managers;
    for (OVSimHIDManager* manager : managers) {
        manager->failDevice(device, ENODEV);
    }
}

QList<OVSimHIDDeviceRef> OVSimHIDDeviceSet::devices() const {
    return _state->devices;
}

std::unique_ptr<OVHIDManager> OVSimHIDDeviceSet::createManager() const {
    return std::make_unique<OVSimHIDManager>(_state);
}

std::function<std::unique_ptr<OVHIDManager>()> OVSimHIDDeviceSet::managerFactory() const {
    std::shared_ptr<State> state = _state;
    return
        [state] { return std::unique_ptr<OVHIDManager>(std::make_unique<OVSimHIDManager>(state)); };
}

void OVSimHIDDeviceSet::setOpenResult(int result) {
    _state->openResult = result;
}

int OVSimHIDDeviceSet::managersCreated() const {
    return _state->managersCreated;
}

int OVSimHIDDeviceSet::managersOpened() const {
    return _state->managersOpened;
}

OVSimHIDManager::OVSimHIDManager(std::shared_ptr<OVSimHIDDeviceSet::State> state)
    : _state(std::move(state)) {
    _state->managers.append(this);
    ++_state->managersCreated;
}

OVSimHIDManager::~OVSimHIDManager() {
    close();
    _state->managers.removeAll(this);
}

void OVSimHIDManager::setDeviceMatching(const QList<QVariantMap>& matching) {
    _matching = matching;
}

bool OVSimHIDManager::deviceMatches(const OVHIDDevice& device, const QList<QVariantMap>& matching) {
    if (matching.isEmpty()) {
        return true;
    }
    for (const QVariantMap& dictionary : matching) {
        if (dictionaryMatches(device, dictionary)) {
            return true;
        }
    }
    return false;
}

QList<OVSimHIDDeviceRef> OVSimHIDManager::matchedDevices() const {
    QList<OVSimHIDDeviceRef> matched;
    for (const OVSimHIDDeviceRef& device : _state->devices) {
        if (deviceMatches(*device, _matching)) {
            matched.append(device);
        }
    }
    return matched;
}

QList<OVHIDDeviceRef> OVSimHIDManager::copyDevices() {
    QList<OVHIDDeviceRef> devices;
    for (const OVSimHIDDeviceRef& device : matchedDevices()) {
        devices.append(device);
    }
    return devices;
}

int OVSimHIDManager::open() {
    if (_state->openResult != 0) {
        return _state->openResult;
    }
    if (!_open) {
        _open = true;
        ++_state->managersOpened;
        _openDevices = matchedDevices();
        for (const OVSimHIDDeviceRef& device : _openDevices) {
            ++device->_openCount;
        }
    }
    return 0;
}

void OVSimHIDManager::close() {
    for (const OVSimHIDDeviceRef& device : _openDevices) {
        --device->_openCount;
    }
    _openDevices.clear();
    _open = false;
}

void OVSimHIDManager::setDeviceErrorCallback(DeviceErrorCallback callback) {
    _errorCallback = std::move(callback);
}

void OVSimHIDManager::failDevice(const OVSimHIDDeviceRef& device, int errorNumber) {
    if (!_openDevices.removeOne(device)) {
        return;
    }
    --device->_openCount;
    if (_errorCallback) {
        _errorCallback(device, errorNumber);
    }
}
