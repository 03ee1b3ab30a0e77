#include <gtest/gtest.h>

#include <random>

#include "hid/descriptor_summary.h"
#include "hid/hid_recording.h"
#include "hid/report_decoding.h"
#include "hid/touch_bridge.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

// The same bits read one at a time, as the plainest statement of the bit order.
std::uint32_t readBitsOneByOne(const QByteArray& bytes, qsizetype length, int offset, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count && i < 32 && (offset + i) / 8 < length; ++i) {
        value |= static_cast<std::uint32_t>((bytes[(offset + i) / 8] >> ((offset + i) % 8)) & 1)
                 << i;
    }
    return value;
}

// A bridge decoding the reports of the usual screen (with width and height) of `slots` slots.
class DecodingBridge : public ::testing::Test {
  protected:
    void use(const OVHIDDigitizerLayout& layout) {
        _layout = layout;
        _bridge.setHIDLayout(layout);
        _bridge.setHIDDecoderStatus(OVHIDDecoderStatusForLayout(layout));
    }
    QByteArray report(std::initializer_list<OVTouchContact> contacts, std::uint32_t count) const {
        return OVTouchReport(_layout, contacts.begin(), int(contacts.size()), count);
    }
    OVTouchContactList decode(const QByteArray& report) {
        return _bridge.contactsFromReport(data(report), report.size());
    }
    QString debugText(const QByteArray& report) {
        return _bridge.debugTextForReport(data(report), report.size(), decode(report));
    }
    void setBits(QByteArray& report, int offset, int bits, std::uint32_t value) const {
        OVWriteBits(reinterpret_cast<std::uint8_t*>(report.data()), report.size(), offset, bits,
                    value);
    }

    OVHIDDigitizerLayout _layout;
    OVTouchBridge _bridge;
};

}  // namespace

TEST(HIDBits, ReaderAgreesWithABitByBitRead) {
    std::mt19937 random(20240607);
    QByteArray r(9, '\0');
    for (char& byte : r) {
        byte = static_cast<char>(random());
    }
    for (qsizetype length = 1; length <= r.size(); ++length) {
        for (int offset = 0; offset < 8 * 10; ++offset) {
            for (int count = 1; count <= 40; ++count) {
                ASSERT_EQ(OVReadBits(data(r), length, offset, count),
                          readBitsOneByOne(r, length, offset, count))
                    << "length " << length << " offset " << offset << " count " << count;
            }
        }
    }
    EXPECT_EQ(OVReadBits(nullptr, 2, 0, 8), 0u);
    EXPECT_EQ(OVReadBits(data(r), 9, -1, 8), 0u);
}

TEST_F(DecodingBridge, ContactsThatAreDownArePackedAndKeepTheirSlot) {
    use(screenLayout(3, true));
    QByteArray r = report(
        {fingerAt(42, 0x1234, 0x0567), fingerAt(7, 100, 200), fingerAt(9, 32767, 20, 0x0202)}, 2);
    setBits(r, _layout.contacts[1].tipSwitchBitOffset, 1, 0);
    const OVTouchContactList list = decode(r);
    EXPECT_EQ(list.frameContactCount, 2);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.contacts[1].slot, 2);
    EXPECT_EQ(list.contacts[1].contactId, 9);
    EXPECT_EQ(list.contacts[1].kind, OVContactKindPen);

    // In range and confidence, where the slot has them, must hold too.
    setBits(r, _layout.contacts[0].inRangeBitOffset, 1, 0);
    setBits(r, _layout.contacts[2].touchValidBitOffset, 1, 0);
    EXPECT_EQ(decode(r).count, 0);
    _layout.contacts[0].inRangeBitOffset = -1;
    _layout.contacts[2].touchValidBitOffset = -1;
    use(_layout);
    EXPECT_EQ(decode(r).count, 2);
    _layout.contacts[0].tipSwitchBitOffset = -1;  // a slot without a tip switch is never down
    use(_layout);
    EXPECT_EQ(decode(r).count, 1);
}

TEST_F(DecodingBridge, MarkerFromWidthAndHeightAndTheEraserBits) {
    OVHIDDigitizerLayout layout = screenLayout(1, true);
    layout.contacts[0].preferredKind = OVContactKindPen;
    layout.contacts[0].invertBitOffset = 8 + 3;  // padding bits of the slot
    layout.contacts[0].tipSwitchBitOffset = 8 + 4;
    use(layout);
    OVTouchContact eraser = fingerAt(1, 1, 1);
    eraser.kind = OVContactKindEraser;
    EXPECT_EQ(decode(report({eraser}, 1)).contacts[0].kind, OVContactKindEraser);
    QByteArray r = report({fingerAt(1, 1, 1, 0x2305)}, 1);
    EXPECT_EQ(decode(r).contacts[0].marker, 0x2305);
    EXPECT_EQ(decode(r).contacts[0].kind, OVContactKindPen);  // an unknown marker: the collection's
    setBits(r, 8 + 3, 1, 1);
    EXPECT_EQ(decode(r).contacts[0].kind, OVContactKindEraser);
    // Width of 16 bits and no height: the width alone.
    setBits(r, layout.contacts[0].widthBitOffset, 16, 0x0808);
    layout.contacts[0].heightBitOffset = -1;
    layout.contacts[0].invertBitOffset = -1;
    use(layout);
    EXPECT_EQ(decode(r).contacts[0].kind, OVContactKindFinger);
}

