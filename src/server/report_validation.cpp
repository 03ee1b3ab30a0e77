#include "server/report_validation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QUuid>

#include "service/bounded_json.h"

namespace {

struct MemberRule {
    QLatin1String name;
    QJsonValue::Type type;
    bool required;
};

// The payload of the diagnostics report; the last six members are added when a check window
// assembles it, "report_uuid" when a report waits in the client's outbox.
const MemberRule kMemberRules[] = {
    {QLatin1String("schema_version"), QJsonValue::Double, true},
    {QLatin1String("app"), QJsonValue::String, true},
    {QLatin1String("platform"), QJsonValue::String, true},
    {QLatin1String("channel"), QJsonValue::String, true},
    {QLatin1String("app_version"), QJsonValue::String, true},
    {QLatin1String("app_build"), QJsonValue::String, true},
    {QLatin1String("install_id"), QJsonValue::String, true},
    {QLatin1String("report_type"), QJsonValue::String, true},
    {QLatin1String("report_format"), QJsonValue::String, true},
    {QLatin1String("display_model"), QJsonValue::String, true},
    {QLatin1String("os_version"), QJsonValue::String, true},
    {QLatin1String("anonymous"), QJsonValue::Bool, true},
    {QLatin1String("hid_report_descriptor_hex"), QJsonValue::String, false},
    {QLatin1String("hid_descriptor_summary"), QJsonValue::Object, false},
    {QLatin1String("diagnostics"), QJsonValue::Object, true},
    {QLatin1String("result_summary"), QJsonValue::Object, true},
    {QLatin1String("raw_samples"), QJsonValue::Array, true},
    {QLatin1String("usb_devices"), QJsonValue::Array, true},
    {QLatin1String("usb_vendor_id"), QJsonValue::String, false},
    {QLatin1String("usb_product_id"), QJsonValue::String, false},
    {QLatin1String("report_uuid"), QJsonValue::String, false},
};

QString typeName(QJsonValue::Type type) {
    switch (type) {
        case QJsonValue::Double:
            return QStringLiteral("a number");
        case QJsonValue::String:
            return QStringLiteral("a string");
        case QJsonValue::Bool:
            return QStringLiteral("true or false");
        case QJsonValue::Object:
            return QStringLiteral("an object");
        default:
            return QStringLiteral("an array");
    }
}

QString memberProblem(const QJsonObject& report) {
    for (const MemberRule& rule : kMemberRules) {
        const QJsonValue value = report.value(rule.name);
        if (value.isUndefined()) {
            if (rule.required) {
                return QStringLiteral("The report has no \"%1\".").arg(rule.name);
            }
        } else if (value.type() != rule.type) {
            return QStringLiteral("\"%1\" must be %2.").arg(rule.name, typeName(rule.type));
        }
    }
    const QJsonObject results = report.value(QLatin1String("result_summary")).toObject();
    for (auto it = results.constBegin(); it != results.constEnd(); ++it) {
        if (!it.value().isString()) {
            return QStringLiteral("\"result_summary\" must map each input to a status string.");
        }
    }
    return QString();
}

// A member the summary groups or filters by; refused when too long for an index.
std::optional<QString> indexedText(const QJsonObject& report, QLatin1String name,
                                   QString* problem) {
    const QString text = report.value(name).toString();
    if (text.size() > OVLongestIndexedReportText) {
        *problem = QStringLiteral("\"%1\" is longer than %2 characters.")
                       .arg(name)
                       .arg(OVLongestIndexedReportText);
        return std::nullopt;
    }
    return text;
}

QString parseProblem(const QJsonParseError& error) {
    if (error.error == QJsonParseError::DeepNesting) {
        return QStringLiteral("The report is nested deeper than %1 levels.")
            .arg(OVMaximumJSONDepth);
    }
    return QStringLiteral("The body is not valid JSON (%1 at byte %2).")
        .arg(error.errorString())
        .arg(error.offset);
}

}  // namespace

QString OVInstallationHash(const QByteArray& key, const QString& installID) {
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(installID.toUtf8(), key, QCryptographicHash::Sha256)
            .toHex());
}

std::optional<OVReportRecord> OVReportRecordFromJSON(const QByteArray& body,
                                                     const QByteArray& hashKey,
                                                     const QString& receivedAt, QString* problem) {
    if (body.isEmpty()) {
        *problem = QStringLiteral("The request has no body; send the report as a JSON object.");
        return std::nullopt;
    }
    QJsonParseError parseError{};
    const std::optional<QJsonDocument> document = OVParseBoundedJSON(body, &parseError);
    if (!document) {
        *problem = parseProblem(parseError);
        return std::nullopt;
    }
    if (!document->isObject()) {
        *problem = QStringLiteral("The report must be a JSON object.");
        return std::nullopt;
    }
    QJsonObject report = document->object();
    if (*problem = memberProblem(report); !problem->isEmpty()) {
        return std::nullopt;
    }

    OVReportRecord record;
    if (const QJsonValue uuid = report.value(QLatin1String("report_uuid")); uuid.isString()) {
        const QUuid parsed = QUuid::fromString(uuid.toString());
        if (parsed.isNull()) {
            *problem = QStringLiteral("\"report_uuid\" must be a UUID.");
            return std::nullopt;
        }
        record.reportUUID = parsed.toString(QUuid::WithoutBraces);
    }
    const auto vendor = indexedText(report, QLatin1String("usb_vendor_id"), problem);
    const auto product = indexedText(report, QLatin1String("usb_product_id"), problem);
    const auto model = indexedText(report, QLatin1String("display_model"), problem);
    const auto version = indexedText(report, QLatin1String("app_version"), problem);
    const auto platform = indexedText(report, QLatin1String("platform"), problem);
    const auto type = indexedText(report, QLatin1String("report_type"), problem);
    if (!vendor || !product || !model || !version || !platform || !type) {
        return std::nullopt;
    }
    record.vendorID = *vendor;
    record.productID = *product;
    record.displayModel = *model;
    record.appVersion = *version;
    record.platform = *platform;
    record.reportType = *type;
    for (const QJsonValue& status : report.value(QLatin1String("result_summary")).toObject()) {
        const QString text = status.toString();
        if (text == QLatin1String("ok")) {
            ++record.passedInputs;
        } else if (text == QLatin1String("failed")) {
            ++record.failedInputs;
        } else {
            ++record.untestedInputs;
        }
    }
    record.installHash =
        OVInstallationHash(hashKey, report.take(QLatin1String("install_id")).toString());
    report.insert(QLatin1String("install_hash"), record.installHash);
    record.receivedAt = receivedAt;
    record.body = QJsonDocument(report).toJson(QJsonDocument::Compact);
    return record;
}
