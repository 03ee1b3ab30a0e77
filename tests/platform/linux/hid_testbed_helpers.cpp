// GLib first: Qt's "signals" keyword would break its headers.
#include <umockdev.h>

#include "platform/linux/hid_testbed_helpers.h"

#include <fcntl.h>
#include <linux/input.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <stdexcept>
#include <utility>

namespace {

QString takeString(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

void complete(UMockdevIoctlClient* client, glong result, int error = 0) {
    umockdev_ioctl_client_complete(client, result, error);
}

// umockdev's thread runs this for every ioctl on a fake event node.
gboolean handleEventNodeIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* state = static_cast<HIDTestbed::EventNodeState*>(data);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    if (request == EVIOCGRAB) {
        const bool grab = argument->data[0] != 0;
        ++state->grabRequests;
        if (grab && (state->grabbed || state->grabError != 0)) {
            complete(client, -1, state->grabbed ? EBUSY : state->grabError.load());
        } else {
            state->grabbed = grab;
            complete(client, 0);
        }
    } else if (_IOC_TYPE(request) == 'E' && _IOC_NR(request) == _IOC_NR(EVIOCGKEY(0))) {
        // The argument is the address of the caller's key bitmap.
        std::vector<guint8> bits(_IOC_SIZE(request), 0);
        if (state->contactDown) {
            bits.at(BTN_TOUCH / 8) |= guint8(1u << (BTN_TOUCH % 8));
        }
        UMockdevIoctlData* bitmap = umockdev_ioctl_data_resolve(argument, 0, bits.size(), nullptr);
        umockdev_ioctl_data_update(bitmap, 0, bits.data(), int(bits.size()));
        complete(client, glong(bits.size()));
    } else {
        complete(client, -1, ENOTTY);
    }
    return TRUE;
}

}  // namespace

HIDTestbed::HIDTestbed() : _testbed(umockdev_testbed_new()) {}

HIDTestbed::~HIDTestbed() {
    for (auto& [number, device] : _devices) {
        if (device.ptyMaster >= 0) {
            ::close(device.ptyMaster);
        }
    }
    for (UMockdevIoctlBase* handler : _handlers) {
        g_object_unref(handler);
    }
    g_object_unref(_testbed);
}

bool HIDTestbed::available() {
    return qgetenv("LD_PRELOAD").contains("libumockdev-preload");
}

bool HIDTestbed::required() {
    return qEnvironmentVariableIsSet("ORVETTA_LINUX_TESTBEDS");
}

QString HIDTestbed::root() const {
    return takeString(umockdev_testbed_get_root_dir(_testbed));
}

