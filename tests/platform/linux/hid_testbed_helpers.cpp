// GLib first: Qt's "signals" keyword would break its headers.
#include <umockdev.h>

#include "platform/linux/hid_testbed_helpers.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

QByteArray utf8(const QString& text) {
    return text.toUtf8();
}

QString takeString(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
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
            umockdev_ioctl_client_complete(client, -1,
                                           state->grabbed ? EBUSY : state->grabError.load());
            return TRUE;
        }
        state->grabbed = grab;
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (_IOC_TYPE(request) == 'E' && _IOC_NR(request) == _IOC_NR(EVIOCGKEY(0))) {
        // The argument is the address of the caller's bitmap.
        const gsize length = _IOC_SIZE(request);
        UMockdevIoctlData* bitmap = umockdev_ioctl_data_resolve(argument, 0, length, nullptr);
        if (!bitmap) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return TRUE;
        }
        std::vector<guint8> bits(length, 0);
        if (state->contactDown && std::size_t(BTN_TOUCH / 8) < bits.size()) {
            bits[BTN_TOUCH / 8] |= guint8(1u << (BTN_TOUCH % 8));
        }
        umockdev_ioctl_data_update(bitmap, 0, bits.data(), int(bits.size()));
        umockdev_ioctl_client_complete(client, glong(length), 0);
        return TRUE;
    }
    umockdev_ioctl_client_complete(client, -1, ENOTTY);
    return TRUE;
}

int intArgument(UMockdevIoctlData* argument) {
    int value = 0;
    std::memcpy(&value, argument->data, std::min<std::size_t>(sizeof value, argument->data_len));
    return value;
}

void complete(UMockdevIoctlClient* client, glong result, int error = 0) {
    umockdev_ioctl_client_complete(client, result, error);
}

// The uinput driver as far as libevdev uses it: version 5 setup, bits, create, destroy.
gboolean handleUInputIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* uinput = static_cast<HIDTestbed::FakeUInput*>(data);
    std::lock_guard<std::mutex> lock(uinput->mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
    auto& devices = uinput->state.devices;
    // libevdev asks for the version first when it sets a device up.
    if (request == UI_GET_VERSION) {
        UMockdevIoctlData* version =
            umockdev_ioctl_data_resolve(argument, 0, sizeof(unsigned), nullptr);
        const unsigned five = 5;
        umockdev_ioctl_data_update(version, 0, (guint8*)&five, sizeof five);
        uinput->deviceOfClient[client] = devices.size();
        devices.emplace_back();
        complete(client, 0);
        return TRUE;
    }
    const auto owned = uinput->deviceOfClient.find(client);
    if (owned == uinput->deviceOfClient.end()) {
        complete(client, -1, EINVAL);
        return TRUE;
    }
    HIDTestbed::UInputDevice& device = devices[owned->second];
    switch (request) {
        case UI_SET_EVBIT:
            device.eventTypes.insert(unsigned(intArgument(argument)));
            break;
        case UI_SET_KEYBIT:
            device.codes[EV_KEY].insert(unsigned(intArgument(argument)));
            break;
        case UI_SET_RELBIT:
            device.codes[EV_REL].insert(unsigned(intArgument(argument)));
            break;
        case UI_SET_ABSBIT:
            device.codes[EV_ABS].insert(unsigned(intArgument(argument)));
            break;
        case UI_SET_MSCBIT:
            device.codes[EV_MSC].insert(unsigned(intArgument(argument)));
            break;
        case UI_SET_PROPBIT:
            device.properties.insert(unsigned(intArgument(argument)));
            break;
        case UI_ABS_SETUP: {
            UMockdevIoctlData* setup =
                umockdev_ioctl_data_resolve(argument, 0, sizeof(uinput_abs_setup), nullptr);
            uinput_abs_setup abs{};
            std::memcpy(&abs, setup->data, sizeof abs);
            device.absoluteRanges[abs.code] = {abs.absinfo.minimum, abs.absinfo.maximum};
            break;
        }
        case UI_DEV_SETUP: {
            UMockdevIoctlData* setup =
                umockdev_ioctl_data_resolve(argument, 0, sizeof(uinput_setup), nullptr);
            uinput_setup values{};
            std::memcpy(&values, setup->data, sizeof values);
            device.name = values.name;
            device.bustype = values.id.bustype;
            break;
        }
        case UI_DEV_CREATE:
            device.created = true;
            break;
        case UI_DEV_DESTROY:
            ++uinput->state.destroyed;
            device.hasReader = false;
            break;
        default:
            if (_IOC_TYPE(request) == 'U' && _IOC_NR(request) == _IOC_NR(UI_GET_SYSNAME(0))) {
                UMockdevIoctlData* name =
                    umockdev_ioctl_data_resolve(argument, 0, _IOC_SIZE(request), nullptr);
                const char sysname[] = "input90";
                umockdev_ioctl_data_update(name, 0, (guint8*)sysname, sizeof sysname);
                break;
            }
            complete(client, -1, ENOTTY);
            return TRUE;
    }
    complete(client, 0);
    return TRUE;
}

