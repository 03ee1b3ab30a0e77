#include "hid/report_encoding.h"

#include <algorithm>

namespace {

std::int64_t fieldEnd(std::int32_t bitOffset, std::int32_t bitLength) {
    return bitOffset < 0 ? 0 : static_cast<std::int64_t>(bitOffset) + std::max(bitLength, 0);
}

std::int64_t slotEnd(const OVHIDContactLayout& slot) {
    return std::max({fieldEnd(slot.tipSwitchBitOffset, 1), fieldEnd(slot.inRangeBitOffset, 1),
                     fieldEnd(slot.touchValidBitOffset, 1), fieldEnd(slot.invertBitOffset, 1),
                     fieldEnd(slot.eraserBitOffset, 1),
                     fieldEnd(slot.contactIdBitOffset, slot.contactIdBitLength),
                     fieldEnd(slot.xBitOffset, slot.xBitLength),
                     fieldEnd(slot.yBitOffset, slot.yBitLength),
                     fieldEnd(slot.widthBitOffset, slot.widthBitLength),
                     fieldEnd(slot.heightBitOffset, slot.heightBitLength)});
}

void writeField(QByteArray& report, std::int32_t bitOffset, std::int32_t bitLength,
                std::uint32_t value) {
    if (bitOffset >= 0) {
        OVWriteBits(reinterpret_cast<std::uint8_t*>(report.data()), report.size(), bitOffset,
                    bitLength, value);
    }
}

void writeContact(QByteArray& report, const OVHIDContactLayout& slot,
                  const OVTouchContact& contact) {
    writeField(report, slot.tipSwitchBitOffset, 1, 1);
    writeField(report, slot.inRangeBitOffset, 1, 1);
    writeField(report, slot.touchValidBitOffset, 1, 1);
    const bool eraser = contact.kind == OVContactKindEraser;
    writeField(report, slot.eraserBitOffset, 1, eraser ? 1 : 0);
    writeField(report, slot.invertBitOffset, 1, eraser ? 1 : 0);
    writeField(report, slot.contactIdBitOffset, slot.contactIdBitLength, contact.contactId);
    writeField(report, slot.xBitOffset, slot.xBitLength, contact.x);
    writeField(report, slot.yBitOffset, slot.yBitLength, contact.y);
    if (slot.heightBitOffset >= 0) {
        writeField(report, slot.widthBitOffset, slot.widthBitLength, contact.marker >> 8);
        writeField(report, slot.heightBitOffset, slot.heightBitLength, contact.marker & 0xFF);
    } else {
        writeField(report, slot.widthBitOffset, slot.widthBitLength, contact.marker);
    }
}

}  // namespace

void OVWriteBits(std::uint8_t* bytes, qsizetype length, std::int64_t bitOffset,
                 std::int64_t bitCount, std::uint32_t value) {
    if (!bytes || length <= 0 || bitOffset < 0) {
        return;
    }
    const std::int64_t bits = std::min<std::int64_t>(bitCount, 32);
    for (std::int64_t i = 0; i < bits; ++i) {
        const std::int64_t bit = bitOffset + i;
        if (bit / 8 >= length) {
            return;
        }
        const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
        if ((value >> i) & 1u) {
            bytes[bit / 8] |= mask;
        } else {
            bytes[bit / 8] &= static_cast<std::uint8_t>(~mask);
        }
    }
}

qsizetype OVTouchReportLength(const OVHIDDigitizerLayout& layout) {
    std::int64_t end = layout.reportIDByteOffset >= 0 ? 8 * (layout.reportIDByteOffset + 1) : 0;
    const int slotCount = std::clamp<std::int32_t>(layout.contactCount, 0, OVHIDMaxContactSlots);
    for (int i = 0; i < slotCount; ++i) {
        end = std::max(end, slotEnd(layout.contacts[i]));
    }
    end = std::max(end, fieldEnd(layout.contactCountBitOffset, layout.contactCountBitLength));
    return static_cast<qsizetype>((end + 7) / 8);
}

QByteArray OVTouchReport(const OVHIDDigitizerLayout& layout, const OVTouchContact* contacts,
                         int count, std::uint32_t contactCount, qsizetype length) {
    const qsizetype idByte = layout.reportIDByteOffset;
    QByteArray report(
        std::max({length >= 1 ? length : OVTouchReportLength(layout), idByte + 1, qsizetype{1}}),
        '\0');
    if (idByte >= 0) {
        report[idByte] = static_cast<char>(layout.reportID);
    }
    const int slotCount = std::clamp<std::int32_t>(layout.contactCount, 0, OVHIDMaxContactSlots);
    const int written = std::min(std::max(count, 0), slotCount);
    for (int i = 0; i < written; ++i) {
        writeContact(report, layout.contacts[i], contacts[i]);
    }
    writeField(report, layout.contactCountBitOffset, layout.contactCountBitLength, contactCount);
    return report;
}
