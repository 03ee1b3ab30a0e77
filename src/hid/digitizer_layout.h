#pragma once

#include <array>
#include <cstdint>

// Where one contact slot's fields lie in an input report. Bit offsets count from bit 0 of
// byte 0 of the whole report (the report ID byte included, when there is one); -1 means the
// field is absent.
struct OVHIDContactLayout {
    std::int32_t slot = 0;
    std::int64_t preferredKind = 0;
    std::int32_t tipSwitchBitOffset = -1;
    std::int32_t inRangeBitOffset = -1;
    std::int32_t touchValidBitOffset = -1;
    std::int32_t invertBitOffset = -1;
    std::int32_t eraserBitOffset = -1;
    std::int32_t contactIdBitOffset = -1;
    std::int32_t contactIdBitLength = 0;
    std::int32_t xBitOffset = -1;
    std::int32_t xBitLength = 0;
    std::int32_t xLogicalMinimum = 0;
    std::int32_t xLogicalMaximum = 0;
    std::int32_t yBitOffset = -1;
    std::int32_t yBitLength = 0;
    std::int32_t yLogicalMinimum = 0;
    std::int32_t yLogicalMaximum = 0;
    std::int32_t widthBitOffset = -1;
    std::int32_t widthBitLength = 0;
    std::int32_t heightBitOffset = -1;
    std::int32_t heightBitLength = 0;
};

inline constexpr int OVHIDMaxContactSlots = 8;

// The touch report of a digitizer: its report ID, up to eight contact slots and the Contact
// Count field.
struct OVHIDDigitizerLayout {
    bool valid = false;
    std::uint8_t reportID = 0;
    std::int32_t reportIDByteOffset = 0;  // -1: unnumbered reports, which start with data
    std::array<OVHIDContactLayout, OVHIDMaxContactSlots> contacts{};
    std::int32_t contactCount = 0;
    std::int32_t contactCountBitOffset = -1;
    std::int32_t contactCountBitLength = 0;
    bool hasFingerCollection = false;
    bool hasPenCollection = false;
    bool hasContactCount = false;
    bool hasTouchValid = false;
    bool hasInRange = false;
    bool hasInvert = false;
    bool hasEraser = false;
    bool hasWidth = false;
    bool hasHeight = false;
    bool hasLogicalRanges = false;
};

// One short item of a report descriptor.
struct OVHIDItem {
    std::uint8_t type = 0;  // 0 Main, 1 Global, 2 Local, 3 Reserved
    std::uint8_t tag = 0;
    std::uint8_t size = 0;  // 0, 1, 2 or 4 bytes
    std::uint32_t value = 0;
    std::int32_t signedValue = 0;
};
