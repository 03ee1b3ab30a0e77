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
constexpr std::uint8_t kPushTag = 10;
constexpr std::uint8_t kPopTag = 11;

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

constexpr OVHIDUsage kTouchScreenUsage{kDigitizerPage, 0x04};

// No usage the walk reads lies above Contact Count (0x54). A field past this index of one main
// item can therefore only repeat the one Usage that every field of the item carries, and the
// first field of a usage is the one that counts.
constexpr std::uint32_t kFieldsThatCanCarryKnownUsages = 0x55;

constexpr std::int32_t kFirstBitAfterReportID = 8;
constexpr std::int64_t kNoReportID = -1;
// Unnumbered reports carry no report ID byte: their data starts at bit 0, under report ID 0.
constexpr std::int64_t kUnnumberedReportID = 0;

// Push items beyond this depth are ignored, and so are Pop items on an empty stack.
constexpr int kMaxPushDepth = 8;

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

// How one walk reads a descriptor.
struct WalkRules {
    // The descriptor has Report ID items, so every report starts with its ID. Without any, the
    // one input report starts with data.
    bool numberedReports = true;
    // Only finger contacts select the touch report; a Pen or Stylus collection counts only
    // under the report they selected.
    bool fingersSelect = false;
};

// The contact collection being read.
enum class OpenSlot {
    None,
    Finger,
    Pen,
    // A collection of a Touch Screen without a Finger usage: a finger slot if it turns out to
    // hold Tip Switch, Contact Identifier, X and Y.
    Unnamed,
};

// A Contact Count field and the report it lies in.
struct ContactCountField {
    std::int64_t reportID = kNoReportID;
    std::int32_t bitOffset = -1;
    std::int32_t bitLength = 0;
};

// One walk over a descriptor. Everything lives in fixed arrays; nothing is allocated.
class LayoutWalk {
  public:
    explicit LayoutWalk(WalkRules rules) : _rules(rules) {
        _reportBitOffsets.fill(-1);
        if (!rules.numberedReports) {
            _global.reportID = kUnnumberedReportID;
            OVHIDSetReportBitOffset(_reportBitOffsets, kUnnumberedReportID, 0);
        }
    }

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

    bool sawReportID() const { return _sawReportID; }

    // The chosen report holds no finger contacts, but a Finger collection of another report
    // does: a pen that comes first must not hide the touch screen.
    bool fingersLieInAnotherReport() const {
        return _fingerCollectionInAnotherReport && !_layout.hasFingerCollection;
    }

    bool valid() const { return _layout.contactCount >= 1 && _selectedReportID != kNoReportID; }

