// The descriptor walk on hand-written descriptors, one shape at a time; the corpus test holds it
// against real devices.

#include <gtest/gtest.h>

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

}  // namespace

TEST(HIDItemWalk, ShortItemsLongItemsAndItemsCutShort) {
    // Logical Maximum (2 bytes), Report Count (4), End Collection (0), a long item, Usage.
    const auto items = itemsOf(bytes({0x26, 0xFF, 0x7F, 0x97, 0x01, 0x02, 0x03, 0x84, 0xC0, 0xFE,
                                      0x01, 0x10, 0xAA, 0x09, 0x22}));
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].signedValue, 0x7FFF);
    EXPECT_EQ(items[1].tag, 9);
    EXPECT_EQ(items[1].signedValue, static_cast<std::int32_t>(0x84030201u));
    EXPECT_EQ(items[2].size, 0);
    EXPECT_EQ(items[3].type, 2);
    EXPECT_EQ(items[3].value, 0x22u);
    // An item cut short keeps the bytes that were there; a long item past the end ends the walk.
    EXPECT_EQ(itemsOf(bytes({0x27, 0x34, 0x12})).at(0).value, 0x1234u);
    EXPECT_EQ(itemsOf(bytes({0x05, 0x0D, 0xFE, 0x09, 0x10, 0x09, 0x22})).size(), 1u);
    // The writer gives an item the fewest bytes that hold its value: 300 two, 0x10000 four.
    EXPECT_EQ(Writer().reportCount(300).reportSize(0x10000).bytes(),
              bytes({0x96, 0x2C, 0x01, 0x77, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(OVSignExtendHIDValue(0x80, 1), -128);
    EXPECT_EQ(OVSignExtendHIDValue(0xFFFF, 2), -1);
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
    EXPECT_EQ(OVHIDUsageAt(list, 2, low, true, high, true, 3, 0), low);
    // A range needs both ends, on one page, in order.
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
    EXPECT_EQ(layout.contacts[1].xBitOffset, 56 + 16);
    EXPECT_EQ(layout.contactCountBitOffset, 104);
}

// A pen report first, then a touch screen report whose Finger collection holds a contact or not.
void penThenFingers(Writer& d, bool fingerIsComplete) {
    beginApplication(d, 2, kPen).usage(kStylus).collection(Writer::kPhysical);
    minimalContact(d);
    beginApplication(d.endCollection().endCollection(), 1)
        .usage(kFinger)
        .collection(Writer::kLogical);
    if (fingerIsComplete) {
        minimalContact(d);
    } else {
        d.inputField(kTipSwitch, 8, 0, 1);
    }
    contactCountField(d.endCollection()).endCollection();
}

// Shapes of descriptor and where the walk puts the touch report: its ID, the slots it stores,
// the first slot's Tip Switch and the Contact Count (kNone: none).
struct WalkCase {
    const char* shape;
    int reportID;
    int stored;
    int firstTip;
    int contactCount;
    bool pen;
    void (*write)(Writer&);
};

const WalkCase kWalkCases[] = {
    {"the fields of a ninth collection, and an X after it, reach no slot", 1, 8, 8, 8 + 9 * 48 + 16,
     false,
     [](Writer& d) {
         beginApplication(d, 1);
         for (int i = 0; i < 9; ++i) {
             fingerCollection(d);
         }
         d.usagePage(kGenericDesktop).inputField(kX, 16, 0, 4095);
         contactCountField(d).endCollection();
     }},
    {"a collection after the touch screen's is no slot", 1, 1, 8, kNone, false,
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1)).endCollection();
         d.usagePage(kGenericDesktop).usage(0x02).collection(Writer::kApplication);
         minimalContact(d.collection(Writer::kPhysical)).endCollection().endCollection();
     }},
    {"Y first, at bit 0 of an unnumbered report", 0, 1, 32, kNone, false,
     [](Writer& d) {
         d.usagePage(kDigitizer).usage(kTouchScreen).collection(Writer::kApplication);
         d.usage(kFinger).collection(Writer::kLogical).usagePage(kGenericDesktop);
         d.inputField(kY, 16, 0, 4095).inputField(kX, 16, 0, 4095).usagePage(kDigitizer);
         d.inputField(kTipSwitch, 8, 0, 1).inputField(kContactIdentifier, 8, 0, 255);
         d.endCollection().endCollection();
     }},
    {"Contact Count before the contacts counts for their report", 1, 1, 16, 8, false,
     [](Writer& d) {
         fingerCollection(contactCountField(beginApplication(d, 1))).endCollection();
     }},
    {"no complete slot is no layout", 0, 0, kNone, kNone, false,
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         contactCountField(d.inputField(kTipSwitch, 8, 0, 1).endCollection()).endCollection();
     }},
    {"a pen under another report after the fingers is ignored", 1, 1, 8, kNone, false,
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1)).endCollection();
         d.reportID(2).usagePage(kDigitizer).usage(kPen).collection(Writer::kApplication);
         d.usage(kStylus).collection(Writer::kPhysical);
         minimalContact(d).endCollection().endCollection();
     }},
    {"X and Y from a usage range", 1, 1, 8, 48, false,
     [](Writer& d) {
         beginApplication(d, 1).usage(kFinger).collection(Writer::kLogical);
         d.inputField(kTipSwitch, 1, 0, 1).padding(7).inputField(kContactIdentifier, 8, 0, 255);
         d.usagePage(kGenericDesktop).usageMinimum(kX).usageMaximum(kY).logicalMaximum(2000);
         contactCountField(d.reportSize(12).reportCount(2).input().endCollection()).endCollection();
     }},
    {"a finger report wins over a pen report before it", 1, 1, 8, 56, false,
     [](Writer& d) { penThenFingers(d, true); }},
    {"a pen report is chosen when no finger collection holds a contact", 2, 1, 8, kNone, true,
     [](Writer& d) { penThenFingers(d, false); }},
    {"on a touch pad an Input between contact collections ends the run", 1, 1, 8, 8 + 48 + 16 + 48,
     false,
     [](Writer& d) {
         fingerCollection(beginApplication(d, 1, kTouchPad)).inputField(kScanTime, 16, 0, 65535);
         contactCountField(fingerCollection(d, false)).endCollection();
     }},
    {"another Report ID ends the run", 1, 1, 8, kNone, false,
     [](Writer& d) {
         fingerCollection(fingerCollection(beginApplication(d, 1)).reportID(2), false);
         d.endCollection();
     }},
    {"a Stylus collection starts no run", 1, 1, 8, kNone, true,
     [](Writer& d) {
         beginApplication(d, 1, kPen).usage(kStylus).collection(Writer::kPhysical);
         minimalContact(d).endCollection().collection(Writer::kPhysical);
         minimalContact(d).endCollection().endCollection();
     }},
    {"in a touch screen any collection holding a contact is a finger slot", 1, 2, 8,
     8 + 48 + 16 + 48, false,
     [](Writer& d) {
         beginApplication(d, 1).usagePage(kGenericDesktop).usage(kFinger);
         minimalContact(d.collection(Writer::kLogical)).endCollection();
         d.usagePage(kDigitizer).inputField(kScanTime, 16, 0, 65535);
         minimalContact(d.collection(Writer::kPhysical)).endCollection();
         contactCountField(d.collection(Writer::kPhysical)).endCollection().endCollection();
     }},
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
        EXPECT_EQ(layout.hasLogicalRanges, layout.valid);
        for (int i = 0; i < c.stored; ++i) {
            EXPECT_EQ(layout.contacts[i].slot, i);
            EXPECT_EQ(layout.contacts[i].preferredKind,
                      c.pen ? OVContactKindPen : OVContactKindFinger);
        }
    }
}
