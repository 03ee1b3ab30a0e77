#pragma once

// Reading the fields of a touch report and naming the kinds of contact.

#include <QString>
#include <QtEndian>
#include <QtGlobal>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "hid/touch_contact.h"

// The `bitCount` bits at `bitOffset` of a report, little-endian, bit 0 being the least
// significant bit of byte 0. At most the first 32 bits of a wider field are read; bits past the
// end of the report read as 0. No bytes, a negative offset or a count below 1 read as 0.
// Inline: the decoder reads about ten fields per contact slot of every report.
inline std::uint32_t OVReadBits(const std::uint8_t* bytes, qsizetype length, std::int64_t bitOffset,
                                std::int64_t bitCount) {
    if (!bytes || length <= 0 || bitOffset < 0 || bitCount < 1) {
        return 0;
    }
    const std::int64_t firstByte = bitOffset / 8;
    if (firstByte >= length) {
        return 0;
    }
    const int shift = static_cast<int>(bitOffset % 8);
    const std::int64_t bits = std::min<std::int64_t>(bitCount, 32);
    // The field lies within eight bytes from its first one; those past the end read as 0.
    std::uint64_t window = 0;
    if (length - firstByte >= 8) {
        window = qFromLittleEndian<quint64>(bytes + firstByte);
    } else {
        std::uint8_t tail[8] = {};
        std::memcpy(tail, bytes + firstByte, static_cast<std::size_t>(length - firstByte));
        window = qFromLittleEndian<quint64>(tail);
    }
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    return static_cast<std::uint32_t>((window >> shift) & mask);
}

// The kind of a contact from its collection's kind, its width/height marker and its eraser and
// invert bits: the eraser and invert bits first, then a marker that names a kind, then the
// collection's kind.
// The kind a width/height marker names: 0x0202 pen, 0x0404 eraser, 0x0808 finger, 0 none, any
// other value unknown.
inline std::int64_t OVContactKindFromWidth(std::uint16_t marker) {
    switch (marker) {
        case 0x0202:
            return OVContactKindPen;
        case 0x0404:
            return OVContactKindEraser;
        case 0x0808:
            return OVContactKindFinger;
        case 0:
            return OVContactKindNone;
        default:
            return OVContactKindUnknown;
    }
}

inline std::int64_t OVContactKindFromDescriptor(std::int64_t preferredKind, std::uint16_t marker,
                                                bool eraser, bool invert) {
    const auto namesKind = [](std::int64_t kind) {
        return kind == OVContactKindFinger || kind == OVContactKindPen ||
               kind == OVContactKindEraser;
    };
    if (eraser || invert) {
        return OVContactKindEraser;
    }
    const std::int64_t markerKind = OVContactKindFromWidth(marker);
    if (namesKind(markerKind)) {
        return markerKind;
    }
    return namesKind(preferredKind) ? preferredKind : markerKind;
}
// "none", "finger", "pen", "eraser" or "unknown" (also for values outside the known kinds).
QString OVContactKindName(std::int64_t kind);
// The same names as Latin-1 C strings, for text built byte by byte.
const char* OVContactKindLatin1Name(std::int64_t kind);
