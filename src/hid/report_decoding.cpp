#include "hid/report_decoding.h"

#include <algorithm>

#include "hid/touch_contact.h"

namespace {

constexpr std::int64_t kMaxFieldBits = 32;

constexpr std::uint16_t kPenMarker = 0x0202;
constexpr std::uint16_t kEraserMarker = 0x0404;
constexpr std::uint16_t kFingerMarker = 0x0808;

bool isNamedKind(std::int64_t kind) {
    return kind == OVContactKindFinger || kind == OVContactKindPen || kind == OVContactKindEraser;
}

}  // namespace

std::uint32_t OVReadBits(const std::uint8_t* bytes, qsizetype length, std::int64_t bitOffset,
                         std::int64_t bitCount) {
    if (!bytes || length <= 0 || bitOffset < 0 || bitCount < 1) {
        return 0;
    }
    const std::int64_t firstByte = bitOffset / 8;
    if (firstByte >= length) {
        return 0;
    }
    const int shift = static_cast<int>(bitOffset % 8);
    const std::int64_t bits = std::min(bitCount, kMaxFieldBits);
    // The field spans at most five bytes; those past the end of the report read as 0.
    const std::int64_t byteCount =
        std::min<std::int64_t>((shift + bits + 7) / 8, length - firstByte);
    std::uint64_t window = 0;
    for (std::int64_t i = 0; i < byteCount; ++i) {
        window |= static_cast<std::uint64_t>(bytes[firstByte + i]) << (8 * i);
    }
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    return static_cast<std::uint32_t>((window >> shift) & mask);
}

std::int64_t OVContactKindFromDescriptor(std::int64_t preferredKind, std::uint16_t marker,
                                         bool eraser, bool invert) {
    if (eraser || invert) {
        return OVContactKindEraser;
    }
    const std::int64_t markerKind = OVContactKindFromWidth(marker);
    if (isNamedKind(markerKind)) {
        return markerKind;
    }
    return isNamedKind(preferredKind) ? preferredKind : markerKind;
}

std::int64_t OVContactKindFromWidth(std::uint16_t marker) {
    switch (marker) {
        case kPenMarker:
            return OVContactKindPen;
        case kEraserMarker:
            return OVContactKindEraser;
        case kFingerMarker:
            return OVContactKindFinger;
        case 0:
            return OVContactKindNone;
        default:
            return OVContactKindUnknown;
    }
}

const char* OVContactKindLatin1Name(std::int64_t kind) {
    switch (kind) {
        case OVContactKindNone:
            return "none";
        case OVContactKindFinger:
            return "finger";
        case OVContactKindPen:
            return "pen";
        case OVContactKindEraser:
            return "eraser";
        default:
            return "unknown";
    }
}

QString OVContactKindName(std::int64_t kind) {
    return QString::fromLatin1(OVContactKindLatin1Name(kind));
}
