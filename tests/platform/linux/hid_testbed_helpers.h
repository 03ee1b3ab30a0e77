#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

// A umockdev testbed with HID devices in it: sysfs, the udev database, /dev nodes and uevents
// as the program sees them through umockdev's preload library (the test program runs under
// umockdev-wrapper). A hidraw node is a pseudo-terminal in raw mode: the test writes a report to
// its other end and the program reads it; closing that end is an unplug (reads end).
class HIDTestbed {
  public:
    // What an event node's fake driver answers (touched from umockdev's thread).
    struct EventNodeState {
        std::atomic<bool> grabbed{false};
        std::atomic<int> grabRequests{0};
        std::atomic<bool> contactDown{false};
        // What a grab fails with (another program holds the node: EBUSY); 0 lets it succeed.
        std::atomic<int> grabError{0};
    };

    // What programs did with a fake /dev/uinput: the devices they made and the events the
    // desktop received from them (touched from umockdev's thread; read it through snapshot()).
    // Like the kernel's driver, it delivers nothing before a reader opened a device's node (the
    // desktop does that some time after the device appears: openReaders() here), drops an
    // absolute value equal to the axis's last one, and a frame left with nothing in it.
    struct UInputDevice {
        std::string name;
        unsigned bustype = 0;
        std::set<unsigned> eventTypes;
        std::map<unsigned, std::set<unsigned>> codes;  // per event type
        std::map<unsigned, std::pair<int, int>> absoluteRanges;
        std::set<unsigned> properties;
        bool created = false;
        bool hasReader = false;
        std::map<unsigned, int> lastAbsolute;  // per axis, the value the kernel holds
        bool framePending = false;             // an event was delivered since the last SYN_REPORT
        int discarded = 0;                     // events written before a reader came
    };
    struct WrittenEvent {
        unsigned type;
        unsigned code;
        int value;
        bool operator==(const WrittenEvent&) const = default;
    };
    struct UInputState {
        std::vector<UInputDevice> devices;  // in the order they were set up
        int destroyed = 0;
        std::vector<WrittenEvent> events;  // delivered, of every device
    };
    class FakeUInput {
      public:
        UInputState snapshot() {
            std::lock_guard<std::mutex> lock(mutex);
            return state;
        }
        std::vector<WrittenEvent> takeEvents() {
            std::lock_guard<std::mutex> lock(mutex);
            return std::exchange(state.events, {});
        }
        // The desktop opens every device made so far.
        void openReaders() {
            std::lock_guard<std::mutex> lock(mutex);
            for (UInputDevice& device : state.devices) {
                device.hasReader = device.created;
            }
        }
        std::mutex mutex;
        UInputState state;
        std::map<const void*, std::size_t> deviceOfClient;  // each open of the node sets one up
    };

    struct USBDevice {
        QString busNumber = QStringLiteral("1");
        QString portPath = QStringLiteral("1.4");
        QString vendor = QStringLiteral("04e8");
        QString product = QStringLiteral("1234");
        QString bcdDevice = QStringLiteral("0102");
        QString manufacturer;
        QString productName;
        QString serial;
    };

    struct Device {
        QString hidSysPath;
        QString hidrawSysPath;
        QString nodePath;
        int ptyMaster = -1;
        std::vector<QString> eventNodes;
    };

    HIDTestbed();
    ~HIDTestbed();
    HIDTestbed(const HIDTestbed&) = delete;
    HIDTestbed& operator=(const HIDTestbed&) = delete;

    // Whether the program runs under umockdev's preload library.
    static bool available();
    // Whether the run promised it (run-tests does): a missing testbed then fails the tests.
    static bool required();

    // A HID interface of a USB device, with its hidraw node; `descriptor` empty leaves the
    // report_descriptor file out. `withNode` false makes no /dev node to open.
    Device& addUSBDevice(int hidrawNumber, const USBDevice& usb, const QByteArray& descriptor,
                         bool withNode = true);
    // A HID device on another bus (HID_ID bus 0005 Bluetooth, 0018 I2C).
    Device& addOtherDevice(int hidrawNumber, const QString& hidID, const QString& name,
                           const QString& phys, const QString& uniq, const QByteArray& descriptor);
    // An input device with an event node under a HID device; returns its fake driver's state.
    EventNodeState& addEventNode(Device& device, int inputNumber, int eventNumber);

    // A /dev/uinput whose ioctls and writes a fake driver records.
    FakeUInput& addUInput();

    void sendReport(const Device& device, const QByteArray& report);
    // The display is pulled out: its node stops (reads end) and udev says it was removed.
    void unplug(Device& device);
    void uevent(const QString& sysPath, const char* action);
    Device& device(int hidrawNumber) { return _devices.at(hidrawNumber); }

  private:
    QString root() const;
    void makeReportNode(Device& device);

    UMockdevTestbed* _testbed = nullptr;
    std::map<int, Device> _devices;
    std::vector<std::unique_ptr<EventNodeState>> _eventStates;
    std::unique_ptr<FakeUInput> _uinput;
    std::vector<UMockdevIoctlBase*> _handlers;
    int _usbCount = 0;
};
