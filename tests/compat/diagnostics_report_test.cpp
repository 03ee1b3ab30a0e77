#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "base/virtual_scheduler.h"
#include "compat/diagnostics_report.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/descriptor_writer.h"
#include "orvetta_config.h"
#include "service/environment.h"
#include "settings/profiles.h"
#include "support/compat.h"

using compat_test::SimMachine;

namespace {

OVDisplayInfo display(std::uint32_t id, QRectF bounds, bool main, double scale) {
    return OVSimDisplayServices::makeDisplay(id, bounds, main, scale);
}

QVariantMap flipInterface(int usagePage = 13) {
    return {{"VendorID", 0x45e},
            {"ProductID", 0x0b12},
            {"VersionNumber", 0x100},
            {"LocationID", 0x1420},
            {"PrimaryUsagePage", usagePage},
            {"PrimaryUsage", 4},
            {"MaxInputReportSize", 64},
            {"Manufacturer", "Samsung"},
            {"Product", "Flip 2"},
            {"SerialNumber", "A1"},
            {"Transport", "USB"}};
}

QByteArray touchDescriptor() {
    OVHIDTouchScreenDescription description;
    description.fingers = 2;
    return OVHIDTouchScreenDescriptor(description);
}

class DiagnosticsReportTest : public ::testing::Test {
  protected:
    DiagnosticsReportTest() { OVRegisterDefaults(); }

    OVServicesGuard services;
    SimMachine machine{services};
    OVSimHIDDeviceSet& devices = machine.devices;
};

// The lines under a heading of the device report, up to the next blank line.
QString section(const QString& text, const QString& heading) {
    return text.section(heading, 1).section("\n\n", 0, 0) + "\n";
}

}  // namespace

