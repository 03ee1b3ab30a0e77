#pragma once

// Writing HID report descriptors item by item: the synthetic touch screens of the simulator,
// generated recordings and tests.

#include <QByteArray>
#include <cstdint>

class OVHIDDescriptorWriter {
  public:
    // Main item flags and collection types.
    static constexpr std::uint32_t kData = 0x00;
    static constexpr std::uint32_t kConstant = 0x01;
    static constexpr std::uint32_t kVariable = 0x02;
    static constexpr std::uint32_t kAbsolute = 0x00;
    static constexpr std::uint8_t kPhysical = 0x00;
    static constexpr std::uint8_t kApplication = 0x01;
    static constexpr std::uint8_t kLogical = 0x02;

    // One short item with the fewest data bytes that hold `value` as an unsigned number (as a
    // signed one when it is negative); `size` 0, 1, 2 or 4 forces a size.
    OVHIDDescriptorWriter& item(std::uint8_t type, std::uint8_t tag, std::int64_t value,
                                int size = -1);
    // One short item whose value is signed: 255 takes two bytes, as 0xFF alone reads as -1.
    OVHIDDescriptorWriter& signedItem(std::uint8_t type, std::uint8_t tag, std::int32_t value);

    OVHIDDescriptorWriter& usagePage(std::uint32_t page) { return item(1, 0, page); }
    OVHIDDescriptorWriter& logicalMinimum(std::int32_t value) { return signedItem(1, 1, value); }
    OVHIDDescriptorWriter& logicalMaximum(std::int32_t value) { return signedItem(1, 2, value); }
    OVHIDDescriptorWriter& reportSize(std::uint32_t bits) { return item(1, 7, bits); }
    OVHIDDescriptorWriter& reportID(std::uint32_t id) { return item(1, 8, id); }
    OVHIDDescriptorWriter& reportCount(std::uint32_t count) { return item(1, 9, count); }
    OVHIDDescriptorWriter& push() { return item(1, 10, 0, 0); }
    OVHIDDescriptorWriter& pop() { return item(1, 11, 0, 0); }
    OVHIDDescriptorWriter& usage(std::uint32_t usage) { return item(2, 0, usage); }
    OVHIDDescriptorWriter& usageMinimum(std::uint32_t usage) { return item(2, 1, usage); }
    OVHIDDescriptorWriter& usageMaximum(std::uint32_t usage) { return item(2, 2, usage); }
    OVHIDDescriptorWriter& input(std::uint32_t flags = kData | kVariable | kAbsolute) {
        return item(0, 8, flags);
    }
    OVHIDDescriptorWriter& output(std::uint32_t flags = kData | kVariable | kAbsolute) {
        return item(0, 9, flags);
    }
    OVHIDDescriptorWriter& feature(std::uint32_t flags = kData | kVariable | kAbsolute) {
        return item(0, 11, flags);
    }
    OVHIDDescriptorWriter& collection(std::uint8_t type) { return item(0, 10, type); }
    OVHIDDescriptorWriter& endCollection() { return item(0, 12, 0, 0); }
    // Raw bytes, e.g. a long item.
    OVHIDDescriptorWriter& raw(const QByteArray& bytes);

    // `count` fields of `bits` bits with the given usage and logical range, as one Input item.
    OVHIDDescriptorWriter& inputField(std::uint32_t usage, std::uint32_t bits, std::int32_t minimum,
                                      std::int32_t maximum, std::uint32_t count = 1);
    // Constant padding of `bits` bits.
    OVHIDDescriptorWriter& padding(std::uint32_t bits);

    const QByteArray& bytes() const { return _bytes; }

  private:
    QByteArray _bytes;
};

// A multi-touch screen in the usual shape: Report ID, a Touch Screen application collection,
// `fingers` Logical contact collections (Tip Switch, In Range, Confidence, 5 bits of padding, an
// 8-bit Contact Identifier, 16-bit X and Y, and 16-bit Width and Height when asked for), then an
// 8-bit Contact Count.
struct OVHIDTouchScreenDescription {
    std::uint8_t reportID = 1;
    int fingers = 10;
    // Usage (Finger) on the first contact collection only, as many screens declare it.
    bool fingerUsageOnFirstCollectionOnly = false;
    bool widthAndHeight = false;
    std::int32_t xMaximum = 32767;
    std::int32_t yMaximum = 32767;
};
QByteArray OVHIDTouchScreenDescriptor(const OVHIDTouchScreenDescription& description);
