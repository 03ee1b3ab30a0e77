// The touch session: permissions, the device of the user's choice, its layout and its reports.

#include <QtDebug>
#include <algorithm>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/device_discovery.h"
#include "hid/touch_bridge.h"
#include "platform/platform.h"

namespace {

constexpr double kFirstHoldRetryDelay = 1.0;
constexpr double kLongestHoldRetryDelay = 30.0;

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

}  // namespace

OVTouchStatus OVTouchBridge::status() const {
    if (!running()) {
        return _status;
    }
    switch (_exclusiveUse.held.hold()) {
        case OVExclusiveUse::Hold::None:
            return OVTouchStatus::SharedWithDesktop;
        case OVExclusiveUse::Hold::Some:
            return OVTouchStatus::PartlySharedWithDesktop;
        case OVExclusiveUse::Hold::All:
            break;
    }
    return _status;
}

bool OVTouchBridge::failStart(OVError* error, qint64 code, const QString& message,
                              OVTouchStatus status) {
    _status = status;
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
                         OVTouchStatus::NeedsPermission);
    }

    const QString selection = OVCurrentDeviceSelection();
    const bool automatic = selection == OVDeviceSelectionAuto;
    std::unique_ptr<OVHIDManager> manager = platform.createHIDManager();
    manager->setDeviceMatching(OVHIDMatchingForSelection(selection));
    const int opened = manager->open();
    if (opened != 0) {
        manager->close();
        return failStart(error, opened,
                         QStringLiteral("Could not open HID touch input: %1")
                             .arg(manager->describeOpenResult(opened)),
                         OVTouchStatus::NeedsPermission);
    }

    const QList<OVHIDDeviceRef> devices = manager->copyDevices();
    if (devices.isEmpty()) {
        manager->close();
        return failStart(error, DeviceNotFoundError,
                         automatic ? QStringLiteral("Compatible HID touch device was not found.")
                                   : QStringLiteral("Selected touch device was not found."),
                         OVTouchStatus::DeviceNotFound);
    }
    if (!chooseDevice(devices, selection)) {
        manager->close();
        return failStart(
            error, NoTouchDescriptorError,
            automatic
                ? QStringLiteral("No compatible HID touch descriptor was found.")
                : QStringLiteral("Selected touch device was not found or could not be parsed."),
            OVTouchStatus::DeviceNotFound);
    }

    manager->setDeviceErrorCallback([this](const OVHIDDeviceRef& device, int errorNumber) {
        if (device == _device) {
            touchDeviceStopped(errorNumber);
        }
    });
    _device->registerInputReportCallback(
        [this](const std::uint8_t* report, qsizetype length) { sessionReport(report, length); });
    _manager = std::move(manager);
    _status = OVTouchStatus::Active;
    holdDeviceInput();
    return true;
}

bool OVTouchBridge::chooseDevice(const QList<OVHIDDeviceRef>& devices, const QString& selection) {
    const bool automatic = selection == OVDeviceSelectionAuto;
    _hidLayout = OVHIDDigitizerLayout{};
    _hidDecoderStatus = kDecoderScanning;
    resetHybridState();
    OVClearCurrentHIDReportDescriptor();
    for (const OVHIDDeviceRef& device : automatic ? OVDevicesInAutoOrder(devices) : devices) {
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
    _exclusiveUse.lastReportHadContacts = handleInputReport(report, length).count > 0;
}

void OVTouchBridge::holdDeviceInput() {
    ExclusiveUseState& state = _exclusiveUse;
    state.retryTimer = OVTimer();
    if (!_device) {
        return;
    }
    // A node taken in the middle of a touch would leave the desktop with a contact that never
    // lifts: while the last report had contacts, the try waits for the next time.
    if (!state.lastReportHadContacts) {
        noteExclusiveUse(_device->takeExclusiveUse());
        if (state.held.hold() == OVExclusiveUse::Hold::All) {
            return;
        }
    }
    state.retryDelay = state.retryDelay > 0.0
                           ? std::min(state.retryDelay * 2.0, kLongestHoldRetryDelay)
                           : kFirstHoldRetryDelay;
    state.retryTimer = OVMainScheduler().after(state.retryDelay, [this] { holdDeviceInput(); });
}

void OVTouchBridge::noteExclusiveUse(const OVExclusiveUse& held) {
    ExclusiveUseState& state = _exclusiveUse;
    const bool firstTry = !state.tried;
    if (!firstTry && held == state.held) {
        return;
    }
    const OVTouchStatus before = status();
    state.held = held;
    state.tried = true;
    const QString description = OVExclusiveUseDescription(held);
    if (!firstTry || held != OVExclusiveUse()) {  // a device with nothing to hold is no news
        qInfo("Orvetta: %s: %s", qUtf8Printable(_device->nodePath()), qUtf8Printable(description));
    }
    OVCurrentProcessState().touchInputHoldDescription = description;
    if (!firstTry && status() != before) {
        OVDefaultCenter().post(OVTouchStatusDidChangeNotification, this);
    }
}

void OVTouchBridge::endSession() {
    endGesture();
    _exclusiveUse.retryTimer.invalidate();
    if (_device) {
        _device->registerInputReportCallback(nullptr);
        _device->releaseExclusiveUse();
        _device.reset();
    }
    _exclusiveUse = ExclusiveUseState();
    OVCurrentProcessState().touchInputHoldDescription.clear();
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
    _status = OVTouchStatus::Stopped;
}

void OVTouchBridge::touchDeviceStopped(int errorNumber) {
    if (!running()) {
        return;
    }
    const QString node = _device ? _device->nodePath() : QString();
    endSession();
    _status = OVTouchStatus::DeviceNotFound;
    OVDefaultCenter().post(
        OVTouchDeviceLostNotification, this,
        {{QStringLiteral("errorNumber"), errorNumber}, {QStringLiteral("node"), node}});
}
