#pragma once

#include <array>
#include <cstdint>

// Contact kinds.
inline constexpr std::int64_t OVContactKindNone = 0;
inline constexpr std::int64_t OVContactKindFinger = 1;
inline constexpr std::int64_t OVContactKindPen = 2;
inline constexpr std::int64_t OVContactKindEraser = 3;
inline constexpr std::int64_t OVContactKindUnknown = 4;

// One contact that is down in a report.
struct OVTouchContact {
    bool valid = false;
    std::int32_t slot = 0;
    std::uint8_t flags = 0;  // 0x01 tip switch, 0x02 in range
    std::uint8_t contactId = 0;
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    std::int32_t xMinimum = 0;
    std::int32_t xMaximum = 0;
    std::int32_t yMinimum = 0;
    std::int32_t yMaximum = 0;
    std::uint16_t marker = 0;
    std::int64_t kind = OVContactKindNone;
};

// The decoded contacts of one report, with the bookkeeping of frames spread over several
// reports. A fixed-size value: decoding allocates nothing.
struct OVTouchContactList {
    std::array<OVTouchContact, 8> contacts{};
    std::int32_t count = 0;
    std::int32_t frameContactCount = 0;
    std::int32_t reportedContactCount = 0;
    std::int32_t slotCount = 0;
    std::int32_t hybridOffset = 0;
    bool hybrid = false;
    bool complete = false;
    bool decoded = false;
    // The Contact Count field as the report carries it, 0 included; 0 without the field.
    std::int32_t contactCountField = 0;
};
