#include "hid/descriptor_parser.h"

#include <algorithm>
#include <limits>

#include "hid/touch_contact.h"

namespace {

// Item types and the tags the walk reads.
constexpr std::uint8_t kMainItem = 0;
constexpr std::uint8_t kGlobalItem = 1;
constexpr std::uint8_t kLocalItem = 2;

constexpr std::uint8_t kInputTag = 8;
constexpr std::uint8_t kOutputTag = 9;
constexpr std::uint8_t kCollectionTag = 10;
constexpr std::uint8_t kFeatureTag = 11;
constexpr std::uint8_t kEndCollectionTag = 12;

constexpr std::uint8_t kUsagePageTag = 0;
constexpr std::uint8_t kLogicalMinimumTag = 1;
constexpr std::uint8_t kLogicalMaximumTag = 2;
constexpr std::uint8_t kReportSizeTag = 7;
constexpr std::uint8_t kReportIDTag = 8;
constexpr std::uint8_t kReportCountTag = 9;

constexpr std::uint8_t kUsageTag = 0;
constexpr std::uint8_t kUsageMinimumTag = 1;
constexpr std::uint8_t kUsageMaximumTag = 2;

constexpr std::uint8_t kLongItemPrefix = 0xFE;

constexpr std::uint32_t kGenericDesktopPage = 0x01;
constexpr std::uint32_t kDigitizerPage = 0x0D;

constexpr OVHIDUsage kPenUsage{kDigitizerPage, 0x02};
constexpr OVHIDUsage kStylusUsage{kDigitizerPage, 0x20};
constexpr OVHIDUsage kFingerUsage{kDigitizerPage, 0x22};
constexpr OVHIDUsage kInRangeUsage{kDigitizerPage, 0x32};
constexpr OVHIDUsage kInvertUsage{kDigitizerPage, 0x3C};
constexpr OVHIDUsage kTipSwitchUsage{kDigitizerPage, 0x42};
constexpr OVHIDUsage kEraserUsage{kDigitizerPage, 0x45};
constexpr OVHIDUsage kConfidenceUsage{kDigitizerPage, 0x47};
constexpr OVHIDUsage kWidthUsage{kDigitizerPage, 0x48};
constexpr OVHIDUsage kHeightUsage{kDigitizerPage, 0x49};
constexpr OVHIDUsage kContactIdentifierUsage{kDigitizerPage, 0x51};
constexpr OVHIDUsage kContactCountUsage{kDigitizerPage, 0x54};
constexpr OVHIDUsage kXUsage{kGenericDesktopPage, 0x30};
constexpr OVHIDUsage kYUsage{kGenericDesktopPage, 0x31};

// No usage the walk reads lies above Contact Count (0x54). A field past this index of one main
// item can therefore only matter through the one repeated Usage that every field of the item
// carries, and of those the last field wins.
constexpr std::uint32_t kFieldsThatCanCarryKnownUsages = 0x55;

constexpr std::int32_t kFirstBitAfterReportID = 8;
constexpr std::int64_t kNoReportID = -1;

std::int32_t clampedToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// `base` advanced by `bits`, kept within int32: an offset that large lies beyond every report.
std::int32_t offsetAfter(std::int32_t base, std::uint64_t bits) {
    const std::uint64_t end = static_cast<std::uint64_t>(std::max<std::int32_t>(base, 0)) + bits;
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(end, std::numeric_limits<std::int32_t>::max()));
}

// The Local items since the last main item.
struct LocalState {
    std::array<OVHIDUsage, OVHIDMaxUsages> usages{};
    int usageCount = 0;
    OVHIDUsage usageMinimum;
    OVHIDUsage usageMaximum;
    bool hasUsageMinimum = false;
    bool hasUsageMaximum = false;

    void clear() {
        usageCount = 0;
        hasUsageMinimum = false;
        hasUsageMaximum = false;
    }

    void appendUsage(OVHIDUsage usage) {
        if (usageCount < OVHIDMaxUsages) {
            usages[usageCount++] = usage;
        }
    }

