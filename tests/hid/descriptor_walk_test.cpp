// The descriptor walk on hand-written descriptors, one shape at a time; the corpus test holds it
// against real devices.

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <vector>

#include "hid/descriptor_parser.h"
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
    return items;
}

constexpr int kNone = -1;
constexpr int kFar = std::numeric_limits<std::int32_t>::max();

}  // namespace

TEST(HIDItemWalk, ShortItemsAreYieldedLongItemsSkippedAndTheEndStopsTheWalk) {
    // Usage Page (1 byte), Logical Maximum (2), Report Count (4), End Collection (0), a
    // reserved-type item, a long item with 1 data byte, Usage.
    const auto items = itemsOf(bytes({0x05, 0x0D, 0x26, 0xFF, 0x7F, 0x97, 0x01, 0x02, 0x03, 0x84,
                                      0xC0, 0x0D, 0x42, 0xFE, 0x01, 0x10, 0xAA, 0x09, 0x22}));
    const std::uint32_t expected[][4] = {{1, 0, 1, 0x0D}, {1, 2, 2, 0x7FFF}, {1, 9, 4, 0x84030201},
                                         {0, 12, 0, 0},   {3, 0, 1, 0x42},   {2, 0, 1, 0x22}};
    ASSERT_EQ(items.size(), std::size(expected));
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].type, expected[i][0]);
        EXPECT_EQ(items[i].tag, expected[i][1]);
        EXPECT_EQ(items[i].size, expected[i][2]);
        EXPECT_EQ(items[i].value, expected[i][3]);
    }
    EXPECT_EQ(items[2].signedValue, static_cast<std::int32_t>(0x84030201u));
    // An item cut short keeps the bytes that were there; a long item past the end ends the walk.
    EXPECT_EQ(itemsOf(bytes({0x27, 0x34, 0x12})).at(0).value, 0x1234u);
    EXPECT_EQ(itemsOf(bytes({0x05, 0x0D, 0xFE, 0x09, 0x10, 0x09, 0x22})).size(), 1u);
    EXPECT_EQ(OVSignExtendHIDValue(0x80, 1), -128);
    EXPECT_EQ(OVSignExtendHIDValue(0x7FFF, 2), 32767);
    EXPECT_EQ(OVSignExtendHIDValue(0xFFFF, 2), -1);
    EXPECT_EQ(OVSignExtendHIDValue(0xFF, 4), 255);
}

TEST(HIDUsageLookup, ListThenRangeThenListByIndex) {
    const OVHIDUsage x{kGenericDesktop, kX};
    const OVHIDUsage y{kGenericDesktop, kY};
    const OVHIDUsage list[] = {x, y};
    const OVHIDUsage low{kDigitizer, kTipSwitch};
    const OVHIDUsage high{kDigitizer, kTipSwitch + 3};
    // As many usages as fields: one each; one usage for several fields: all of them.
    EXPECT_EQ(OVHIDUsageAt(list, 2, low, true, high, true, 2, 1), y);
    EXPECT_EQ(OVHIDUsageAt(list, 1, low, true, high, true, 3, 2), x);
    // A range by index, up to and including its maximum; past it the list, then nothing.
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, low, true, high, true, 4, 3), high);
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, x, true, x, true, 1, 0), x);
    EXPECT_EQ(OVHIDUsageAt(list, 2, low, true, high, true, 8, 4), OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(list, 2, {}, false, {}, false, 4, 1), y);
    // A range needs both ends, on one page, in order.
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, x, true, y, false, 2, 1), OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, x, true, OVHIDUsage{kDigitizer, kY}, true, 2, 0),
              OVHIDUsage{});
    EXPECT_EQ(OVHIDUsageAt(nullptr, 0, y, true, x, true, 2, 0), OVHIDUsage{});
}

