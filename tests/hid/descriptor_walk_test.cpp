#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "hid/descriptor_parser.h"
#include "hid/touch_contact.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

std::vector<OVHIDItem> itemsOf(const QByteArray& descriptor) {
    std::vector<OVHIDItem> items;
    qsizetype cursor = 0;
    OVHIDItem item;
    while (OVNextHIDItem(data(descriptor), descriptor.size(), cursor, item)) {
        items.push_back(item);
    }
    EXPECT_EQ(cursor, descriptor.size());
    return items;
}

}  // namespace

TEST(HIDItemWalk, YieldsShortItemsWithTypeTagSizeAndLittleEndianValue) {
    // Usage Page (1 byte), Logical Maximum (2 bytes), Report Count (4 bytes), End Collection
    // (no data), and a reserved-type item.
    const auto items = itemsOf(
        bytes({0x05, 0x0D, 0x26, 0xFF, 0x7F, 0x97, 0x01, 0x02, 0x03, 0x84, 0xC0, 0x0D, 0x42}));
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].type, 1);
    EXPECT_EQ(items[0].tag, 0);
    EXPECT_EQ(items[0].size, 1);
    EXPECT_EQ(items[0].value, 0x0Du);
    EXPECT_EQ(items[1].type, 1);
    EXPECT_EQ(items[1].tag, 2);
    EXPECT_EQ(items[1].size, 2);
    EXPECT_EQ(items[1].value, 0x7FFFu);
    EXPECT_EQ(items[1].signedValue, 0x7FFF);
    EXPECT_EQ(items[2].tag, 9);
    EXPECT_EQ(items[2].size, 4);
    EXPECT_EQ(items[2].value, 0x84030201u);
    EXPECT_EQ(items[2].signedValue, static_cast<std::int32_t>(0x84030201u));
    EXPECT_EQ(items[3].type, 0);
    EXPECT_EQ(items[3].tag, 12);
    EXPECT_EQ(items[3].size, 0);
    EXPECT_EQ(items[3].value, 0u);
    EXPECT_EQ(items[4].type, 3);
    EXPECT_EQ(items[4].tag, 0);
    EXPECT_EQ(items[4].value, 0x42u);
}

TEST(HIDItemWalk, ItemCutShortByTheEndIsYieldedWithTheBytesThatWereThere) {
    // Logical Maximum with 4 data bytes, of which only 2 are present.
    const auto items = itemsOf(bytes({0x05, 0x01, 0x27, 0x34, 0x12}));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].size, 4);
    EXPECT_EQ(items[1].value, 0x1234u);
}

TEST(HIDItemWalk, LongItemsAreSkippedWholeAndNeverYielded) {
    // A long item with 3 data bytes between two short items.
    const auto items = itemsOf(bytes({0x05, 0x0D, 0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC, 0x09, 0x22}));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].type, 2);
    EXPECT_EQ(items[1].value, 0x22u);
    // One that runs past the end, or has fewer than two bytes after its prefix, ends the walk.
    EXPECT_EQ(itemsOf(bytes({0x05, 0x0D, 0xFE, 0x09, 0x10, 0x09, 0x22})).size(), 1u);
    EXPECT_EQ(itemsOf(bytes({0x05, 0x0D, 0xFE, 0x01})).size(), 1u);
    EXPECT_EQ(itemsOf(bytes({0xFE})).size(), 0u);
}

TEST(HIDItemWalk, NoItemWithoutBytesOrWithTheCursorOutside) {
    OVHIDItem item;
    const QByteArray d = bytes({0x05, 0x0D});
    for (qsizetype cursor : {2, 7, -1}) {
        EXPECT_FALSE(OVNextHIDItem(data(d), d.size(), cursor, item));
    }
    qsizetype cursor = 0;
    EXPECT_FALSE(OVNextHIDItem(nullptr, 4, cursor, item));
}

TEST(HIDItemWalk, SignExtensionFollowsTheItemSize) {
    EXPECT_EQ(OVSignExtendHIDValue(0xFF, 1), -1);
    EXPECT_EQ(OVSignExtendHIDValue(0x7F, 1), 127);
    EXPECT_EQ(OVSignExtendHIDValue(0x80, 1), -128);
    EXPECT_EQ(OVSignExtendHIDValue(0xFFFF, 2), -1);
    EXPECT_EQ(OVSignExtendHIDValue(0x8000, 2), -32768);
    EXPECT_EQ(OVSignExtendHIDValue(0x7FFF, 2), 32767);
    EXPECT_EQ(OVSignExtendHIDValue(0xFFFFFFFF, 4), -1);
    EXPECT_EQ(OVSignExtendHIDValue(0xFF, 4), 255);
    EXPECT_EQ(OVSignExtendHIDValue(0xFF, 0), 255);
    EXPECT_EQ(OVSignExtendHIDValue(0xFF, 3), 255);
}