    OVHIDUsage lastUsage() const { return usageCount > 0 ? usages[usageCount - 1] : OVHIDUsage{}; }

    OVHIDUsage usageAt(std::uint32_t reportCount, std::uint32_t index) const {
        return OVHIDUsageAt(usages.data(), usageCount, usageMinimum, hasUsageMinimum, usageMaximum,
                            hasUsageMaximum, reportCount, index);
    }
};

// The Global items in force.
struct GlobalState {
    std::uint32_t usagePage = 0;
    std::int32_t logicalMinimum = 0;
    std::int32_t logicalMaximum = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::int64_t reportID = kNoReportID;

    // Report size times report count, in bits.
    std::uint64_t itemBits() const {
        return static_cast<std::uint64_t>(reportSize) * static_cast<std::uint64_t>(reportCount);
    }
};

// One walk over a descriptor. Everything lives in fixed arrays; nothing is allocated.
class LayoutWalk {
  public:
    LayoutWalk() { _reportBitOffsets.fill(-1); }

    void take(const OVHIDItem& item) {
        switch (item.type) {
            case kGlobalItem:
                takeGlobal(item);
                break;
            case kLocalItem:
                takeLocal(item);
                break;
            case kMainItem:
                takeMain(item);
                break;
            default:
                break;
        }
    }

    OVHIDDigitizerLayout finish() {
        if (_layout.contactCount >= 1 && _selectedReportID != kNoReportID) {
            _layout.valid = true;
            _layout.reportID = static_cast<std::uint8_t>(_selectedReportID & 0xFF);
        } else {
            _layout.contactCountBitOffset = -1;
            _layout.contactCountBitLength = 0;
        }
        return _layout;
    }

  private:
    void takeGlobal(const OVHIDItem& item) {
        switch (item.tag) {
            case kUsagePageTag:
                _global.usagePage = item.value;
                break;
            case kLogicalMinimumTag:
                _global.logicalMinimum = item.signedValue;
                break;
            case kLogicalMaximumTag:
                _global.logicalMaximum = item.signedValue;
                break;
            case kReportSizeTag:
                _global.reportSize = item.value;
                break;
            case kReportCountTag:
                _global.reportCount = item.value;
                break;
            case kReportIDTag:
                _global.reportID = item.value;
                OVHIDSetReportBitOffset(_reportBitOffsets, _global.reportID,
                                        kFirstBitAfterReportID);
                break;
            default:  // Push, Pop and the rest: there is no item state stack.
                break;
        }
    }

    void takeLocal(const OVHIDItem& item) {
        const OVHIDUsage usage{_global.usagePage, item.value};
        switch (item.tag) {
            case kUsageTag:
                _local.appendUsage(usage);
                break;
            case kUsageMinimumTag:
                _local.usageMinimum = usage;
                _local.hasUsageMinimum = true;
                break;
            case kUsageMaximumTag:
                _local.usageMaximum = usage;
                _local.hasUsageMaximum = true;
                break;
            default:
                break;
        }
    }

    void takeMain(const OVHIDItem& item) {
        switch (item.tag) {
            case kCollectionTag:
                openCollection();
                break;
            case kEndCollectionTag:
                closeCollection();
                break;
            case kInputTag:
            case kOutputTag:
            case kFeatureTag:
                takeDataItem(item.tag);
                break;
            default:
                break;
        }
    }

    bool inSlotCollection() const { return _inFinger || _inPen; }

    bool hasReportID() const { return _global.reportID != kNoReportID; }

    // A Finger or Pen collection may open under the report ID already selected, or under any
    // report ID while none is selected.
    bool reportIDCanCarryContacts() const {
        return hasReportID() &&
               (_selectedReportID == kNoReportID || _global.reportID == _selectedReportID);
    }