TEST(HIDLayoutWalk, WithoutAnyReportIDTheReportsAreUnnumbered) {
    // Report ID 0, no ID byte: bit 0 is data, here the first contact's Invert bit.
    Writer d;
    d.usagePage(kDigitizer).usage(kTouchScreen).collection(Writer::kApplication);
    d.usage(kFinger).collection(Writer::kLogical).inputField(kInvert, 1, 0, 1).padding(7);
    minimalContact(d).endCollection();
    fingerCollection(d, false);
    contactCountField(d).endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.reportID, 0);
    EXPECT_EQ(layout.reportIDByteOffset, -1);
    ASSERT_EQ(layout.contactCount, 2);
    EXPECT_EQ(layout.contacts[0].invertBitOffset, 0);
    EXPECT_TRUE(layout.hasInvert);
    EXPECT_EQ(layout.contacts[0].tipSwitchBitOffset, 8);
    EXPECT_EQ(layout.contacts[1].xBitOffset, 56 + 16);
    EXPECT_EQ(layout.contactCountBitOffset, 104);
    EXPECT_FALSE(OVHIDDigitizerLayoutBuild(QByteArray()).valid);
}

// Shapes of descriptor and where the walk puts the touch report: its ID, the slots it stores,
// the first slot's Tip Switch and the Contact Count (kNone: none).
struct WalkCase {
    const char* shape;
    void (*write)(Writer&);
    int reportID;
    int stored;
    int firstTip;
    int contactCount;
    bool pen = false;
};

