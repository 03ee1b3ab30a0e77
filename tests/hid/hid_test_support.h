#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <ostream>

#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"

// GoogleTest prints QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Usage pages and usages the tests write into descriptors.
namespace hidtest {

inline constexpr std::uint32_t kGenericDesktop = 0x01;
inline constexpr std::uint32_t kDigitizer = 0x0D;
inline constexpr std::uint32_t kTouchScreen = 0x04;
inline constexpr std::uint32_t kTouchPad = 0x05;
inline constexpr std::uint32_t kPen = 0x02;
inline constexpr std::uint32_t kStylus = 0x20;
inline constexpr std::uint32_t kFinger = 0x22;
inline constexpr std::uint32_t kInRange = 0x32;
inline constexpr std::uint32_t kInvert = 0x3C;
inline constexpr std::uint32_t kTipSwitch = 0x42;
inline constexpr std::uint32_t kEraser = 0x45;
inline constexpr std::uint32_t kConfidence = 0x47;
inline constexpr std::uint32_t kWidth = 0x48;
inline constexpr std::uint32_t kHeight = 0x49;
inline constexpr std::uint32_t kContactIdentifier = 0x51;
inline constexpr std::uint32_t kScanTime = 0x56;
inline constexpr std::uint32_t kContactCount = 0x54;
inline constexpr std::uint32_t kX = 0x30;
inline constexpr std::uint32_t kY = 0x31;

using Writer = OVHIDDescriptorWriter;

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray result;
    for (int value : values) {
        result.append(static_cast<char>(value));
    }
    return result;
}

inline const std::uint8_t* data(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

// The body of one contact collection: Tip Switch (1 bit), 7 bits of padding, an 8-bit Contact
// Identifier, 16-bit X and Y (0..4095): 48 bits, tip at +0, identifier at +8, X at +16, Y at +32.
inline Writer& minimalContact(Writer& d) {
    d.usagePage(kDigitizer).inputField(kTipSwitch, 1, 0, 1).padding(7);
    d.inputField(kContactIdentifier, 8, 0, 255);
    d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095).inputField(kY, 16, 0, 4095);
    return d;
}

// A Finger collection with a minimal contact.
inline Writer& fingerCollection(Writer& d, bool withUsage = true) {
    d.usagePage(kDigitizer);
    if (withUsage) {
        d.usage(kFinger);
    }
    d.collection(Writer::kLogical);
    minimalContact(d);
    return d.endCollection();
}

inline Writer& contactCountField(Writer& d) {
    return d.usagePage(kDigitizer).inputField(kContactCount, 8, 0, 255);
}

inline Writer& beginTouchScreen(Writer& d, std::uint32_t reportID) {
    d.usagePage(kDigitizer).usage(kTouchScreen).collection(Writer::kApplication);
    return d.reportID(reportID);
}

inline Writer& beginTouchPad(Writer& d, std::uint32_t reportID) {
    d.usagePage(kDigitizer).usage(kTouchPad).collection(Writer::kApplication);
    return d.reportID(reportID);
}

inline OVHIDDigitizerLayout layoutOf(const Writer& d) {
    return OVHIDDigitizerLayoutBuild(d.bytes());
}

}  // namespace hidtest
