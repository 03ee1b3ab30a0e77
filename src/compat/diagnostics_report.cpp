#include "compat/diagnostics_report.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>
#include <limits>

#include "base/scheduler.h"
#include "base/services.h"
#include "hid/descriptor_summary.h"
#include "hid/device_discovery.h"
#include "orvetta_config.h"
#include "platform/platform.h"
#include "service/environment.h"

namespace {

constexpr int kMaximumActiveDisplays = 32;

const QString kVendorID = QStringLiteral("VendorID");
const QString kProductID = QStringLiteral("ProductID");
const QString kMaxInputReportSize = QStringLiteral("MaxInputReportSize");

struct DisplayGeometry {
    std::uint32_t displayID = 0;
    QRectF bounds;
    qint64 pixelsWide = 0;
    qint64 pixelsHigh = 0;
};

DisplayGeometry geometryOf(const OVDisplayInfo& display) {
    return {display.displayID, display.bounds, std::max(0, display.pixelSize.width()),
            std::max(0, display.pixelSize.height())};
}

// The display `displayID` as the platform lists it; zero bounds and pixels when it does not.
DisplayGeometry geometryOfDisplay(const QList<OVDisplayInfo>& displays, std::uint32_t displayID) {
    for (const OVDisplayInfo& display : displays) {
        if (display.displayID == displayID) {
            return geometryOf(display);
        }
    }
    DisplayGeometry missing;
    missing.displayID = displayID;
    return missing;
}

double ratio(qint64 pixels, double points) {
    return points > 0 ? static_cast<double>(pixels) / points : 0.0;
}

// The active displays, at most 32; the main display alone when the platform lists none.
QList<DisplayGeometry> activeDisplayGeometries() {
    const OVDisplayServices& services = OVCurrentPlatform().displayServices();
    const QList<OVDisplayInfo> displays = services.activeDisplays();
    QList<DisplayGeometry> geometries;
    if (displays.isEmpty()) {
        geometries.append(geometryOfDisplay(displays, services.mainDisplayID()));
        return geometries;
    }
    for (const OVDisplayInfo& display : displays.mid(0, kMaximumActiveDisplays)) {
        geometries.append(geometryOf(display));
    }
    return geometries;
}

QString lowerHexOrUnknown(std::int32_t value) {
    if (value < 0) {
        return QStringLiteral("unknown");
    }
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

// The current date as "yyyy-MM-dd HH:mm:ss +0000".
QString currentDateDescription() {
    const double seconds = OVMainScheduler().referenceNow() + OVReferenceDateUnixOffset;
    const QDateTime date =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(seconds)) * 1000, Qt::UTC);
    return date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

QString versionOrFallback(const char* value, const char* fallback) {
    const QString text = QString::fromUtf8(value);
    return text.isEmpty() ? QString::fromUtf8(fallback) : text;
}

void appendDevicesMatching(QString& text, const QList<QVariantMap>& matching,
                           bool onlyPossiblyCompatible) {
    std::unique_ptr<OVHIDManager> manager = OVCurrentPlatform().createHIDManager();
    manager->setDeviceMatching(matching);
    OVAppendDevicesFromManager(text, *manager, onlyPossiblyCompatible);
}

QString prettySummaryText(const QVariantMap& summary) {
    QByteArray json =
        QJsonDocument(QJsonObject::fromVariantMap(summary)).toJson(QJsonDocument::Indented);
    while (json.endsWith('\n')) {
        json.chop(1);
    }
    return QString::fromUtf8(json);
}

bool hasNumber(const QVariantMap& contact, const QString& key) {
    const QVariant value = contact.value(key);
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

}  // namespace

QVariantMap OVCompatibilityReportBasePayload(const std::optional<QString>& displayModel,
                                             const std::optional<QString>& reportType,
                                             const std::optional<QString>& reportFormat) {
    QVariantMap payload{
        {QStringLiteral("schema_version"), 1},
        {QStringLiteral("app"), OVServiceAppName},
        {QStringLiteral("platform"), OVPlatformName()},
        {QStringLiteral("channel"), OVServiceChannel},
        {QStringLiteral("app_version"), OVBundleVersion()},
        {QStringLiteral("app_build"), OVBundleBuild()},
        {QStringLiteral("install_id"), OVStableInstallID()},
        {QStringLiteral("report_type"), reportType.value_or(QStringLiteral("legacy"))},
        {QStringLiteral("report_format"),
         reportFormat.value_or(QStringLiteral("vovuderovo-text-v1"))},
        {QStringLiteral("display_model"), displayModel.value_or(QStringLiteral("Unknown"))},
        {QStringLiteral("os_version"), OVOperatingSystemVersionString()},
        {QStringLiteral("anonymous"), true},
    };
    const QString hex = OVHIDReportDescriptorHex();
    if (!hex.isEmpty()) {
        payload.insert(QStringLiteral("hid_report_descriptor_hex"), hex);
    }
    const QVariantMap summary = OVHIDReportDescriptorSummary();
    if (!summary.isEmpty()) {
        payload.insert(QStringLiteral("hid_descriptor_summary"), summary);
    }
    return payload;
}

QVariantMap OVAssembleCompatibilityReportPayload(const std::optional<QString>& displayModel,
                                                 const QString& reportType,
                                                 const QString& reportFormat,
                                                 const QVariantMap& resultSummary,
                                                 const QVariantList& rawSamples) {
    QVariantMap payload = OVCompatibilityReportBasePayload(displayModel, reportType, reportFormat);
    const QVariantList devices = OVUSBDeviceSummaries(true);
    payload.insert(QStringLiteral("diagnostics"), OVDisplayDiagnosticsDictionary());
    payload.insert(QStringLiteral("result_summary"), resultSummary);
    payload.insert(QStringLiteral("raw_samples"), rawSamples);
    payload.insert(QStringLiteral("usb_devices"), devices);
    if (!devices.isEmpty()) {
        const QVariantMap first = devices.first().toMap();
        if (first.contains(QStringLiteral("vendor_id"))) {
            payload.insert(QStringLiteral("usb_vendor_id"),
                           first.value(QStringLiteral("vendor_id")));
        }
        if (first.contains(QStringLiteral("product_id"))) {
            payload.insert(QStringLiteral("usb_product_id"),
                           first.value(QStringLiteral("product_id")));
        }
    }
    return payload;
}

QVariantMap OVDisplayDiagnosticsDictionary() {
    const OVDisplayServices& services = OVCurrentPlatform().displayServices();
    const DisplayGeometry main =
        geometryOfDisplay(services.activeDisplays(), services.mainDisplayID());
    const double width = main.bounds.width();
    const double height = main.bounds.height();
    const double horizontal = ratio(main.pixelsWide, width);
    const double vertical = ratio(main.pixelsHigh, height);
    const double estimate = horizontal > 0 && vertical > 0 ? (horizontal + vertical) / 2.0 : 0.0;
    return {
        {QStringLiteral("active_display_bounds"),
         QString::asprintf("%.0f,%.0f %.0fx%.0f", main.bounds.x(), main.bounds.y(), width, height)},
        {QStringLiteral("logical_resolution"), QString::asprintf("%.0fx%.0f", width, height)},
        {QStringLiteral("physical_resolution"),
         QStringLiteral("%1x%2").arg(main.pixelsWide).arg(main.pixelsHigh)},
        {QStringLiteral("scale_estimate"), estimate},
    };
}

QVariantList OVUSBDeviceSummaries(bool onlyPossiblyCompatible) {
    std::unique_ptr<OVHIDManager> manager = OVCurrentPlatform().createHIDManager();
    manager->setDeviceMatching({});
    QVariantList summaries;
    QSet<QString> seen;
    for (const OVHIDDeviceRef& device : manager->copyDevices()) {
        if (!device || (onlyPossiblyCompatible && !OVDeviceLooksPossiblyCompatible(*device))) {
            continue;
        }
        const QString signature = OVDeviceSignature(*device);
        if (seen.contains(signature)) {
            continue;
        }
        seen.insert(signature);
        summaries.append(OVDeviceSummaryDictionary(*device));
    }
    return summaries;
}

QVariantMap OVDeviceSummaryDictionary(const OVHIDDevice& device) {
    QVariantMap summary{
        {QStringLiteral("vendor_id"),
         lowerHexOrUnknown(OVIntegerDeviceProperty(device, kVendorID))},
        {QStringLiteral("product_id"),
         lowerHexOrUnknown(OVIntegerDeviceProperty(device, kProductID))},
        {QStringLiteral("product_string"), OVDeviceStringOrDash(device, QStringLiteral("Product"))},
        {QStringLiteral("manufacturer_string"),
         OVDeviceStringOrDash(device, QStringLiteral("Manufacturer"))},
        {QStringLiteral("transport"), OVDeviceStringOrDash(device, QStringLiteral("Transport"))},
    };
    const std::int32_t maxInputReportSize = OVIntegerDeviceProperty(device, kMaxInputReportSize);
    if (maxInputReportSize >= 0) {
        summary.insert(QStringLiteral("max_input_report_size"), maxInputReportSize);
    }
    return summary;
}

QString OVTextReportHeader(const QString& title, bool withInstallID) {
    QString text = title + QLatin1Char('\n');
    text += QStringLiteral("Generated: %1\n").arg(currentDateDescription());
    text += QStringLiteral("Orvetta: %1 (%2)\n")
                .arg(versionOrFallback(ORVETTA_VERSION, "0.1.0"),
                     versionOrFallback(ORVETTA_BUILD, "1"));
    if (withInstallID) {
        text += QStringLiteral("Install ID: %1\n").arg(OVStableInstallID());
    }
    text += QStringLiteral("Linux: %1\n").arg(OVOperatingSystemVersionString());
    return text;
}

QString OVDeviceReportText() {
    QString text = OVTextReportHeader(QStringLiteral("Orvetta Device Report"), false);
    text += QStringLiteral("\nDetection rules:\n");
    text += QStringLiteral(
        "- Supported: HID Digitizer / Touch Screen devices with a parseable report descriptor\n");
    OVAppendDisplayReport(text);
    text += QStringLiteral("\nSupported matching devices:\n");
    appendDevicesMatching(text, OVCreateHIDMatchingArray(), false);
    text += QStringLiteral("\nPossible compatible HID touch devices:\n");
    appendDevicesMatching(text, {}, true);

    // Whether the desktop also acts on the touches of the device in use.
    const QString hold = OVCurrentProcessState().touchInputHoldDescription;
    text += QStringLiteral("\nTouch input of the device in use:\n- %1\n")
                .arg(hold.isEmpty() ? QStringLiteral("no touch session") : hold);

    text += QStringLiteral("\nHID report descriptor:\n");
    const QString hex = OVHIDReportDescriptorHex();
    text += (hex.isEmpty() ? QStringLiteral("- unavailable") : hex) + QLatin1Char('\n');

    text += QStringLiteral("\nHID descriptor parser summary:\n");
    const QVariantMap summary = OVHIDReportDescriptorSummary();
    const QString summaryText = summary.isEmpty() ? QString() : prettySummaryText(summary);
    text +=
        (summaryText.isEmpty() ? QStringLiteral("- unavailable") : summaryText) + QLatin1Char('\n');
    return text;
}

void OVAppendDisplayReport(QString& text) {
    text += QStringLiteral("\nActive displays:\n");
    const std::uint32_t mainID = OVCurrentPlatform().displayServices().mainDisplayID();
    for (const DisplayGeometry& display : activeDisplayGeometries()) {
        const double width = display.bounds.width();
        const double height = display.bounds.height();
        text += QString::asprintf(
            "- id=%u bounds=(%.0f,%.0f %.0fx%.0f) pixels=%lldx%lld scale=%.2fx%.2f%s\n",
            display.displayID, display.bounds.x(), display.bounds.y(), width, height,
            static_cast<long long>(display.pixelsWide), static_cast<long long>(display.pixelsHigh),
            ratio(display.pixelsWide, width), ratio(display.pixelsHigh, height),
            display.displayID == mainID ? " main" : "");
    }
}

void OVAppendDevicesFromManager(QString& text, OVHIDManager& manager, bool onlyPossiblyCompatible) {
    int lines = 0;
    for (const OVHIDDeviceRef& device : manager.copyDevices()) {
        if (!device || (onlyPossiblyCompatible && !OVDeviceLooksPossiblyCompatible(*device))) {
            continue;
        }
        text += OVDeviceReportLine(*device) + QLatin1Char('\n');
        ++lines;
    }
    if (lines == 0) {
        text += QStringLiteral("- none\n");
    }
}

QString OVDeviceReportLine(const OVHIDDevice& device) {
    const auto hex = [&](const char* key, int digits) {
        return OVHexOrUnknown(OVIntegerDeviceProperty(device, QString::fromLatin1(key)), digits);
    };
    const auto string = [&](const char* key) {
        return OVDeviceStringOrDash(device, QString::fromLatin1(key));
    };
    // Joined piece by piece: device strings may hold "%1" and must stay as they are.
    return QStringLiteral("- manufacturer=\"") + string("Manufacturer") +
           QStringLiteral("\" product=\"") + string("Product") + QStringLiteral("\" vendor=") +
           hex("VendorID", 4) + QStringLiteral(" productId=") + hex("ProductID", 4) +
           QStringLiteral(" version=") + hex("VersionNumber", 4) + QStringLiteral(" transport=") +
           string("Transport") + QStringLiteral(" serial=\"") + string("SerialNumber") +
           QStringLiteral("\" location=") + hex("LocationID", 8) + QStringLiteral(" usagePage=") +
           hex("PrimaryUsagePage", 2) + QStringLiteral(" usage=") + hex("PrimaryUsage", 2) +
           QStringLiteral(" maxInputReportSize=") +
           QString::number(OVIntegerDeviceProperty(device, kMaxInputReportSize));
}

void OVSubmitCompatibilityReportPayload(const QVariantMap& payload, OVJSONCompletion completion) {
    OVPostJSON(QStringLiteral("/compatibility-reports/"), payload, std::move(completion));
}

QString OVFirstHexLineOfSample(const QString& sample) {
    const QString marker = QStringLiteral("bytes:");
    for (const QString& line : sample.split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(marker);
        if (at >= 0) {
            return OVTrimmedString(line.mid(at + marker.size()));
        }
    }
    return QString();
}

QString OVSummaryKeyForInputName(const QString& inputName) {
    static const QVariantMap known{
        {QStringLiteral("Finger 1 point"), QStringLiteral("finger")},
        {QStringLiteral("Finger 2 point"), QStringLiteral("two_finger")},
        {QStringLiteral("Finger 3 point"), QStringLiteral("three_finger")},
        {QStringLiteral("Finger 4 point"), QStringLiteral("four_finger")},
        {QStringLiteral("Pen"), QStringLiteral("pen")},
        {QStringLiteral("Eraser"), QStringLiteral("eraser")},
    };
    const QVariant key = known.value(inputName);
    if (key.isValid()) {
        return key.toString();
    }
    return inputName.toLower().replace(QLatin1Char(' '), QLatin1Char('_'));
}

QVariantMap OVRawSampleObject(const QString& control, const QString& status,
                              const QString& sample) {
    QVariantMap object{{QStringLiteral("control"), control}, {QStringLiteral("status"), status}};
    const QString hex = OVFirstHexLineOfSample(sample);
    if (!hex.isEmpty()) {
        object.insert(QStringLiteral("hex"), hex);
    }
    if (!sample.isEmpty()) {
        object.insert(QStringLiteral("text"), sample);
    }
    return object;
}

const QStringList& OVDisplayModelChoices() {
    static const QStringList choices{QStringLiteral("Select"), QStringLiteral("Samsung Flip"),
                                     QStringLiteral("Samsung Flip 2"),
                                     QStringLiteral("Samsung Flip Pro"), QStringLiteral("Other")};
    return choices;
}

QString OVSelectedDisplayModel(const std::optional<QString>& selectedTitle,
                               const QString& otherText) {
    const QString title = selectedTitle.value_or(QStringLiteral("Unknown"));
    if (title == QLatin1String("Select")) {
        return QString();
    }
    if (title == QLatin1String("Other")) {
        const QString other = OVTrimmedString(otherText);
        return other.isEmpty() ? QStringLiteral("Other") : QStringLiteral("Other: %1").arg(other);
    }
    return title;
}

bool OVDisplayModelFieldEnabled(const QString& selectedTitle) {
    return selectedTitle == QLatin1String("Other");
}

QPointF OVScreenPointFromContact(const QVariantMap& contact) {
    const QString xKey = QStringLiteral("screenX");
    const QString yKey = QStringLiteral("screenY");
    if (!hasNumber(contact, xKey) || !hasNumber(contact, yKey)) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return QPointF(nan, nan);
    }
    return QPointF(contact.value(xKey).toDouble(), contact.value(yKey).toDouble());
}

bool OVContactIsInsideWindow(const QVariantMap& contact, const std::optional<QRectF>& windowFrame) {
    if (!windowFrame) {
        return false;
    }
    const QPointF point = OVScreenPointFromContact(contact);
    if (std::isnan(point.x()) || std::isnan(point.y())) {
        return false;
    }
    const QRectF& frame = *windowFrame;
    return point.x() >= frame.left() && point.x() < frame.left() + frame.width() &&
           point.y() >= frame.top() && point.y() < frame.top() + frame.height();
}

QVariantList OVContactsInsideWindow(const QVariantList& contacts,
                                    const std::optional<QRectF>& windowFrame) {
    QVariantList inside;
    for (const QVariant& contact : contacts) {
        if (OVContactIsInsideWindow(contact.toMap(), windowFrame)) {
            inside.append(contact);
        }
    }
    return inside;
}