TEST_F(DiagnosticsReportTest, TheDeviceInUseAddsItsDescriptorAndSummary) {
    EXPECT_EQ(OVCompatibilityReportBasePayload(std::nullopt, std::nullopt, std::nullopt).size(),
              12);
    EXPECT_TRUE(OVDeviceReportText().endsWith(
        "\nHID report descriptor:\n- unavailable\n\nHID descriptor parser summary:\n"
        "- unavailable\n"));

    const QByteArray descriptor = touchDescriptor();
    OVSetCurrentHIDReportDescriptor(descriptor, OVHIDDigitizerLayoutBuild(descriptor));
    const QVariantMap payload =
        OVCompatibilityReportBasePayload(std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(payload.size(), 14);
    EXPECT_EQ(payload.value("hid_report_descriptor_hex"), QString::fromLatin1(descriptor.toHex()));
    EXPECT_EQ(payload.value("hid_descriptor_summary").toMap().value("contact_slots").toInt(), 2);

    const QString text = OVDeviceReportText();
    EXPECT_EQ(section(text, "\nHID report descriptor:\n"),
              QString::fromLatin1(descriptor.toHex() + "\n"));
    const QString summary = text.mid(text.indexOf("\nHID descriptor parser summary:\n") + 32);
    EXPECT_EQ(QJsonDocument::fromJson(summary.toUtf8()).object().toVariantMap(),
              payload.value("hid_descriptor_summary").toMap());
}

TEST_F(DiagnosticsReportTest, TheFullPayloadListsEachPhysicalDeviceOnce) {
    devices.add(flipInterface(), touchDescriptor());
    devices.add(flipInterface(1));  // a second interface of the same device
    devices.add({{"Product", "Keyboard"}, {"VendorID", 0x5ac}, {"PrimaryUsagePage", 1}});
    devices.add({{"Product", "Touchscreen"}, {"VendorID", 0x1}});
    devices.add({{"VendorID", 0x2}, {"PrimaryUsagePage", 13}, {"MaxInputReportSize", 0}});
    const QVariantMap payload = OVAssembleCompatibilityReportPayload(
        QString("Samsung Flip 2"), OVCompatibilityCheckReportType, OVCompatibilityCheckReportFormat,
        {{"finger", "passed"}}, {});
    EXPECT_EQ(payload.size(), 12 + 6);
    const QVariantList usb = payload.value("usb_devices").toList();
    ASSERT_EQ(usb.size(), 3);
    EXPECT_EQ(usb[0].toMap(), QVariantMap({{"vendor_id", "045e"},
                                           {"product_id", "0b12"},
                                           {"product_string", "Flip 2"},
                                           {"manufacturer_string", "Samsung"},
                                           {"transport", "USB"},
                                           {"max_input_report_size", 64}}));
    EXPECT_EQ(usb[2].toMap().value("max_input_report_size"), 0);  // known, though zero
    EXPECT_EQ(payload.value("diagnostics").toMap().value("scale_estimate").toDouble(), 2.0);

    const QString text = OVDeviceReportText();
    EXPECT_EQ(section(text, "\nSupported matching devices:\n"),
              "- manufacturer=\"Samsung\" product=\"Flip 2\" vendor=0x045e productId=0x0b12 "
              "version=0x0100 transport=USB serial=\"A1\" location=0x00001420 usagePage=0x0d "
              "usage=0x04 maxInputReportSize=64\n");
    const QString possible = section(text, "\nPossible compatible HID touch devices:\n");
    EXPECT_EQ(possible.count("product=\"Flip 2\""), 1);  // the page-1 interface is not a touch one
    EXPECT_TRUE(
        possible.contains("product=\"Touchscreen\" vendor=0x0001 productId=unknown "
                          "version=unknown transport=- serial=\"-\" location=unknown "
                          "usagePage=unknown usage=unknown maxInputReportSize=-1\n"));

    // Two touch interfaces with one signature: one summary, two lines.
    devices.add(flipInterface(), touchDescriptor());
    EXPECT_EQ(OVUSBDeviceSummaries(true).size(), 3);
    EXPECT_EQ(section(OVDeviceReportText(), "\nSupported matching devices:\n").count("- manuf"), 2);
}

TEST_F(DiagnosticsReportTest, TheTextReportsShareTheirHeaderAndListTheDisplays) {
    machine.displays.setDisplays({display(7, QRectF(-1280, 0, 1280, 1024), false, 1.0),
                                  display(1, QRectF(0, 0, 1920, 1080), true, 1.5)});
    const QString expectedStart =
        QStringLiteral(
            "Orvetta Device Report\nGenerated: 2026-05-09 06:13:20 +0000\nOrvetta: %1 (%2)\n"
            "Linux: %3\n\nDetection rules:\n- Supported: HID Digitizer / Touch Screen devices "
            "with a parseable report descriptor\n\nActive displays:\n"
            "- id=7 bounds=(-1280,0 1280x1024) pixels=1280x1024 scale=1.00x1.00\n"
            "- id=1 bounds=(0,0 1920x1080) pixels=2880x1620 scale=1.50x1.50 main\n"
            "\nSupported matching devices:\n- none\n"
            "\nPossible compatible HID touch devices:\n- none\n"
            "\nTouch input of the device in use:\n- no touch session\n"
            "\nHID report descriptor:\n")
            .arg(QStringLiteral(ORVETTA_VERSION), QStringLiteral(ORVETTA_BUILD),
                 OVOperatingSystemVersionString());
    EXPECT_EQ(OVDeviceReportText().left(expectedStart.size()), expectedStart);

    // The window reports add the install, the model and the report type.
    services.virtualScheduler()->advance(61.5);
    EXPECT_EQ(OVCompatibilityReportHeader("Title", "Flip", "check"),
              QStringLiteral("Title\nGenerated: 2026-05-09 06:14:21 +0000\nOrvetta: %1 (%2)\n"
                             "Install ID: %3\nLinux: %4\nDisplay model: Flip\nReport type: check\n")
                  .arg(QStringLiteral(ORVETTA_VERSION), QStringLiteral(ORVETTA_BUILD),
                       OVStableInstallID(), OVOperatingSystemVersionString()));
}

TEST_F(DiagnosticsReportTest, DisplayDiagnosticsDescribeTheMainDisplayAndNeverDivideByZero) {
    machine.displays.setDisplays({display(3, QRectF(1920, 0, 2560, 1440), false, 2.0),
                                  display(1, QRectF(0, 0, 1512, 982), true, 1.5)});
    EXPECT_EQ(OVDisplayDiagnosticsDictionary(),
              QVariantMap({{"active_display_bounds", "0,0 1512x982"},
                           {"logical_resolution", "1512x982"},
                           {"physical_resolution", "2268x1473"},
                           {"scale_estimate", 1.5}}));
    machine.displays.setDisplays({display(1, QRectF(0, 0, 0, 1080), true, 2.0)});
    EXPECT_EQ(OVDisplayDiagnosticsDictionary().value("scale_estimate"), 0.0);  // one ratio is none
    machine.displays.setDisplays({});  // the main display is listed alone
    QString text;
    OVAppendDisplayReport(text);
    EXPECT_EQ(text,
              "\nActive displays:\n- id=1 bounds=(0,0 0x0) pixels=0x0 scale=0.00x0.00 main\n");
}