TEST(HIDUsageLookup, RulesApplyInOrder) {
    const OVHIDUsage x{kGenericDesktop, kX};
    const OVHIDUsage y{kGenericDesktop, kY};
    const OVHIDUsage list[] = {x, y};
    const OVHIDUsage rangeMin{kDigitizer, kTipSwitch};
    const OVHIDUsage rangeMax{kDigitizer, kTipSwitch + 3};

    // As many usages as fields: one each, even with a range present.
    EXPECT_EQ(OVHIDUsageAt(list, 2, rangeMin, true, rangeMax, true, 2, 1), y);
    // One usage for several fields: all of them.
    EXPECT_EQ(OVHIDUsageAt(list, 1, rangeMin, true, rangeMax, true, 3, 2), x);
    // A range applies next, by index.
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, rangeMin, true, rangeMax, true, 4, 3),
              (OVHIDUsage{kDigitizer, kTipSwitch + 3}));
    EXPECT_EQ(OVHIDUsageAt(list, 2, rangeMin, true, rangeMax, true, 5, 1),
              (OVHIDUsage{kDigitizer, kTipSwitch + 1}));
    // Past the range, the usage list by index, then nothing.
    EXPECT_EQ(OVHIDUsageAt(list, 2, rangeMin, true, rangeMax, true, 8, 4), OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(list, 2, {}, false, {}, false, 4, 1), y);
    EXPECT_EQ(OVHIDUsageAt(list, 2, {}, false, {}, false, 4, 2), OVHIDUsage{});
    // With a report count of 0 the first field still gets the first usage.
    EXPECT_EQ(OVHIDUsageAt(list, 1, {}, false, {}, false, 0, 0), x);
}

TEST(HIDUsageLookup, RangeNeedsBothEndsOnOnePageInOrder) {
    const OVHIDUsage minimum{kGenericDesktop, kX};
    const OVHIDUsage maximum{kGenericDesktop, kY};
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, minimum, true, maximum, true, 2, 1), maximum);
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, minimum, true, maximum, false, 2, 1), OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, minimum, false, maximum, true, 2, 0), OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, minimum, true, OVHIDUsage{kDigitizer, kY}, true, 2, 0),
              OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, maximum, true, minimum, true, 2, 0), OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, minimum, true, maximum, true, 4, 2), OVHIDUsage{});
}

