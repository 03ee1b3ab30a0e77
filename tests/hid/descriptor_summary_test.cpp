#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "hid/descriptor_summary.h"
#include "hid_test_support.h"

using namespace hidtest;

TEST(HIDDescriptorSummary, SummaryAndSlotsOfALayoutAsJSON) {
    OVHIDTouchScreenDescription description;
    description.fingers = 2;
    description.reportID = 0x81;
    description.xMaximum = 3840;
    description.widthAndHeight = true;
    const QJsonObject json =
        QJsonDocument::fromVariant(OVHIDDigitizerLayoutDictionary(OVHIDDigitizerLayoutBuild(
                                       OVHIDTouchScreenDescriptor(description))))
            .object();
    EXPECT_EQ(json["report_id"].toInt(), 0x81);
    EXPECT_EQ(json["contact_slots"].toInt(), 2);
    EXPECT_EQ(json["contact_count_bits"].toString(), "168:8");
    EXPECT_EQ(json["hybrid_mode_possible"].toInt(-1), 1);
    ASSERT_EQ(json["contacts"].toArray().size(), 2);
    const QJsonObject second = json["contacts"][1].toObject();
    EXPECT_EQ(second["preferred_kind"].toString(), "finger");
    EXPECT_EQ(second["tip_switch_bit"].toInt(), 88);
    EXPECT_EQ(second["x_bits"].toString(), "104:16");
    EXPECT_EQ(second["x_logical_max"].toInt(), 3840);
    EXPECT_EQ(second["width_bits"].toString(), "136:16");

    // Without a Contact Count no frame can span reports; an invalid layout has no summary.
    Writer d;
    fingerCollection(beginApplication(d, 2)).endCollection();
    const QVariantMap uncounted = OVHIDDigitizerLayoutDictionary(layoutOf(d));
    EXPECT_EQ(uncounted["contact_count_bits"], "unavailable");
    EXPECT_EQ(uncounted["hybrid_mode_possible"], 0);
    EXPECT_TRUE(OVHIDDigitizerLayoutDictionary(OVHIDDigitizerLayout{}).isEmpty());
}
