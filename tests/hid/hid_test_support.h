#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <initializer_list>

#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"
#include "hid/touch_contact.h"

// Usage pages and usages the tests write into descriptors.
namespace hidtest {

enum : std::uint32_t { kGenericDesktop = 0x01, kDigitizer = 0x0D, kX = 0x30, kY = 0x31 };
enum : std::uint32_t { kPen = 0x02, kTouchScreen = 0x04, kTouchPad = 0x05, kStylus = 0x20 };
enum : std::uint32_t { kFinger = 0x22, kInvert = 0x3C, kTipSwitch = 0x42 };
enum : std::uint32_t { kContactIdentifier = 0x51, kContactCount = 0x54, kScanTime = 0x56 };

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

// A contact collection with a minimal contact, with Usage (Finger) or without a usage.
inline Writer& fingerCollection(Writer& d, bool withUsage = true) {
    d.usagePage(kDigitizer);
    if (withUsage) {
        d.usage(kFinger);
    }
    d.collection(Writer::kLogical);
    return minimalContact(d).endCollection();
}

inline Writer& contactCountField(Writer& d) {
    return d.usagePage(kDigitizer).inputField(kContactCount, 8, 0, 255);
}

// Opens an application collection (Touch Screen, Touch Pad, Pen) under a report ID.
inline Writer& beginApplication(Writer& d, std::uint32_t reportID,
                                std::uint32_t usage = kTouchScreen) {
    return d.usagePage(kDigitizer).usage(usage).collection(Writer::kApplication).reportID(reportID);
}

inline OVHIDDigitizerLayout layoutOf(const Writer& d) {
    return OVHIDDigitizerLayoutBuild(d.bytes());
}

// The layout of the usual multi-touch screen with `fingers` contact collections.
inline OVHIDDigitizerLayout screenLayout(int fingers, bool widthAndHeight = false) {
    OVHIDTouchScreenDescription description;
    description.fingers = fingers;
    description.widthAndHeight = widthAndHeight;
    return OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
}

// One finger contact for the report encoder.
inline OVTouchContact fingerAt(int id, std::uint32_t x, std::uint32_t y,
                               std::uint16_t marker = 0x0808) {
    OVTouchContact contact;
    contact.contactId = static_cast<std::uint8_t>(id);
    contact.x = x;
    contact.y = y;
    contact.marker = marker;
    return contact;
}

}  // namespace hidtest
