#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

#include "platform/linux/hid_device_properties.h"

struct udev_device;

// One hidraw node and what the program knows of its HID device.
struct OVHIDRawDeviceRecord {
    QString sysPath;   // the hidraw device in sysfs
    QString nodePath;  // "/dev/hidrawN"
    int number = -1;   // N
    OVHIDSysfsFacts facts;
    QVariantMap properties;
    QList<OVHIDUsagePair> topLevelUsages;
};

// Every hidraw node, ordered by its number.
QList<OVHIDRawDeviceRecord> OVEnumerateHIDRawDevices();

// The record of one hidraw device; nothing when it has no node or no HID parent.
std::optional<OVHIDRawDeviceRecord> OVHIDRawDeviceRecordFor(udev_device* hidraw);

// The number of a hidraw node name ("hidraw12" → 12); -1 for other names.
int OVHIDRawNumber(const QString& sysName);

// The bytes of a report descriptor file in sysfs; empty when it cannot be read.
QByteArray OVReadSysfsReportDescriptor(const QString& hidSysPath);
