#pragma once

// The HID report descriptor walk: from the raw descriptor bytes of a touch device to the layout
// of its touch report. Pure and allocation-free; every call walks the descriptor from scratch.

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <cstdint>
#include <optional>

#include "hid/digitizer_layout.h"

// A (usage page, usage) pair. A 4-byte Usage item keeps its whole value as the usage.
struct OVHIDUsage {
    std::uint32_t page = 0;
    std::uint32_t usage = 0;

    friend bool operator==(const OVHIDUsage&, const OVHIDUsage&) = default;
};

inline constexpr int OVHIDMaxUsages = 64;

// A contact slot layout being filled while a Finger or Pen collection is open.
struct OVHIDContactBuilder {
    OVHIDContactLayout contact;
};

// The running bit offset of every report ID 0..255; -1 until the ID's Report ID item.
using OVHIDReportBitOffsets = std::array<std::int32_t, 256>;

// Yields the next short item at `cursor` and moves the cursor past it; false at the end.
// Long items (prefix 0xFE) are skipped whole; an item cut short by the end of the descriptor is
// yielded with the bytes that were there.
bool OVNextHIDItem(const std::uint8_t* bytes, qsizetype length, qsizetype& cursor, OVHIDItem& item);

// Sign-extends an item value of `size` bytes: 1 from 8 bits, 2 from 16 bits, else unchanged.
std::int32_t OVSignExtendHIDValue(std::uint32_t value, std::uint8_t size);

// The usage of field `index` of a main item with `reportCount` fields, from the Usage items
// (`usages`, `usageCount` of them) and the Usage Minimum / Maximum items before it.
OVHIDUsage OVHIDUsageAt(const OVHIDUsage* usages, int usageCount, OVHIDUsage minimum,
                        bool hasMinimum, OVHIDUsage maximum, bool hasMaximum,
                        std::uint32_t reportCount, std::uint32_t index);

// A builder for `slot` of contact kind `preferredKind`: every field absent, lengths and logical
// limits 0.
OVHIDContactBuilder OVHIDContactBuilderMake(std::int32_t slot, std::int64_t preferredKind);

// Records the field of `usage` at `bitOffset` unless an earlier field had that usage; usages a
// contact does not need are ignored.
void OVHIDContactBuilderApply(OVHIDContactBuilder& builder, OVHIDUsage usage,
                              std::int32_t bitOffset, std::int32_t reportSize,
                              std::int32_t logicalMinimum, std::int32_t logicalMaximum);

// The finished slot layout, or nothing without Tip Switch, Contact Identifier, X and Y. The X and
// Y logical maximum of a stored slot always lie above their minimum.
std::optional<OVHIDContactLayout> OVHIDContactBuilderBuild(const OVHIDContactBuilder& builder);

// The running bit offset of `reportID`: 8 (the first bit after the report ID byte) for an ID
// outside 0..255 or one not seen yet.
std::int32_t OVHIDReportBitOffset(const OVHIDReportBitOffsets& offsets, std::int64_t reportID);
// Stores the running bit offset of `reportID`; IDs outside 0..255 are not stored.
void OVHIDSetReportBitOffset(OVHIDReportBitOffsets& offsets, std::int64_t reportID,
                             std::int32_t bitOffset);

// The layout of the touch report that `descriptor` declares: the report of the first contact
// collection, unless that report holds only a pen and a Finger collection lies in another one.
// Without any Report ID item the reports are unnumbered: report ID 0, no report ID byte
// (`reportIDByteOffset` -1), data from bit 0. Push and Pop save and restore the global items.
// An empty descriptor, or one without a complete contact collection, gives a layout that is not
// valid.
OVHIDDigitizerLayout OVHIDDigitizerLayoutBuild(const std::uint8_t* descriptor, qsizetype length);
OVHIDDigitizerLayout OVHIDDigitizerLayoutBuild(const QByteArray& descriptor);