// What the kernel's input core passes on to a reader of the device's node.
void deliver(HIDTestbed::UInputDevice& device, const input_event& event,
             std::vector<HIDTestbed::WrittenEvent>& delivered) {
    if (!device.hasReader) {
        ++device.discarded;
        return;
    }
    if (event.type == EV_ABS) {
        const auto last = device.lastAbsolute.find(event.code);
        if (last != device.lastAbsolute.end() && last->second == event.value) {
            return;
        }
        device.lastAbsolute[event.code] = event.value;
    }
    if (event.type == EV_SYN && event.code == SYN_REPORT) {
        if (!std::exchange(device.framePending, false)) {
            return;
        }
    } else {
        device.framePending = true;
    }
    delivered.push_back({event.type, event.code, event.value});
}

gboolean handleUInputWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* uinput = static_cast<HIDTestbed::FakeUInput*>(data);
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    std::lock_guard<std::mutex> lock(uinput->mutex);
    const auto owned = uinput->deviceOfClient.find(client);
    if (owned == uinput->deviceOfClient.end()) {
        complete(client, -1, EINVAL);
        return TRUE;
    }
    HIDTestbed::UInputDevice& device = uinput->state.devices[owned->second];
    for (int offset = 0; offset + int(sizeof(input_event)) <= buffer->data_len;
         offset += int(sizeof(input_event))) {
        input_event event{};
        std::memcpy(&event, buffer->data + offset, sizeof event);
        deliver(device, event, uinput->state.events);
    }
    complete(client, buffer->data_len);
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
    ++_usbCount;
    const QByteArray usbName = utf8(QStringLiteral("%1-%2").arg(usb.busNumber, usb.portPath));
    const QByteArray interfaceName = usbName + ":1.0";
    const QByteArray hidName = utf8(QStringLiteral("0003:%1:%2.%3")
                                        .arg(usb.vendor.toUpper(), usb.product.toUpper())
                                        .arg(_usbCount, 4, 10, QLatin1Char('0')));
    const QString hidID =
        QStringLiteral("0003:0000%1:0000%2").arg(usb.vendor.toUpper(), usb.product.toUpper());

    std::vector<QByteArray> attributes = {
        "idVendor",  utf8(usb.vendor),    "idProduct", utf8(usb.product),
        "bcdDevice", utf8(usb.bcdDevice), "busnum",    utf8(usb.busNumber),
        "devpath",   utf8(usb.portPath)};
    auto addIfSet = [&](const char* key, const QString& value) {
        if (!value.isEmpty()) {
            attributes.push_back(key);
            attributes.push_back(utf8(value));
        }
    };
    addIfSet("manufacturer", usb.manufacturer);
    addIfSet("product", usb.productName);
    addIfSet("serial", usb.serial);
    std::vector<gchar*> attributeArray;
    for (QByteArray& attribute : attributes) {
        attributeArray.push_back(attribute.data());
    }
    attributeArray.push_back(nullptr);
    gchar* usbProperties[] = {const_cast<gchar*>("DEVTYPE"), const_cast<gchar*>("usb_device"),
                              nullptr};
    const QString usbPath = takeString(umockdev_testbed_add_devicev(
        _testbed, "usb", usbName.constData(), nullptr, attributeArray.data(), usbProperties));
    const QString interfacePath = takeString(umockdev_testbed_add_device(
        _testbed, "usb", interfaceName.constData(), utf8(usbPath).constData(), "bInterfaceClass",
        "03", nullptr, "DEVTYPE", "usb_interface", nullptr));
    const QByteArray name = utf8(QStringLiteral("%1 %2").arg(usb.manufacturer, usb.productName));
    const QString hidPath = takeString(umockdev_testbed_add_device(
        _testbed, "hid", hidName.constData(), utf8(interfacePath).constData(), nullptr, "HID_ID",
        utf8(hidID).constData(), "HID_NAME", name.constData(), "HID_PHYS",
        utf8(QStringLiteral("usb-0000:00:14.0-%1/input0").arg(usb.portPath)).constData(), nullptr));
    if (!descriptor.isEmpty()) {
        umockdev_testbed_set_attribute_binary(
            _testbed, utf8(hidPath).constData(), "report_descriptor",
            reinterpret_cast<guint8*>(const_cast<char*>(descriptor.constData())),
            int(descriptor.size()));
    }
    Device& device = _devices[hidrawNumber];
    device.hidSysPath = hidPath;
    const QByteArray rawName = "hidraw" + QByteArray::number(hidrawNumber);
    const QByteArray devNumbers = "240:" + QByteArray::number(hidrawNumber);
    device.nodePath = QStringLiteral("/dev/") + QString::fromUtf8(rawName);
    device.hidrawSysPath = takeString(umockdev_testbed_add_device(
        _testbed, "hidraw", rawName.constData(), utf8(hidPath).constData(), "dev",
        devNumbers.constData(), nullptr, "DEVNAME", utf8(device.nodePath).constData(), nullptr));
    if (withNode) {
        makeReportNode(device);
    }
    return device;
}

