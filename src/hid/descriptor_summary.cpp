#include "hid/descriptor_summary.h"

#include <algorithm>

#include "base/services.h"
#include "hid/report_decoding.h"

namespace {

// "offset:length" of a field.
QString bitsText(std::int32_t offset, std::int32_t length) {
    return QStringLiteral("%1:%2").arg(offset).arg(length);
}

QVariantMap contactLayoutDictionary(const OVHIDContactLayout& c) {
    return QVariantMap{
        {QStringLiteral("slot"), c.slot},
        {QStringLiteral("preferred_kind"), OVContactKindName(c.preferredKind)},
        {QStringLiteral("x_bits"), bitsText(c.xBitOffset, c.xBitLength)},
        {QStringLiteral("y_bits"), bitsText(c.yBitOffset, c.yBitLength)},
        {QStringLiteral("x_logical_min"), c.xLogicalMinimum},
        {QStringLiteral("x_logical_max"), c.xLogicalMaximum},
        {QStringLiteral("y_logical_min"), c.yLogicalMinimum},
        {QStringLiteral("y_logical_max"), c.yLogicalMaximum},
        {QStringLiteral("contact_id_bits"), bitsText(c.contactIdBitOffset, c.contactIdBitLength)},
        {QStringLiteral("tip_switch_bit"), c.tipSwitchBitOffset},
        {QStringLiteral("touch_valid_bit"), c.touchValidBitOffset},
        {QStringLiteral("in_range_bit"), c.inRangeBitOffset},
        {QStringLiteral("invert_bit"), c.invertBitOffset},
        {QStringLiteral("eraser_bit"), c.eraserBitOffset},
        {QStringLiteral("width_bits"), bitsText(c.widthBitOffset, c.widthBitLength)},
        {QStringLiteral("height_bits"), bitsText(c.heightBitOffset, c.heightBitLength)},
    };
}

}  // namespace

QVariantMap OVHIDDigitizerLayoutDictionary(const OVHIDDigitizerLayout& layout) {
    if (!layout.valid) {
        return {};
    }
    const bool hybridModePossible = layout.hasContactCount && layout.contactCount > 0;
    return QVariantMap{
        {QStringLiteral("decoder"), QStringLiteral("hid_digitizer_descriptor_v2")},
        {QStringLiteral("valid"), layout.valid},
        {QStringLiteral("report_id"), static_cast<uint>(layout.reportID)},
        {QStringLiteral("report_id_byte_offset"), layout.reportIDByteOffset},
        {QStringLiteral("contact_slots"), layout.contactCount},
        {QStringLiteral("contact_count_bits"),
         layout.hasContactCount
             ? bitsText(layout.contactCountBitOffset, layout.contactCountBitLength)
             : QStringLiteral("unavailable")},
        {QStringLiteral("has_finger_collection"), layout.hasFingerCollection},
        {QStringLiteral("has_pen_collection"), layout.hasPenCollection},
        {QStringLiteral("has_contact_count"), layout.hasContactCount},
        {QStringLiteral("has_touch_valid"), layout.hasTouchValid},
        {QStringLiteral("has_in_range"), layout.hasInRange},
        {QStringLiteral("has_invert"), layout.hasInvert},
        {QStringLiteral("has_eraser"), layout.hasEraser},
        {QStringLiteral("has_width"), layout.hasWidth},
        {QStringLiteral("has_height"), layout.hasHeight},
        {QStringLiteral("has_logical_ranges"), layout.hasLogicalRanges},
        {QStringLiteral("hybrid_mode_possible"), hybridModePossible ? 1 : 0},
        {QStringLiteral("contacts"), OVHIDContactLayoutDictionaries(layout)},
    };
}

QVariantList OVHIDContactLayoutDictionaries(const OVHIDDigitizerLayout& layout) {
    QVariantList dictionaries;
    const int count = std::clamp<std::int32_t>(layout.contactCount, 0, OVHIDMaxContactSlots);
    dictionaries.reserve(count);
    for (int i = 0; i < count; ++i) {
        dictionaries.append(contactLayoutDictionary(layout.contacts[i]));
    }
    return dictionaries;
}

QString OVHexStringForData(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex());
}

QString OVHIDDecoderStatusForLayout(const OVHIDDigitizerLayout& layout) {
    if (!layout.valid) {
        return QStringLiteral("Descriptor parser could not build touch layout");
    }
    return QStringLiteral("HidDigitizerDescriptor report=%1 contacts=%2")
        .arg(static_cast<uint>(layout.reportID))
        .arg(layout.contactCount);
}

QString OVHIDReportDescriptorHex() {
    return OVCurrentProcessState().currentHIDReportDescriptorHex;
}

QVariantMap OVHIDReportDescriptorSummary() {
    return OVCurrentProcessState().currentHIDDescriptorSummary;
}

void OVSetHIDReportDescriptorHex(const QString& hex) {
    OVCurrentProcessState().currentHIDReportDescriptorHex = hex;
}

void OVSetHIDReportDescriptorSummary(const QVariantMap& summary) {
    OVCurrentProcessState().currentHIDDescriptorSummary = summary;
}

void OVSetCurrentHIDReportDescriptor(const QByteArray& descriptor,
                                     const OVHIDDigitizerLayout& layout) {
    OVSetHIDReportDescriptorHex(OVHexStringForData(descriptor));
    OVSetHIDReportDescriptorSummary(OVHIDDigitizerLayoutDictionary(layout));
}

void OVClearCurrentHIDReportDescriptor() {
    OVSetHIDReportDescriptorHex(QString());
    OVSetHIDReportDescriptorSummary(QVariantMap());
}
