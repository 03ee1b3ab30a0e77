// The walk against the report descriptors of real touch screens, touchpads and pen digitizers,
// and the layouts an independent walker found for them.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <tuple>

#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

QJsonDocument readCorpusFile(const char* name) {
    QFile file(
        QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/hid-corpus/%1").arg(QLatin1String(name)));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return QJsonDocument::fromJson(file.readAll());
}

struct CorpusDevice {
    QString name;
    QByteArray descriptor;
    QJsonObject reference;  // {touch, pen, notes}
};

const QList<CorpusDevice>& corpus() {
    static const QList<CorpusDevice> devices = [] {
        QList<CorpusDevice> list;
        const QJsonObject references = readCorpusFile("reference-layouts.json").object();
        for (const QJsonValue entry : readCorpusFile("descriptors.json").array()) {
            const QString name = entry["name"].toString();
            list.append({name, QByteArray::fromHex(entry["hex"].toString().toLatin1()),
                         references[name].toObject()});
        }
        return list;
    }();
    return devices;
}

// A field of the reference as the layout holds it: "offset:length", "-1:0" when absent.
QString referenceBits(const QJsonObject& collection, const char* name) {
    const QJsonValue field = collection[QLatin1String(name)];
    return field.isObject() ? QStringLiteral("%1:%2")
                                  .arg(field["bit_offset"].toInt())
                                  .arg(field["bit_size"].toInt())
                            : QStringLiteral("-1:0");
}

QString layoutBits(std::int32_t offset, std::int32_t length) {
    return QStringLiteral("%1:%2").arg(offset).arg(offset < 0 ? 0 : length);
}

std::uint32_t fieldMask(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

void setField(QByteArray& report, const QJsonObject& field, std::uint32_t value) {
    if (!field.isEmpty()) {
        OVWriteBits(reinterpret_cast<std::uint8_t*>(report.data()), report.size(),
                    field["bit_offset"].toInt(), field["bit_size"].toInt(), value);
    }
}

// A report with every contact collection of the reference down, its fields written where the
// reference says they are (the first of repeated fields, which the others repeat).
QByteArray referenceReport(const QJsonObject& touch, int slotCount, int reportLength) {
    QByteArray report(reportLength, '\0');
    if (!touch["report_id"].isNull()) {
        report[0] = static_cast<char>(touch["report_id"].toInt());
    }
    const QJsonArray collections = touch["collections"].toArray();
    for (int i = 0; i < slotCount; ++i) {
        const QJsonObject c = collections[i].toObject();
        setField(report, c["tip_switch"].toObject(), 1);
        setField(report, c["in_range"].toObject(), 1);
        setField(report, c["confidence"].toObject(), 1);
        const QJsonObject id = c["contact_id"].toObject();
        setField(report, id, (i + 1) & fieldMask(id["bit_size"].toInt()));
        setField(report, c["x"].toObject(), 100 + 37 * i);
        setField(report, c["y"].toObject(), 105 + 37 * i);
    }
    setField(report, touch["contact_count"].toObject(), static_cast<std::uint32_t>(slotCount));
    return report;
}

}  // namespace

// Every field of every contact slot and the Contact Count, for all fifty devices: repeated
// usages, unnumbered reports, Push and Pop, pen-first descriptors and contact collections
// without a Finger usage included.
TEST(HIDDescriptorCorpus, WalkAgreesWithTheReferenceOnEveryDevice) {
    ASSERT_EQ(corpus().size(), 50);
    for (const CorpusDevice& device : corpus()) {
        SCOPED_TRACE(device.name.toStdString());
        const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(device.descriptor);
        const QJsonObject touch = device.reference["touch"].toObject();
        const QJsonArray collections = touch["collections"].toArray();
        const int slotCount = std::min<int>(collections.size(), OVHIDMaxContactSlots);
        ASSERT_TRUE(layout.valid);
        const bool unnumbered = touch["report_id"].isNull();
        EXPECT_EQ(layout.reportID, unnumbered ? 0 : touch["report_id"].toInt());
        EXPECT_EQ(layout.reportIDByteOffset, unnumbered ? -1 : 0);
        ASSERT_EQ(layout.contactCount, slotCount);
        for (int i = 0; i < slotCount; ++i) {
            SCOPED_TRACE(i);
            const QJsonObject c = collections[i].toObject();
            const OVHIDContactLayout& slot = layout.contacts[i];
            EXPECT_EQ(slot.preferredKind, OVContactKindFinger);
            const QString bits[][2] = {
                {layoutBits(slot.tipSwitchBitOffset, 1), referenceBits(c, "tip_switch")},
                {layoutBits(slot.inRangeBitOffset, 1), referenceBits(c, "in_range")},
                {layoutBits(slot.touchValidBitOffset, 1), referenceBits(c, "confidence")},
                {layoutBits(slot.invertBitOffset, 1), referenceBits(c, "invert")},
                {layoutBits(slot.eraserBitOffset, 1), referenceBits(c, "eraser")},
                {layoutBits(slot.contactIdBitOffset, slot.contactIdBitLength),
                 referenceBits(c, "contact_id")},
                {layoutBits(slot.xBitOffset, slot.xBitLength), referenceBits(c, "x")},
                {layoutBits(slot.yBitOffset, slot.yBitLength), referenceBits(c, "y")},
                {layoutBits(slot.widthBitOffset, slot.widthBitLength), referenceBits(c, "width")},
                {layoutBits(slot.heightBitOffset, slot.heightBitLength),
                 referenceBits(c, "height")},
            };
            for (const auto& [walked, reference] : bits) {
                EXPECT_EQ(walked, reference);
            }
            for (const auto& [name, minimum, maximum] :
                 {std::tuple{"x", slot.xLogicalMinimum, slot.xLogicalMaximum},
                  std::tuple{"y", slot.yLogicalMinimum, slot.yLogicalMaximum}}) {
                const QJsonObject axis = c[QLatin1String(name)].toObject();
                EXPECT_EQ(minimum, axis["logical_min"].toInt());
                // A stored slot's range is never empty.
                EXPECT_EQ(maximum,
                          std::max(axis["logical_max"].toInt(), axis["logical_min"].toInt() + 1));
            }
        }
        EXPECT_EQ(layout.hasContactCount, touch["contact_count"].isObject());
        EXPECT_EQ(layoutBits(layout.contactCountBitOffset, layout.contactCountBitLength),
                  referenceBits(touch, "contact_count"));
    }
}

TEST(HIDDescriptorCorpus, ReportsWrittenWhereTheReferenceSaysDecode) {
    for (const CorpusDevice& device : corpus()) {
        SCOPED_TRACE(device.name.toStdString());
        const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(device.descriptor);
        const QJsonObject touch = device.reference["touch"].toObject();
        const QByteArray report =
            referenceReport(touch, layout.contactCount, touch["report_length_bytes"].toInt());
        OVTouchBridge bridge;
        bridge.setHIDLayout(layout);
        const OVTouchContactList list = bridge.contactsFromReport(data(report), report.size());
        EXPECT_TRUE(list.decoded);
        EXPECT_EQ(list.count, layout.contactCount);
        if (list.count != layout.contactCount) {
            continue;
        }
        for (int i = 0; i < list.count; ++i) {
            SCOPED_TRACE(i);
            const OVTouchContact& contact = list.contacts[i];
            EXPECT_EQ(contact.slot, i);
            const int idBits = std::min(layout.contacts[i].contactIdBitLength, 8);
            EXPECT_EQ(contact.contactId, (i + 1) & fieldMask(idBits));
            EXPECT_EQ(contact.x, 100u + 37u * i);
            EXPECT_EQ(contact.y, 105u + 37u * i);
            EXPECT_EQ(contact.kind, OVContactKindFinger);
        }
        EXPECT_EQ(list.reportedContactCount, layout.contactCount);
        EXPECT_TRUE(list.complete);
    }
}
