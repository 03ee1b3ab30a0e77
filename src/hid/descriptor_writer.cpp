#include "hid/descriptor_writer.h"

namespace {

constexpr std::uint32_t kGenericDesktopPage = 0x01;
constexpr std::uint32_t kDigitizerPage = 0x0D;

// The fewest data bytes that hold `value`: as a signed number for the items whose value is
// signed (Logical and Physical Minimum and Maximum), else as an unsigned one.
int smallestSize(std::int64_t value, bool isSigned) {
    if (value == 0) {
        return 0;
    }
    if (isSigned || value < 0) {
        if (value >= -128 && value <= 127) {
            return 1;
        }
        return value >= -32768 && value <= 32767 ? 2 : 4;
    }
    if (value <= 0xFF) {
        return 1;
    }
    return value <= 0xFFFF ? 2 : 4;
}

}  // namespace

OVHIDDescriptorWriter& OVHIDDescriptorWriter::item(std::uint8_t type, std::uint8_t tag,
                                                   std::int64_t value, int size) {
    if (size != 0 && size != 1 && size != 2 && size != 4) {
        size = smallestSize(value, false);
    }
    const std::uint8_t sizeCode = size == 4 ? 3 : static_cast<std::uint8_t>(size);
    _bytes.append(static_cast<char>((tag << 4) | ((type & 0x03) << 2) | sizeCode));
    const auto bits = static_cast<std::uint64_t>(value);
    for (int i = 0; i < size; ++i) {
        _bytes.append(static_cast<char>((bits >> (8 * i)) & 0xFF));
    }
    return *this;
}

OVHIDDescriptorWriter& OVHIDDescriptorWriter::signedItem(std::uint8_t type, std::uint8_t tag,
                                                         std::int32_t value) {
    return item(type, tag, value, smallestSize(value, true));
}

OVHIDDescriptorWriter& OVHIDDescriptorWriter::raw(const QByteArray& bytes) {
    _bytes.append(bytes);
    return *this;
}

OVHIDDescriptorWriter& OVHIDDescriptorWriter::inputField(std::uint32_t usage, std::uint32_t bits,
                                                         std::int32_t minimum, std::int32_t maximum,
                                                         std::uint32_t count) {
    return this->usage(usage)
        .logicalMinimum(minimum)
        .logicalMaximum(maximum)
        .reportSize(bits)
        .reportCount(count)
        .input();
}

OVHIDDescriptorWriter& OVHIDDescriptorWriter::padding(std::uint32_t bits) {
    return reportSize(bits).reportCount(1).input(kConstant);
}

QByteArray OVHIDTouchScreenDescriptor(const OVHIDTouchScreenDescription& description) {
    OVHIDDescriptorWriter d;
    d.usagePage(kDigitizerPage).usage(0x04).collection(OVHIDDescriptorWriter::kApplication);
    d.reportID(description.reportID);
    for (int finger = 0; finger < description.fingers; ++finger) {
        d.usagePage(kDigitizerPage);
        if (finger == 0 || !description.fingerUsageOnFirstCollectionOnly) {
            d.usage(0x22);
        }
        d.collection(OVHIDDescriptorWriter::kLogical);
        d.usage(0x42).usage(0x32).usage(0x47);
        d.logicalMinimum(0).logicalMaximum(1).reportSize(1).reportCount(3).input();
        d.padding(5);
        d.inputField(0x51, 8, 0, 255);
        d.usagePage(kGenericDesktopPage);
        d.inputField(0x30, 16, 0, description.xMaximum);
        d.inputField(0x31, 16, 0, description.yMaximum);
        if (description.widthAndHeight) {
            d.usagePage(kDigitizerPage);
            d.inputField(0x48, 16, 0, 0xFFFF);
            d.inputField(0x49, 16, 0, 0xFFFF);
        }
        d.endCollection();
    }
    d.usagePage(kDigitizerPage).inputField(0x54, 8, 0, 255);
    d.endCollection();
    return d.bytes();
}
