// orvetta-tool udev-match: run by the udev rule (IMPORT{program}) for every hidraw device, says
// whether it is a touch screen or a pen digitizer, whose node the user at the seat may open.

#include "platform/linux/hid_descriptor_facts.h"
#include "platform/linux/hidraw_devices.h"
#include "platform/linux/udev_handles.h"
#include "tool/tool_commands.h"

namespace {

// The report descriptor of the HID device that owns a hidraw device, from sysfs.
QByteArray descriptorOfHIDRaw(const QString& hidrawSysPath) {
    OVUdev context(udev_new());
    OVUdevDevice hidraw(
        context ? udev_device_new_from_syspath(context.get(), hidrawSysPath.toUtf8()) : nullptr);
    udev_device* hid =
        hidraw ? udev_device_get_parent_with_subsystem_devtype(hidraw.get(), "hid", nullptr)
               : nullptr;
    return hid ? OVReadSysfsReportDescriptor(QString::fromUtf8(udev_device_get_syspath(hid)))
               : QByteArray();
}

}  // namespace

int OVUdevMatchCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.size() != 1) {
        err << "usage: orvetta-tool udev-match <sysfs path of a hidraw device>\n";
        return 2;
    }
    const QByteArray descriptor = descriptorOfHIDRaw(arguments[0]);
    if (descriptor.isEmpty()) {
        err << "orvetta-tool: no report descriptor for " << arguments[0] << "\n";
    }
    // udev imports the line as a property of the device; a device that cannot be read stays closed.
    out << "ORVETTA_TOUCH_DIGITIZER=" << (OVHIDDescriptorHasTouchScreenOrPen(descriptor) ? 1 : 0)
        << "\n";
    return 0;
}
