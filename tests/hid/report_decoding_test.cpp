#include <gtest/gtest.h>

#include <random>

#include "hid/report_decoding.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

// The same bits read one at a time, as the plainest statement of the bit order.
std::uint32_t readBitsOneByOne(const std::uint8_t* bytes, qsizetype length, std::int64_t offset,
                               std::int64_t count) {
    if (!bytes || length <= 0 || offset < 0 || count < 1) {
        return 0;
    }
    std::uint32_t value = 0;
    for (std::int64_t i = 0; i < count && i < 32; ++i) {
        const std::int64_t byte = (offset + i) / 8;
        if (byte >= length) {
            break;
        }
        value |= static_cast<std::uint32_t>((bytes[byte] >> ((offset + i) % 8)) & 1) << i;
    }
    return value;
}

// A layout written out by hand: report ID 1, slot i at bit 8 + 64 i with tip, in range and
// confidence in its first byte, an 8-bit identifier, 16-bit X (0..4095) and Y (0..2047), 8-bit
// width and height; the 8-bit Contact Count after the slots.
OVHIDDigitizerLayout handLayout(int slotTotal, bool contactCount = true) {
    OVHIDDigitizerLayout layout;
    layout.valid = true;
    layout.reportID = 1;
    layout.contactCount = slotTotal;
    for (int i = 0; i < slotTotal; ++i) {
        OVHIDContactLayout& c = layout.contacts[i];
        const int base = 8 + 64 * i;
        c.slot = i;
        c.preferredKind = OVContactKindFinger;
        c.tipSwitchBitOffset = base;
        c.inRangeBitOffset = base + 1;
        c.touchValidBitOffset = base + 2;
        c.contactIdBitOffset = base + 8;
        c.contactIdBitLength = 8;
        c.xBitOffset = base + 16;
        c.xBitLength = 16;
        c.xLogicalMaximum = 4095;
        c.yBitOffset = base + 32;
        c.yBitLength = 16;
        c.yLogicalMaximum = 2047;
        c.widthBitOffset = base + 48;
        c.widthBitLength = 8;
        c.heightBitOffset = base + 56;
        c.heightBitLength = 8;
    }
    if (contactCount) {
        layout.hasContactCount = true;
        layout.contactCountBitOffset = 8 + 64 * slotTotal;
        layout.contactCountBitLength = 8;
    }
    return layout;
}

// Report bytes of the hand layout: `contacts` as (flags byte, id, x, y, width, height).
struct HandContact {
    int flags;
    int id;
    int x;
    int y;
    int width;
    int height;
};

QByteArray handReport(int slotTotal, std::initializer_list<HandContact> contacts, int count) {
    QByteArray report(1 + 8 * slotTotal + 1, '\0');
    report[0] = 1;
    int slot = 0;
    for (const HandContact& c : contacts) {
        const int base = 1 + 8 * slot++;
        report[base] = static_cast<char>(c.flags);
        report[base + 1] = static_cast<char>(c.id);
        report[base + 2] = static_cast<char>(c.x & 0xFF);
        report[base + 3] = static_cast<char>(c.x >> 8);
        report[base + 4] = static_cast<char>(c.y & 0xFF);
        report[base + 5] = static_cast<char>(c.y >> 8);
        report[base + 6] = static_cast<char>(c.width);
        report[base + 7] = static_cast<char>(c.height);
    }
    report[1 + 8 * slotTotal] = static_cast<char>(count);
    return report;
}

class DecodingBridge : public ::testing::Test {
  protected:
    void use(const OVHIDDigitizerLayout& layout) {
        _bridge.setHIDLayout(layout);
        _bridge.setHIDDecoderStatus(QStringLiteral("HidDigitizerDescriptor report=%1 contacts=%2")
                                        .arg(layout.reportID)
                                        .arg(layout.contactCount));
    }
    OVTouchContactList decode(const QByteArray& report) {
        return _bridge.contactsFromReport(data(report), report.size());
    }
    QString debugText(const QByteArray& report, const OVTouchContactList& contacts) {
        return _bridge.debugTextForReport(data(report), report.size(), contacts);
    }

    OVTouchBridge _bridge;
};

void expectAllZero(const OVTouchContactList& list) {
    EXPECT_FALSE(list.decoded);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.frameContactCount, 0);
    EXPECT_EQ(list.reportedContactCount, 0);
    EXPECT_EQ(list.slotCount, 0);
    EXPECT_EQ(list.hybridOffset, 0);
    EXPECT_FALSE(list.hybrid);
    EXPECT_FALSE(list.complete);
    EXPECT_FALSE(list.contacts[0].valid);
}

}  // namespace