    // Many touch screens declare Usage (Finger) on their first contact collection only. A
    // collection without usage that directly follows an accepted Finger collection, under the
    // report ID already selected, is another finger slot.
    bool continuesFingerCollections() const {
        return _local.usageCount == 0 && !inSlotCollection() && _previousSiblingWasFinger &&
               hasReportID() && _global.reportID == _selectedReportID;
    }

    void openCollection() {
        const OVHIDUsage usage = _local.lastUsage();
        const bool finger = usage == kFingerUsage || continuesFingerCollections();
        const bool pen = usage == kPenUsage || usage == kStylusUsage;
        if (finger && reportIDCanCarryContacts()) {
            openSlotCollection(OVContactKindFinger);
            _inFinger = true;
            _layout.hasFingerCollection = true;
        } else if (pen && reportIDCanCarryContacts()) {
            openSlotCollection(OVContactKindPen);
            _inPen = true;
            _layout.hasPenCollection = true;
        }
        _previousSiblingWasFinger = false;
        _local.clear();
    }

    void openSlotCollection(std::int64_t kind) {
        _selectedReportID = _global.reportID;
        _builder = OVHIDContactBuilderMake(_layout.contactCount, kind);
    }

    void closeCollection() {
        _previousSiblingWasFinger = _inFinger;
        if (inSlotCollection()) {
            // A ninth or later slot collection stores nothing, but it closes like the others,
            // so that a Contact Count field after it is still recorded.
            if (_layout.contactCount < OVHIDMaxContactSlots) {
                storeSlot();
            }
            _builder = OVHIDContactBuilderMake(_layout.contactCount, OVContactKindFinger);
            _inFinger = false;
            _inPen = false;
        }
        _local.clear();
    }

    void storeSlot() {
        const std::optional<OVHIDContactLayout> contact = OVHIDContactBuilderBuild(_builder);
        if (!contact) {
            return;
        }
        _layout.contacts[_layout.contactCount++] = *contact;
        _layout.hasTouchValid |= contact->touchValidBitOffset >= 0;
        _layout.hasInRange |= contact->inRangeBitOffset >= 0;
        _layout.hasInvert |= contact->invertBitOffset >= 0;
        _layout.hasEraser |= contact->eraserBitOffset >= 0;
        _layout.hasWidth |= contact->widthBitOffset >= 0;
        _layout.hasHeight |= contact->heightBitOffset >= 0;
        _layout.hasLogicalRanges |= contact->xBitOffset >= 0 && contact->yBitOffset >= 0 &&
                                    contact->xLogicalMaximum > contact->xLogicalMinimum &&
                                    contact->yLogicalMaximum > contact->yLogicalMinimum;
    }

    // Input, Output and Feature items. Before the first Report ID item they are ignored.
    void takeDataItem(std::uint8_t tag) {
        if (!hasReportID()) {
            return;
        }
        const std::int32_t base = OVHIDReportBitOffset(_reportBitOffsets, _global.reportID);
        const bool readsFields =
            tag == kInputTag && (inSlotCollection() || _global.reportID == _selectedReportID);
        if (tag == kInputTag && !inSlotCollection()) {
            _previousSiblingWasFinger = false;
        }
        if (readsFields) {
            readFields(base);
        }
        OVHIDSetReportBitOffset(_reportBitOffsets, _global.reportID,
                                offsetAfter(base, _global.itemBits()));
        _local.clear();
    }

    // Every field of one Input item, in order: into the open slot, or the Contact Count field.
    void readFields(std::int32_t base) {
        const std::uint32_t fieldCount = std::max<std::uint32_t>(1, _global.reportCount);
        const std::uint32_t visited = std::min(fieldCount, kFieldsThatCanCarryKnownUsages);
        for (std::uint32_t index = 0; index < visited; ++index) {
            readField(base, index);
        }
        if (fieldCount > visited) {
            readField(base, fieldCount - 1);
        }
    }