HIDTestbed::Device& HIDTestbed::addOtherDevice(int hidrawNumber, const QString& hidID,
                                               const QString& name, const QString& phys,
                                               const QString& uniq, const QByteArray& descriptor) {
    const QByteArray hidName =
        utf8(hidID.section(':', 0, 0) + ':' + hidID.section(':', 1, 1).right(4) + ':' +
             hidID.section(':', 2, 2).right(4) + ".00" + QString::number(50 + hidrawNumber));
    const QString hidPath = takeString(umockdev_testbed_add_device(
        _testbed, "hid", hidName.constData(), nullptr, nullptr, "HID_ID", utf8(hidID).constData(),
        "HID_NAME", utf8(name).constData(), "HID_PHYS", utf8(phys).constData(), "HID_UNIQ",
        utf8(uniq).constData(), nullptr));
    umockdev_testbed_set_attribute_binary(
        _testbed, utf8(hidPath).constData(), "report_descriptor",
        reinterpret_cast<guint8*>(const_cast<char*>(descriptor.constData())),
        int(descriptor.size()));
    Device& device = _devices[hidrawNumber];
    device.hidSysPath = hidPath;
    const QByteArray rawName = "hidraw" + QByteArray::number(hidrawNumber);
    const QByteArray devNumbers = "240:" + QByteArray::number(hidrawNumber);
    device.nodePath = QStringLiteral("/dev/") + QString::fromUtf8(rawName);
    device.hidrawSysPath = takeString(umockdev_testbed_add_device(
        _testbed, "hidraw", rawName.constData(), utf8(hidPath).constData(), "dev",
        devNumbers.constData(), nullptr, "DEVNAME", utf8(device.nodePath).constData(), nullptr));
    makeReportNode(device);
    return device;
}