TEST(HIDContactBuilder, FillsTheFieldOfEachKnownUsageAndBuildsOnlyComplete) {
    OVHIDContactBuilder builder = OVHIDContactBuilderMake(3, OVContactKindPen);
    EXPECT_EQ(builder.contact.slot, 3);
    EXPECT_EQ(builder.contact.preferredKind, OVContactKindPen);
    EXPECT_EQ(builder.contact.tipSwitchBitOffset, -1);
    EXPECT_EQ(builder.contact.xBitLength, 0);
    EXPECT_FALSE(OVHIDContactBuilderBuild(builder).has_value());

    const auto apply = [&](std::uint32_t page, std::uint32_t usage, int offset, int size) {
        OVHIDContactBuilderApply(builder, OVHIDUsage{page, usage}, offset, size, -5, 100 + offset);
    };
    apply(kDigitizer, kTipSwitch, 8, 1);
    apply(kDigitizer, kInRange, 9, 1);
    apply(kDigitizer, kConfidence, 10, 1);
    apply(kDigitizer, kInvert, 11, 1);
    apply(kDigitizer, kEraser, 12, 1);
    apply(kDigitizer, kContactIdentifier, 16, 6);
    EXPECT_FALSE(OVHIDContactBuilderBuild(builder).has_value());
    apply(kGenericDesktop, kX, 24, 12);
    EXPECT_FALSE(OVHIDContactBuilderBuild(builder).has_value());
    apply(kGenericDesktop, kY, 36, 12);
    apply(kDigitizer, kWidth, 48, 8);
    apply(kDigitizer, kHeight, 56, 8);
    // Usages a contact does not need, and X on the wrong page, change nothing.
    apply(kDigitizer, 0x30, 70, 16);
    apply(kGenericDesktop, kTipSwitch, 71, 1);

    const std::optional<OVHIDContactLayout> c = OVHIDContactBuilderBuild(builder);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->slot, 3);
    EXPECT_EQ(c->tipSwitchBitOffset, 8);
    EXPECT_EQ(c->inRangeBitOffset, 9);
    EXPECT_EQ(c->touchValidBitOffset, 10);
    EXPECT_EQ(c->invertBitOffset, 11);
    EXPECT_EQ(c->eraserBitOffset, 12);
    EXPECT_EQ(c->contactIdBitOffset, 16);
    EXPECT_EQ(c->contactIdBitLength, 6);
    EXPECT_EQ(c->xBitOffset, 24);
    EXPECT_EQ(c->xBitLength, 12);
    EXPECT_EQ(c->xLogicalMinimum, -5);
    EXPECT_EQ(c->xLogicalMaximum, 124);
    EXPECT_EQ(c->yBitOffset, 36);
    EXPECT_EQ(c->yLogicalMaximum, 136);
    EXPECT_EQ(c->widthBitOffset, 48);
    EXPECT_EQ(c->widthBitLength, 8);
    EXPECT_EQ(c->heightBitOffset, 56);
    EXPECT_EQ(c->heightBitLength, 8);

    // A later field with a usage already taken changes nothing: the first one counts.
    apply(kGenericDesktop, kX, 80, 16);
    apply(kDigitizer, kTipSwitch, 96, 1);
    EXPECT_EQ(OVHIDContactBuilderBuild(builder)->xBitOffset, 24);
    EXPECT_EQ(OVHIDContactBuilderBuild(builder)->xBitLength, 12);
    EXPECT_EQ(OVHIDContactBuilderBuild(builder)->tipSwitchBitOffset, 8);
}

TEST(HIDContactBuilder, EveryBuiltSlotHasAUsableLogicalRange) {
    OVHIDContactBuilder builder = OVHIDContactBuilderMake(0, OVContactKindFinger);
    OVHIDContactBuilderApply(builder, {kDigitizer, kTipSwitch}, 8, 1, 0, 1);
    OVHIDContactBuilderApply(builder, {kDigitizer, kContactIdentifier}, 9, 7, 0, 127);
    OVHIDContactBuilderApply(builder, {kGenericDesktop, kX}, 16, 16, 0, -1);
    OVHIDContactBuilderApply(builder, {kGenericDesktop, kY}, 32, 16,
                             std::numeric_limits<std::int32_t>::max(),
                             std::numeric_limits<std::int32_t>::min());
    const std::optional<OVHIDContactLayout> c = OVHIDContactBuilderBuild(builder);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->xLogicalMaximum, 1);
    // There is no value above the largest minimum: the maximum stays the largest value.
    EXPECT_EQ(c->yLogicalMaximum, std::numeric_limits<std::int32_t>::max());
}

TEST(HIDReportBitOffsets, UnseenAndOutOfRangeIDsStartAfterTheIDByte) {
    OVHIDReportBitOffsets offsets;
    offsets.fill(-1);
    EXPECT_EQ(OVHIDReportBitOffset(offsets, 5), 8);
    OVHIDSetReportBitOffset(offsets, 5, 40);
    OVHIDSetReportBitOffset(offsets, 255, 16);
    OVHIDSetReportBitOffset(offsets, 256, 99);
    OVHIDSetReportBitOffset(offsets, -1, 99);
    EXPECT_EQ(OVHIDReportBitOffset(offsets, 5), 40);
    EXPECT_EQ(OVHIDReportBitOffset(offsets, 255), 16);
    EXPECT_EQ(OVHIDReportBitOffset(offsets, 256), 8);
    EXPECT_EQ(OVHIDReportBitOffset(offsets, -1), 8);
    EXPECT_EQ(OVHIDReportBitOffset(offsets, 0), 8);
}

// --- The layout walk ------------------------------------------------------------------------