    void readField(std::int32_t base, std::uint32_t index) {
        // At most 2^31 + (2^32 - 1)^2: within 64 unsigned bits.
        const std::uint64_t offset = static_cast<std::uint64_t>(std::max<std::int32_t>(base, 0)) +
                                     static_cast<std::uint64_t>(index) * _global.reportSize;
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            return;  // Beyond any report a device can send.
        }
        const OVHIDUsage usage = _local.usageAt(_global.reportCount, index);
        const std::int32_t size = clampedToInt32(_global.reportSize);
        if (inSlotCollection()) {
            OVHIDContactBuilderApply(_builder, usage, static_cast<std::int32_t>(offset), size,
                                     _global.logicalMinimum, _global.logicalMaximum);
        } else if (usage == kContactCountUsage) {
            _layout.contactCountBitOffset = static_cast<std::int32_t>(offset);
            _layout.contactCountBitLength = size;
            _layout.hasContactCount = true;
        }
    }

    OVHIDDigitizerLayout _layout;
    GlobalState _global;
    LocalState _local;
    OVHIDReportBitOffsets _reportBitOffsets{};
    std::int64_t _selectedReportID = kNoReportID;
    bool _inFinger = false;
    bool _inPen = false;
    bool _previousSiblingWasFinger = false;
    OVHIDContactBuilder _builder = OVHIDContactBuilderMake(0, OVContactKindFinger);
};

}  // namespace

bool OVNextHIDItem(const std::uint8_t* bytes, qsizetype length, qsizetype& cursor,
                   OVHIDItem& item) {
    while (bytes && cursor >= 0 && cursor < length) {
        const std::uint8_t prefix = bytes[cursor];
        if (prefix == kLongItemPrefix) {
            if (length - cursor - 1 < 2) {
                cursor = length;
                return false;
            }
            const qsizetype dataSize = bytes[cursor + 1];
            const qsizetype dataStart = cursor + 3;
            cursor = dataSize > length - dataStart ? length : dataStart + dataSize;
            continue;
        }
        const std::uint8_t sizeCode = prefix & 0x03;
        const std::uint8_t size = sizeCode == 3 ? 4 : sizeCode;
        std::uint32_t value = 0;
        qsizetype position = cursor + 1;
        for (std::uint8_t i = 0; i < size && position < length; ++i, ++position) {
            value |= static_cast<std::uint32_t>(bytes[position]) << (8 * i);
        }
        cursor = position;
        item.type = (prefix >> 2) & 0x03;
        item.tag = (prefix >> 4) & 0x0F;
        item.size = size;
        item.value = value;
        item.signedValue = OVSignExtendHIDValue(value, size);
        return true;
    }
    return false;
}

std::int32_t OVSignExtendHIDValue(std::uint32_t value, std::uint8_t size) {
    switch (size) {
        case 1:
            return static_cast<std::int8_t>(value & 0xFF);
        case 2:
            return static_cast<std::int16_t>(value & 0xFFFF);
        default:
            return static_cast<std::int32_t>(value);
    }
}

OVHIDUsage OVHIDUsageAt(const OVHIDUsage* usages, int usageCount, OVHIDUsage minimum,
                        bool hasMinimum, OVHIDUsage maximum, bool hasMaximum,
                        std::uint32_t reportCount, std::uint32_t index) {
    const bool indexHasUsage =
        usages && usageCount > 0 && index < static_cast<std::uint32_t>(usageCount);
    if (indexHasUsage && static_cast<std::uint32_t>(usageCount) == reportCount) {
        return usages[index];
    }
    if (usages && usageCount == 1 && reportCount >= 2) {
        return usages[0];
    }
    if (hasMinimum && hasMaximum && minimum.page == maximum.page &&
        maximum.usage >= minimum.usage && index <= maximum.usage - minimum.usage) {
        return OVHIDUsage{minimum.page, minimum.usage + index};
    }
    if (indexHasUsage) {
        return usages[index];
    }
    return OVHIDUsage{};
}

OVHIDContactBuilder OVHIDContactBuilderMake(std::int32_t slot, std::int64_t preferredKind) {
    OVHIDContactBuilder builder;
    builder.contact.slot = slot;
    builder.contact.preferredKind = preferredKind;
    return builder;
}

