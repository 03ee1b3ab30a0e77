#pragma once

// Writing touch reports from contacts: the inverse of report decoding, for the simulator,
// generated recordings and tests.

#include <QByteArray>
#include <QtGlobal>
#include <cstdint>

#include "hid/digitizer_layout.h"
#include "hid/touch_contact.h"

// Writes the low `bitCount` bits (at most 32) of `value` at `bitOffset`, little-endian; bits that
// fall past the end of `bytes` are dropped.
void OVWriteBits(std::uint8_t* bytes, qsizetype length, std::int64_t bitOffset,
                 std::int64_t bitCount, std::uint32_t value);

// The number of bytes a report of `layout` needs to hold every field of its slots and its
// Contact Count.
qsizetype OVTouchReportLength(const OVHIDDigitizerLayout& layout);

// A report of `layout` (its report ID first, unless the reports are unnumbered) that carries
// `contacts` (`count` of them) in slots 0, 1, ... : tip switch, in range and confidence set,
// identifier, X, Y, and width and height from the contact's marker (its high byte as width and
// low byte as height when the slot has both, else the whole marker as width); eraser and invert
// set for an eraser contact. The Contact Count field holds `contactCount`. Contacts beyond the
// slots are dropped. `length` below 1 means OVTouchReportLength.
QByteArray OVTouchReport(const OVHIDDigitizerLayout& layout, const OVTouchContact* contacts,
                         int count, std::uint32_t contactCount, qsizetype length = 0);
