#pragma once

// Reading the fields of a touch report and naming the kinds of contact.

#include <QString>
#include <QtGlobal>
#include <cstdint>

// The `bitCount` bits at `bitOffset` of a report, little-endian, bit 0 being the least
// significant bit of byte 0. At most the first 32 bits of a wider field are read; bits past the
// end of the report read as 0. No bytes, a negative offset or a count below 1 read as 0.
std::uint32_t OVReadBits(const std::uint8_t* bytes, qsizetype length, std::int64_t bitOffset,
                         std::int64_t bitCount);

// The kind of a contact from its collection's kind, its width/height marker and its eraser and
// invert bits: the eraser and invert bits first, then a marker that names a kind, then the
// collection's kind.
std::int64_t OVContactKindFromDescriptor(std::int64_t preferredKind, std::uint16_t marker,
                                         bool eraser, bool invert);
// The kind a width/height marker names: 0x0202 pen, 0x0404 eraser, 0x0808 finger, 0 none, any
// other value unknown.
std::int64_t OVContactKindFromWidth(std::uint16_t marker);
// "none", "finger", "pen", "eraser" or "unknown" (also for values outside the known kinds).
QString OVContactKindName(std::int64_t kind);
// The same names as Latin-1 C strings, for text built byte by byte.
const char* OVContactKindLatin1Name(std::int64_t kind);
