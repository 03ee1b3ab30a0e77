#pragma once

// The descriptor summary: a touch layout as a string-keyed dictionary (what the diagnostics
// report embeds and `orvetta-tool describe --json` prints), the descriptor as hex, and the
// process-wide record of the descriptor in use.

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include "hid/digitizer_layout.h"

// The summary of a valid layout (18 keys, "decoder" "hid_digitizer_descriptor_v2"); the empty
// dictionary for a layout that is not valid.
QVariantMap OVHIDDigitizerLayoutDictionary(const OVHIDDigitizerLayout& layout);
// One dictionary of 16 keys per stored contact slot, in slot order.
QVariantList OVHIDContactLayoutDictionaries(const OVHIDDigitizerLayout& layout);

// Two lower-case hex digits per byte, no separators; "" for no bytes.
QString OVHexStringForData(const QByteArray& bytes);

// The one-line decoder status for a descriptor's layout: "HidDigitizerDescriptor report=%u
// contacts=%d" when it is valid, else "Descriptor parser could not build touch layout".
QString OVHIDDecoderStatusForLayout(const OVHIDDigitizerLayout& layout);

// The descriptor of the touch device in use, as hex ("" when none), and its summary (empty when
// none). The touch session sets both when it settles on a device and clears them when it stops.
QString OVHIDReportDescriptorHex();
QVariantMap OVHIDReportDescriptorSummary();
void OVSetHIDReportDescriptorHex(const QString& hex);
void OVSetHIDReportDescriptorSummary(const QVariantMap& summary);
// Sets both from the descriptor bytes and the layout built from them.
void OVSetCurrentHIDReportDescriptor(const QByteArray& descriptor,
                                     const OVHIDDigitizerLayout& layout);
void OVClearCurrentHIDReportDescriptor();