// --- The bit reader -----------------------------------------------------------------------------

TEST(HIDBitReader, HandPickedFields) {
    const QByteArray r = bytes({0x01, 0xB5, 0x34, 0x12, 0xF0, 0xFF, 0x0F});
    const auto read = [&](std::int64_t offset, std::int64_t count, qsizetype length = 7) {
        return OVReadBits(data(r), length, offset, count);
    };
    EXPECT_EQ(read(8, 1), 1u);
    EXPECT_EQ(read(9, 1), 0u);
    EXPECT_EQ(read(12, 4), 0xBu);
    EXPECT_EQ(read(16, 16), 0x1234u);
    EXPECT_EQ(read(20, 12), 0x123u);
    EXPECT_EQ(read(8, 32), 0xF01234B5u);
    // Wider than 32 bits: the first 32.
    EXPECT_EQ(read(4, 64), 0x01234B50u);
    // Past the end of the report: 0.
    EXPECT_EQ(read(36, 16), 0xFFFFu);
    EXPECT_EQ(read(36, 16, 6), 0x0FFFu);
    EXPECT_EQ(read(56, 8), 0u);
    EXPECT_EQ(read(1'000'000'000'000, 8), 0u);
    // Nothing to read.
    EXPECT_EQ(OVReadBits(nullptr, 2, 0, 8), 0u);
    EXPECT_EQ(read(0, 8, 0), 0u);
    EXPECT_EQ(read(0, 8, -3), 0u);
    EXPECT_EQ(read(-1, 8), 0u);
    EXPECT_EQ(read(0, 0), 0u);
}

TEST(HIDBitReader, AgreesWithABitByBitReadEverywhere) {
    std::mt19937 random(20240607);
    QByteArray r(9, '\0');
    for (char& byte : r) {
        byte = static_cast<char>(random());
    }
    for (qsizetype length = 1; length <= r.size(); ++length) {
        for (int offset = 0; offset < 8 * 10; ++offset) {
            for (int count = 1; count <= 40; ++count) {
                ASSERT_EQ(OVReadBits(data(r), length, offset, count),
                          readBitsOneByOne(data(r), length, offset, count))
                    << "length " << length << " offset " << offset << " count " << count;
            }
        }
    }
}

TEST(HIDBitWriter, WritesWhatTheReaderReads) {
    QByteArray r(6, '\x5A');
    OVWriteBits(reinterpret_cast<std::uint8_t*>(r.data()), r.size(), 5, 19, 0x6A5C3);
    EXPECT_EQ(OVReadBits(data(r), r.size(), 5, 19), 0x6A5C3u);
    // The bits around the field are untouched.
    EXPECT_EQ(OVReadBits(data(r), r.size(), 0, 5), 0x1Au);
    EXPECT_EQ(OVReadBits(data(r), r.size(), 24, 24), 0x5A5A5Au);
    // Bits past the end are dropped.
    OVWriteBits(reinterpret_cast<std::uint8_t*>(r.data()), r.size(), 44, 16, 0xFFFF);
    EXPECT_EQ(static_cast<std::uint8_t>(r[5]), 0xFAu);
}

// --- Contact kinds -------------------------------------------------------------------------------

TEST(HIDContactKinds, MarkersNameKinds) {
    EXPECT_EQ(OVContactKindFromWidth(0x0202), OVContactKindPen);
    EXPECT_EQ(OVContactKindFromWidth(0x0404), OVContactKindEraser);
    EXPECT_EQ(OVContactKindFromWidth(0x0808), OVContactKindFinger);
    EXPECT_EQ(OVContactKindFromWidth(0), OVContactKindNone);
    EXPECT_EQ(OVContactKindFromWidth(0x0008), OVContactKindUnknown);
    EXPECT_EQ(OVContactKindFromWidth(0x0203), OVContactKindUnknown);
}

