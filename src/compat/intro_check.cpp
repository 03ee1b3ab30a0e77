#include "compat/intro_check.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <algorithm>

#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "compat/diagnostics_report.h"
#include "hid/touch_contact.h"

namespace {

const QString kDisplaySelectionKey = QStringLiteral("displaySelection");

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

    const OVPreferences& preferences = OVStandardPreferences();
    _requiresInitialReport = !preferences.boolForKey(OVInitialCompatibilityReportSentKey) ||
                             preferences.boolForKey(OVPermissionsCompatibilityCheckPendingKey);

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
    _presentation.finishEnabled = !_requiresInitialReport || _reportSent;
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
    if (_requiresInitialReport && !_reportSent) {
        _presentation.statusText =
            QStringLiteral("Send the anonymous report to finish first-run setup.");
        changed();
        return;
    }
    stopObserving();
    _reportText = reportText();
    if (_requiresInitialReport) {
        OVPreferences& preferences = OVStandardPreferences();
        preferences.setBool(OVInitialCompatibilityReportSentKey, true);
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

    std::weak_ptr<bool> alive = _alive;
    const std::uint64_t showing = _showing;
    _submitter(reportPayload(), [this, alive, showing](const std::optional<QVariantMap>& response,
                                                       const std::optional<OVError>& error) {
        // The answer to a send of an earlier showing changes nothing in this one.
        if (alive.expired() || showing != _showing) {
            return;
        }
        _presentation.sendEnabled = true;
        if (!error) {
            _reportSent = true;
            refreshActionButtons();
        }
        _presentation.statusText = OVReportSubmitStatus(response, error);
        changed();
    });
}

void OVIntroCompatibilityCheckModel::windowWillClose() {
    stopObserving();
    if (_requiresInitialReport &&
        !OVStandardPreferences().boolForKey(OVInitialCompatibilityReportSentKey)) {
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
