#include "platform/linux/hidraw_recorder.h"

#include <QIODevice>
#include <cstring>

#include "platform/linux/linux_hid_manager.h"

OVHIDRecording OVHIDRecordingDeviceFor(const OVHIDRawDeviceRecord& device) {
    OVHIDRecording recording;
    recording.descriptor = device.facts.reportDescriptor;
    recording.name = device.facts.hidName;
    recording.physicalPath = device.facts.hidPhys;
    if (const auto identity = OVParseHIDID(device.facts.hidID)) {
        recording.bus = identity->bus;
        recording.vendor = identity->vendor;
        recording.product = identity->product;
    }
    return recording;
}

QString OVHIDRawNodePath(const QString& argument) {
    return argument.contains(QLatin1Char('/')) ? argument : QStringLiteral("/dev/") + argument;
}

OVHIDRawRecorder::OVHIDRawRecorder() = default;

OVHIDRawRecorder::~OVHIDRawRecorder() {
    stop();
}

void OVHIDRawRecorder::setStoppedHandler(std::function<void(const QString&)> handler) {
    _stopped = std::move(handler);
}

bool OVHIDRawRecorder::start(const QString& node, QIODevice& output, OVError* error) {
    stop();
    const QString path = OVHIDRawNodePath(node);
    std::optional<OVHIDRawDeviceRecord> found;
    for (OVHIDRawDeviceRecord& device : OVEnumerateHIDRawDevices()) {
        if (device.nodePath == path) {
            found = std::move(device);
            break;
        }
    }
    if (!found) {
        return OVSetError(error, OVHIDRawNotFoundError,
                          QStringLiteral("%1 is not a hidraw device").arg(path));
    }
    if (found->facts.reportDescriptor.isEmpty()) {
        return OVSetError(error, OVHIDRawNotFoundError,
                          QStringLiteral("the report descriptor of %1 cannot be read").arg(path));
    }
    auto device = std::make_shared<OVLinuxHIDDevice>(*found);
    if (const int result = device->openNode()) {
        return OVSetError(error, OVHIDRawOpenError,
                          QStringLiteral("cannot open %1: %2")
                              .arg(path, QString::fromUtf8(std::strerror(result))));
    }
    _writer = std::make_unique<OVHIDRecordingWriter>(output);
    if (!_writer->writeComment(QStringLiteral("%1 (%2)").arg(found->facts.hidName, path), error) ||
        !_writer->writeDevice(OVHIDRecordingDeviceFor(*found), error)) {
        _writer.reset();
        return false;
    }
    _device = device;
    _reportCount = 0;
    _clock.start();
    _device->setReadFailureHandler([this](int errorNumber) {
        stopWith(QStringLiteral("the device stopped: %1")
                     .arg(QString::fromUtf8(std::strerror(errorNumber))));
    });
    _device->registerInputReportCallback(
        [this](const std::uint8_t* bytes, qsizetype length) { recordReport(bytes, length); });
    return true;
}

void OVHIDRawRecorder::recordReport(const std::uint8_t* bytes, qsizetype length) {
    OVError error;
    if (!_writer->writeEvent(_clock.nsecsElapsed() / 1e9, bytes, length, &error)) {
        stopWith(error.description);
        return;
    }
    ++_reportCount;
}

void OVHIDRawRecorder::stopWith(const QString& reason) {
    stop();
    if (_stopped) {
        _stopped(reason);
    }
}

void OVHIDRawRecorder::stop() {
    if (_device) {
        _device->registerInputReportCallback(nullptr);
        _device->setReadFailureHandler(nullptr);
        _device->closeNode();
        _device.reset();
    }
    _writer.reset();
}
