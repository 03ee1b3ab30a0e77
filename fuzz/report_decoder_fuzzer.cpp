// Report decoding and the debug text on arbitrary descriptors and reports. Input: a 2-byte
// little-endian descriptor length, the descriptor, then reports, each a length byte followed by
// that many bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "hid/descriptor_parser.h"
#include "hid/touch_bridge.h"

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t descriptorLength = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
    const std::uint8_t* descriptor = data + 2;
    OVTouchBridge bridge;
    bridge.setHIDLayout(
        OVHIDDigitizerLayoutBuild(descriptor, static_cast<qsizetype>(descriptorLength)));
    bridge.setHIDDecoderStatus(QStringLiteral("fuzz"));

    std::size_t position = 2 + descriptorLength;
    while (position < size) {
        const std::size_t length = std::min<std::size_t>(data[position], size - position - 1);
        // Each report gets its own copy, so that reading past its end is caught.
        std::uint8_t* report = new std::uint8_t[length ? length : 1];
        std::copy(data + position + 1, data + position + 1 + length, report);
        const OVTouchContactList list =
            bridge.contactsFromReport(report, static_cast<qsizetype>(length));
        check(list.count >= 0 && list.count <= list.slotCount);
        check(list.decoded || list.count == 0);
        check(bridge.hybridOffset() >= 0);
        for (int i = 0; i < list.count; ++i) {
            check(list.contacts[i].valid && list.contacts[i].flags == 0x03);
        }
        const QString text =
            bridge.debugTextForReport(report, static_cast<qsizetype>(length), list);
        check(text.size() >= 3 * static_cast<qsizetype>(length));
        delete[] report;
        position += 1 + length;
    }
    return 0;
}
