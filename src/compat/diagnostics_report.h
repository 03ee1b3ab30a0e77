#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

#include "platform/hid_manager.h"
#include "service/service_client.h"

// What every compatibility report holds whatever window sends it: the payload's common members,
// the display diagnostics, the attached HID devices, the plain-text device report, and the
// helpers both compatibility windows share. Every call asks the system afresh.

// The report kinds of the two windows.
inline const QString OVTroubleshootReportType = QStringLiteral("troubleshoot");
inline const QString OVTroubleshootReportFormat = QStringLiteral("vovuderovo-troubleshoot-v1");
inline const QString OVCompatibilityCheckReportType = QStringLiteral("compatibility_check");
inline const QString OVCompatibilityCheckReportFormat = QStringLiteral("vovuderovo-check-v1");

// The first twelve members, then the descriptor of the device in use and its summary when there
// are. A missing argument reads "Unknown", "legacy" and "vovuderovo-text-v1".
QVariantMap OVCompatibilityReportBasePayload(const std::optional<QString>& displayModel,
                                             const std::optional<QString>& reportType,
                                             const std::optional<QString>& reportFormat);
// The whole payload of a window: the base payload, the display diagnostics, the results, the raw
// samples and the possibly compatible devices.
QVariantMap OVAssembleCompatibilityReportPayload(const std::optional<QString>& displayModel,
                                                 const QString& reportType,
                                                 const QString& reportFormat,
                                                 const QVariantMap& resultSummary,
                                                 const QVariantList& rawSamples);

// The main display's bounds, logical and physical resolution and scale estimate.
QVariantMap OVDisplayDiagnosticsDictionary();

// One summary per attached HID device, one per device signature.
QVariantList OVUSBDeviceSummaries(bool onlyPossiblyCompatible);
QVariantMap OVDeviceSummaryDictionary(const OVHIDDevice& device);

// The lines every text report starts with: its title, when it was generated, the app's version
// and build ("0.1.0" and "1" when the build names none), the install ID when `withInstallID`, and
// the system.
QString OVTextReportHeader(const QString& title, bool withInstallID);
// The plain-text device report; it ends with a line feed.
QString OVDeviceReportText();
void OVAppendDisplayReport(QString& text);
// One line per device of `manager` (no de-duplication), or "- none".
void OVAppendDevicesFromManager(QString& text, OVHIDManager& manager, bool onlyPossiblyCompatible);
QString OVDeviceReportLine(const OVHIDDevice& device);

// Sends a finished payload to the service; `completion` runs once, on the main thread.
void OVSubmitCompatibilityReportPayload(const QVariantMap& payload, OVJSONCompletion completion);

// --- Shared by the compatibility windows ----------------------------------------------------

// The hex bytes of the first "bytes:" line of a report's debug text; empty when it has none.
QString OVFirstHexLineOfSample(const QString& sample);
// The short name of an input in the results: "finger", "two_finger", ..., else the name in
// lower case with "_" for spaces.
QString OVSummaryKeyForInputName(const QString& inputName);
// A raw sample: "control", "status", "hex" when the sample has a bytes line, "text" when a
// sample was captured.
QVariantMap OVRawSampleObject(const QString& control, const QString& status, const QString& sample);

// The display model pop-up's items.
const QStringList& OVDisplayModelChoices();
// The display model a window reports for the pop-up's title (nothing when none is selected) and
// the text of its "Other" field.
QString OVSelectedDisplayModel(const std::optional<QString>& selectedTitle,
                               const QString& otherText);
// Whether the "Other" field is editable for the pop-up's title.
bool OVDisplayModelFieldEnabled(const QString& selectedTitle);

// A contact's "screenX" and "screenY" as a point in global coordinates (top-left origin, as Qt's
// window frames), or (NaN, NaN) when either is missing.
QPointF OVScreenPointFromContact(const QVariantMap& contact);
// Whether the contact lies in the window's frame (minimum edges in, maximum edges out); false
// without a window.
bool OVContactIsInsideWindow(const QVariantMap& contact, const std::optional<QRectF>& windowFrame);
QVariantList OVContactsInsideWindow(const QVariantList& contacts,
                                    const std::optional<QRectF>& windowFrame);
