// The touch session: permissions, the device of the user's choice, its layout and its reports.

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/device_discovery.h"
#include "hid/touch_bridge.h"
#include "platform/platform.h"

namespace {

const QString kStatusStopped = QStringLiteral("Stopped");
const QString kStatusActive = QStringLiteral("Touch active");
const QString kStatusNeedsPermission = QStringLiteral("Needs permission");
const QString kStatusDeviceNotFound = QStringLiteral("Device not found");

const QString kDecoderNone = QStringLiteral("No descriptor decoder");
const QString kDecoderScanning = QStringLiteral("Descriptor decoder unavailable");
const QString kDecoderNoDescriptor = QStringLiteral("HID report descriptor unavailable");
const QString kDecoderNoLayout = QStringLiteral("Descriptor parser could not build touch layout");

// The permissions that are missing, in their order. Posting is asked for when missing, but the
// first answer stands; listening is asked for and checked again.
QStringList missingPermissions(OVPermissions& permissions) {
    QStringList missing;
    const bool canPost = permissions.canPostEvents();
    if (!canPost) {
        permissions.requestPostEventAccess();
        missing.append(QStringLiteral("Accessibility"));
    }
    if (!permissions.canListenToInput()) {
        permissions.requestListenAccess();
        if (!permissions.canListenToInput()) {
            missing.append(QStringLiteral("Input Monitoring"));
        }
    }
    return missing;
}

bool anyContactDown(const OVTouchContactList& contacts) {
    return contacts.count > 0;
}

}  // namespace

bool OVTouchBridge::failStart(OVError* error, qint64 code, const QString& message,
                              const QString& status) {
    _statusText = status;
    return OVSetError(error, code, message);
}

bool OVTouchBridge::start(OVError* error) {
    if (running()) {
        return true;
    }
    loadTargetDisplayBounds();

    OVPlatform& platform = OVCurrentPlatform();
    const QStringList missing = missingPermissions(platform.permissions());
    if (!missing.isEmpty()) {
        return failStart(error, MissingPermissionError,
                         QStringLiteral("Missing permission: %1").arg(missing.join(", ")),
                         kStatusNeedsPermission);
    }

    const QString selection = OVCurrentDeviceSelection();
    const bool automatic = selection == OVDeviceSelectionAuto;
    std::unique_ptr<OVHIDManager> manager = platform.createHIDManager();
    manager->setDeviceMatching(OVHIDMatchingForSelection(selection));
    const int opened = manager->open();
    if (opened != 0) {
        manager->close();
        return failStart(error, opened,
                         QStringLiteral("Could not open HID touch input: 0x%1")
                             .arg(QString::number(std::uint32_t(opened), 16)),
                         kStatusNeedsPermission);
    }

    const QList<OVHIDDeviceRef> devices = manager->copyDevices();
    if (devices.isEmpty()) {
        manager->close();
        return failStart(error, DeviceNotFoundError,
                         automatic ? QStringLiteral("Compatible HID touch device was not found.")
                                   : QStringLiteral("Selected touch device was not found."),
                         kStatusDeviceNotFound);
    }
    if (!chooseDevice(devices, selection)) {
        manager->close();
        return failStart(
            error, NoTouchDescriptorError,
            automatic
                ? QStringLiteral("No compatible HID touch descriptor was found.")
                : QStringLiteral("Selected touch device was not found or could not be parsed."),
            kStatusDeviceNotFound);
    }

    manager->setDeviceErrorCallback([this](const OVHIDDeviceRef& device, int errorNumber) {
        if (device == _device) {
            touchDeviceStopped(errorNumber);
        }
    });
    _device->registerInputReportCallback(
        [this](const std::uint8_t* report, qsizetype length) { sessionReport(report, length); });
    // The desktop's own handling of the device is held back from now on (when no contact is down).
    _device->setExclusiveUse(true, false);
    _manager = std::move(manager);
    _statusText = kStatusActive;
    return true;
}

bool OVTouchBridge::chooseDevice(const QList<OVHIDDeviceRef>& devices, const QString& selection) {
    const bool automatic = selection == OVDeviceSelectionAuto;
    _hidLayout = OVHIDDigitizerLayout{};
    _hidDecoderStatus = kDecoderScanning;
    resetHybridState();
    OVClearCurrentHIDReportDescriptor();
    for (const OVHIDDeviceRef& device : devices) {
        if (!device) {
            continue;
        }
        if (automatic ? !OVDeviceLooksPossiblyCompatible(*device)
                      : OVDeviceSignature(*device) != selection) {
            continue;
        }
        const QByteArray descriptor = OVHIDReportDescriptorForDevice(*device);
        if (descriptor.isEmpty()) {
            _hidDecoderStatus = kDecoderNoDescriptor;
            continue;
        }
        const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(descriptor);
        if (!layout.valid) {
            _hidDecoderStatus = kDecoderNoLayout;
            continue;
        }
        OVSetCurrentHIDReportDescriptor(descriptor, layout);
        _hidLayout = layout;
        _hidDecoderStatus = OVHIDDecoderStatusForLayout(layout);
        _device = device;
        return true;
    }
    return false;
}

void OVTouchBridge::sessionReport(const std::uint8_t* report, qsizetype length) {
    // The gesture engine may end the session from within (a keyboard action, a stop).
    const std::shared_ptr<OVHIDDevice> device = _device;
    const OVTouchContactList contacts = handleInputReport(report, length);
    if (device && device == _device) {
        device->setExclusiveUse(true, anyContactDown(contacts));
    }
}

void OVTouchBridge::endSession() {
    endGesture();
    if (_device) {
        _device->registerInputReportCallback(nullptr);
        _device->setExclusiveUse(false, false);
        _device.reset();
    }
    if (_manager) {
        std::unique_ptr<OVHIDManager> manager = std::move(_manager);
        manager->setDeviceErrorCallback(nullptr);
        manager->close();
    }
    _hidLayout = OVHIDDigitizerLayout{};
    _hidDecoderStatus = kDecoderNone;
    resetHybridState();
    OVClearCurrentHIDReportDescriptor();
}

void OVTouchBridge::stop() {
    endSession();
    _statusText = kStatusStopped;
}

void OVTouchBridge::touchDeviceStopped(int errorNumber) {
    if (!running()) {
        return;
    }
    const QString node = _device ? _device->nodePath() : QString();
    endSession();
    _statusText = kStatusDeviceNotFound;
    OVDefaultCenter().post(
        OVTouchDeviceLostNotification, this,
        {{QStringLiteral("errorNumber"), errorNumber}, {QStringLiteral("node"), node}});
}
