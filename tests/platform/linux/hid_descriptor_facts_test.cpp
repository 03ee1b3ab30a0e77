#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include "platform/linux/hid_descriptor_facts.h"
#include "platform/linux/descriptor_bytes_helpers.h"

TEST(HIDDescriptorFacts, TouchScreenWithMouseCollection) {
    const OVHIDDescriptorFacts facts = OVHIDDescriptorFactsFromBytes(touchScreenDescriptor());
    EXPECT_TRUE(facts.wellFormed);
    EXPECT_EQ(facts.primaryUsagePage, 0x0Du);
    EXPECT_EQ(facts.primaryUsage, 0x04u);
    ASSERT_EQ(facts.topLevelUsages.size(), 2);
    EXPECT_EQ(facts.topLevelUsages[0], (OVHIDUsagePair{0x0D, 0x04}));
    EXPECT_EQ(facts.topLevelUsages[1], (OVHIDUsagePair{0x01, 0x02}));
    // Report 1: 2 × 6 bytes of contacts + 1 byte of count + the ID. Features and the 32-byte
    // output report do not count.
    EXPECT_EQ(facts.maxInputReportSize, 14);
}

TEST(HIDDescriptorFacts, ReportSizesWithoutIDsPushPopAndExtendedUsages) {
    // No report ID: the size is the bits of the one input report, with no ID byte.
    const QByteArray withoutIDs = descriptorBytes({
        0x06, 0x00, 0xFF,                    // Usage Page (vendor 0xFF00)
        0x0A, 0x01, 0x00,                    // Usage (1)
        0xA1, 0x01,                          // Collection (Application)
        0x75, 0x08, 0x95, 0x05, 0x81, 0x02,  // 5 bytes
        0xA4,                                // Push
        0x75, 0x10, 0x95, 0x10, 0xB1, 0x02,  // a 32-byte feature
        0xB4,                                // Pop: size 8, count 5 again
        0x81, 0x02,                          // 5 more bytes
        0xC0,
    });
    OVHIDDescriptorFacts facts = OVHIDDescriptorFactsFromBytes(withoutIDs);
    EXPECT_EQ(facts.primaryUsagePage, 0xFF00u);
    EXPECT_EQ(facts.primaryUsage, 1u);
    EXPECT_EQ(facts.maxInputReportSize, 10);

    // A 4-byte usage carries its own page; bits that do not fill a byte round up.
    const QByteArray extended = descriptorBytes({
        0x05,
        0x01,  // Usage Page (Generic Desktop)
        0x0B,
        0x04,
        0x00,
        0x0D,
        0x00,  // Usage (Digitizer: Touch Screen)
        0xA1,
        0x01,
        0x85,
        0x03,
        0x75,
        0x01,
        0x95,
        0x09,
        0x81,
        0x02,  // 9 bits in report 3
        0xC0,
    });
    facts = OVHIDDescriptorFactsFromBytes(extended);
    EXPECT_EQ(facts.primaryUsagePage, 0x0Du);
    EXPECT_EQ(facts.primaryUsage, 0x04u);
    EXPECT_EQ(facts.maxInputReportSize, 3);  // 2 bytes of data + the ID

    // A usage declared before any usage page takes the page in force at the collection.
    facts =
        OVHIDDescriptorFactsFromBytes(descriptorBytes({0x09, 0x04, 0x05, 0x0D, 0xA1, 0x01, 0xC0}));
    EXPECT_EQ(facts.primaryUsagePage, 0x0Du);
    EXPECT_EQ(facts.primaryUsage, 0x04u);
}

TEST(HIDDescriptorFacts, LongItemsAreSkippedAndBrokenBytesStopTheWalk) {
    const QByteArray withLongItem = descriptorBytes({
        0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC,  // a long item with 3 data bytes
        0x05, 0x0D, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0,
    });
    OVHIDDescriptorFacts facts = OVHIDDescriptorFactsFromBytes(withLongItem);
    EXPECT_TRUE(facts.wellFormed);
    EXPECT_EQ(facts.primaryUsage, 0x02u);
    EXPECT_EQ(facts.maxInputReportSize, 2);

    // The second Input's Report Count item promises two data bytes and has one.
    const QByteArray truncated = descriptorBytes({
        0x05,
        0x0D,
        0x09,
        0x04,
        0xA1,
        0x01,
        0x75,
        0x08,
        0x95,
        0x04,
        0x81,
        0x02,
        0x96,
        0x10,
    });
    facts = OVHIDDescriptorFactsFromBytes(truncated);
    EXPECT_FALSE(facts.wellFormed);
    EXPECT_EQ(facts.primaryUsagePage, 0x0Du);
    EXPECT_EQ(facts.maxInputReportSize, 4);

    facts = OVHIDDescriptorFactsFromBytes(descriptorBytes({0xFE, 0x05}));
    EXPECT_FALSE(facts.wellFormed);
    EXPECT_FALSE(facts.primaryUsagePage.has_value());

    facts = OVHIDDescriptorFactsFromBytes(QByteArray());
    EXPECT_TRUE(facts.wellFormed);
    EXPECT_FALSE(facts.primaryUsagePage.has_value());
    EXPECT_FALSE(facts.primaryUsage.has_value());
    EXPECT_TRUE(facts.topLevelUsages.isEmpty());
    EXPECT_EQ(facts.maxInputReportSize, 0);
}

TEST(HIDDescriptorFacts, TheUdevRuleOpensTouchScreensAndPensButNoTouchpad) {
    // The touchpads of the corpus (a Digitizer Touch Pad collection, 0x0D/0x05, with a mouse).
    const QSet<QString> touchpads{"TouchpadXPS9360", "dell_044e_1220", "elan_04f3_300b"};
    QFile file(QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/hid-corpus/descriptors.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int opened = 0;
    for (const QJsonValue entry : QJsonDocument::fromJson(file.readAll()).array()) {
        const QString name = entry["name"].toString();
        const QByteArray descriptor = QByteArray::fromHex(entry["hex"].toString().toLatin1());
        EXPECT_EQ(OVHIDDescriptorHasTouchScreenOrPen(descriptor), !touchpads.contains(name))
            << name.toStdString();
        opened += touchpads.contains(name) ? 0 : 1;
    }
    EXPECT_EQ(opened, 47);

    // A pen digitizer alone, a keyboard, and a touch screen collection nested in another one.
    EXPECT_TRUE(OVHIDDescriptorHasTouchScreenOrPen(
        descriptorBytes({0x05, 0x0D, 0x09, 0x02, 0xA1, 0x01, 0xC0})));
    EXPECT_FALSE(OVHIDDescriptorHasTouchScreenOrPen(
        descriptorBytes({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0xC0})));
    EXPECT_FALSE(OVHIDDescriptorHasTouchScreenOrPen(descriptorBytes(
        {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x0D, 0x09, 0x04, 0xA1, 0x02, 0xC0, 0xC0})));
    EXPECT_FALSE(OVHIDDescriptorHasTouchScreenOrPen(QByteArray()));
}