TEST(HIDContactKinds, EraserBitsThenMarkerThenCollection) {
    // Eraser or invert wins over everything.
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindFinger, 0x0808, true, false),
              OVContactKindEraser);
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindPen, 0x0202, false, true),
              OVContactKindEraser);
    // A marker that names a kind overrides the collection.
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindPen, 0x0808, false, false),
              OVContactKindFinger);
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindFinger, 0x0202, false, false),
              OVContactKindPen);
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindFinger, 0x0404, false, false),
              OVContactKindEraser);
    // Otherwise the collection's kind, when it names one.
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindFinger, 0x0123, false, false),
              OVContactKindFinger);
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindPen, 0, false, false), OVContactKindPen);
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindEraser, 0, false, false),
              OVContactKindEraser);
    // Else whatever the marker says.
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindNone, 0x0123, false, false),
              OVContactKindUnknown);
    EXPECT_EQ(OVContactKindFromDescriptor(OVContactKindUnknown, 0, false, false),
              OVContactKindNone);
}

TEST(HIDContactKinds, NamesAndInputs) {
    EXPECT_EQ(OVContactKindName(0), "none");
    EXPECT_EQ(OVContactKindName(1), "finger");
    EXPECT_EQ(OVContactKindName(2), "pen");
    EXPECT_EQ(OVContactKindName(3), "eraser");
    EXPECT_EQ(OVContactKindName(4), "unknown");
    EXPECT_EQ(OVContactKindName(5), "unknown");
    EXPECT_EQ(OVContactKindName(-1), "unknown");

    OVTouchBridge bridge;
    EXPECT_EQ(bridge.inputForContactKind(OVContactKindPen), "pen");
    EXPECT_EQ(bridge.inputForContactKind(OVContactKindEraser), "eraser");
    EXPECT_EQ(bridge.inputForContactKind(OVContactKindFinger), "finger1");
    EXPECT_EQ(bridge.inputForContactKind(OVContactKindNone), "finger1");
    EXPECT_EQ(bridge.inputForContactKind(OVContactKindUnknown), "finger1");
}

// --- Decoding reports ------------------------------------------------------------------------

TEST_F(DecodingBridge, DecodesEveryContactThatIsDown) {
    use(handLayout(3));
    const QByteArray report = handReport(
        3,
        {{0x07, 42, 0x1234, 0x0567, 8, 8}, {0x00, 7, 100, 200, 8, 8}, {0x07, 9, 4095, 2047, 2, 2}},
        2);
    const OVTouchContactList list = decode(report);
    ASSERT_TRUE(list.decoded);
    EXPECT_EQ(list.slotCount, 3);
    EXPECT_EQ(list.frameContactCount, 2);
    EXPECT_EQ(list.reportedContactCount, 2);
    EXPECT_TRUE(list.complete);
    EXPECT_FALSE(list.hybrid);
    ASSERT_EQ(list.count, 2);

    const OVTouchContact& first = list.contacts[0];
    EXPECT_TRUE(first.valid);
    EXPECT_EQ(first.slot, 0);
    EXPECT_EQ(first.flags, 0x03);
    EXPECT_EQ(first.contactId, 42);
    EXPECT_EQ(first.x, 0x1234u);
    EXPECT_EQ(first.y, 0x0567u);
    EXPECT_EQ(first.xMinimum, 0);
    EXPECT_EQ(first.xMaximum, 4095);
    EXPECT_EQ(first.yMaximum, 2047);
    EXPECT_EQ(first.marker, 0x0808);
    EXPECT_EQ(first.kind, OVContactKindFinger);

    // The contact of slot 1 is up; slot 2's contact comes next, packed, keeping its slot.
    const OVTouchContact& second = list.contacts[1];
    EXPECT_EQ(second.slot, 2);
    EXPECT_EQ(second.contactId, 9);
    EXPECT_EQ(second.x, 4095u);
    EXPECT_EQ(second.marker, 0x0202);
    EXPECT_EQ(second.kind, OVContactKindPen);
    EXPECT_FALSE(list.contacts[2].valid);
}

TEST_F(DecodingBridge, TipInRangeAndConfidenceMustAllHold) {
    use(handLayout(4));
    // tip only; tip + in range; tip + confidence; in range + confidence without tip.
    const QByteArray report = handReport(4,
                                         {{0x01, 1, 1, 1, 8, 8},
                                          {0x03, 2, 2, 2, 8, 8},
                                          {0x05, 3, 3, 3, 8, 8},
                                          {0x06, 4, 4, 4, 8, 8}},
                                         4);
    EXPECT_EQ(decode(report).count, 0);

    // A slot without in range and confidence fields needs only the tip.
    OVHIDDigitizerLayout layout = handLayout(4);
    for (int i = 0; i < 4; ++i) {
        layout.contacts[i].inRangeBitOffset = -1;
        layout.contacts[i].touchValidBitOffset = -1;
    }
    use(layout);
    const OVTouchContactList list = decode(report);
    ASSERT_EQ(list.count, 3);
    EXPECT_EQ(list.contacts[0].contactId, 1);
    EXPECT_EQ(list.contacts[1].contactId, 2);
    EXPECT_EQ(list.contacts[2].contactId, 3);
    EXPECT_EQ(list.contacts[2].flags, 0x03);
}