HIDTestbed::Device& HIDTestbed::addUSBDevice(int hidrawNumber, const USBDevice& usb,
                                             const QByteArray& descriptor, bool withNode) {
    const QByteArray usbName = (usb.busNumber + '-' + usb.portPath).toUtf8();
    std::vector<QByteArray> attributes = {
        "idVendor", usb.vendor.toUtf8(),    "idProduct", usb.product.toUtf8(), "bcdDevice", "0102",
        "busnum",   usb.busNumber.toUtf8(), "devpath",   usb.portPath.toUtf8()};
    for (const auto& [key, value] : {std::pair{"manufacturer", usb.manufacturer},
                                     {"product", usb.productName},
                                     {"serial", usb.serial}}) {
        if (!value.isEmpty()) {
            attributes.insert(attributes.end(), {key, value.toUtf8()});
        }
    }
    std::vector<gchar*> attributeArray;
    for (QByteArray& attribute : attributes) {
        attributeArray.push_back(attribute.data());
    }
    attributeArray.push_back(nullptr);
    gchar* usbProperties[] = {const_cast<gchar*>("DEVTYPE"), const_cast<gchar*>("usb_device"),
                              nullptr};
    const QByteArray usbPath =
        takeString(umockdev_testbed_add_devicev(_testbed, "usb", usbName, nullptr,
                                                attributeArray.data(), usbProperties))
            .toUtf8();
    const QByteArray interfacePath =
        takeString(umockdev_testbed_add_device(_testbed, "usb", usbName + ":1.0", usbPath,
                                               "bInterfaceClass", "03", nullptr, "DEVTYPE",
                                               "usb_interface", nullptr))
            .toUtf8();
    const QString hidName = QStringLiteral("0003:%1:%2.%3")
                                .arg(usb.vendor, usb.product)
                                .arg(++_hidCount, 4, 10, QChar('0'))
                                .toUpper();
    const QString hidPath = takeString(umockdev_testbed_add_device(
        _testbed, "hid", hidName.toUtf8(), interfacePath, nullptr, "HID_ID",
        QStringLiteral("0003:0000%1:0000%2")
            .arg(usb.vendor, usb.product)
            .toUpper()
            .toUtf8()
            .constData(),
        "HID_NAME", (usb.manufacturer + ' ' + usb.productName).toUtf8().constData(), "HID_PHYS",
        ("usb-0000:00:14.0-" + usb.portPath + "/input0").toUtf8().constData(), nullptr));
    if (!descriptor.isEmpty()) {
        umockdev_testbed_set_attribute_binary(_testbed, hidPath.toUtf8(), "report_descriptor",
                                              (guint8*)descriptor.constData(),
                                              int(descriptor.size()));
    }
    Device& device = _devices[hidrawNumber];
    device.hidSysPath = hidPath;
    const QByteArray rawName = "hidraw" + QByteArray::number(hidrawNumber);
    device.nodePath = "/dev/" + QString::fromUtf8(rawName);
    device.hidrawSysPath = takeString(umockdev_testbed_add_device(
        _testbed, "hidraw", rawName, hidPath.toUtf8(), "dev",
        ("240:" + QByteArray::number(hidrawNumber)).constData(), nullptr, "DEVNAME",
        device.nodePath.toUtf8().constData(), nullptr));
    if (!withNode) {
        return device;
    }
    int master = -1;
    int slave = -1;
    char name[128] = {};
    openpty(&master, &slave, name, nullptr, nullptr);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);  // the program opens the slave through the node
    // Programs the test starts must not hold the master: closing it is how a display is unplugged.
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    const QByteArray node = (root() + device.nodePath).toUtf8();
    QDir().mkpath(root() + "/dev");
    ::symlink(name, node);
    device.ptyMaster = master;
    return device;
}

HIDTestbed::EventNodeState& HIDTestbed::addEventNode(Device& device, int eventNumber) {
    const QByteArray eventName = "event" + QByteArray::number(eventNumber);
    const QString inputPath = takeString(umockdev_testbed_add_device(
        _testbed, "input", "input" + QByteArray::number(100 + eventNumber),
        device.hidSysPath.toUtf8(), "name", "touch", nullptr, nullptr));
    umockdev_testbed_add_device(_testbed, "input", eventName, inputPath.toUtf8(), "dev",
                                ("13:" + QByteArray::number(64 + eventNumber)).constData(), nullptr,
                                "DEVNAME", ("/dev/input/" + eventName).constData(), nullptr);
    _eventStates.push_back(std::make_unique<EventNodeState>());
    // A plain file stands for the node; its ioctls go to the fake driver.
    const QByteArray node = "/dev/input/" + eventName;
    QDir().mkpath(root() + "/dev/input");
    QFile(root() + node).open(QIODevice::WriteOnly);
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    _handlers.push_back(handler);
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(handleEventNodeIoctl),
                     _eventStates.back().get());
    if (!umockdev_testbed_attach_ioctl(_testbed, node, handler, nullptr)) {
        throw std::runtime_error("attaching a fake driver failed");
    }
    return *_eventStates.back();
}

void HIDTestbed::sendReport(const Device& device, const QByteArray& report) {
    if (::write(device.ptyMaster, report.constData(), size_t(report.size())) != report.size()) {
        throw std::runtime_error("writing a report failed");
    }
}

void HIDTestbed::unplug(Device& device) {
    ::close(std::exchange(device.ptyMaster, -1));
    uevent(device.hidrawSysPath, "remove");
    umockdev_testbed_remove_device(_testbed, device.hidrawSysPath.toUtf8());
}

void HIDTestbed::uevent(const QString& sysPath, const char* action) {
    umockdev_testbed_uevent(_testbed, sysPath.toUtf8(), action);
}