void HIDTestbed::makeReportNode(Device& device) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    termios attributes{};
    tcgetattr(slave, &attributes);
    cfmakeraw(&attributes);
    tcsetattr(slave, TCSANOW, &attributes);
    ::close(slave);  // the program opens the slave through the node
    // Programs the test starts must not hold the master: closing it is how a display is unplugged.
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    const QByteArray node = utf8(root() + device.nodePath);
    QDir().mkpath(QFileInfo(QString::fromUtf8(node)).path());
    ::unlink(node.constData());
    if (::symlink(name, node.constData()) != 0) {
        throw std::runtime_error("symlink failed");
    }
    device.ptyMaster = master;
}

HIDTestbed::EventNodeState& HIDTestbed::addEventNode(Device& device, int inputNumber,
                                                     int eventNumber) {
    const QByteArray inputName = "input" + QByteArray::number(inputNumber);
    const QByteArray eventName = "event" + QByteArray::number(eventNumber);
    const QString node = QStringLiteral("/dev/input/") + QString::fromUtf8(eventName);
    const QByteArray devNumbers = "13:" + QByteArray::number(64 + eventNumber);
    const QString inputPath = takeString(umockdev_testbed_add_device(
        _testbed, "input", inputName.constData(), utf8(device.hidSysPath).constData(), "name",
        "touch", nullptr, nullptr));
    umockdev_testbed_add_device(_testbed, "input", eventName.constData(),
                                utf8(inputPath).constData(), "dev", devNumbers.constData(), nullptr,
                                "DEVNAME", utf8(node).constData(), nullptr);
    // A plain file stands for the node; its ioctls go to the fake driver below.
    const QString file = root() + node;
    QDir().mkpath(QFileInfo(file).path());
    QFile(file).open(QIODevice::WriteOnly);

    _eventStates.push_back(std::make_unique<EventNodeState>());
    EventNodeState& state = *_eventStates.back();
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(handleEventNodeIoctl), &state);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(_testbed, utf8(node).constData(), handler, &error)) {
        const std::string message = error ? error->message : "attach failed";
        g_clear_error(&error);
        throw std::runtime_error(message);
    }
    _handlers.push_back(handler);
    device.eventNodes.push_back(node);
    return state;
}

HIDTestbed::FakeUInput& HIDTestbed::addUInput() {
    const QString file = root() + QStringLiteral("/dev/uinput");
    QDir().mkpath(QFileInfo(file).path());
    QFile(file).open(QIODevice::WriteOnly);
    _uinput = std::make_unique<FakeUInput>();
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(handleUInputIoctl), _uinput.get());
    g_signal_connect(handler, "handle-write", G_CALLBACK(handleUInputWrite), _uinput.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(_testbed, "/dev/uinput", handler, &error)) {
        const std::string message = error ? error->message : "attach failed";
        g_clear_error(&error);
        throw std::runtime_error(message);
    }
    _handlers.push_back(handler);
    return *_uinput;
}

void HIDTestbed::sendReport(const Device& device, const QByteArray& report) {
    const ssize_t written = ::write(device.ptyMaster, report.constData(), size_t(report.size()));
    if (written != report.size()) {
        throw std::runtime_error("writing a report failed");
    }
}

void HIDTestbed::unplug(Device& device) {
    if (device.ptyMaster >= 0) {
        ::close(device.ptyMaster);
        device.ptyMaster = -1;
    }
    uevent(device.hidrawSysPath, "remove");
    umockdev_testbed_remove_device(_testbed, utf8(device.hidrawSysPath).constData());
}

void HIDTestbed::uevent(const QString& sysPath, const char* action) {
    umockdev_testbed_uevent(_testbed, utf8(sysPath).constData(), action);
}
