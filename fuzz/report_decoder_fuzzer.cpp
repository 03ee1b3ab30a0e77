// Report decoding, the debug text and frame assembly on arbitrary descriptors and reports. Input: a
// 2-byte little-endian descriptor length, the descriptor, then reports, each a length byte followed
// by that many bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"

#include "hid/descriptor_parser.h"
#include "hid/touch_bridge.h"
#include "hid/touch_frame_assembly.h"

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
    OVTouchFrameAssembly assembly;
    const auto checkFrame = [](const OVTouchContactList& frame, bool) {
        check(frame.count >= 0 && frame.count <= static_cast<int>(frame.contacts.size()));
        for (int i = 0; i < frame.count; ++i) {
            check(frame.contacts[i].valid);
        }
    };

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
        const bool waitedBefore = assembly.waiting();
        const bool waiting = assembly.take(list, checkFrame);
        check(waiting == assembly.waiting());
        check(list.decoded || waiting == waitedBefore);  // another report ID changes no frame
        delete[] report;
        position += 1 + length;
    }
    assembly.flush(checkFrame);
    check(!assembly.waiting());
    return 0;
}