const WalkCase kWalkCases[] = {
    {"three contact collections and a Contact Count",
     [](Writer& d) {
         fingerCollection(fingerCollection(fingerCollection(beginApplication(d, 3))));
         contactCountField(d).endCollection();
     },
     3, 3, 8, 8 + 3 * 48},
    {"the fields of a ninth collection, and an X after it, reach no slot",
     [](Writer& d) {
         beginApplication(d, 1);
         for (int i = 0; i < 9; ++i) {
             fingerCollection(d);
         }
         d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095);
         contactCountField(d).endCollection();
     },
     1, 8, 8, 8 + 9 * 48 + 16},
    {"Contact Count before the contacts counts for their report",
     [](Writer& d) { fingerCollection(contactCountField(beginApplication(d, 1))).endCollection(); },
     1, 1, 16, 8},
    {"Contact Count of another report counts for nothing",
     [](Writer& d) {
         contactCountField(beginApplication(d, 2)).endCollection();
         fingerCollection(beginApplication(d, 1)).endCollection();
     },
     1, 1, 8, kNone},
    {"an incomplete Finger collection leaves its slot to the next",
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         d.inputField(kTipSwitch, 1, 0, 1).padding(7);
         d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095).inputField(kY, 16, 0, 4095);
         fingerCollection(d.endCollection()).endCollection();
     },
     1, 1, 48, kNone},
    {"no complete slot is no layout",
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         contactCountField(d.inputField(kTipSwitch, 8, 0, 1).endCollection()).endCollection();
     },
     0, 0, kNone, kNone},
    {"a pen under another report after the fingers is ignored",
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1)).endCollection();
         d.reportID(2).usagePage(kDigitizer).usage(kPen).collection(Writer::kApplication);
         d.usage(kStylus).collection(Writer::kPhysical);
         minimalContact(d).endCollection().endCollection();
     },
     1, 1, 8, kNone},
    {"a repeated Report ID restarts its running offset",
     [](Writer& d) {
         beginApplication(d, 1).inputField(kScanTime, 16, 0, 65535).reportID(1);
         fingerCollection(d).endCollection();
     },
     1, 1, 8, kNone},
    {"Output and Feature items take bits of the report",
     [](Writer& d) {
         beginApplication(d, 1).usage(0x55).reportSize(8).reportCount(1).feature();
         fingerCollection(d.usage(0x01).reportSize(4).reportCount(2).output()).endCollection();
     },
     1, 1, 24, kNone},
    {"data items before the first Report ID take no bits and keep the usage",
     [](Writer& d) {
         d.usagePage(kDigitizer).usage(kTouchScreen).collection(Writer::kApplication);
         d.usage(kFinger).reportSize(8).reportCount(4).input();
         minimalContact(d.reportID(1).collection(Writer::kLogical)).endCollection().endCollection();
     },
     1, 1, 8, kNone},
    {"a usage over 300 fields: the first is the contact's",
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
         d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095, 300);
         contactCountField(d.inputField(kY, 16, 0, 4095, 2).endCollection()).endCollection();
     },
     1, 1, 8, 24 + 16 * 300 + 32},
    {"a long item past the end stops the walk",
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1).raw(bytes({0xFE, 0x40, 0x77})));
     },
     0, 0, kNone, kNone},
    {"a four-byte usage is not split into page and usage",
     [](Writer& d) {
         beginApplication(d, 1, kTouchPad).usagePage(0).item(2, 0, 0x000D0022, 4);
         minimalContact(d.collection(Writer::kLogical)).endCollection().endCollection();
     },
     0, 0, kNone, kNone},
    {"usages past 64 are dropped: Finger, not Pen, is the last",
     [](Writer& d) {
         beginApplication(d, 1).usagePage(kDigitizer);
         for (int i = 0; i < 63; ++i) {
             d.usage(0x01);
         }
         d.usage(kFinger).usage(kPen).collection(Writer::kLogical);
         minimalContact(d).endCollection().endCollection();
     },
     1, 1, 8, kNone},
    {"a Report ID above 255 keeps its low byte and no running offset",
     [](Writer& d) { fingerCollection(beginApplication(d, 0x105)).endCollection(); }, 5, 1, 8,
     kNone},
    {"huge sizes and counts clamp the offsets after them",
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         d.usage(kTipSwitch).reportSize(0xFFFFFFFF).reportCount(0xFFFFFFFF).input();
         contactCountField(minimalContact(d).endCollection()).endCollection();
     },
     1, 1, 8, kFar},
    {"on a touch pad an Input between contact collections ends the run",
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1, kTouchPad)).inputField(kScanTime, 16, 0, 65535);
         contactCountField(fingerCollection(d, false)).endCollection();
     },
     1, 1, 8, 8 + 48 + 16 + 48},
    {"a Feature between contact collections does not end the run",
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1)).usage(0x55).reportSize(8).feature();
         fingerCollection(d, false).endCollection();
     },
     1, 2, 8, kNone},
    {"another Report ID ends the run",
     [](Writer& d) {
         fingerCollection(fingerCollection(beginApplication(d, 1)).reportID(2), false);
         d.endCollection();
     },
     1, 1, 8, kNone},
    {"on a touch pad a collection of another usage ends the run",
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1, kTouchPad));
         d.usagePage(kGenericDesktop).usage(kFinger).collection(Writer::kLogical);
         fingerCollection(minimalContact(d).endCollection(), false).endCollection();
     },
     1, 1, 8, kNone},
    {"a Stylus collection starts no run",
     [](Writer& d) {
         beginApplication(d, 1, kPen).usage(kStylus).collection(Writer::kPhysical);
         minimalContact(d).endCollection().collection(Writer::kPhysical);
         minimalContact(d).endCollection().endCollection();
     },
     1, 1, 8, kNone, true},
    {"a collection inside an open contact collection opens no slot",
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
         d.collection(Writer::kPhysical).usagePage(kGenericDesktop);
         d.inputField(kX, 16, 0, 4095).inputField(kY, 16, 0, 4095).endCollection().endCollection();
         contactCountField(d).endCollection();
     },
     1, 1, 8, 8 + 48},
    {"a Finger collection without a slot still starts a run",
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         fingerCollection(d.inputField(kTipSwitch, 8, 0, 1).endCollection(), false).endCollection();
     },
     1, 1, 16, kNone},
    {"in a touch screen any collection holding a contact is a finger slot",
     [](Writer& d) {
         beginApplication(d, 1).usagePage(kGenericDesktop).usage(kFinger);
         minimalContact(d.collection(Writer::kLogical)).endCollection();
         d.usagePage(kDigitizer).inputField(kScanTime, 16, 0, 65535);
         minimalContact(d.collection(Writer::kPhysical)).endCollection();
         contactCountField(d.collection(Writer::kPhysical)).endCollection().endCollection();
     },
     1, 2, 8, 8 + 48 + 16 + 48},
    {"a touch screen collection without a contact selects no report",
     [](Writer& d) {
         beginApplication(d, 5).collection(Writer::kLogical).usagePage(kDigitizer);
         d.inputField(kTipSwitch, 8, 0, 1).endCollection().reportID(1);
         minimalContact(d.collection(Writer::kLogical)).endCollection().endCollection();
     },
     1, 1, 8, kNone},
};

