#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

// A umockdev testbed with HID devices in it: sysfs, the udev database, /dev nodes and uevents
// as the program sees them through umockdev's preload library (run-tests starts the program
// under umockdev-wrapper). A hidraw node is a pseudo-terminal in raw mode: the test writes a
// report to its other end; closing that end is an unplug (reads end).
class HIDTestbed {
  public:
    // What an event node's fake driver answers (touched from umockdev's thread).
    struct EventNodeState {
        std::atomic<bool> grabbed{false};
        std::atomic<int> grabRequests{0};
        std::atomic<bool> contactDown{false};
        std::atomic<int> grabError{0};  // what a grab fails with; 0 lets it succeed
    };

    struct USBDevice {
        QString busNumber = QStringLiteral("1");
        QString portPath = QStringLiteral("1.4");
        QString vendor = QStringLiteral("04e8");
        QString product = QStringLiteral("1234");
        QString manufacturer = {};
        QString productName = {};
        QString serial = {};
    };

    struct Device {
        QString hidSysPath;
        QString hidrawSysPath;
        QString nodePath;
        int ptyMaster = -1;
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
    // An input device with an event node under a HID device; returns its fake driver's state.
    EventNodeState& addEventNode(Device& device, int eventNumber);

    void sendReport(const Device& device, const QByteArray& report);
    // The display is pulled out: its node stops (reads end) and udev says it was removed.
    void unplug(Device& device);
    void uevent(const QString& sysPath, const char* action);
    Device& device(int hidrawNumber) { return _devices.at(hidrawNumber); }

  private:
    QString root() const;

    UMockdevTestbed* _testbed = nullptr;
    std::map<int, Device> _devices;
    std::vector<std::unique_ptr<EventNodeState>> _eventStates;
    std::vector<UMockdevIoctlBase*> _handlers;
    int _hidCount = 0;
};

// A test with a fresh testbed of its own; skipped when run outside the umockdev wrapper that ctest
// uses, and failed when the wrapper was asked for but its preload library is missing.
class HIDTestbedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HIDTestbed::available()) {
            ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
            GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
        }
        testbed = std::make_unique<HIDTestbed>();
    }
    std::unique_ptr<HIDTestbed> testbed;
};
