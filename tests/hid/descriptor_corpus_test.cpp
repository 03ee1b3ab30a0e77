// The walk against the report descriptors of real touch screens, touchpads and pen digitizers,
// and the layouts an independent walker found for them.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <map>

#include "hid/descriptor_parser.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

QJsonDocument readCorpusFile(const char* name) {
    QFile file(
        QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/hid-corpus/%1").arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
        return {};
    }
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

// Where the walk deliberately finds something else than the reference, and what it finds.
struct WalkDifference {
    bool valid = true;
    bool fingerCollection = true;
    bool penCollection = false;
    int slotCount = -1;        // -1: as many as the reference, at most 8
    bool contactCount = true;  // the Contact Count field is recorded
};

const std::map<QString, WalkDifference>& walkDifferences() {
    static const std::map<QString, WalkDifference> differences = {
        // Unnumbered reports: the walk accepts contact collections only under a Report ID.
        {"lumio_202e_0006", {.valid = false, .fingerCollection = false}},
        {"penmount_14e1_3500", {.valid = false, .fingerCollection = false}},
        // No Finger collection at all; its contacts sit in collections without usage.
        {"irtouch_6615_0081", {.valid = false, .fingerCollection = false}},
        // The pen collection comes first and selects the pen's report ID, but a pen has no
        // Contact Identifier, so it stores no slot; the touch collections under another report
        // ID are then ignored.
        {"n_trig_1b96_0c01", {.valid = false, .fingerCollection = false, .penCollection = true}},
        {"n_trig_1b96_0f00", {.valid = false, .fingerCollection = false, .penCollection = true}},
        {"n_trig_1b96_1000", {.valid = false, .fingerCollection = false, .penCollection = true}},
        // Contact Count comes before the contact collections, before a report ID is selected.
        {"egalax_capacitive_0eef_790a", {.contactCount = false}},
        // The same, and the walk ignores the Pop that restores Generic Desktop before X in every
        // contact collection after the first: those have no X or Y and store no slot.
        {"sitronix_1403_5001", {.slotCount = 1, .contactCount = false}},
        // The contact collections after the first carry Usage (Generic Desktop 0x22), which is
        // no Finger usage.
        {"elan_04f3_0732", {.slotCount = 1}},
    };
    return differences;
}

int bitOffset(const QJsonObject& collection, const char* field) {
    const QJsonValue value = collection[QLatin1String(field)];
    return value.isObject() ? value["bit_offset"].toInt() : -1;
}

// Where the walk takes a field: a field whose one usage covers several report fields ends on
// the last of them (the reference lists the others as repeats).
QJsonObject fieldTheWalkTakes(const QJsonObject& collection, const char* field) {
    const QJsonArray repeats =
        collection[QLatin1String(field) + QLatin1String("_repeats")].toArray();
    return repeats.isEmpty() ? collection[QLatin1String(field)].toObject()
                             : repeats.last().toObject();
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
// reference says they are.
QByteArray referenceReport(const QJsonObject& touch, int slotCount, int reportLength) {
    QByteArray report(reportLength, '\0');
    report[0] = static_cast<char>(touch["report_id"].toInt());
    const QJsonArray collections = touch["collections"].toArray();
    for (int i = 0; i < slotCount; ++i) {
        const QJsonObject c = collections[i].toObject();
        setField(report, c["tip_switch"].toObject(), 1);
        setField(report, c["in_range"].toObject(), 1);
        setField(report, c["confidence"].toObject(), 1);
        const QJsonObject id = c["contact_id"].toObject();
        setField(report, id, (i + 1) & fieldMask(id["bit_size"].toInt()));
        for (const char* axis : {"x", "y"}) {
            const std::uint32_t value = (100 + 37 * i + (axis[0] == 'y' ? 5 : 0));
            setField(report, c[QLatin1String(axis)].toObject(), value);
            for (const QJsonValue repeat :
                 c[QLatin1String(axis) + QLatin1String("_repeats")].toArray()) {
                setField(report, repeat.toObject(), value);
            }
        }
    }
    setField(report, touch["contact_count"].toObject(), static_cast<std::uint32_t>(slotCount));
    return report;
}

}  // namespace

TEST(HIDDescriptorCorpus, EveryDescriptorIsThere) {
    ASSERT_EQ(corpus().size(), 50);
    for (const CorpusDevice& device : corpus()) {
        EXPECT_FALSE(device.descriptor.isEmpty()) << device.name.toStdString();
        EXPECT_FALSE(device.reference.isEmpty()) << device.name.toStdString();
    }
    for (const auto& [name, difference] : walkDifferences()) {
        EXPECT_TRUE(std::any_of(corpus().begin(), corpus().end(), [&](const CorpusDevice& d) {
            return d.name == name;
        })) << name.toStdString();
    }
}

TEST(HIDDescriptorCorpus, WalkFindsTheTouchReportOfEveryDevice) {
    int compared = 0;
    for (const CorpusDevice& device : corpus()) {
        SCOPED_TRACE(device.name.toStdString());
        const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(device.descriptor);
        const auto known = walkDifferences().find(device.name);
        const WalkDifference expected =
            known == walkDifferences().end() ? WalkDifference{} : known->second;

        EXPECT_EQ(layout.valid, expected.valid);
        EXPECT_EQ(layout.hasFingerCollection, expected.fingerCollection);
        EXPECT_EQ(layout.hasPenCollection, expected.penCollection);
        if (!expected.valid) {
            EXPECT_EQ(layout.contactCount, 0);
            EXPECT_EQ(layout.reportID, 0);
            EXPECT_EQ(layout.contactCountBitOffset, -1);
            continue;
        }
        const QJsonObject touch = device.reference["touch"].toObject();
        const QJsonArray collections = touch["collections"].toArray();
        const int slotCount = expected.slotCount >= 0
                                  ? expected.slotCount
                                  : std::min<int>(collections.size(), OVHIDMaxContactSlots);
        EXPECT_EQ(layout.reportID, touch["report_id"].toInt());
        EXPECT_EQ(layout.contactCount, slotCount);
        if (layout.contactCount != slotCount) {
            continue;
        }
        for (int i = 0; i < slotCount; ++i) {
            SCOPED_TRACE(i);
            const QJsonObject c = collections[i].toObject();
            const OVHIDContactLayout& slot = layout.contacts[i];
            EXPECT_EQ(slot.slot, i);
            EXPECT_EQ(slot.preferredKind, OVContactKindFinger);
            EXPECT_EQ(slot.tipSwitchBitOffset, bitOffset(c, "tip_switch"));
            EXPECT_EQ(slot.contactIdBitOffset, bitOffset(c, "contact_id"));
            EXPECT_EQ(slot.xBitOffset, fieldTheWalkTakes(c, "x")["bit_offset"].toInt());
            EXPECT_EQ(slot.yBitOffset, fieldTheWalkTakes(c, "y")["bit_offset"].toInt());
            EXPECT_EQ(slot.xBitLength, fieldTheWalkTakes(c, "x")["bit_size"].toInt());
            EXPECT_EQ(slot.inRangeBitOffset, bitOffset(c, "in_range"));
            EXPECT_EQ(slot.touchValidBitOffset, bitOffset(c, "confidence"));
        }
        const QJsonValue contactCount = touch["contact_count"];
        if (expected.contactCount && contactCount.isObject()) {
            EXPECT_TRUE(layout.hasContactCount);
            EXPECT_EQ(layout.contactCountBitOffset, contactCount["bit_offset"].toInt());
            EXPECT_EQ(layout.contactCountBitLength, contactCount["bit_size"].toInt());
        } else {
            EXPECT_FALSE(layout.hasContactCount);
        }
        ++compared;
    }
    EXPECT_EQ(compared, 44);
}

TEST(HIDDescriptorCorpus, ReportsWrittenWhereTheReferenceSaysDecode) {
    for (const CorpusDevice& device : corpus()) {
        const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(device.descriptor);
        if (!layout.valid) {
            continue;
        }
        SCOPED_TRACE(device.name.toStdString());
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