TEST_F(DecodingBridge, ReportOfAnotherIDDecodesToNothing) {
    use(handLayout(2));
    QByteArray report = handReport(2, {{0x07, 1, 10, 10, 8, 8}}, 1);
    report[0] = 2;
    const OVTouchContactList list = decode(report);
    expectAllZero(list);
    EXPECT_EQ(debugText(report, list),
              "0018 bytes: 02 07 01 0a 00 0a 00 08 08 00 00 00 00 00 00 00 00 01\n"
              "decoder=HidDigitizerDescriptor report=1 contacts=2 report=1 frame=0 reported=0 "
              "contacts=0 slots=0 hybridOffset=0 hybrid=no complete=no");
}

TEST_F(DecodingBridge, NothingDecodesWithoutAValidLayoutOrBytes) {
    const QByteArray report = handReport(1, {{0x07, 1, 10, 10, 8, 8}}, 1);
    OVHIDDigitizerLayout layout = handLayout(1);
    layout.valid = false;
    use(layout);
    expectAllZero(decode(report));
    use(handLayout(1));
    expectAllZero(_bridge.contactsFromReport(nullptr, 10));
    expectAllZero(_bridge.contactsFromReport(data(report), 0));
    expectAllZero(_bridge.contactsFromReport(data(report), -1));
}

TEST_F(DecodingBridge, ShortReportReadsMissingHighBitsAsZero) {
    use(handLayout(1));
    // Cut inside the X field: only its low byte is there.
    const QByteArray report = handReport(1, {{0x07, 5, 0x0ABC, 0x0123, 8, 8}}, 1).left(4);
    const OVTouchContactList list = decode(report);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.contacts[0].x, 0xBCu);
    EXPECT_EQ(list.contacts[0].y, 0u);
    EXPECT_EQ(list.contacts[0].marker, 0);
    EXPECT_EQ(list.contacts[0].kind, OVContactKindFinger);
    // No Contact Count byte either: the count is what was decoded.
    EXPECT_EQ(list.frameContactCount, 1);
}

TEST_F(DecodingBridge, MarkersAndKinds) {
    OVHIDDigitizerLayout layout = handLayout(3);
    for (int i = 0; i < 3; ++i) {
        layout.contacts[i].preferredKind = OVContactKindPen;
    }
    layout.contacts[2].eraserBitOffset = 8 + 128 + 3;
    use(layout);
    // 8/8 in a Pen collection is a finger; 4/4 an eraser; 2/2 with the eraser bit an eraser.
    const QByteArray report =
        handReport(3, {{0x07, 1, 1, 1, 8, 8}, {0x07, 2, 2, 2, 4, 4}, {0x0F, 3, 3, 3, 2, 2}}, 3);
    const OVTouchContactList list = decode(report);
    ASSERT_EQ(list.count, 3);
    EXPECT_EQ(list.contacts[0].kind, OVContactKindFinger);
    EXPECT_EQ(list.contacts[1].marker, 0x0404);
    EXPECT_EQ(list.contacts[1].kind, OVContactKindEraser);
    EXPECT_EQ(list.contacts[2].kind, OVContactKindEraser);

    // Width 0x23 with height 5 gives 0x2305 (unknown, so the collection's pen); with no height
    // field the width alone.
    const QByteArray sized = handReport(1, {{0x07, 1, 1, 1, 0x23, 0x05}}, 1);
    EXPECT_EQ(decode(sized).contacts[0].marker, 0x2305);
    EXPECT_EQ(decode(sized).contacts[0].kind, OVContactKindPen);
    layout.contacts[0].heightBitOffset = -1;
    layout.contacts[0].widthBitLength = 16;  // reads 0x0523 over width and height bytes
    layout.contacts[0].preferredKind = OVContactKindFinger;
    use(layout);
    EXPECT_EQ(decode(sized).contacts[0].marker, 0x0523);
    EXPECT_EQ(decode(sized).contacts[0].kind, OVContactKindFinger);
}

