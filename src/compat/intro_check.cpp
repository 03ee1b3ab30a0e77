#include "compat/intro_check.h"

#include <QCoreApplication>
#include <QDebug>
#include <QtGlobal>
#include <algorithm>

#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "compat/diagnostics_report.h"
#include "hid/touch_contact.h"
#include "service/report_outbox.h"

namespace {

const QString kDisplaySelectionKey = QStringLiteral("displaySelection");

// How much of a send error the status line shows beside the outbox's sentence.
constexpr qsizetype kStatusReasonLimit = 64;

QString shortReason(const QString& description) {
    const QString reason = OVTrimmedString(description).simplified();
    return reason.size() <= kStatusReasonLimit ? reason
                                               : reason.left(kStatusReasonLimit - 3) + "...";
}

// Whether the service acknowledged a report with its id.
bool acknowledgedWithID(const std::optional<QVariantMap>& response) {
    const QVariant identifier = response ? response->value(QStringLiteral("id")) : QVariant();
    return identifier.typeId() == QMetaType::QString && !identifier.toString().isEmpty();
}

// The result name a number of fingers proves: four and more count as four.
QString resultNameForFingerCount(qsizetype fingers) {
    return OVIntroCompatibilityCheckModel::resultNames().at(std::min<qsizetype>(fingers, 4) - 1);
}

}  // namespace

OVIntroCompatibilityCheckModel::OVIntroCompatibilityCheckModel()
    : _submitter(OVSubmitCompatibilityReportPayload),
      _quitHandler([] { QCoreApplication::quit(); }),
      _observers(OVDefaultCenter()) {
    refreshChecklist();
}

OVIntroCompatibilityCheckModel::~OVIntroCompatibilityCheckModel() {
    *_alive = false;
}

const QStringList& OVIntroCompatibilityCheckModel::resultNames() {
    static const QStringList names{QStringLiteral("Finger 1 point"),
                                   QStringLiteral("Finger 2 point"),
                                   QStringLiteral("Finger 3 point"),
                                   QStringLiteral("Finger 4 point"),
                                   QStringLiteral("Pen"),
                                   QStringLiteral("Eraser")};
    return names;
}

OVRGBColor OVIntroCompatibilityCheckModel::foundInputColor() {
    return {0.72, 0.14, 0.82};
}

void OVIntroCompatibilityCheckModel::startCheck() {
    ++_showing;
    _resultsByName.clear();
    _reportText.reset();
    _reportSent = false;
    _reportAcknowledged = false;
    _sendAnswered = false;
    _reportUUID = OVNewReportUUID();

    _requiresInitialReport = OVInitialCompatibilitySetupRequired();

    _presentation.sendEnabled = false;
    _presentation.finishTitle = QStringLiteral("Finish");
    _presentation.finishEnabled = !_requiresInitialReport;
    _presentation.statusText = deviceStatusMessage();

    refreshChecklist();
    _modelChoice.selectionChanged();
    refreshActionButtons();

    stopObserving();
    _observers.add(OVCompatibilityReportNotification, nullptr,
                   [this](const OVNotification& notification) { contactReport(notification); });
    postTestMode(true);
    changed();
}

void OVIntroCompatibilityCheckModel::modelSelectionChanged(const QString& title,
                                                           const QString& otherText) {
    _modelChoice.title = title;
    _modelChoice.otherText = otherText;
    _modelChoice.selectionChanged();
    refreshActionButtons();
    changed();
}

void OVIntroCompatibilityCheckModel::displaySelectionChanged(const QString& value) {
    OVStandardPreferences().setObject(kDisplaySelectionKey,
                                      value.isEmpty() ? QStringLiteral("auto") : value);
    OVDefaultCenter().post(OVDisplaySelectionDidChangeNotification, this);
}

QString OVIntroCompatibilityCheckModel::deviceStatusMessage() const {
    if (_deviceCheck && _deviceCheck()) {
        return QStringLiteral("Compatible USB touch display detected.");
    }
    return QStringLiteral(
        "No compatible USB touch display was found. Connect the display with USB and make sure "
        "no other touch driver app is using it.");
}

bool OVIntroCompatibilityCheckModel::canSendReport() const {
    return !selectedDisplayModel().isEmpty() && !_resultsByName.isEmpty();
}

void OVIntroCompatibilityCheckModel::refreshActionButtons() {
    _presentation.sendEnabled = canSendReport();
    _presentation.finishEnabled = !_requiresInitialReport || _sendAnswered;
}