void OVHIDContactBuilderApply(OVHIDContactBuilder& builder, OVHIDUsage usage,
                              std::int32_t bitOffset, std::int32_t reportSize,
                              std::int32_t logicalMinimum, std::int32_t logicalMaximum) {
    OVHIDContactLayout& c = builder.contact;
    if (usage == kTipSwitchUsage) {
        c.tipSwitchBitOffset = bitOffset;
    } else if (usage == kInRangeUsage) {
        c.inRangeBitOffset = bitOffset;
    } else if (usage == kConfidenceUsage) {
        c.touchValidBitOffset = bitOffset;
    } else if (usage == kInvertUsage) {
        c.invertBitOffset = bitOffset;
    } else if (usage == kEraserUsage) {
        c.eraserBitOffset = bitOffset;
    } else if (usage == kContactIdentifierUsage) {
        c.contactIdBitOffset = bitOffset;
        c.contactIdBitLength = reportSize;
    } else if (usage == kXUsage) {
        c.xBitOffset = bitOffset;
        c.xBitLength = reportSize;
        c.xLogicalMinimum = logicalMinimum;
        c.xLogicalMaximum = logicalMaximum;
    } else if (usage == kYUsage) {
        c.yBitOffset = bitOffset;
        c.yBitLength = reportSize;
        c.yLogicalMinimum = logicalMinimum;
        c.yLogicalMaximum = logicalMaximum;
    } else if (usage == kWidthUsage) {
        c.widthBitOffset = bitOffset;
        c.widthBitLength = reportSize;
    } else if (usage == kHeightUsage) {
        c.heightBitOffset = bitOffset;
        c.heightBitLength = reportSize;
    }
}

std::optional<OVHIDContactLayout> OVHIDContactBuilderBuild(const OVHIDContactBuilder& builder) {
    const OVHIDContactLayout& c = builder.contact;
    if (c.tipSwitchBitOffset < 0 || c.contactIdBitOffset < 0 || c.xBitOffset < 0 ||
        c.yBitOffset < 0) {
        return std::nullopt;
    }
    // A range that would end past the largest logical value keeps the largest one.
    OVHIDContactLayout contact = c;
    contact.xLogicalMaximum = std::max<std::int32_t>(
        c.xLogicalMaximum, clampedToInt32(static_cast<std::int64_t>(c.xLogicalMinimum) + 1));
    contact.yLogicalMaximum = std::max<std::int32_t>(
        c.yLogicalMaximum, clampedToInt32(static_cast<std::int64_t>(c.yLogicalMinimum) + 1));
    return contact;
}

std::int32_t OVHIDReportBitOffset(const OVHIDReportBitOffsets& offsets, std::int64_t reportID) {
    if (reportID < 0 || reportID >= static_cast<std::int64_t>(offsets.size())) {
        return kFirstBitAfterReportID;
    }
    const std::int32_t offset = offsets[static_cast<std::size_t>(reportID)];
    return offset < 0 ? kFirstBitAfterReportID : offset;
}

void OVHIDSetReportBitOffset(OVHIDReportBitOffsets& offsets, std::int64_t reportID,
                             std::int32_t bitOffset) {
    if (reportID >= 0 && reportID < static_cast<std::int64_t>(offsets.size())) {
        offsets[static_cast<std::size_t>(reportID)] = bitOffset;
    }
}

OVHIDDigitizerLayout OVHIDDigitizerLayoutBuild(const std::uint8_t* descriptor, qsizetype length) {
    LayoutWalk walk;
    qsizetype cursor = 0;
    OVHIDItem item;
    while (OVNextHIDItem(descriptor, length, cursor, item)) {
        walk.take(item);
    }
    return walk.finish();
}

OVHIDDigitizerLayout OVHIDDigitizerLayoutBuild(const QByteArray& descriptor) {
    return OVHIDDigitizerLayoutBuild(reinterpret_cast<const std::uint8_t*>(descriptor.constData()),
                                     descriptor.size());
}
