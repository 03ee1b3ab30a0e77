#include "platform/linux/hidraw_devices.h"

#include <QFile>
#include <algorithm>

#include "platform/linux/udev_handles.h"

namespace {

QString stringOrEmpty(const char* text) {
    return text ? QString::fromUtf8(text).trimmed() : QString();
}

QString property(udev_device* device, const char* key) {
    return stringOrEmpty(udev_device_get_property_value(device, key));
}

QString attribute(udev_device* device, const char* name) {
    return stringOrEmpty(udev_device_get_sysattr_value(device, name));
}

void readUSBFacts(udev_device* hidraw, OVHIDSysfsFacts& facts) {
    // Borrowed from `hidraw`: parents live as long as the child.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    if (!usb) {
        return;
    }
    facts.onUSB = true;
    facts.usbBusNumber = attribute(usb, "busnum");
    facts.usbPortPath = attribute(usb, "devpath");
    facts.usbBcdDevice = attribute(usb, "bcdDevice");
    facts.usbManufacturer = attribute(usb, "manufacturer");
    facts.usbProduct = attribute(usb, "product");
    facts.usbSerial = attribute(usb, "serial");
}

}  // namespace

int OVHIDRawNumber(const QString& sysName) {
    if (!sysName.startsWith(QLatin1String("hidraw"))) {
        return -1;
    }
    bool ok = false;
    const int number = sysName.mid(6).toInt(&ok);
    return ok && number >= 0 ? number : -1;
}

QByteArray OVReadSysfsReportDescriptor(const QString& hidSysPath) {
    QFile file(hidSysPath + QStringLiteral("/report_descriptor"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return QByteArray();
    }
    // sysfs files report no size: read until the end.
    QByteArray bytes;
    char chunk[4096];
    for (;;) {
        const qint64 count = file.read(chunk, sizeof chunk);
        if (count <= 0) {
            break;
        }
        bytes.append(chunk, count);
    }
    return bytes;
}

std::optional<OVHIDRawDeviceRecord> OVHIDRawDeviceRecordFor(udev_device* hidraw) {
    const char* node = udev_device_get_devnode(hidraw);
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!node || !hid) {
        return std::nullopt;
    }
    OVHIDRawDeviceRecord record;
    record.sysPath = stringOrEmpty(udev_device_get_syspath(hidraw));
    record.nodePath = QString::fromUtf8(node);
    record.number = OVHIDRawNumber(stringOrEmpty(udev_device_get_sysname(hidraw)));

    OVHIDSysfsFacts& facts = record.facts;
    facts.hidSysPath = stringOrEmpty(udev_device_get_syspath(hid));
    facts.hidID = property(hid, "HID_ID");
    facts.hidName = property(hid, "HID_NAME");
    facts.hidPhys = property(hid, "HID_PHYS");
    facts.hidUniq = property(hid, "HID_UNIQ");
    readUSBFacts(hidraw, facts);
    facts.reportDescriptor = OVReadSysfsReportDescriptor(facts.hidSysPath);

    record.properties = OVHIDPropertiesFromSysfsFacts(facts, &record.topLevelUsages);
    return record;
}

QList<OVHIDRawDeviceRecord> OVEnumerateHIDRawDevices() {
    QList<OVHIDRawDeviceRecord> records;
    OVUdev context(udev_new());
    if (!context) {
        return records;
    }
    OVUdevEnumerate enumerate(udev_enumerate_new(context.get()));
    if (!enumerate) {
        return records;
    }
    udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw");
    udev_enumerate_scan_devices(enumerate.get());
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        OVUdevDevice device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) {
            continue;  // gone since the scan
        }
        if (auto record = OVHIDRawDeviceRecordFor(device.get())) {
            records.append(std::move(*record));
        }
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const OVHIDRawDeviceRecord& a, const OVHIDRawDeviceRecord& b) {
                         return a.number < b.number;
                     });
    return records;
}
