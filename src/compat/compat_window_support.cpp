#include "compat/compat_window_support.h"

#include <QDateTime>
#include <QTimeZone>
#include <cmath>

#include "base/scheduler.h"
#include "base/services.h"
#include "orvetta_config.h"

const QStringList& OVDisplayModelChoiceTitles() {
    static const QStringList titles{QStringLiteral("Select"), QStringLiteral("Samsung Flip"),
                                    QStringLiteral("Samsung Flip 2"),
                                    QStringLiteral("Samsung Flip Pro"), QStringLiteral("Other")};
    return titles;
}

void OVDisplayModelChoice::selectionChanged() {
    otherFieldEnabled = title == QLatin1String("Other");
    if (!otherFieldEnabled) {
        otherText.clear();
    }
}

QString OVDisplayModelChoice::selectedDisplayModel() const {
    const QString chosen = title.isEmpty() ? QStringLiteral("Unknown") : title;
    if (chosen == QLatin1String("Select")) {
        return QString();
    }
    if (chosen == QLatin1String("Other")) {
        const QString other = otherText.trimmed();
        return other.isEmpty() ? QStringLiteral("Other") : QStringLiteral("Other: %1").arg(other);
    }
    return chosen;
}

QString OVContactDictionaryKindName(const QVariantMap& contact) {
    const QVariant name = contact.value(QStringLiteral("kindName"));
    return name.isValid() ? name.toString() : QStringLiteral("unknown");
}

QString OVJoinedKindNames(const QStringList& kindNames) {
    return kindNames.isEmpty() ? QStringLiteral("none") : kindNames.join(QStringLiteral(", "));
}

QString OVCompatibilityReportHeader(const QString& title, const QString& displayModel,
                                    const QString& reportType) {
    const QString version = QStringLiteral(ORVETTA_VERSION);
    const QString build = QStringLiteral(ORVETTA_BUILD);
    const QDateTime generated = QDateTime::fromMSecsSinceEpoch(
        static_cast<qint64>((OVMainScheduler().referenceNow() + OVReferenceDateUnixOffset) * 1000),
        QTimeZone::utc());
    QString text = title + QLatin1Char('\n');
    text += QStringLiteral("Generated: %1\n")
                .arg(generated.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000")));
    text += QStringLiteral("Orvetta: %1 (%2)\n")
                .arg(version.isEmpty() ? QStringLiteral("0.1.0") : version,
                     build.isEmpty() ? QStringLiteral("1") : build);
    text += QStringLiteral("Install ID: %1\n").arg(QString());
    text += QStringLiteral("Linux: %1\n").arg(QString());
    text += QStringLiteral("Display model: %1\n").arg(displayModel);
    text += QStringLiteral("Report type: %1\n").arg(reportType);
    return text;
}

QString OVReportSubmitStatus(const std::optional<QVariantMap>& response,
                             const std::optional<OVError>& error) {
    if (error) {
        return error->description.isEmpty() ? QStringLiteral("Could not send report.")
                                            : error->description;
    }
    const QVariant identifier = response ? response->value(QStringLiteral("id")) : QVariant();
    const QString reportID =
        identifier.typeId() == QMetaType::QString ? identifier.toString() : QString();
    return reportID.isEmpty() ? QStringLiteral("Anonymous report sent.")
                              : QStringLiteral("Anonymous report sent: %1").arg(reportID);
}

QString OVSummaryKeyForName(const QString& name) {
    static const QHash<QString, QString> keys{
        {QStringLiteral("Finger 1 point"), QStringLiteral("finger")},
        {QStringLiteral("Finger 2 point"), QStringLiteral("two_finger")},
        {QStringLiteral("Finger 3 point"), QStringLiteral("three_finger")},
        {QStringLiteral("Finger 4 point"), QStringLiteral("four_finger")},
        {QStringLiteral("Pen"), QStringLiteral("pen")},
        {QStringLiteral("Eraser"), QStringLiteral("eraser")},
    };
    const auto known = keys.constFind(name);
    if (known != keys.constEnd()) {
        return *known;
    }
    return name.toLower().replace(QLatin1Char(' '), QLatin1Char('_'));
}

QVariantMap OVRawSampleObject(const QString& control, const QString& status,
                              const QString& sample) {
    QVariantMap object{{QStringLiteral("control"), control}, {QStringLiteral("status"), status}};
    for (const QString& line : sample.split(QLatin1Char('\n'))) {
        const qsizetype marker = line.indexOf(QLatin1String("bytes:"));
        if (marker >= 0) {
            const QString hex = line.mid(marker + 6).trimmed();
            if (!hex.isEmpty()) {
                object.insert(QStringLiteral("hex"), hex);
            }
            break;
        }
    }
    if (!sample.isEmpty()) {
        object.insert(QStringLiteral("text"), sample);
    }
    return object;
}

QVariantMap OVAssembleCompatibilityReportPayload(const QString& displayModel,
                                                 const QString& reportType,
                                                 const QString& reportFormat,
                                                 const QVariantMap& resultSummary,
                                                 const QVariantList& rawSamples) {
    QVariantMap payload{{QStringLiteral("display_model"), displayModel},
                        {QStringLiteral("report_type"), reportType},
                        {QStringLiteral("report_format"), reportFormat}};
    payload.insert(QStringLiteral("result_summary"), resultSummary);
    payload.insert(QStringLiteral("raw_samples"), rawSamples);
    return payload;
}

QString OVCompatibilityDeviceReportText() {
    return QString();
}

void OVSubmitCompatibilityReport(const QVariantMap&, OVReportSubmitCompletion completion) {
    completion(std::nullopt, OVError{});
}

std::optional<QPointF> OVContactScreenPoint(const QVariantMap& contact) {
    const QVariant x = contact.value(QStringLiteral("screenX"));
    const QVariant y = contact.value(QStringLiteral("screenY"));
    bool xIsNumber = false;
    bool yIsNumber = false;
    const QPointF point(x.toDouble(&xIsNumber), y.toDouble(&yIsNumber));
    if (!x.isValid() || !y.isValid() || !xIsNumber || !yIsNumber || std::isnan(point.x()) ||
        std::isnan(point.y())) {
        return std::nullopt;
    }
    return point;
}

QVariantList OVContactsInsideFrame(const QVariantList& contacts, const QRectF& frame) {
    QVariantList inside;
    for (const QVariant& contact : contacts) {
        const std::optional<QPointF> point = OVContactScreenPoint(contact.toMap());
        if (point && point->x() >= frame.left() && point->x() < frame.right() &&
            point->y() >= frame.top() && point->y() < frame.bottom()) {
            inside.append(contact);
        }
    }
    return inside;
}