TEST(HIDLayoutWalk, StandardMultiTouchScreen) {
    Writer d;
    beginTouchScreen(d, 3);
    for (int i = 0; i < 3; ++i) {
        fingerCollection(d);
    }
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);

    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 3);
    EXPECT_EQ(layout.reportIDByteOffset, 0);
    ASSERT_EQ(layout.contactCount, 3);
    for (int i = 0; i < 3; ++i) {
        const OVHIDContactLayout& c = layout.contacts[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.slot, i);
        EXPECT_EQ(c.preferredKind, OVContactKindFinger);
        EXPECT_EQ(c.tipSwitchBitOffset, 8 + 48 * i);
        EXPECT_EQ(c.contactIdBitOffset, 16 + 48 * i);
        EXPECT_EQ(c.contactIdBitLength, 8);
        EXPECT_EQ(c.xBitOffset, 24 + 48 * i);
        EXPECT_EQ(c.xBitLength, 16);
        EXPECT_EQ(c.xLogicalMaximum, 4095);
        EXPECT_EQ(c.yBitOffset, 40 + 48 * i);
        EXPECT_EQ(c.inRangeBitOffset, -1);
        EXPECT_EQ(c.widthBitOffset, -1);
    }
    EXPECT_TRUE(layout.hasContactCount);
    EXPECT_EQ(layout.contactCountBitOffset, 8 + 3 * 48);
    EXPECT_EQ(layout.contactCountBitLength, 8);
    EXPECT_TRUE(layout.hasFingerCollection);
    EXPECT_FALSE(layout.hasPenCollection);
    EXPECT_FALSE(layout.hasTouchValid);
    EXPECT_FALSE(layout.hasInRange);
    EXPECT_FALSE(layout.hasWidth);
    EXPECT_TRUE(layout.hasLogicalRanges);
}

TEST(HIDLayoutWalk, OptionalFieldsAreFlaggedFromTheStoredSlots) {
    OVHIDTouchScreenDescription description;
    description.fingers = 2;
    description.widthAndHeight = true;
    const OVHIDDigitizerLayout layout =
        OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
    ASSERT_TRUE(layout.valid);
    EXPECT_TRUE(layout.hasTouchValid);
    EXPECT_TRUE(layout.hasInRange);
    EXPECT_TRUE(layout.hasWidth);
    EXPECT_TRUE(layout.hasHeight);
    EXPECT_FALSE(layout.hasInvert);
    EXPECT_FALSE(layout.hasEraser);
    EXPECT_EQ(layout.contacts[1].inRangeBitOffset, 8 + 80 + 1);
    EXPECT_EQ(layout.contacts[1].touchValidBitOffset, 8 + 80 + 2);
    EXPECT_EQ(layout.contacts[1].widthBitOffset, 8 + 80 + 48);
    EXPECT_EQ(layout.contacts[1].heightBitOffset, 8 + 80 + 64);
    EXPECT_EQ(layout.contactCountBitOffset, 8 + 160);
}

TEST(HIDLayoutWalk, WithoutAnyReportIDTheReportsAreUnnumbered) {
    // The one input report starts with data: report ID 0, no report ID byte, bit 0 first.
    Writer d;
    d.usagePage(kDigitizer).usage(kTouchScreen).collection(Writer::kApplication);
    fingerCollection(d);
    fingerCollection(d, false);
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 0);
    EXPECT_EQ(layout.reportIDByteOffset, -1);
    ASSERT_EQ(layout.contactCount, 2);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 0);
    EXPECT_EQ(layout.contacts[1].xBitOffset, 48 + 16);
    EXPECT_EQ(layout.contactCountBitOffset, 96);
    EXPECT_FALSE(OVHIDDigitizerLayoutBuild(QByteArray()).valid);
    EXPECT_FALSE(OVHIDDigitizerLayoutBuild(nullptr, 10).valid);
}

TEST(HIDLayoutWalk, ContactCountBeforeTheContactCollectionsCountsForTheirReport) {
    Writer d;
    beginTouchScreen(d, 1);
    contactCountField(d);
    fingerCollection(d);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_TRUE(layout.hasContactCount);
    EXPECT_EQ(layout.contactCountBitOffset, 8);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 16);

    // One in another report counts for nothing.
    Writer other;
    beginTouchScreen(other, 2);
    contactCountField(other).endCollection();
    beginTouchScreen(other, 1);
    fingerCollection(other);
    other.endCollection();
    EXPECT_TRUE(layoutOf(other).valid);
    EXPECT_FALSE(layoutOf(other).hasContactCount);
    EXPECT_EQ(layoutOf(other).contactCountBitOffset, -1);
}