TEST_F(DecodingBridge, InvertBitGivesAnEraser) {
    OVHIDDigitizerLayout layout = handLayout(1);
    layout.contacts[0].invertBitOffset = 8 + 4;
    use(layout);
    EXPECT_EQ(decode(handReport(1, {{0x17, 1, 1, 1, 8, 8}}, 1)).contacts[0].kind,
              OVContactKindEraser);
    EXPECT_EQ(decode(handReport(1, {{0x07, 1, 1, 1, 8, 8}}, 1)).contacts[0].kind,
              OVContactKindFinger);
}

TEST_F(DecodingBridge, WideFieldsAreTruncatedWhereTheContactIsNarrower) {
    OVHIDDigitizerLayout layout = handLayout(1);
    layout.contacts[0].contactIdBitLength = 16;  // identifier 300 over the id and X low bytes
    layout.contacts[0].widthBitLength = 24;      // width masked to 16 bits
    use(layout);
    QByteArray report = handReport(1, {{0x07, 300 & 0xFF, 0x0101, 0, 0x34, 0x12}}, 1);
    const OVTouchContactList list = decode(report);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.contacts[0].contactId, 44);
    // Width reads 0x011234 and keeps 0x1234; the marker then takes its low byte and the height.
    EXPECT_EQ(list.contacts[0].marker, 0x3412);
}

TEST_F(DecodingBridge, ContactCountFallsBackToTheDecodedContacts) {
    use(handLayout(2));
    const QByteArray zeroCount = handReport(2, {{0x07, 1, 1, 1, 8, 8}, {0x07, 2, 2, 2, 8, 8}}, 0);
    OVTouchContactList list = decode(zeroCount);
    EXPECT_EQ(list.frameContactCount, 2);
    EXPECT_EQ(list.reportedContactCount, 2);

    use(handLayout(2, false));
    list = decode(zeroCount);
    EXPECT_EQ(list.frameContactCount, 2);
    EXPECT_TRUE(list.complete);
}

TEST_F(DecodingBridge, FrameSpreadOverReports) {
    use(handLayout(5));
    const auto reportSaying = [](int count) {
        return handReport(5, {{0x07, 1, 1, 1, 8, 8}, {0x07, 2, 2, 2, 8, 8}}, count);
    };

    OVTouchContactList first = decode(reportSaying(8));
    EXPECT_FALSE(first.hybrid);
    EXPECT_FALSE(first.complete);
    EXPECT_EQ(first.hybridOffset, 0);
    EXPECT_EQ(first.reportedContactCount, 8);
    EXPECT_EQ(_bridge.hybridOffset(), 5);
    EXPECT_TRUE(_bridge.hybridModeObserved());

    OVTouchContactList second = decode(reportSaying(8));
    EXPECT_TRUE(second.hybrid);
    EXPECT_TRUE(second.complete);
    EXPECT_EQ(second.hybridOffset, 5);
    EXPECT_EQ(_bridge.hybridOffset(), 0);

    // A report whose Contact Count reads 0 stands alone.
    decode(reportSaying(8));
    OVTouchContactList alone = decode(reportSaying(0));
    EXPECT_FALSE(alone.hybrid);
    EXPECT_TRUE(alone.complete);
    EXPECT_EQ(alone.hybridOffset, 5);
    EXPECT_EQ(_bridge.hybridOffset(), 0);
    EXPECT_TRUE(_bridge.hybridModeObserved());

    // A frame of three reports.
    EXPECT_FALSE(decode(reportSaying(12)).complete);
    const OVTouchContactList middle = decode(reportSaying(12));
    EXPECT_TRUE(middle.hybrid);
    EXPECT_FALSE(middle.complete);
    EXPECT_EQ(_bridge.hybridOffset(), 10);
    EXPECT_TRUE(decode(reportSaying(12)).complete);
    EXPECT_EQ(_bridge.hybridOffset(), 0);

    _bridge.resetHybridState();
    EXPECT_FALSE(_bridge.hybridModeObserved());
}

TEST_F(DecodingBridge, ReportOfAnotherIDLeavesTheFrameAlone) {
    use(handLayout(2));
    decode(handReport(2, {{0x07, 1, 1, 1, 8, 8}}, 4));
    ASSERT_EQ(_bridge.hybridOffset(), 2);
    QByteArray other = handReport(2, {}, 0);
    other[0] = 9;
    decode(other);
    EXPECT_EQ(_bridge.hybridOffset(), 2);
    EXPECT_TRUE(decode(handReport(2, {{0x07, 1, 1, 1, 8, 8}}, 4)).complete);
}

// --- The debug text ------------------------------------------------------------------------------

