// Report decoding: from one input report to the contacts that are down in it, with the
// bookkeeping of frames that a device spreads over several reports.

#include <QByteArray>
#include <algorithm>
#include <cstdio>

#include "base/hex_digits.h"
#include "hid/report_decoding.h"
#include "hid/touch_bridge.h"

namespace {

constexpr std::uint8_t kTipSwitchFlag = 0x01;
constexpr std::uint8_t kInRangeFlag = 0x02;

// A one-bit field; `whenAbsent` for a slot without it.
bool readFlag(const std::uint8_t* report, qsizetype length, std::int32_t bitOffset,
              bool whenAbsent) {
    if (bitOffset < 0) {
        return whenAbsent;
    }
    return OVReadBits(report, length, bitOffset, 1) == 1;
}

// A width or height field masked to 16 bits; 0 for a slot without it.
std::uint32_t readSizeField(const std::uint8_t* report, qsizetype length, std::int32_t bitOffset,
                            std::int32_t bitLength) {
    if (bitOffset < 0) {
        return 0;
    }
    return OVReadBits(report, length, bitOffset, bitLength) & 0xFFFF;
}

// The width and height of a contact as one code: both low bytes when there is a height, else the
// width alone.
std::uint16_t markerFor(std::uint32_t width, std::uint32_t height) {
    if (height != 0) {
        return static_cast<std::uint16_t>(((width & 0xFF) << 8) | (height & 0xFF));
    }
    return static_cast<std::uint16_t>(width);
}

// A slot's contact is down when its tip switch is set, it is in range and it is a valid touch;
// a slot without in range or confidence field counts as in range and valid.
bool slotIsDown(const OVHIDContactLayout& slot, const std::uint8_t* report, qsizetype length) {
    return readFlag(report, length, slot.tipSwitchBitOffset, false) &&
           readFlag(report, length, slot.inRangeBitOffset, true) &&
           readFlag(report, length, slot.touchValidBitOffset, true);
}

// Fills `contact` (in place: the list is returned by value and copied once) from a slot that
// is down.
void readContact(const OVHIDContactLayout& slot, const std::uint8_t* report, qsizetype length,
                 OVTouchContact& contact) {
    const std::uint32_t width =
        readSizeField(report, length, slot.widthBitOffset, slot.widthBitLength);
    const std::uint32_t height =
        readSizeField(report, length, slot.heightBitOffset, slot.heightBitLength);
    const bool eraser = readFlag(report, length, slot.eraserBitOffset, false);
    const bool invert = readFlag(report, length, slot.invertBitOffset, false);
    contact.valid = true;
    contact.slot = slot.slot;
    contact.flags = kTipSwitchFlag | kInRangeFlag;
    contact.contactId = static_cast<std::uint8_t>(
        OVReadBits(report, length, slot.contactIdBitOffset, slot.contactIdBitLength) & 0xFF);
    contact.x = OVReadBits(report, length, slot.xBitOffset, slot.xBitLength);
    contact.y = OVReadBits(report, length, slot.yBitOffset, slot.yBitLength);
    contact.xMinimum = slot.xLogicalMinimum;
    contact.xMaximum = slot.xLogicalMaximum;
    contact.yMinimum = slot.yLogicalMinimum;
    contact.yMaximum = slot.yLogicalMaximum;
    contact.marker = markerFor(width, height);
    contact.kind = OVContactKindFromDescriptor(slot.preferredKind, contact.marker, eraser, invert);
}

// A report of the touch report's ID; without report IDs (unnumbered reports) every report is.
bool isTouchReport(const OVHIDDigitizerLayout& layout, const std::uint8_t* report,
                   qsizetype length) {
    if (layout.reportIDByteOffset < 0) {
        return true;
    }
    return length > layout.reportIDByteOffset &&
           report[layout.reportIDByteOffset] == layout.reportID;
}

// The bookkeeping of a frame that the device spreads over several reports because it has more
// contacts than the report has slots: `hybridOffset` counts the slots of the frame delivered so
// far and returns to 0 when the frame is complete or a report stands alone.
void advanceHybridFrame(OVTouchContactList& list, std::int32_t& hybridOffset,
                        bool& hybridModeObserved) {
    const bool spreadOverReports =
        list.slotCount >= 1 && list.reportedContactCount > list.slotCount;
    if (!spreadOverReports) {
        list.complete = true;
        hybridOffset = 0;
        return;
    }
    list.hybrid = hybridOffset > 0;
    list.complete =
        static_cast<std::int64_t>(hybridOffset) + list.slotCount >= list.reportedContactCount;
    hybridModeObserved = true;
    hybridOffset = list.complete ? 0 : hybridOffset + list.slotCount;
}

// Appends printf-style text to `text` without a heap round trip per piece.
template <typename... Args>
void appendFormat(QByteArray& text, const char* format, Args... args) {
    char buffer[192];
    const int written = std::snprintf(buffer, sizeof buffer, format, args...);
    if (written > 0) {
        text.append(buffer, std::min<int>(written, static_cast<int>(sizeof buffer) - 1));
    }
}

void appendReportBytes(QByteArray& text, const std::uint8_t* report, qsizetype length) {
    appendFormat(text, "%04lld bytes:", static_cast<long long>(length));
    OVAppendSpacedHexBytes(text, report, length);
}

}  // namespace