TEST(HIDLayoutWalk, IncompleteFingerCollectionLeavesItsSlotNumberToTheNext) {
    Writer d;
    beginTouchScreen(d, 1);
    // A Finger collection without Contact Identifier: 40 bits.
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.inputField(kTipSwitch, 1, 0, 1).padding(7);
    d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095).inputField(kY, 16, 0, 4095);
    d.endCollection();
    fingerCollection(d);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    ASSERT_EQ(layout.contactCount, 1);
    EXPECT_EQ(layout.contacts[0].slot, 0);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 48);
    EXPECT_TRUE(layout.hasFingerCollection);
}

TEST(HIDLayoutWalk, FingerCollectionWithoutAnyCompleteSlotIsNotValid) {
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.inputField(kTipSwitch, 8, 0, 1).endCollection();
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    EXPECT_FALSE(layout.valid);
    EXPECT_EQ(layout.reportID, 0);
    EXPECT_TRUE(layout.hasFingerCollection);
    EXPECT_TRUE(layout.hasContactCount);
    EXPECT_EQ(layout.contactCount, 0);
    EXPECT_EQ(layout.contactCountBitOffset, -1);
}

TEST(HIDLayoutWalk, PenUnderAnotherReportIDAfterFingersIsIgnored) {
    Writer d;
    beginTouchScreen(d, 1);
    fingerCollection(d);
    d.endCollection();
    d.reportID(2).usagePage(kDigitizer).usage(kPen).collection(Writer::kApplication);
    d.usage(kStylus).collection(Writer::kPhysical);
    minimalContact(d).endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 1);
    EXPECT_EQ(layout.contactCount, 1);
    EXPECT_FALSE(layout.hasPenCollection);
}

TEST(HIDLayoutWalk, TheFingerReportWinsOverAPenReportThatComesFirst) {
    // Pen-and-touch screens whose pen comes first, with a slot of its own or without one (no
    // Contact Identifier). Only when no finger collection holds a contact is the pen chosen.
    for (const auto& [penHasIdentifier, fingerIsComplete] :
         {std::pair{true, true}, std::pair{false, true}, std::pair{true, false}}) {
        SCOPED_TRACE(testing::Message() << penHasIdentifier << fingerIsComplete);
        Writer d;
        d.usagePage(kDigitizer).usage(kPen).collection(Writer::kApplication).reportID(2);
        d.usage(kStylus).collection(Writer::kPhysical);
        d.inputField(kTipSwitch, 1, 0, 1).padding(7);
        if (penHasIdentifier) {
            d.inputField(kContactIdentifier, 8, 0, 255);
        }
        d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 9600).inputField(kY, 16, 0, 7200);
        d.endCollection().endCollection();
        beginTouchScreen(d, 1);
        if (fingerIsComplete) {
            fingerCollection(d);
        } else {
            d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
            d.inputField(kTipSwitch, 8, 0, 1).endCollection();
        }
        contactCountField(d).endCollection();
        const OVHIDDigitizerLayout layout = layoutOf(d);
        ASSERT_TRUE(layout.valid);
        EXPECT_EQ(layout.reportID, fingerIsComplete ? 1 : 2);
        ASSERT_EQ(layout.contactCount, 1);
        EXPECT_EQ(layout.contacts[0].preferredKind,
                  fingerIsComplete ? OVContactKindFinger : OVContactKindPen);
        EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 8);
        EXPECT_EQ(layout.hasPenCollection, !fingerIsComplete);
        EXPECT_EQ(layout.hasContactCount, fingerIsComplete);
    }
}

TEST(HIDLayoutWalk, RepeatedReportIDRestartsItsRunningOffset) {
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).inputField(kScanTime, 16, 0, 65535);
    d.reportID(1);
    fingerCollection(d);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 8);
}

TEST(HIDLayoutWalk, OutputAndFeatureItemsShareTheRunningOffset) {
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(0x55).reportSize(8).reportCount(1).feature();
    d.usage(0x01).reportSize(4).reportCount(2).output();
    fingerCollection(d);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 8 + 8 + 8);
}

TEST(HIDLayoutWalk, DataItemsBeforeTheFirstReportIDAreIgnoredEntirely) {
    // The Input item before any Report ID neither takes bits nor clears the pending Usage
    // (Finger), which the collection after the Report ID then carries.
    Writer d;
    d.usagePage(kDigitizer).usage(kTouchScreen).collection(Writer::kApplication);
    d.usage(kFinger).reportSize(8).reportCount(4).input();
    d.reportID(1).collection(Writer::kLogical);
    minimalContact(d).endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 8);
}