    OVHIDDigitizerLayout finish() {
        if (valid()) {
            _layout.valid = true;
            _layout.reportID = static_cast<std::uint8_t>(_selectedReportID & 0xFF);
            _layout.reportIDByteOffset = _rules.numberedReports ? 0 : -1;
            if (!_layout.hasContactCount && _countBeforeSelection.reportID == _selectedReportID) {
                recordContactCount(_countBeforeSelection.bitOffset,
                                   _countBeforeSelection.bitLength);
            }
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
                _sawReportID = true;
                _global.reportID = item.value;
                OVHIDSetReportBitOffset(_reportBitOffsets, _global.reportID,
                                        kFirstBitAfterReportID);
                break;
            case kPushTag:
                if (_pushDepth < kMaxPushDepth) {
                    _pushed[_pushDepth++] = _global;
                }
                break;
            case kPopTag:
                // Restores the report ID too, without restarting its running offset.
                if (_pushDepth > 0) {
                    _global = _pushed[--_pushDepth];
                }
                break;
            default:
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

    bool inSlotCollection() const { return _open != OpenSlot::None; }

    bool hasReportID() const { return _global.reportID != kNoReportID; }

    // A contact collection may open under the report ID already selected, or under any report
    // ID while none is selected.
    bool reportIDCanCarryContacts() const {
        return hasReportID() &&
               (_selectedReportID == kNoReportID || _global.reportID == _selectedReportID);
    }

    bool insideTouchScreen() const { return _touchScreenDepth >= 0 && _depth > _touchScreenDepth; }

    // Many touch screens declare Usage (Finger) on their first contact collection only. A
    // collection without usage that directly follows an accepted Finger collection, under the
    // report ID already selected, is another finger slot.
    bool continuesFingerCollections() const {
        return _local.usageCount == 0 && !inSlotCollection() && _previousSiblingWasFinger &&
               hasReportID() && _global.reportID == _selectedReportID;
    }

    void openCollection() {
        const OVHIDUsage usage = _local.lastUsage();
        ++_depth;
        if (usage == kTouchScreenUsage && _touchScreenDepth < 0) {
            _touchScreenDepth = _depth;
        }
        const bool finger = usage == kFingerUsage || continuesFingerCollections();
        const bool pen = usage == kPenUsage || usage == kStylusUsage;
        const bool penMaySelect = !_rules.fingersSelect || _selectedReportID != kNoReportID;
        if (finger && reportIDCanCarryContacts()) {
            openSlotCollection(OpenSlot::Finger, OVContactKindFinger);
            _layout.hasFingerCollection = true;
        } else if (pen && penMaySelect && reportIDCanCarryContacts()) {
            openSlotCollection(OpenSlot::Pen, OVContactKindPen);
            _layout.hasPenCollection = true;
        } else if (finger && hasReportID()) {
            _fingerCollectionInAnotherReport = true;
        } else if (!finger && !pen && !inSlotCollection() && insideTouchScreen() &&
                   reportIDCanCarryContacts()) {
            // Selects its report only once it turns out to be a contact.
            _open = OpenSlot::Unnamed;
            _slotReportID = _global.reportID;
            _builder = OVHIDContactBuilderMake(_layout.contactCount, OVContactKindFinger);
        }
        _previousSiblingWasFinger = false;
        _local.clear();
    }

    void openSlotCollection(OpenSlot slot, std::int64_t kind) {
        _open = slot;
        _selectedReportID = _global.reportID;
        _builder = OVHIDContactBuilderMake(_layout.contactCount, kind);
    }

    void closeCollection() {
        _previousSiblingWasFinger = _open == OpenSlot::Finger;
        if (inSlotCollection()) {
            // A ninth or later slot collection stores nothing, but it closes like the others,
            // so that a Contact Count field after it is still recorded.
            if (_layout.contactCount < OVHIDMaxContactSlots) {
                storeSlot();
            }
            _builder = OVHIDContactBuilderMake(_layout.contactCount, OVContactKindFinger);
            _open = OpenSlot::None;
        }
        if (_depth == _touchScreenDepth) {
            _touchScreenDepth = -1;
        }
        _depth = std::max(_depth - 1, 0);
        _local.clear();
    }

    void storeSlot() {
        const std::optional<OVHIDContactLayout> contact = OVHIDContactBuilderBuild(_builder);
        if (!contact) {
            return;
        }
        if (_open == OpenSlot::Unnamed) {
            _selectedReportID = _slotReportID;
            _layout.hasFingerCollection = true;
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

    // Input, Output and Feature items. Before the first Report ID item of a numbered
    // descriptor they are ignored.
    void takeDataItem(std::uint8_t tag) {
        if (!hasReportID()) {
            return;
        }
        const std::int32_t base = OVHIDReportBitOffset(_reportBitOffsets, _global.reportID);
        // Before any report is selected, an Input item may still hold the Contact Count of the
        // report that a contact collection selects later.
        const bool readsFields =
            tag == kInputTag && (inSlotCollection() || _selectedReportID == kNoReportID ||
                                 _global.reportID == _selectedReportID);
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
        const bool inNamedSlot = _open == OpenSlot::Finger || _open == OpenSlot::Pen;
        if (usage == kContactCountUsage && !inNamedSlot) {
            takeContactCount(static_cast<std::int32_t>(offset), size);
        } else if (inSlotCollection()) {
            OVHIDContactBuilderApply(_builder, usage, static_cast<std::int32_t>(offset), size,
                                     _global.logicalMinimum, _global.logicalMaximum);
        }
    }

    void takeContactCount(std::int32_t bitOffset, std::int32_t bitLength) {
        if (_selectedReportID == kNoReportID) {
            _countBeforeSelection = {_global.reportID, bitOffset, bitLength};
        } else if (_global.reportID == _selectedReportID) {
            recordContactCount(bitOffset, bitLength);
        }
    }

    void recordContactCount(std::int32_t bitOffset, std::int32_t bitLength) {
        _layout.contactCountBitOffset = bitOffset;
        _layout.contactCountBitLength = bitLength;
        _layout.hasContactCount = true;
    }

    WalkRules _rules;
    OVHIDDigitizerLayout _layout;
    GlobalState _global;
    std::array<GlobalState, kMaxPushDepth> _pushed{};
    int _pushDepth = 0;
    LocalState _local;
    OVHIDReportBitOffsets _reportBitOffsets{};
    std::int64_t _selectedReportID = kNoReportID;
    OpenSlot _open = OpenSlot::None;
    std::int64_t _slotReportID = kNoReportID;  // the report of the open Unnamed collection
    bool _previousSiblingWasFinger = false;
    bool _sawReportID = false;
    bool _fingerCollectionInAnotherReport = false;
    // Collection nesting: the depth inside the outermost open collection is 1.
    int _depth = 0;
    int _touchScreenDepth = -1;
    ContactCountField _countBeforeSelection;
    OVHIDContactBuilder _builder = OVHIDContactBuilderMake(0, OVContactKindFinger);
};

LayoutWalk walkDescriptor(const std::uint8_t* descriptor, qsizetype length, WalkRules rules) {
    LayoutWalk walk(rules);
    qsizetype cursor = 0;
    OVHIDItem item;
    while (OVNextHIDItem(descriptor, length, cursor, item)) {
        walk.take(item);
    }
    return walk;
}

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
    // Only the first field of a usage counts: devices that repeat X and Y in one contact put
    // the coordinates in the first.
    const auto unset = [](std::int32_t fieldOffset) { return fieldOffset < 0; };
    if (usage == kTipSwitchUsage && unset(c.tipSwitchBitOffset)) {
        c.tipSwitchBitOffset = bitOffset;
    } else if (usage == kInRangeUsage && unset(c.inRangeBitOffset)) {
        c.inRangeBitOffset = bitOffset;
    } else if (usage == kConfidenceUsage && unset(c.touchValidBitOffset)) {
        c.touchValidBitOffset = bitOffset;
    } else if (usage == kInvertUsage && unset(c.invertBitOffset)) {
        c.invertBitOffset = bitOffset;
    } else if (usage == kEraserUsage && unset(c.eraserBitOffset)) {
        c.eraserBitOffset = bitOffset;
    } else if (usage == kContactIdentifierUsage && unset(c.contactIdBitOffset)) {
        c.contactIdBitOffset = bitOffset;
        c.contactIdBitLength = reportSize;
    } else if (usage == kXUsage && unset(c.xBitOffset)) {
        c.xBitOffset = bitOffset;
        c.xBitLength = reportSize;
        c.xLogicalMinimum = logicalMinimum;
        c.xLogicalMaximum = logicalMaximum;
    } else if (usage == kYUsage && unset(c.yBitOffset)) {
        c.yBitOffset = bitOffset;
        c.yBitLength = reportSize;
        c.yLogicalMinimum = logicalMinimum;
        c.yLogicalMaximum = logicalMaximum;
    } else if (usage == kWidthUsage && unset(c.widthBitOffset)) {
        c.widthBitOffset = bitOffset;
        c.widthBitLength = reportSize;
    } else if (usage == kHeightUsage && unset(c.heightBitOffset)) {
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
    WalkRules rules;
    LayoutWalk walk = walkDescriptor(descriptor, length, rules);
    if (!walk.sawReportID()) {
        rules.numberedReports = false;
        walk = walkDescriptor(descriptor, length, rules);
    }
    if (walk.fingersLieInAnotherReport()) {
        rules.fingersSelect = true;
        LayoutWalk fingersFirst = walkDescriptor(descriptor, length, rules);
        if (fingersFirst.valid()) {
            return fingersFirst.finish();
        }
    }
    return walk.finish();
}

OVHIDDigitizerLayout OVHIDDigitizerLayoutBuild(const QByteArray& descriptor) {
    return OVHIDDigitizerLayoutBuild(reinterpret_cast<const std::uint8_t*>(descriptor.constData()),
                                     descriptor.size());
}