TEST_F(DecodingBridge, DebugTextListsBytesDecoderFrameAndContacts) {
    use(handLayout(2));
    const QByteArray report =
        handReport(2, {{0x07, 42, 4660, 22136, 8, 8}, {0x07, 300 & 0xFF, 7, 65535, 0x23, 0x05}}, 2);
    const OVTouchContactList list = decode(report);
    EXPECT_EQ(debugText(report, list),
              "0018 bytes: 01 07 2a 34 12 78 56 08 08 07 2c 07 00 ff ff 23 05 02\n"
              "decoder=HidDigitizerDescriptor report=1 contacts=2 report=1 frame=2 reported=2 "
              "contacts=2 slots=2 hybridOffset=0 hybrid=no complete=yes\n"
              "  slot=0 id= 42 flags=0x03 down kind=finger  x= 4660 y=22136 marker=0x0808\n"
              "  slot=1 id= 44 flags=0x03 down kind=finger  x=    7 y=65535 marker=0x2305");
}

TEST_F(DecodingBridge, DebugTextShowsTheFrameState) {
    use(handLayout(1));
    const QByteArray report = handReport(1, {{0x07, 1, 1, 1, 4, 4}}, 3);
    OVTouchContactList list = decode(report);
    EXPECT_TRUE(debugText(report, list).contains("hybridOffset=0 hybrid=observed complete=no"));
    list = decode(report);
    EXPECT_TRUE(debugText(report, list).contains("hybridOffset=1 hybrid=continuation complete=no"));
    EXPECT_TRUE(debugText(report, list).contains("kind=eraser  x="));
    list = decode(report);
    EXPECT_TRUE(
        debugText(report, list).contains("hybridOffset=2 hybrid=continuation complete=yes"));
    list = decode(handReport(1, {{0x07, 1, 1, 1, 2, 2}}, 1));
    EXPECT_TRUE(debugText(report, list).contains("hybrid=observed complete=yes"));
    EXPECT_TRUE(debugText(report, list).contains("kind=pen     x="));
}

TEST_F(DecodingBridge, DebugTextWithoutLayoutShowsBytesAndDecoderOnly) {
    const QByteArray report = bytes({0x01, 0xff});
    const OVTouchContactList list = decode(report);
    EXPECT_EQ(debugText(report, list), "0002 bytes: 01 ff\ndecoder=No descriptor decoder");
    _bridge.setHIDDecoderStatus(QString());
    EXPECT_EQ(debugText(report, list), "0002 bytes: 01 ff\ndecoder=No descriptor decoder");
    _bridge.setHIDDecoderStatus(QStringLiteral("Descriptor parser could not build touch layout"));
    EXPECT_EQ(_bridge.debugTextForReport(nullptr, 0, list),
              "0000 bytes:\ndecoder=Descriptor parser could not build touch layout");
}

TEST_F(DecodingBridge, EncodedReportsOfTheStandardScreenDecodeBack) {
    OVHIDTouchScreenDescription description;
    description.fingers = 10;
    description.reportID = 7;
    description.widthAndHeight = true;
    const OVHIDDigitizerLayout layout =
        OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
    use(layout);
    OVTouchContact contacts[8];
    for (int i = 0; i < 8; ++i) {
        contacts[i].contactId = static_cast<std::uint8_t>(i + 20);
        contacts[i].x = 1000u * i + 7;
        contacts[i].y = 32767u - 100u * i;
        contacts[i].marker = i == 3 ? 0x0202 : 0x0808;
        contacts[i].kind = i == 5 ? OVContactKindEraser : OVContactKindFinger;
    }
    const QByteArray report = OVTouchReport(layout, contacts, 8, 8);
    EXPECT_EQ(report.size(), 1 + 10 * 10 + 1);  // the report length up to Contact Count
    const OVTouchContactList list = decode(report);
    ASSERT_EQ(list.count, 8);
    EXPECT_EQ(list.reportedContactCount, 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.contacts[i].slot, i);
        EXPECT_EQ(list.contacts[i].contactId, i + 20);
        EXPECT_EQ(list.contacts[i].x, contacts[i].x);
        EXPECT_EQ(list.contacts[i].y, contacts[i].y);
        EXPECT_EQ(list.contacts[i].marker, contacts[i].marker);
    }
    EXPECT_EQ(list.contacts[3].kind, OVContactKindPen);
    EXPECT_EQ(list.contacts[5].kind, OVContactKindFinger);  // no eraser field in this screen
}
