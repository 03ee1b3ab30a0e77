#include "compat/compat_window_support.h"

#include <QDateTime>
#include <QTimeZone>

#include "base/scheduler.h"
#include "base/services.h"
#include "compat/diagnostics_report.h"
#include "orvetta_config.h"
#include "service/environment.h"

void OVDisplayModelChoice::selectionChanged() {
    otherFieldEnabled = OVDisplayModelFieldEnabled(title);
    if (!otherFieldEnabled) {
        otherText.clear();
    }
}

QString OVDisplayModelChoice::selectedDisplayModel() const {
    return OVSelectedDisplayModel(title.isEmpty() ? std::nullopt : std::optional<QString>(title),
                                  otherText);
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
    text += QStringLiteral("Install ID: %1\n").arg(OVStableInstallID());
    text += QStringLiteral("Linux: %1\n").arg(OVOperatingSystemVersionString());
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