TEST(HIDLayoutWalk, DescriptorShapes) {
    for (const WalkCase& c : kWalkCases) {
        SCOPED_TRACE(c.shape);
        Writer d;
        c.write(d);
        const OVHIDDigitizerLayout layout = layoutOf(d);
        EXPECT_EQ(layout.valid, c.stored > 0);
        EXPECT_EQ(layout.reportID, c.reportID);
        ASSERT_EQ(layout.contactCount, c.stored);
        EXPECT_EQ(c.stored > 0 ? layout.contacts[0].tipSwitchBitOffset : kNone, c.firstTip);
        EXPECT_EQ(layout.contactCountBitOffset, c.contactCount);
        EXPECT_EQ(layout.hasContactCount && layout.valid, c.contactCount != kNone);
        EXPECT_EQ(layout.hasPenCollection, c.pen);
        for (int i = 0; i < c.stored; ++i) {
            EXPECT_EQ(layout.contacts[i].slot, i);
            EXPECT_EQ(layout.contacts[i].preferredKind,
                      c.pen ? OVContactKindPen : OVContactKindFinger);
        }
    }
}

TEST(HIDLayoutWalk, UsageRangeAndTwoByteAllOnesMaximum) {
    // X and Y from Usage Minimum/Maximum; a 2-byte Logical Maximum 0xFFFF reads as -1, and a
    // stored range is never empty.
    Writer d;
    beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
    d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
    d.usagePage(kGenericDesktop).usageMinimum(kX).usageMaximum(kY).logicalMinimum(0);
    d.item(1, 2, 0xFFFF, 2).reportSize(12).reportCount(2).input();
    d.endCollection().endCollection();
    const OVHIDDigitizerLayout layout = layoutOf(d);
    ASSERT_TRUE(layout.valid);
    EXPECT_EQ(layout.contacts[0].xBitOffset, 24);
    EXPECT_EQ(layout.contacts[0].yBitOffset, 36);
    EXPECT_EQ(layout.contacts[0].yBitLength, 12);
    EXPECT_EQ(layout.contacts[0].xLogicalMaximum, 1);
}

TEST(HIDLayoutWalk, TheFingerReportWinsOverAPenReportThatComesFirst) {
    // Only when no finger collection holds a contact is the pen, with or without a slot of its
    // own, chosen.
    for (const auto& [penHasIdentifier, fingerIsComplete] :
         {std::pair{true, true}, std::pair{false, true}, std::pair{true, false}}) {
        SCOPED_TRACE(testing::Message() << penHasIdentifier << fingerIsComplete);
        Writer d;
        beginApplication(d, 2, kPen).usage(kStylus).collection(Writer::kPhysical);
        d.inputField(kTipSwitch, 1, 0, 1).padding(7);
        if (penHasIdentifier) {
            d.inputField(kContactIdentifier, 8, 0, 255);
        }
        d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 9600).inputField(kY, 16, 0, 7200);
        beginApplication(d.endCollection().endCollection(), 1);
        if (fingerIsComplete) {
            fingerCollection(d);
        } else {
            d.usage(kFinger).collection(Writer::kLogical);
            d.inputField(kTipSwitch, 8, 0, 1).endCollection();
        }
        contactCountField(d).endCollection();
        const OVHIDDigitizerLayout layout = layoutOf(d);
        ASSERT_TRUE(layout.valid);
        EXPECT_EQ(layout.reportID, fingerIsComplete ? 1 : 2);
        ASSERT_EQ(layout.contactCount, 1);
        EXPECT_EQ(layout.contacts[0].preferredKind,
                  fingerIsComplete ? OVContactKindFinger : OVContactKindPen);
        EXPECT_EQ(layout.hasPenCollection, !fingerIsComplete);
        EXPECT_EQ(layout.hasContactCount, fingerIsComplete);
    }
}