OVTouchContactList OVTouchBridge::contactsFromReport(const std::uint8_t* report, qsizetype length) {
    OVTouchContactList list;
    const OVHIDDigitizerLayout& layout = _hidLayout;
    if (!layout.valid || !report || length <= 0 || !isTouchReport(layout, report, length)) {
        return list;
    }
    list.decoded = true;
    list.slotCount = layout.contactCount;
    list.hybridOffset = _hybridOffset;
    if (layout.contactCountBitOffset >= 0) {
        list.contactCountField = static_cast<std::int32_t>(
            OVReadBits(report, length, layout.contactCountBitOffset, layout.contactCountBitLength));
        list.frameContactCount = list.contactCountField;
        list.reportedContactCount = list.contactCountField;
    }
    const int slotCount = std::clamp<std::int32_t>(layout.contactCount, 0, OVHIDMaxContactSlots);
    for (int i = 0; i < slotCount; ++i) {
        if (slotIsDown(layout.contacts[i], report, length)) {
            readContact(layout.contacts[i], report, length, list.contacts[list.count++]);
        }
    }
    if (list.frameContactCount == 0) {
        list.frameContactCount = list.count;
    }
    if (list.reportedContactCount == 0) {
        list.reportedContactCount = list.frameContactCount;
    }
    advanceHybridFrame(list, _hybridOffset, _hybridModeObserved);
    return list;
}

QString OVTouchBridge::inputForContactKind(std::int64_t kind) const {
    if (kind == OVContactKindPen) {
        return QStringLiteral("pen");
    }
    if (kind == OVContactKindEraser) {
        return QStringLiteral("eraser");
    }
    return QStringLiteral("finger1");
}

QString OVTouchBridge::debugTextForReport(const std::uint8_t* report, qsizetype length,
                                          const OVTouchContactList& contacts) const {
    if (!report || length < 0) {
        length = 0;
    }
    QByteArray text;
    text.reserve(64 + 3 * length + 96 * contacts.count);
    appendReportBytes(text, report, length);
    text.append("\ndecoder=");
    text.append(_hidDecoderStatus.isEmpty() ? QByteArray("No descriptor decoder")
                                            : _hidDecoderStatus.toUtf8());
    if (_hidLayout.valid) {
        const char* hybrid = contacts.hybrid       ? "continuation"
                             : _hybridModeObserved ? "observed"
                                                   : "no";
        appendFormat(text,
                     " report=%u frame=%d reported=%d contacts=%d slots=%d hybridOffset=%d "
                     "hybrid=%s complete=%s",
                     static_cast<unsigned>(_hidLayout.reportID), contacts.frameContactCount,
                     contacts.reportedContactCount, contacts.count, contacts.slotCount,
                     contacts.hybridOffset, hybrid, contacts.complete ? "yes" : "no");
        const int count = std::clamp<std::int32_t>(contacts.count, 0, OVHIDMaxContactSlots);
        for (int i = 0; i < count; ++i) {
            const OVTouchContact& c = contacts.contacts[i];
            appendFormat(text,
                         "\n  slot=%d id=%3u flags=0x%02x down kind=%-7s x=%5u y=%5u "
                         "marker=0x%04x",
                         c.slot, static_cast<unsigned>(c.contactId), static_cast<unsigned>(c.flags),
                         OVContactKindLatin1Name(c.kind), c.x, c.y,
                         static_cast<unsigned>(c.marker));
        }
    }
    return QString::fromUtf8(text);
}