TEST(HIDLayoutWalk, LogicalMaximumOfAllOnesInTwoBytesReadsAsMinusOne) {
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
    d.usagePage(kGenericDesktop).usage(kX).logicalMinimum(0).item(1, 2, 0xFFFF, 2);
    d.reportSize(16).reportCount(1).input();
    d.inputField(kY, 16, 0, 1000).endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contacts[0].xLogicalMinimum, 0);
    EXPECT_EQ(layout.contacts[0].xLogicalMaximum, 1);
    EXPECT_EQ(layout.contacts[0].yLogicalMaximum, 1000);
    EXPECT_TRUE(layout.hasLogicalRanges);
}

TEST(HIDLayoutWalk, UsageRangeAssignsXThenY) {
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
    d.usagePage(kGenericDesktop).usageMinimum(kX).usageMaximum(kY);
    d.logicalMaximum(2000).reportSize(12).reportCount(2).input();
    d.endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contacts[0].xBitOffset, 24);
    EXPECT_EQ(layout.contacts[0].yBitOffset, 36);
    EXPECT_EQ(layout.contacts[0].yBitLength, 12);
}

TEST(HIDLayoutWalk, TheFirstFieldOfARepeatedUsageIsTheContactsField) {
    // X over three fields, then Y over two: the contact takes the first of each, and the
    // offsets after the items stay exact, also with a usage repeated over 300 fields.
    for (const std::uint32_t repeats : {3u, 300u}) {
        SCOPED_TRACE(repeats);
        Writer d;
        beginTouchScreen(d, 1);
        d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
        d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
        d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095, repeats);
        d.inputField(kY, 16, 0, 4095, 2).endCollection();
        contactCountField(d).endCollection();
        const OVHIDDigitizerLayout layout = layoutOf(d);
        ASSERT_TRUE(layout.valid);
        EXPECT_EQ(layout.contacts[0].xBitOffset, 24);
        EXPECT_EQ(layout.contacts[0].yBitOffset, 24 + 16 * static_cast<int>(repeats));
        EXPECT_EQ(layout.contactCountBitOffset, 24 + 16 * static_cast<int>(repeats) + 32);
    }
}

TEST(HIDLayoutWalk, LongItemsInsideADescriptorAreSkipped) {
    Writer d;
    beginTouchScreen(d, 1);
    d.raw(bytes({0xFE, 0x02, 0x77, 0x09, 0x22}));  // a long item whose data looks like a Usage
    fingerCollection(d);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contactCount, 1);

    Writer cut;
    beginTouchScreen(cut, 1);
    cut.raw(bytes({0xFE, 0x40, 0x77}));  // runs past the end: the walk stops here
    fingerCollection(cut);
    EXPECT_FALSE(layoutOf(cut).valid);
}

TEST(HIDLayoutWalk, PopRestoresTheGlobalItemsOfThePush) {
    // The Pop restores Generic Desktop, the sizes and the logical range before X and Y; a Pop
    // of a pushed Report ID returns to that report without restarting its running offset.
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.usagePage(kGenericDesktop).logicalMaximum(4095).reportSize(16).reportCount(1).push();
    d.usagePage(kDigitizer).inputField(kTipSwitch, 1, 0, 1).padding(7);
    d.inputField(kContactIdentifier, 8, 0, 255);
    d.push().reportID(9).usage(kScanTime).reportSize(16).input().pop();
    d.pop().usage(kX).input().usage(kY).input();
    d.endCollection();
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 1);
    EXPECT_EQ(layout.contacts[0].xBitOffset, 24);
    EXPECT_EQ(layout.contacts[0].xBitLength, 16);
    EXPECT_EQ(layout.contacts[0].xLogicalMaximum, 4095);
    EXPECT_EQ(layout.contacts[0].yBitOffset, 40);
    EXPECT_EQ(layout.contactCountBitOffset, 56);
}

TEST(HIDLayoutWalk, FourByteUsageIsNotSplitIntoPageAndUsage) {
    Writer d;
    beginTouchPad(d, 1);
    d.usagePage(0).item(2, 0, 0x000D0022, 4).collection(Writer::kLogical);
    minimalContact(d).endCollection().endCollection();
    EXPECT_FALSE(layoutOf(d).valid);
    EXPECT_FALSE(layoutOf(d).hasFingerCollection);
}