TEST_F(DecodingBridge, NothingFromAnotherReportAShortOneOrNoLayout) {
    use(screenLayout(2));
    QByteArray r = report({fingerAt(1, 0x0ABC, 0x0123)}, 0);
    // Cut inside X: its high bits and the Contact Count read 0; the count is what decoded.
    EXPECT_EQ(decode(r.left(4)).contacts[0].x, 0xBCu);
    EXPECT_EQ(decode(r.left(4)).frameContactCount, 1);

    r[0] = 2;
    const OVTouchContactList other = decode(r);
    EXPECT_FALSE(other.decoded || other.complete);
    EXPECT_EQ(other.count + other.slotCount + other.frameContactCount, 0);
}

// A recorded screen of two slots per report: one finger, then two fingers and a pen over two
// reports, then nothing down.
TEST_F(DecodingBridge, TheRecordingOfAFrameSpreadOverReportsDecodesToItsDebugText) {
    const std::optional<OVHIDRecording> recording = OVReadHIDRecordingFile(
        QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/two-slot-hybrid.hidrec"));
    ASSERT_TRUE(recording.has_value());
    use(OVHIDDigitizerLayoutBuild(recording->descriptor));
    QStringList texts;
    for (const OVHIDRecordedEvent& event : recording->events) {
        texts << debugText(event.bytes);
    }
    const QString decoder =
        "decoder=HidDigitizerDescriptor report=2 contacts=2 report=2 frame=%1 reported=%1 "
        "contacts=%2 slots=2 hybridOffset=%3 hybrid=%4 complete=%5";
    EXPECT_EQ(
        texts.join("\n\n"),
        "0022 bytes: 02 07 01 e8 03 d0 07 08 00 08 00 00 00 00 00 00 00 00 00 00 00 01\n" +
            decoder.arg(1).arg(1).arg(0).arg("no", "yes") +
            "\n  slot=0 id=  1 flags=0x03 down kind=finger  x= 1000 y= 2000 marker=0x0808\n\n"
            "0022 bytes: 02 07 01 f2 03 da 07 08 00 08 00 07 02 b8 0b a0 0f 08 00 08 00 03\n" +
            decoder.arg(3).arg(2).arg(0).arg("observed", "no") +
            "\n  slot=0 id=  1 flags=0x03 down kind=finger  x= 1010 y= 2010 marker=0x0808"
            "\n  slot=1 id=  2 flags=0x03 down kind=finger  x= 3000 y= 4000 marker=0x0808\n\n"
            "0022 bytes: 02 07 03 88 13 70 17 02 00 02 00 00 00 00 00 00 00 00 00 00 00 03\n" +
            decoder.arg(3).arg(1).arg(2).arg("continuation", "yes") +
            "\n  slot=0 id=  3 flags=0x03 down kind=pen     x= 5000 y= 6000 marker=0x0202\n\n"
            "0022 bytes: 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n" +
            decoder.arg(0).arg(0).arg(0).arg("observed", "yes"));
}

TEST_F(DecodingBridge, EncodedReportsOfTheUsualScreenDecodeBack) {
    OVHIDTouchScreenDescription description;
    description.reportID = 7;
    description.widthAndHeight = true;
    use(OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description)));
    OVTouchContact contacts[8];
    for (int i = 0; i < 8; ++i) {
        contacts[i] = fingerAt(i + 20, 1000u * i + 7, 32767u - 100u * i, i == 3 ? 0x0202 : 0x0808);
    }
    contacts[5].kind = OVContactKindEraser;
    const QByteArray r = OVTouchReport(_layout, contacts, 8, 8);
    EXPECT_EQ(r.size(), 1 + 10 * 10 + 1);  // up to the Contact Count after ten slots
    const OVTouchContactList list = decode(r);
    ASSERT_EQ(list.count, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(list.contacts[i].contactId, i + 20);
        EXPECT_EQ(list.contacts[i].x, contacts[i].x);
        EXPECT_EQ(list.contacts[i].y, contacts[i].y);
        EXPECT_EQ(list.contacts[i].marker, contacts[i].marker);
    }
    EXPECT_EQ(list.contacts[3].kind, OVContactKindPen);
    EXPECT_EQ(list.contacts[5].kind, OVContactKindFinger);  // no eraser field in this screen
    // Without slots or Contact Count a report is its ID byte.
    _layout.contactCount = 0;
    _layout.contactCountBitOffset = -1;
    EXPECT_EQ(OVTouchReportLength(_layout), 1);
}
