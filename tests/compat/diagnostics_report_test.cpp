#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/diagnostics_report.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/descriptor_writer.h"
#include "orvetta_config.h"
#include "platform/assembled_platform.h"
#include "platform/linux/qt_http_transport.h"
#include "platform/sim/sim_hid_manager.h"
#include "service/environment.h"
#include "settings/profiles.h"
#include "support/local_http_server.h"

namespace {

// Displays as a test lists them.
class FixedDisplays : public OVDisplayServices {
  public:
    QList<OVDisplayInfo> activeDisplays() const override { return displays; }
    std::uint32_t mainDisplayID() const override { return mainID; }
    void hideCursor() override {}
    void showCursor() override {}
    void setReconfigurationCallback(ReconfigurationCallback) override {}

    QList<OVDisplayInfo> displays;
    std::uint32_t mainID = 1;
};

OVDisplayInfo display(std::uint32_t id, QRectF bounds, QSize pixels) {
    OVDisplayInfo info;
    info.displayID = id;
    info.bounds = bounds;
    info.pixelSize = pixels;
    return info;
}

QVariantMap flipInterface(int location, int usagePage = 13) {
    return {{"VendorID", 0x45e},
            {"ProductID", 0x0b12},
            {"VersionNumber", 0x100},
            {"LocationID", location},
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
    void SetUp() override {
        displays.displays = {display(1, QRectF(0, 0, 1920, 1080), QSize(3840, 2160))};
        platform.hidManagerFactory = devices.managerFactory();
        platform.displays = &displays;
        services.setPlatform(&platform);
        OVRegisterDefaults();
    }

    OVServicesGuard services;
    OVSimHIDDeviceSet devices;
    FixedDisplays displays;
    OVAssembledPlatform platform;
};

QString section(const QString& text, const QString& heading) {
    const qsizetype start = text.indexOf(heading);
    if (start < 0) {
        return QString();
    }
    const qsizetype bodyStart = start + heading.size();
    const qsizetype end = text.indexOf("\n\n", bodyStart);
    return text.mid(bodyStart, end < 0 ? -1 : end - bodyStart + 1);
}

}  // namespace

TEST_F(DiagnosticsReportTest, WithoutADeviceInUseTheBasePayloadHasTwelveMembers) {
    const QVariantMap payload =
        OVCompatibilityReportBasePayload(std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(payload.size(), 12);
    EXPECT_EQ(payload.value("schema_version").toInt(), 1);
    EXPECT_EQ(payload.value("app"), "orvetta");
    EXPECT_EQ(payload.value("platform"), "linux");
    EXPECT_EQ(payload.value("channel"), "beta");
    EXPECT_EQ(payload.value("app_version"), OVBundleVersion());
    EXPECT_EQ(payload.value("app_build"), OVBundleBuild());
    EXPECT_EQ(payload.value("install_id"), OVStableInstallID());
    EXPECT_EQ(payload.value("report_type"), "legacy");
    EXPECT_EQ(payload.value("report_format"), "vovuderovo-text-v1");
    EXPECT_EQ(payload.value("display_model"), "Unknown");
    EXPECT_EQ(payload.value("os_version"), OVOperatingSystemVersionString());
    EXPECT_EQ(payload.value("anonymous").typeId(), QMetaType::Bool);
    EXPECT_TRUE(payload.value("anonymous").toBool());

    const QVariantMap given = OVCompatibilityReportBasePayload(
        QString(""), OVTroubleshootReportType, OVTroubleshootReportFormat);
    EXPECT_EQ(given.value("display_model"), "");
    EXPECT_EQ(given.value("report_type"), "troubleshoot");
    EXPECT_EQ(given.value("report_format"), "vovuderovo-troubleshoot-v1");

    const QString text = OVDeviceReportText();
    EXPECT_EQ(section(text, "\nHID report descriptor:\n"), "- unavailable\n");
    EXPECT_TRUE(text.endsWith("\nHID descriptor parser summary:\n- unavailable\n"));
}

TEST_F(DiagnosticsReportTest, TheDeviceInUseAddsItsDescriptorAndSummary) {
    const QByteArray descriptor = touchDescriptor();
    OVSetCurrentHIDReportDescriptor(descriptor, OVHIDDigitizerLayoutBuild(descriptor));
    const QVariantMap payload =
        OVCompatibilityReportBasePayload(std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(payload.size(), 14);
    EXPECT_EQ(payload.value("hid_report_descriptor_hex").toString(),
              QString::fromLatin1(descriptor.toHex()));
    EXPECT_EQ(payload.value("hid_descriptor_summary").toMap().value("contact_slots").toInt(), 2);

    const QString text = OVDeviceReportText();
    EXPECT_EQ(section(text, "\nHID report descriptor:\n"),
              QString::fromLatin1(descriptor.toHex()) + "\n");
    const QString summary = text.mid(text.indexOf("\nHID descriptor parser summary:\n") + 32);
    EXPECT_TRUE(summary.startsWith("{\n"));
    EXPECT_TRUE(summary.endsWith("}\n"));
    EXPECT_EQ(QJsonDocument::fromJson(summary.toUtf8()).object().toVariantMap(),
              QJsonDocument(QJsonObject::fromVariantMap(OVHIDReportDescriptorSummary()))
                  .object()
                  .toVariantMap());
}

TEST_F(DiagnosticsReportTest, TheFullPayloadListsEachPhysicalDeviceOnce) {
    devices.add(flipInterface(0x1420), touchDescriptor());
    devices.add(flipInterface(0x1420, 1));  // a second interface of the same device
    devices.add({{"Product", "Keyboard"}, {"VendorID", 0x5ac}, {"PrimaryUsagePage", 1}});
    devices.add({{"Product", "Touchscreen"}, {"VendorID", 0x1}});

    const QVariantMap summary{{"finger", "passed"}, {"pen", "not_tested"}};
    const QVariantList samples{OVRawSampleObject("finger", "passed", "len 5 bytes: 01 02\n")};
    const QVariantMap payload = OVAssembleCompatibilityReportPayload(
        QString("Samsung Flip 2"), OVCompatibilityCheckReportType, OVCompatibilityCheckReportFormat,
        summary, samples);
    EXPECT_EQ(payload.size(), 12 + 6);
    EXPECT_EQ(payload.value("result_summary").toMap(), summary);
    EXPECT_EQ(payload.value("raw_samples").toList(), samples);
    EXPECT_EQ(payload.value("display_model"), "Samsung Flip 2");
    EXPECT_EQ(payload.value("report_type"), "compatibility_check");

    const QVariantList usb = payload.value("usb_devices").toList();
    ASSERT_EQ(usb.size(), 2);
    EXPECT_EQ(usb[0].toMap(), QVariantMap({{"vendor_id", "045e"},
                                           {"product_id", "0b12"},
                                           {"product_string", "Flip 2"},
                                           {"manufacturer_string", "Samsung"},
                                           {"transport", "USB"},
                                           {"max_input_report_size", 64}}));
    EXPECT_EQ(usb[1].toMap(), QVariantMap({{"vendor_id", "0001"},
                                           {"product_id", "unknown"},
                                           {"product_string", "Touchscreen"},
                                           {"manufacturer_string", "-"},
                                           {"transport", "-"}}));
    EXPECT_EQ(payload.value("usb_vendor_id"), "045e");
    EXPECT_EQ(payload.value("usb_product_id"), "0b12");
    EXPECT_EQ(payload.value("diagnostics").toMap().value("scale_estimate").toDouble(), 2.0);

    const QString text = OVDeviceReportText();
    const QString line =
        "- manufacturer=\"Samsung\" product=\"Flip 2\" vendor=0x045e productId=0x0b12 "
        "version=0x0100 transport=USB serial=\"A1\" location=0x00001420 usagePage=0x0d usage=0x04 "
        "maxInputReportSize=64\n";
    EXPECT_EQ(section(text, "\nSupported matching devices:\n"), line);
    const QString possible = section(text, "\nPossible compatible HID touch devices:\n");
    EXPECT_EQ(possible.count("product=\"Flip 2\""), 1);  // the page-1 interface is not a touch one
    EXPECT_TRUE(
        possible.contains("product=\"Touchscreen\" vendor=0x0001 productId=unknown "
                          "version=unknown transport=- serial=\"-\" location=unknown "
                          "usagePage=unknown usage=unknown maxInputReportSize=-1\n"));
    EXPECT_EQ(devices.managersOpened(), 0);

    // Device strings are written as they are, placeholders and quotes included.
    EXPECT_EQ(
        OVDeviceReportLine(OVSimHIDDevice({{"Manufacturer", "%2 \"Co\""}, {"Product", "50%1"}})),
        "- manufacturer=\"%2 \"Co\"\" product=\"50%1\" vendor=unknown productId=unknown "
        "version=unknown transport=- serial=\"-\" location=unknown usagePage=unknown "
        "usage=unknown maxInputReportSize=-1");
}

TEST_F(DiagnosticsReportTest, TwoTouchInterfacesWithOneSignatureGiveOneSummaryAndTwoLines) {
    devices.add(flipInterface(0x1420), touchDescriptor());
    devices.add(flipInterface(0x1420), touchDescriptor());
    EXPECT_EQ(OVUSBDeviceSummaries(true).size(), 1);
    const QString text = OVDeviceReportText();
    EXPECT_EQ(section(text, "\nPossible compatible HID touch devices:\n").count("- manufacturer="),
              2);
    EXPECT_EQ(section(text, "\nSupported matching devices:\n").count("- manufacturer="), 2);
}

TEST_F(DiagnosticsReportTest, WithoutDevicesTheListsAreEmptyAndSayNone) {
    const QVariantMap payload =
        OVAssembleCompatibilityReportPayload(std::nullopt, "t", "f", {}, {});
    EXPECT_TRUE(payload.value("usb_devices").toList().isEmpty());
    EXPECT_TRUE(payload.contains("usb_devices"));
    EXPECT_FALSE(payload.contains("usb_vendor_id"));
    EXPECT_FALSE(payload.contains("usb_product_id"));
    const QString text = OVDeviceReportText();
    EXPECT_EQ(section(text, "\nSupported matching devices:\n"), "- none\n");
    EXPECT_EQ(section(text, "\nPossible compatible HID touch devices:\n"), "- none\n");
}

TEST_F(DiagnosticsReportTest, TheTextReportHasItsSectionsInOrder) {
    displays.displays = {display(7, QRectF(-1280, 0, 1280, 1024), QSize(1280, 1024)),
                         display(1, QRectF(0, 0, 1920, 1080), QSize(2880, 1620))};
    const QString text = OVDeviceReportText();
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
    EXPECT_EQ(text.left(expectedStart.size()), expectedStart);
    EXPECT_TRUE(text.endsWith('\n'));

    services.virtualScheduler()->advance(61.5);
    EXPECT_TRUE(OVDeviceReportText().contains("Generated: 2026-05-09 06:14:21 +0000\n"));
}

TEST_F(DiagnosticsReportTest, DisplayDiagnosticsDescribeTheMainDisplayAndNeverDivideByZero) {
    displays.displays = {display(3, QRectF(1920, 0, 2560, 1440), QSize(5120, 2880)),
                         display(1, QRectF(0, 0, 1512, 982), QSize(3024, 1964))};
    EXPECT_EQ(OVDisplayDiagnosticsDictionary(),
              QVariantMap({{"active_display_bounds", "0,0 1512x982"},
                           {"logical_resolution", "1512x982"},
                           {"physical_resolution", "3024x1964"},
                           {"scale_estimate", 2.0}}));

    displays.displays = {display(1, QRectF(0, 0, 0, 1080), QSize(0, 2160))};
    QVariantMap zero = OVDisplayDiagnosticsDictionary();
    EXPECT_EQ(zero.value("active_display_bounds"), "0,0 0x1080");
    EXPECT_EQ(zero.value("scale_estimate").toDouble(), 0.0);  // one ratio alone is no estimate
    EXPECT_FALSE(std::isnan(zero.value("scale_estimate").toDouble()));

    displays.displays = {display(1, QRectF(0, 0, 0, 0), QSize(1920, 1080))};
    zero = OVDisplayDiagnosticsDictionary();
    EXPECT_EQ(zero.value("logical_resolution"), "0x0");
    EXPECT_EQ(zero.value("physical_resolution"), "1920x1080");
    EXPECT_EQ(zero.value("scale_estimate").toDouble(), 0.0);
    QString section;
    OVAppendDisplayReport(section);
    EXPECT_EQ(section,
              "\nActive displays:\n- id=1 bounds=(0,0 0x0) pixels=1920x1080 "
              "scale=0.00x0.00 main\n");
}

TEST_F(DiagnosticsReportTest, WithNoActiveDisplayTheMainOneIsListedAlone) {
    displays.displays.clear();
    displays.mainID = 42;
    QString text;
    OVAppendDisplayReport(text);
    EXPECT_EQ(text,
              "\nActive displays:\n- id=42 bounds=(0,0 0x0) pixels=0x0 scale=0.00x0.00 main\n");
    EXPECT_EQ(OVDisplayDiagnosticsDictionary().value("physical_resolution"), "0x0");
}

TEST_F(DiagnosticsReportTest, ASubmittedPayloadIsPostedToTheReportsPath) {
    OVLocalHTTPServer server;
    OVQtHTTPTransport transport;
    platform.http = &transport;
    OVStandardPreferences().setObject("apiBaseURL", server.origin() + "/v1");
    server.route("/v1/compatibility-reports/", OVLocalHTTPServer::json(201, R"({"id": "rep-7"})"));
    devices.add(flipInterface(0x1420), touchDescriptor());

    const QVariantMap payload = OVAssembleCompatibilityReportPayload(
        std::nullopt, OVTroubleshootReportType, OVTroubleshootReportFormat, {{"finger", "passed"}},
        {OVRawSampleObject("finger", "passed", "")});
    int calls = 0;
    QString reportID;
    OVSubmitCompatibilityReportPayload(payload, [&](const std::optional<QVariantMap>& answer,
                                                    const std::optional<OVError>& error) {
        ++calls;
        EXPECT_FALSE(error.has_value());
        reportID = answer.value_or(QVariantMap()).value("id").toString();
    });
    ASSERT_TRUE(OVRunEventLoopUntil([&] { return calls > 0; }));
    EXPECT_EQ(reportID, "rep-7");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].method, "POST");
    const QVariantMap sent =
        QJsonDocument::fromJson(server.requests()[0].body).object().toVariantMap();
    EXPECT_EQ(sent.keys(), payload.keys());
    EXPECT_EQ(sent.value("usb_devices").toList().size(), 1);
    EXPECT_EQ(sent.value("diagnostics").toMap().value("scale_estimate").toDouble(), 2.0);
}

TEST(CompatibilityWindowHelpers, SamplesSummaryKeysAndDisplayModels) {
    const QString sample = "report 1\nlength=7 bytes:  01 02 0a  \nsecond bytes: ff\n";
    EXPECT_EQ(OVFirstHexLineOfSample(sample), "01 02 0a");
    EXPECT_EQ(OVFirstHexLineOfSample("x bytes: a bytes: b"), "a bytes: b");
    EXPECT_EQ(OVFirstHexLineOfSample("no hex here"), "");

    EXPECT_EQ(OVRawSampleObject("pen", "failed", "no hex here"),
              QVariantMap({{"control", "pen"}, {"status", "failed"}, {"text", "no hex here"}}));
    EXPECT_EQ(OVRawSampleObject("pen", "not_tested", ""),
              QVariantMap({{"control", "pen"}, {"status", "not_tested"}}));
    EXPECT_EQ(OVRawSampleObject("finger", "passed", sample).value("hex"), "01 02 0a");

    EXPECT_EQ(OVSummaryKeyForInputName("Finger 1 point"), "finger");
    EXPECT_EQ(OVSummaryKeyForInputName("Finger 2 point"), "two_finger");
    EXPECT_EQ(OVSummaryKeyForInputName("Finger 3 point"), "three_finger");
    EXPECT_EQ(OVSummaryKeyForInputName("Finger 4 point"), "four_finger");
    EXPECT_EQ(OVSummaryKeyForInputName("Pen"), "pen");
    EXPECT_EQ(OVSummaryKeyForInputName("Eraser"), "eraser");
    EXPECT_EQ(OVSummaryKeyForInputName("Palm Rejection Test"), "palm_rejection_test");

    EXPECT_EQ(OVDisplayModelChoices(), QStringList({"Select", "Samsung Flip", "Samsung Flip 2",
                                                    "Samsung Flip Pro", "Other"}));
    EXPECT_EQ(OVSelectedDisplayModel(QString("Select"), "ignored"), "");
    EXPECT_EQ(OVSelectedDisplayModel(std::nullopt, ""), "Unknown");
    EXPECT_EQ(OVSelectedDisplayModel(QString("Other"), "  Big Board 86 \n"), "Other: Big Board 86");
    EXPECT_EQ(OVSelectedDisplayModel(QString("Other"), " \t"), "Other");
    EXPECT_EQ(OVSelectedDisplayModel(QString("Samsung Flip Pro"), "x"), "Samsung Flip Pro");
    EXPECT_TRUE(OVDisplayModelFieldEnabled("Other"));
    EXPECT_FALSE(OVDisplayModelFieldEnabled("Samsung Flip"));
}

TEST(CompatibilityWindowHelpers, ContactsCountOnlyInsideTheWindowFrame) {
    const QRectF frame(100, 50, 400, 300);  // x 100..500, y 50..350, top-left origin
    const auto contact = [](QVariant x, QVariant y) {
        QVariantMap c{{"id", 1}};
        if (x.isValid()) {
            c.insert("screenX", x);
        }
        if (y.isValid()) {
            c.insert("screenY", y);
        }
        return c;
    };
    EXPECT_TRUE(OVContactIsInsideWindow(contact(100.0, 50.0), frame));    // minimum edges in
    EXPECT_FALSE(OVContactIsInsideWindow(contact(500.0, 100.0), frame));  // maximum edges out
    EXPECT_FALSE(OVContactIsInsideWindow(contact(200.0, 350.0), frame));
    EXPECT_TRUE(OVContactIsInsideWindow(contact(499.5, 349.5), frame));
    EXPECT_TRUE(OVContactIsInsideWindow(contact(300, 60), frame));       // integers count too
    EXPECT_FALSE(OVContactIsInsideWindow(contact(300.0, 20.0), frame));  // above, not below
    EXPECT_FALSE(OVContactIsInsideWindow(contact(QVariant(), 100.0), frame));
    EXPECT_FALSE(OVContactIsInsideWindow(contact(300.0, "100"), frame));
    EXPECT_FALSE(OVContactIsInsideWindow(contact(300.0, 100.0), std::nullopt));
    EXPECT_TRUE(std::isnan(OVScreenPointFromContact(contact(QVariant(), 1.0)).x()));

    const QVariantList contacts{contact(150.0, 60.0), contact(10.0, 10.0), contact(499.0, 349.0)};
    const QVariantList inside = OVContactsInsideWindow(contacts, frame);
    EXPECT_EQ(inside, QVariantList({contacts[0], contacts[2]}));
    EXPECT_TRUE(OVContactsInsideWindow(contacts, std::nullopt).isEmpty());
}