TEST(HIDLayoutWalk, UsagesPastSixtyFourAreDropped) {
    // The collection's usage is the last stored one: the 64th (Finger), not the 65th.
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer);
    for (int i = 0; i < 63; ++i) {
        d.usage(0x01);
    }
    d.usage(kFinger).usage(kPen).collection(Writer::kLogical);
    minimalContact(d).endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contacts[0].preferredKind, OVContactKindFinger);
    EXPECT_FALSE(layout.hasPenCollection);
}

TEST(HIDLayoutWalk, ReportIDAbove255KeepsItsLowByteAndStartsEveryItemAfterTheIDByte) {
    Writer d;
    beginTouchScreen(d, 0x105);
    fingerCollection(d);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 5);
    // No running offset is kept for the ID: every Input item starts at bit 8.
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 8);
    EXPECT_EQ(layout.contacts[0].yBitOffset, 8);
}

TEST(HIDLayoutWalk, HugeSizesAndCountsNeitherOverflowNorHang) {
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.usage(kTipSwitch).reportSize(0xFFFFFFFF).reportCount(0xFFFFFFFF).input();
    minimalContact(d).endCollection();
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    // The fields after the huge item lie past any report, clamped to the largest offset.
    EXPECT_EQ(layout.contacts[0].yBitOffset, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(layout.contactCountBitOffset, std::numeric_limits<std::int32_t>::max());
}

// --- Contact collections without a usage of their own -----------------------------------------

TEST(HIDLayoutWalkSiblings, CollectionsWithoutUsageAfterAFingerCollectionAreFingers) {
    OVHIDTouchScreenDescription description;
    description.fingers = 5;
    description.fingerUsageOnFirstCollectionOnly = true;
    const OVHIDDigitizerLayout layout =
        OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
    ASSERT_TRUE(layout.valid);
    ASSERT_EQ(layout.contactCount, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(layout.contacts[i].slot, i);
        EXPECT_EQ(layout.contacts[i].preferredKind, OVContactKindFinger);
        EXPECT_EQ(layout.contacts[i].tipSwitchBitOffset, 8 + 48 * i);
    }
    EXPECT_EQ(layout.contactCountBitOffset, 8 + 5 * 48);
}

TEST(HIDLayoutWalkSiblings, AnInputBetweenEndsTheRunOutsideATouchScreen) {
    Writer d;
    beginTouchPad(d, 1);
    fingerCollection(d);
    d.usagePage(kDigitizer).inputField(kScanTime, 16, 0, 65535);
    fingerCollection(d, false);
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contactCount, 1);
    // The usage-less collection opened no slot, so its fields took bits without being read.
    EXPECT_EQ(layout.contactCountBitOffset, 8 + 48 + 16 + 48);
}

TEST(HIDLayoutWalkSiblings, FeatureItemsBetweenDoNotEndTheRun) {
    Writer d;
    beginTouchScreen(d, 1);
    fingerCollection(d);
    d.usagePage(kDigitizer).usage(0x55).reportSize(8).reportCount(1).feature();
    fingerCollection(d, false);
    d.endCollection();
    EXPECT_EQ(layoutOf(d).contactCount, 2);
}

TEST(HIDLayoutWalkSiblings, AnotherReportIDEndsTheRun) {
    Writer d;
    beginTouchScreen(d, 1);
    fingerCollection(d);
    d.reportID(2);
    fingerCollection(d, false);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contactCount, 1);
    EXPECT_EQ(layout.reportID, 1);
}

TEST(HIDLayoutWalkSiblings, ACollectionWithAnotherUsageIsNoFingerOutsideATouchScreen) {
    Writer d;
    beginTouchPad(d, 1);
    fingerCollection(d);
    d.usagePage(kGenericDesktop).usage(kFinger).collection(Writer::kLogical);
    minimalContact(d).endCollection();
    fingerCollection(d, false);  // its previous sibling was not a Finger collection
    d.endCollection();
    EXPECT_EQ(layoutOf(d).contactCount, 1);
}

TEST(HIDLayoutWalkSiblings, OnlyAFingerCollectionStartsARun) {
    Writer d;
    d.usagePage(kDigitizer).usage(kPen).collection(Writer::kApplication).reportID(1);
    d.usage(kStylus).collection(Writer::kPhysical);
    minimalContact(d).endCollection();
    d.collection(Writer::kPhysical);
    minimalContact(d).endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contactCount, 1);
}

