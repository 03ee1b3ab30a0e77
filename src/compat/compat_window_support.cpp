#include "compat/compat_window_support.h"

#include "compat/diagnostics_report.h"

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
    QString text = OVTextReportHeader(title, true);
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
