#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>

// A usage page and usage, as a top-level collection of a report descriptor declares them.
struct OVHIDUsagePair {
    std::uint32_t usagePage = 0;
    std::uint32_t usage = 0;
    bool operator==(const OVHIDUsagePair&) const = default;
};

// What the kernel does not tell about a HID device but its report descriptor does.
struct OVHIDDescriptorFacts {
    // The usage of the first top-level collection (or, without any collection, the first usage
    // page and usage the descriptor declares).
    std::optional<std::uint32_t> primaryUsagePage;
    std::optional<std::uint32_t> primaryUsage;
    // Every top-level collection, in descriptor order.
    QList<OVHIDUsagePair> topLevelUsages;
    // The largest input report in bytes, the report ID byte included when the descriptor uses
    // report IDs; 0 when it declares no input.
    std::int32_t maxInputReportSize = 0;
    // False when an item ran past the end of the bytes; the facts then describe the complete
    // items before it.
    bool wellFormed = true;
};

// Walks the items of a report descriptor. Pure; any byte sequence is accepted.
OVHIDDescriptorFacts OVHIDDescriptorFactsFromBytes(const QByteArray& descriptor);

// Whether the descriptor has a Digitizer Touch Screen (0x0D/0x04) or Pen (0x0D/0x02) application
// collection: the devices whose nodes the udev rule opens to the user at the seat (touchpads,
// keyboards and mice stay closed).
bool OVHIDDescriptorHasTouchScreenOrPen(const QByteArray& descriptor);
