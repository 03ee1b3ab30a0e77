// The descriptor walk and the descriptor summary on arbitrary bytes.

#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"

#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<qsizetype>(size);
    qsizetype cursor = 0;
    OVHIDItem item;
    qsizetype items = 0;
    while (OVNextHIDItem(data, length, cursor, item)) {
        check(item.size == 0 || item.size == 1 || item.size == 2 || item.size == 4);
        check(cursor <= length);
        ++items;
    }
    check(items <= length);

    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(data, length);
    check(layout.contactCount >= 0 && layout.contactCount <= OVHIDMaxContactSlots);
    check(layout.valid == (layout.contactCount > 0));
    // Numbered reports start with their ID; unnumbered ones, of report ID 0, with data.
    check(layout.reportIDByteOffset == 0 ||
          (layout.reportIDByteOffset == -1 && layout.reportID == 0));
    const QVariantMap summary = OVHIDDigitizerLayoutDictionary(layout);
    check(summary.isEmpty() == !layout.valid);
    check(!layout.valid || summary.size() == 18);
    for (int i = 0; i < layout.contactCount; ++i) {
        const OVHIDContactLayout& slot = layout.contacts[i];
        check(slot.slot == i);
        check(slot.tipSwitchBitOffset >= 0 && slot.contactIdBitOffset >= 0);
        check(slot.xBitOffset >= 0 && slot.yBitOffset >= 0);
        check(slot.xLogicalMaximum >= slot.xLogicalMinimum);
        check(slot.yLogicalMaximum >= slot.yLogicalMinimum);
    }
    return 0;
}