void OVIntroCompatibilityCheckModel::refreshChecklist() {
    _presentation.checklist.clear();
    for (const QString& name : resultNames()) {
        const bool found = _resultsByName.contains(name);
        _presentation.checklist.append(ChecklistEntry{
            name,
            QStringLiteral("%1 %2").arg(found ? QStringLiteral("OK") : QStringLiteral("-"), name),
            found});
    }
}

QString OVIntroCompatibilityCheckModel::detailsForContacts(const QVariantList& contacts) {
    QStringList kindNames;
    for (const QVariant& contact : contacts) {
        kindNames.append(OVContactDictionaryKindName(contact.toMap()));
    }
    return QStringLiteral("contacts=%1 kinds=%2")
        .arg(contacts.size())
        .arg(OVJoinedKindNames(kindNames));
}

void OVIntroCompatibilityCheckModel::markResult(const QString& name, const QVariantList& contacts,
                                                const QString& sample) {
    if (_resultsByName.contains(name)) {
        return;
    }
    _resultsByName.insert(
        name, OVCheckInputResult{name, QStringLiteral("ok"), detailsForContacts(contacts), sample});
    refreshChecklist();
    _presentation.statusText = QStringLiteral("%1 detected.").arg(name);
    refreshActionButtons();
}

void OVIntroCompatibilityCheckModel::contactReport(const OVNotification& notification) {
    const QVariantList reported = notification.userInfo.value(QStringLiteral("contacts")).toList();
    const QVariantList contacts = _contactFilter ? _contactFilter(reported) : QVariantList();
    const QString text = notification.userInfo.value(QStringLiteral("text")).toString();
    if (!contacts.isEmpty() && _contactsHandler) {
        _contactsHandler(contacts);
    }

    qsizetype fingers = 0;
    bool pen = false;
    bool eraser = false;
    for (const QVariant& value : contacts) {
        switch (value.toMap().value(QStringLiteral("kind")).toLongLong()) {
            case OVContactKindFinger:
                ++fingers;
                break;
            case OVContactKindPen:
                pen = true;
                break;
            case OVContactKindEraser:
                eraser = true;
                break;
            default:
                break;
        }
    }
    if (fingers > 0) {
        markResult(resultNameForFingerCount(fingers), contacts, text);
    }
    if (pen) {
        markResult(QStringLiteral("Pen"), contacts, text);
    }
    if (eraser) {
        markResult(QStringLiteral("Eraser"), contacts, text);
    }
    changed();
}

QVariantMap OVIntroCompatibilityCheckModel::resultSummary() const {
    QVariantMap summary;
    for (const QString& name : resultNames()) {
        summary.insert(OVSummaryKeyForInputName(name), _resultsByName.contains(name)
                                                           ? QStringLiteral("ok")
                                                           : QStringLiteral("not_tested"));
    }
    return summary;
}

QVariantList OVIntroCompatibilityCheckModel::rawSamples() const {
    QVariantList samples;
    for (const QString& name : resultNames()) {
        const auto result = _resultsByName.constFind(name);
        const bool found = result != _resultsByName.constEnd();
        samples.append(
            OVRawSampleObject(OVSummaryKeyForInputName(name),
                              found ? QStringLiteral("ok") : QStringLiteral("not_tested"),
                              found ? result->sample : QString()));
    }
    return samples;
}

QVariantMap OVIntroCompatibilityCheckModel::reportPayload() const {
    return OVAssembleCompatibilityReportPayload(
        selectedDisplayModel(), OVCompatibilityCheckReportType, OVCompatibilityCheckReportFormat,
        resultSummary(), rawSamples());
}

QString OVIntroCompatibilityCheckModel::reportText() const {
    QString text = OVCompatibilityReportHeader(
        QStringLiteral("Orvetta Interactive Compatibility Check"), selectedDisplayModel(),
        QStringLiteral("interactive input detection check"));
    text += QStringLiteral("\nInput results:\n");
    for (const QString& name : resultNames()) {
        const auto result = _resultsByName.constFind(name);
        const bool found = result != _resultsByName.constEnd();
        text += QStringLiteral("- %1: %2 (%3)\n")
                    .arg(name, found ? QStringLiteral("ok") : QStringLiteral("not tested"),
                         found ? result->details : QString());
    }
    text += QStringLiteral("\nDevice report:\n");
    text += OVDeviceReportText();
    text += QStringLiteral("\nRaw samples:\n");
    for (const QString& name : resultNames()) {
        const auto result = _resultsByName.constFind(name);
        const bool found = result != _resultsByName.constEnd();
        text += QStringLiteral("\n## %1 [%2]\n")
                    .arg(name, found ? QStringLiteral("ok") : QStringLiteral("not tested"));
        text += found && !result->sample.isEmpty() ? result->sample
                                                   : QStringLiteral("No sample captured.");
        text += QLatin1Char('\n');
    }
    return text;
}