TEST(HIDLayoutWalkSiblings, ACollectionInsideAnOpenContactCollectionOpensNoSlot) {
    // The nested collection opens no second slot; its End Collection closes the contact, as
    // the walk keeps no depth.
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
    d.collection(Writer::kPhysical);
    d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095).inputField(kY, 16, 0, 4095);
    d.endCollection().endCollection();
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contactCount, 1);
    EXPECT_EQ(layout.contactCountBitOffset, 8 + 48);
}

TEST(HIDLayoutWalkSiblings, AFingerCollectionWithoutASlotStillStartsARun) {
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kDigitizer).usage(kFinger).collection(Writer::kLogical);
    d.inputField(kTipSwitch, 8, 0, 1).endCollection();
    fingerCollection(d, false);
    d.endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    ASSERT_EQ(layout.contactCount, 1);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 16);
}

// --- Contact collections of a Touch Screen without a Finger usage -----------------------------

TEST(HIDLayoutWalkTouchScreen, CollectionsHoldingAContactAreFingerSlots) {
    // One with a usage of another page, one without usage after an Input item, and one that
    // holds only the Contact Count, which still counts.
    Writer d;
    beginTouchScreen(d, 1);
    d.usagePage(kGenericDesktop).usage(kFinger).collection(Writer::kLogical);
    minimalContact(d).endCollection();
    d.usagePage(kDigitizer).inputField(kScanTime, 16, 0, 65535);
    d.collection(Writer::kPhysical);
    minimalContact(d).endCollection();
    d.collection(Writer::kPhysical);
    contactCountField(d).endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 1);
    EXPECT_TRUE(layout.hasFingerCollection);
    ASSERT_EQ(layout.contactCount, 2);
    EXPECT_EQ(layout.contacts[0].preferredKind, OVContactKindFinger);
    EXPECT_EQ(layout.contacts[1].preferredKind, OVContactKindFinger);
    EXPECT_EQ(layout.contacts[1].slot, 1);
    EXPECT_EQ(layout.contacts[1].tipSwitchBitOffset, 8 + 48 + 16);
    EXPECT_EQ(layout.contactCountBitOffset, 8 + 48 + 16 + 48);
}

TEST(HIDLayoutWalkTouchScreen, OneThatHoldsNoContactSelectsNothing) {
    // A collection of report 5 with a Tip Switch alone leaves the choice to the fingers of
    // report 1.
    Writer d;
    beginTouchScreen(d, 5);
    d.collection(Writer::kLogical);
    d.usagePage(kDigitizer).inputField(kTipSwitch, 8, 0, 1).endCollection();
    d.reportID(1).collection(Writer::kLogical);
    minimalContact(d).endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 1);
    EXPECT_EQ(layout.contactCount, 1);
}

// --- More contact collections than slots -------------------------------------------------------

TEST(HIDLayoutWalkBeyondEightSlots, TenFingersStoreEightSlotsAndStillRecordContactCount) {
    for (const bool usageOnFirstOnly : {false, true}) {
        SCOPED_TRACE(usageOnFirstOnly);
        OVHIDTouchScreenDescription description;
        description.fingers = 10;
        description.fingerUsageOnFirstCollectionOnly = usageOnFirstOnly;
        const OVHIDDigitizerLayout layout =
            OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
        ASSERT_TRUE(layout.valid);
        ASSERT_EQ(layout.contactCount, 8);
        EXPECT_EQ(layout.contacts[7].slot, 7);
        EXPECT_EQ(layout.contacts[7].tipSwitchBitOffset, 8 + 7 * 48);
        EXPECT_EQ(layout.contacts[7].yBitOffset, 8 + 7 * 48 + 32);
        EXPECT_TRUE(layout.hasContactCount);
        EXPECT_EQ(layout.contactCountBitOffset, 8 + 10 * 48);
    }
}

TEST(HIDLayoutWalkBeyondEightSlots, FieldsOfTheNinthCollectionReachNoSlot) {
    Writer d;
    beginTouchScreen(d, 1);
    for (int i = 0; i < 9; ++i) {
        fingerCollection(d);
    }
    // An X field after the ninth collection, outside any contact collection.
    d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095);
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_EQ(layout.contactCount, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(layout.contacts[i].xBitOffset, 8 + i * 48 + 16);
    }
    EXPECT_EQ(layout.contactCountBitOffset, 8 + 9 * 48 + 16);
}
