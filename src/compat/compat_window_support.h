#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "base/error.h"
#include "service/service_client.h"

// What the compatibility test and the compatibility check windows share: the display model
// choice, the report sections every text report starts with, and sending.

// The display model pop-up with its "Other" text field. The pop-up's items are
// OVDisplayModelChoices(); "Select" is the start and means no model.
struct OVDisplayModelChoice {
    QString title = QStringLiteral("Select");
    QString otherText;
    bool otherFieldEnabled = false;

    // After the pop-up or the field changed: the field is usable only while "Other" is chosen,
    // and is emptied when another choice is made.
    void selectionChanged();
    // "" for "Select", "Other" or "Other: <text>" for "Other", else the title.
    QString selectedDisplayModel() const;
};

// The first lines of a window's text report: its title, when and by what it was made, the
// install, the system and the display model.
QString OVCompatibilityReportHeader(const QString& title, const QString& displayModel,
                                    const QString& reportType);

// Sends a payload: OVSubmitCompatibilityReportPayload, unless a test replaces it.
using OVReportSubmitter =
    std::function<void(const QVariantMap& payload, OVJSONCompletion completion)>;

// The status line after a submission: the error's description ("Could not send report." when it
// has none), or "Anonymous report sent: <id>" / "Anonymous report sent.".
QString OVReportSubmitStatus(const std::optional<QVariantMap>& response,
                             const std::optional<OVError>& error);

// The kind name of a contact dictionary, "unknown" when it has none.
QString OVContactDictionaryKindName(const QVariantMap& contact);
// Kind names joined by ", ", or "none" for no names.
QString OVJoinedKindNames(const QStringList& kindNames);

// Contacts that a window counts: those that land inside it.
using OVContactFilter = std::function<QVariantList(const QVariantList& contacts)>;