void OVIntroCompatibilityCheckModel::finish() {
    if (_requiresInitialReport && !_sendAnswered) {
        _presentation.statusText =
            QStringLiteral("Send the anonymous report to finish first-run setup.");
        changed();
        return;
    }
    stopObserving();
    _reportText = reportText();
    if (_requiresInitialReport) {
        OVPreferences& preferences = OVStandardPreferences();
        preferences.setBool(OVInitialCompatibilityCheckCompletedKey, true);
        if (_reportAcknowledged) {
            preferences.setBool(OVInitialCompatibilityReportSentKey, true);
        }
        preferences.setBool(OVPermissionsCompatibilityCheckPendingKey, false);
        OVError error;
        if (!preferences.synchronize(&error)) {
            qWarning("Orvetta could not save its preferences: %s", qPrintable(error.description));
        }
        OVDefaultCenter().post(OVInitialCompatibilityCompletedNotification, this);
    }
    postTestMode(false);
    if (_closeHandler) {
        _closeHandler();
    }
}

void OVIntroCompatibilityCheckModel::sendReport() {
    if (!canSendReport()) {
        _presentation.statusText =
            QStringLiteral("Select your display model and try at least one input first.");
        refreshActionButtons();
        changed();
        return;
    }
    if (!_reportText || _reportText->isEmpty()) {
        _reportText = reportText();
    }
    _presentation.sendEnabled = false;
    _presentation.statusText = QStringLiteral("Sending anonymous report...");
    changed();

    // Sends that did not arrive and the copy in the outbox carry the same uuid, so that the
    // service keeps one report however often it comes; a send after a delivered one is new.
    QVariantMap payload = reportPayload();
    payload.insert(OVReportUUIDKey, _reportUUID);
    std::weak_ptr<bool> alive = _alive;
    const std::uint64_t showing = _showing;
    _submitter(payload, [this, alive, showing, payload](const std::optional<QVariantMap>& response,
                                                        const std::optional<OVError>& error) {
        if (alive.expired()) {
            return;
        }
        // The answer to a send of an earlier showing changes nothing in this one; its report is
        // still kept when it did not arrive.
        if (showing != _showing) {
            const std::optional<OVReportOutbox> outbox = OVStandardReportOutbox();
            if (error && outbox) {
                outbox->add(payload);
            }
            return;
        }
        sendAnswered(payload, response, error);
    });
}

void OVIntroCompatibilityCheckModel::sendAnswered(const QVariantMap& payload,
                                                  const std::optional<QVariantMap>& response,
                                                  const std::optional<OVError>& error) {
    _presentation.sendEnabled = true;
    _sendAnswered = true;
    if (error) {
        _presentation.statusText = keepReport(payload, *error);
    } else {
        _reportSent = true;
        _reportAcknowledged = acknowledgedWithID(response);
        _reportUUID = OVNewReportUUID();
        _presentation.statusText = OVReportSubmitStatus(response, error);
    }
    refreshActionButtons();
    changed();
}

QString OVIntroCompatibilityCheckModel::keepReport(const QVariantMap& payload,
                                                   const OVError& sendError) {
    const std::optional<OVReportOutbox> outbox = OVStandardReportOutbox();
    OVError keepError{QStringLiteral("Orvetta"), 1, QStringLiteral("no outbox folder")};
    if (!outbox || !outbox->add(payload, &keepError)) {
        qWarning().noquote()
            << QStringLiteral("Orvetta could not keep the report: %1").arg(keepError.description);
        return QStringLiteral("Could not send the report: %1\nIt could not be saved either.")
            .arg(shortReason(sendError.description));
    }
    return QStringLiteral("Report saved; it will be sent when the service can be reached.\n%1")
        .arg(shortReason(sendError.description));
}

void OVIntroCompatibilityCheckModel::windowWillClose() {
    stopObserving();
    if (_requiresInitialReport && !OVInitialCompatibilityCheckFinished()) {
        std::weak_ptr<bool> alive = _alive;
        OVMainScheduler().async([this, alive] {
            if (!alive.expired() && _quitHandler) {
                _quitHandler();
            }
        });
        return;
    }
    postTestMode(false);
}

void OVIntroCompatibilityCheckModel::stopObserving() {
    _observers.removeAll();
}

void OVIntroCompatibilityCheckModel::postTestMode(bool enabled) {
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, this,
                           QVariantMap{{QStringLiteral("enabled"), enabled}});
}

void OVIntroCompatibilityCheckModel::changed() {
    if (_changed) {
        _changed();
    }
}
