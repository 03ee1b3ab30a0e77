#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "base/error.h"

// What the compatibility test and the compatibility check windows share: the display model
// choice, the report sections every text report starts with, and sending.

// "Select", "Samsung Flip", "Samsung Flip 2", "Samsung Flip Pro", "Other".
const QStringList& OVDisplayModelChoiceTitles();

// The display model pop-up with its "Other" text field. The pop-up's choices are the display
// model choices of the report; "Select" is the start and means no model.
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

// The completion of a report submission: the service's answer or an error, on the main thread.
using OVReportSubmitCompletion = std::function<void(const std::optional<QVariantMap>& response,
                                                    const std::optional<OVError>& error)>;
using OVReportSubmitter =
    std::function<void(const QVariantMap& payload, OVReportSubmitCompletion completion)>;

// The status line after a submission: the error's description ("Could not send report." when it
// has none), or "Anonymous report sent: <id>" / "Anonymous report sent.".
QString OVReportSubmitStatus(const std::optional<QVariantMap>& response,
                             const std::optional<OVError>& error);

// The kind name of a contact dictionary, "unknown" when it has none.
QString OVContactDictionaryKindName(const QVariantMap& contact);
// Kind names joined by ", ", or "none" for no names.
QString OVJoinedKindNames(const QStringList& kindNames);

// The short name of an input in a report ("finger", "two_finger", ..., "pen", "eraser").
QString OVSummaryKeyForName(const QString& name);
// One raw sample of the payload: "control", "status", and "hex" and "text" when the sample has
// them.
QVariantMap OVRawSampleObject(const QString& control, const QString& status, const QString& sample);
// The payload a window sends: the common members, then the window's results.
QVariantMap OVAssembleCompatibilityReportPayload(const QString& displayModel,
                                                 const QString& reportType,
                                                 const QString& reportFormat,
                                                 const QVariantMap& resultSummary,
                                                 const QVariantList& rawSamples);
// The device report that ends each window's text report.
QString OVCompatibilityDeviceReportText();
// Sends a payload to the service.
void OVSubmitCompatibilityReport(const QVariantMap& payload, OVReportSubmitCompletion completion);

// Contacts that a window counts: those that land inside it.
using OVContactFilter = std::function<QVariantList(const QVariantList& contacts)>;
// The contact's point in global display coordinates ("screenX", "screenY"); nothing when either
// is missing or not a number.
std::optional<QPointF> OVContactScreenPoint(const QVariantMap& contact);
// The contacts, in their order, whose screen point lies in `frame` (global display coordinates;
// the left and top edges belong to it, the right and bottom edges do not).
QVariantList OVContactsInsideFrame(const QVariantList& contacts, const QRectF& frame);
