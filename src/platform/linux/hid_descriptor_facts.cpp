#include "platform/linux/hid_descriptor_facts.h"

#include <algorithm>
#include <climits>
#include <map>
#include <vector>

namespace {

// Item types and tags of short items.
constexpr int kMainItem = 0;
constexpr int kGlobalItem = 1;
constexpr int kLocalItem = 2;

constexpr int kMainInput = 0x8;
constexpr int kMainCollection = 0xA;
constexpr int kMainEndCollection = 0xC;

constexpr int kGlobalUsagePage = 0x0;
constexpr int kGlobalReportSize = 0x7;
constexpr int kGlobalReportID = 0x8;
constexpr int kGlobalReportCount = 0x9;
constexpr int kGlobalPush = 0xA;
constexpr int kGlobalPop = 0xB;

constexpr int kLocalUsage = 0x0;

constexpr std::uint8_t kLongItemPrefix = 0xFE;

struct GlobalState {
    std::uint32_t usagePage = 0;
    bool hasUsagePage = false;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportID = 0;
};

// A usage as declared: with a page when it was an extended (4-byte) usage or when a page was
// already set; otherwise the page is filled in at the main item.
struct DeclaredUsage {
    std::uint32_t usage = 0;
    std::optional<std::uint32_t> page;
};

std::uint32_t littleEndianValue(const QByteArray& bytes, qsizetype at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value |= std::uint32_t(std::uint8_t(bytes[at + i])) << (8 * i);
    }
    return value;
}

class FactsWalker {
  public:
    OVHIDDescriptorFacts walk(const QByteArray& bytes) {
        qsizetype at = 0;
        while (at < bytes.size()) {
            const std::uint8_t prefix = std::uint8_t(bytes[at]);
            if (prefix == kLongItemPrefix) {
                if (at + 3 > bytes.size()) {  // prefix, data size, long tag
                    return malformed();
                }
                const qsizetype dataSize = std::uint8_t(bytes[at + 1]);
                if (at + 3 + dataSize > bytes.size()) {
                    return malformed();
                }
                at += 3 + dataSize;
                continue;
            }
            const int sizeCode = prefix & 0x3;
            const int size = sizeCode == 3 ? 4 : sizeCode;
            if (at + 1 + size > bytes.size()) {
                return malformed();
            }
            const int type = (prefix >> 2) & 0x3;
            const int tag = prefix >> 4;
            handleItem(type, tag, littleEndianValue(bytes, at + 1, size), size);
            at += 1 + size;
        }
        return finish();
    }

  private:
    void handleItem(int type, int tag, std::uint32_t value, int size) {
        switch (type) {
            case kMainItem:
                handleMainItem(tag);
                break;
            case kGlobalItem:
                handleGlobalItem(tag, value);
                break;
            case kLocalItem:
                if (tag == kLocalUsage) {
                    declareUsage(value, size);
                }
                break;
            default:
                break;  // reserved item type
        }
    }

    void handleMainItem(int tag) {
        if (tag == kMainInput) {
            _inputBits[_global.reportID] += std::uint64_t(_global.reportSize) * _global.reportCount;
            _usesReportIDs = _usesReportIDs || _global.reportID != 0;
        } else if (tag == kMainCollection) {
            if (_depth == 0) {
                _facts.topLevelUsages.append(collectionUsage());
            }
            ++_depth;
        } else if (tag == kMainEndCollection) {
            if (_depth > 0) {
                --_depth;
            }
        }
        _usages.clear();  // local items end with every main item
    }

    void handleGlobalItem(int tag, std::uint32_t value) {
        switch (tag) {
            case kGlobalUsagePage:
                _global.usagePage = value;
                _global.hasUsagePage = true;
                if (!_firstUsagePage) {
                    _firstUsagePage = value;
                }
                break;
            case kGlobalReportSize:
                _global.reportSize = value;
                break;
            case kGlobalReportID:
                _global.reportID = value;
                break;
            case kGlobalReportCount:
                _global.reportCount = value;
                break;
            case kGlobalPush:
                _stack.push_back(_global);
                break;
            case kGlobalPop:
                if (!_stack.empty()) {
                    _global = _stack.back();
                    _stack.pop_back();
                }
                break;
            default:
                break;
        }
    }

    void declareUsage(std::uint32_t value, int size) {
        DeclaredUsage usage;
        if (size == 4) {
            usage.page = value >> 16;
            usage.usage = value & 0xFFFF;
        } else {
            usage.usage = value;
            if (_global.hasUsagePage) {
                usage.page = _global.usagePage;
            }
        }
        if (!_firstUsage) {
            _firstUsage = usage.usage;
        }
        _usages.push_back(usage);
    }

    // A collection takes the first usage declared before it.
    OVHIDUsagePair collectionUsage() const {
        if (_usages.empty()) {
            return {_global.usagePage, 0};
        }
        const DeclaredUsage& first = _usages.front();
        return {first.page.value_or(_global.usagePage), first.usage};
    }

    OVHIDDescriptorFacts malformed() {
        _facts.wellFormed = false;
        return finish();
    }

    OVHIDDescriptorFacts finish() {
        if (!_facts.topLevelUsages.isEmpty()) {
            _facts.primaryUsagePage = _facts.topLevelUsages.front().usagePage;
            _facts.primaryUsage = _facts.topLevelUsages.front().usage;
        } else {
            _facts.primaryUsagePage = _firstUsagePage;
            _facts.primaryUsage = _firstUsage;
        }
        std::uint64_t largest = 0;
        for (const auto& [reportID, bits] : _inputBits) {
            const std::uint64_t bytes = (bits + 7) / 8 + (_usesReportIDs ? 1 : 0);
            largest = std::max(largest, bytes);
        }
        _facts.maxInputReportSize = std::int32_t(std::min<std::uint64_t>(largest, INT32_MAX));
        return _facts;
    }

    OVHIDDescriptorFacts _facts;
    GlobalState _global;
    std::vector<GlobalState> _stack;
    std::vector<DeclaredUsage> _usages;
    std::map<std::uint32_t, std::uint64_t> _inputBits;
    bool _usesReportIDs = false;
    int _depth = 0;
    std::optional<std::uint32_t> _firstUsagePage;
    std::optional<std::uint32_t> _firstUsage;
};

}  // namespace

OVHIDDescriptorFacts OVHIDDescriptorFactsFromBytes(const QByteArray& descriptor) {
    return FactsWalker().walk(descriptor);
}

bool OVHIDDescriptorHasTouchScreenOrPen(const QByteArray& descriptor) {
    constexpr std::uint32_t kDigitizerPage = 0x0D;
    constexpr std::uint32_t kPen = 0x02;
    constexpr std::uint32_t kTouchScreen = 0x04;
    const OVHIDDescriptorFacts facts = OVHIDDescriptorFactsFromBytes(descriptor);
    return facts.topLevelUsages.contains(OVHIDUsagePair{kDigitizerPage, kTouchScreen}) ||
           facts.topLevelUsages.contains(OVHIDUsagePair{kDigitizerPage, kPen});
}
