#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaType>

#include "base/services.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

OVHIDDigitizerLayout twoFingerLayout(bool widthAndHeight) {
    OVHIDTouchScreenDescription description;
    description.fingers = 2;
    description.reportID = 0x81;
    description.widthAndHeight = widthAndHeight;
    description.xMaximum = 3840;
    description.yMaximum = 2160;
    return OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
}

}  // namespace

TEST(HIDDescriptorSummary, ValidLayoutHasItsEighteenKeys) {
    const OVHIDDigitizerLayout layout = twoFingerLayout(true);
    ASSERT_TRUE(layout.valid);
    const QVariantMap summary = OVHIDDigitizerLayoutDictionary(layout);
    EXPECT_EQ(summary.keys(),
              (QStringList{"contact_count_bits", "contact_slots", "contacts", "decoder",
                           "has_contact_count", "has_eraser", "has_finger_collection", "has_height",
                           "has_in_range", "has_invert", "has_logical_ranges", "has_pen_collection",
                           "has_touch_valid", "has_width", "hybrid_mode_possible", "report_id",
                           "report_id_byte_offset", "valid"}));
    EXPECT_EQ(summary["decoder"], "hid_digitizer_descriptor_v2");
    EXPECT_EQ(summary["valid"], true);
    EXPECT_EQ(summary["report_id"].toUInt(), 0x81u);
    EXPECT_EQ(summary["report_id_byte_offset"], 0);
    EXPECT_EQ(summary["contact_slots"], 2);
    EXPECT_EQ(summary["contact_count_bits"], "168:8");
    EXPECT_EQ(summary["has_finger_collection"], true);
    EXPECT_EQ(summary["has_pen_collection"], false);
    EXPECT_EQ(summary["has_contact_count"], true);
    EXPECT_EQ(summary["has_touch_valid"], true);
    EXPECT_EQ(summary["has_in_range"], true);
    EXPECT_EQ(summary["has_invert"], false);
    EXPECT_EQ(summary["has_eraser"], false);
    EXPECT_EQ(summary["has_width"], true);
    EXPECT_EQ(summary["has_height"], true);
    EXPECT_EQ(summary["has_logical_ranges"], true);
    // Booleans are booleans; the hybrid flag is a number.
    EXPECT_EQ(summary["has_width"].metaType(), QMetaType::fromType<bool>());
    EXPECT_EQ(summary["hybrid_mode_possible"].metaType(), QMetaType::fromType<int>());
    EXPECT_EQ(summary["hybrid_mode_possible"], 1);
    EXPECT_EQ(summary["contacts"].toList().size(), 2);
}

TEST(HIDDescriptorSummary, SlotDictionariesHaveSixteenKeysWithTheirFormats) {
    const QVariantList slotList = OVHIDContactLayoutDictionaries(twoFingerLayout(false));
    ASSERT_EQ(slotList.size(), 2);
    const QVariantMap second = slotList[1].toMap();
    EXPECT_EQ(second.size(), 16);
    EXPECT_EQ(second["slot"], 1);
    EXPECT_EQ(second["preferred_kind"], "finger");
    EXPECT_EQ(second["tip_switch_bit"], 56);
    EXPECT_EQ(second["in_range_bit"], 57);
    EXPECT_EQ(second["touch_valid_bit"], 58);
    EXPECT_EQ(second["invert_bit"], -1);
    EXPECT_EQ(second["eraser_bit"], -1);
    EXPECT_EQ(second["contact_id_bits"], "64:8");
    EXPECT_EQ(second["x_bits"], "72:16");
    EXPECT_EQ(second["y_bits"], "88:16");
    EXPECT_EQ(second["x_logical_min"], 0);
    EXPECT_EQ(second["x_logical_max"], 3840);
    EXPECT_EQ(second["y_logical_min"], 0);
    EXPECT_EQ(second["y_logical_max"], 2160);
    EXPECT_EQ(second["width_bits"], "-1:0");
    EXPECT_EQ(second["height_bits"], "-1:0");
}

TEST(HIDDescriptorSummary, WithoutContactCountNoHybridMode) {
    Writer d;
    beginTouchScreen(d, 2);
    fingerCollection(d).endCollection();
    const QVariantMap summary = OVHIDDigitizerLayoutDictionary(layoutOf(d));
    EXPECT_EQ(summary.size(), 18);
    EXPECT_EQ(summary["contact_count_bits"], "unavailable");
    EXPECT_EQ(summary["has_contact_count"], false);
    EXPECT_EQ(summary["hybrid_mode_possible"], 0);
}

TEST(HIDDescriptorSummary, InvalidLayoutGivesNothing) {
    OVHIDDigitizerLayout layout;
    layout.hasFingerCollection = true;
    EXPECT_TRUE(OVHIDDigitizerLayoutDictionary(layout).isEmpty());
    EXPECT_TRUE(OVHIDContactLayoutDictionaries(layout).isEmpty());
}

TEST(HIDDescriptorSummary, JSONKeepsNumbersAndBooleans) {
    const QJsonObject json =
        QJsonDocument::fromVariant(OVHIDDigitizerLayoutDictionary(twoFingerLayout(false))).object();
    EXPECT_TRUE(json["report_id"].isDouble());
    EXPECT_EQ(json["report_id"].toInt(), 0x81);
    EXPECT_TRUE(json["hybrid_mode_possible"].isDouble());
    EXPECT_TRUE(json["has_width"].isBool());
    EXPECT_EQ(json["contacts"][0]["tip_switch_bit"].toInt(), 8);
}

TEST(HIDDescriptorSummary, HexIsTwoLowerCaseDigitsPerByte) {
    EXPECT_EQ(OVHexStringForData(QByteArray()), "");
    EXPECT_EQ(OVHexStringForData(bytes({0x05, 0x0D, 0xA1, 0xFF, 0x00})), "050da1ff00");
}

TEST(HIDDescriptorSummary, DecoderStatusNamesTheLayout) {
    EXPECT_EQ(OVHIDDecoderStatusForLayout(twoFingerLayout(false)),
              "HidDigitizerDescriptor report=129 contacts=2");
    EXPECT_EQ(OVHIDDecoderStatusForLayout(OVHIDDigitizerLayout{}),
              "Descriptor parser could not build touch layout");
}

TEST(HIDDescriptorSummary, ProcessWideDescriptorIsSetAndCleared) {
    OVServicesGuard services;
    EXPECT_EQ(OVHIDReportDescriptorHex(), "");
    EXPECT_TRUE(OVHIDReportDescriptorSummary().isEmpty());

    OVHIDTouchScreenDescription description;
    description.fingers = 1;
    const QByteArray descriptor = OVHIDTouchScreenDescriptor(description);
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(descriptor);
    OVSetCurrentHIDReportDescriptor(descriptor, layout);
    EXPECT_EQ(OVHIDReportDescriptorHex(), QString::fromLatin1(descriptor.toHex()));
    EXPECT_EQ(OVHIDReportDescriptorSummary(), OVHIDDigitizerLayoutDictionary(layout));
    EXPECT_EQ(OVCurrentProcessState().currentHIDReportDescriptorHex, OVHIDReportDescriptorHex());

    {
        // Each test's services have their own process state.
        OVServicesGuard inner;
        EXPECT_EQ(OVHIDReportDescriptorHex(), "");
    }
    EXPECT_FALSE(OVHIDReportDescriptorHex().isEmpty());

    OVClearCurrentHIDReportDescriptor();
    EXPECT_EQ(OVHIDReportDescriptorHex(), "");
    EXPECT_TRUE(OVHIDReportDescriptorSummary().isEmpty());
}
