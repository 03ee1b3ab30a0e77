#include "compat/step_test.h"

#include <QStringList>
#include <cmath>

#include "base/notification_names.h"
#include "base/services.h"
#include "compat/compat_window_support.h"
#include "compat/diagnostics_report.h"
#include "hid/touch_contact.h"

namespace {

const QString kTimedOutDetails = QStringLiteral("Timed out after 10 seconds.");
const QString kDetected = QStringLiteral("Detected.");
const QString kWaitingForInput = QStringLiteral("Waiting for input...");

QString orDetected(const std::optional<QString>& details) {
    return details && !details->isEmpty() ? *details : kDetected;
}

}  // namespace

const QList<OVCompatibilityStep>& OVCompatibilitySteps() {
    static const QList<OVCompatibilityStep> steps{
        {QStringLiteral("Finger 1 point"), QStringLiteral("Touch the screen with one finger."),
         OVContactKindFinger, 1, 0.08},
        {QStringLiteral("Finger 2 point"), QStringLiteral("Touch the screen with two fingers."),
         OVContactKindFinger, 2, 0.18},
        {QStringLiteral("Finger 3 point"), QStringLiteral("Touch the screen with three fingers."),
         OVContactKindFinger, 3, 0.2},
        {QStringLiteral("Finger 4 point"), QStringLiteral("Touch the screen with four fingers."),
         OVContactKindFinger, 4, 0.24},
        {QStringLiteral("Pen"), QStringLiteral("Touch the screen with the pen tip."),
         OVContactKindPen, 1, 0.08},
        {QStringLiteral("Eraser"), QStringLiteral("Touch the screen with the pen eraser."),
         OVContactKindEraser, 1, 0.08},
    };
    return steps;
}

bool OVContactsMatchStep(const QVariantList& contacts, const OVCompatibilityStep& step,
                         QString* details) {
    std::int64_t matching = 0;
    QStringList kindNames;
    for (const QVariant& value : contacts) {
        const QVariantMap contact = value.toMap();
        kindNames.append(OVContactDictionaryKindName(contact));
        if (contact.value(QStringLiteral("kind")).toLongLong() == step.kind) {
            ++matching;
        }
    }
    if (details) {
        *details = QStringLiteral("contacts=%1 kinds=%2 matching=%3/%4")
                       .arg(contacts.size())
                       .arg(OVJoinedKindNames(kindNames))
                       .arg(matching)
                       .arg(step.count);
    }
    return matching >= step.count;
}

OVCompatibilityTestModel::OVCompatibilityTestModel()
    : _steps(OVCompatibilitySteps()),
      _submitter(OVSubmitCompatibilityReportPayload),
      _observers(OVDefaultCenter()) {
    _presentation.stepText = QStringLiteral("Ready");
}

OVCompatibilityTestModel::~OVCompatibilityTestModel() {
    *_alive = false;
    stopTimers();
}

void OVCompatibilityTestModel::modelSelectionChanged(const QString& title,
                                                     const QString& otherText) {
    _modelChoice.title = title;
    _modelChoice.otherText = otherText;
    _modelChoice.selectionChanged();
    changed();
}

void OVCompatibilityTestModel::resetIntro() {
    ++_run;
    stopTimers();
    stopObserving();
    postTestMode(false);

    _state = State::Ready;
    _reportText.reset();
    _currentIndex = 0;
    _presentation.progress = 0;

    _presentation.timerText.clear();
    _presentation.stepText = QStringLiteral("Ready");
    _presentation.promptText = QStringLiteral("The test checks finger, pen and eraser input.");
    _presentation.statusText = QStringLiteral("Choose your display model and start the test.");
    _presentation.summaryText = QStringLiteral(
        "Before starting, quit any other touch or display driver apps that could reserve the "
        "touch device.\n\nThe raw compatibility report is not shown here. When the test is "
        "complete, you can send it anonymously.");

    _presentation.sendEnabled = false;
    _presentation.startEnabled = true;
    _presentation.modelChoiceEnabled = true;
    _presentation.doneTitle = QStringLiteral("Cancel");
    _modelChoice.selectionChanged();
    changed();
}

void OVCompatibilityTestModel::startTest() {
    ++_run;
    stopTimers();
    stopObserving();
    _observers.add(OVCompatibilityReportNotification, nullptr,
                   [this](const OVNotification& notification) { contactReport(notification); });

    _results.clear();
    _currentIndex = 0;
    _state = State::Running;
    _candidateSample.reset();
    _candidateDetails.reset();
    _reportText.reset();

    _presentation.sendEnabled = false;
    _presentation.startEnabled = false;
    _presentation.modelChoiceEnabled = false;
    _presentation.doneTitle = QStringLiteral("Cancel");
    _presentation.summaryText =
        QStringLiteral("Testing %1. Follow the prompts above.").arg(selectedDisplayModel());

    postTestMode(true);
    beginCurrentStep();
    if (_state != State::Finished) {
        _tickTimer = OVMainScheduler().every(OVStepTestTickInterval, [this] { tick(); });
    }
}

void OVCompatibilityTestModel::beginCurrentStep() {
    if (_currentIndex >= _steps.size()) {
        finishTest();
        return;
    }
    _advanceTimer.invalidate();
    _state = State::Running;
    _stepStartTime = OVMainScheduler().now();
    _confirmTimer.invalidate();
    _candidateSample.reset();
    _candidateDetails.reset();

    const OVCompatibilityStep& step = _steps.at(_currentIndex);
    _presentation.stepText =
        QStringLiteral("%1 / %2: %3").arg(_currentIndex + 1).arg(_steps.size()).arg(step.name);
    _presentation.promptText = step.prompt;
    _presentation.statusText = kWaitingForInput;
    _presentation.progress = static_cast<int>(_currentIndex);
    updateCountdown();
    changed();
}

void OVCompatibilityTestModel::tick() {
    if (_state != State::Running) {
        return;
    }
    updateCountdown();
    if (OVMainScheduler().now() - _stepStartTime >= OVStepTestTimeLimit) {
        completeCurrentStepDetected(false, _candidateSample.value_or(QString()), kTimedOutDetails);
    }
    changed();
}

void OVCompatibilityTestModel::updateCountdown() {
    const double elapsed = OVMainScheduler().now() - _stepStartTime;
    const auto remaining =
        static_cast<long long>(std::max(0.0, std::ceil(OVStepTestTimeLimit - elapsed)));
    _presentation.timerText = QStringLiteral("%1s").arg(remaining);
}

void OVCompatibilityTestModel::contactReport(const OVNotification& notification) {
    if (!acceptsInput() || _currentIndex >= _steps.size()) {
        return;
    }
    const QVariantList reported = notification.userInfo.value(QStringLiteral("contacts")).toList();
    const QVariantList contacts = _contactFilter ? _contactFilter(reported) : QVariantList();
    const QString text = notification.userInfo.value(QStringLiteral("text")).toString();

    const OVCompatibilityStep& step = _steps.at(_currentIndex);
    QString details;
    if (OVContactsMatchStep(contacts, step, &details)) {
        if (_candidateSample.value_or(QString()).isEmpty() && !text.isEmpty()) {
            _candidateSample = text;
        }
        _candidateDetails = details.isEmpty() ? kDetected : details;
        if (_confirmTimer.isValid()) {
            _presentation.statusText = QStringLiteral("Detected, confirming...");
        } else {
            _presentation.statusText = QStringLiteral("Detected, confirming %1 ms...")
                                           .arg(step.stable * 1000.0, 0, 'f', 0);
            _confirmTimer = OVMainScheduler().after(step.stable, [this] { confirmCurrentStep(); });
        }
    } else if (!_confirmTimer.isValid()) {
        _presentation.statusText = details.isEmpty() ? kWaitingForInput : details;
    }
    changed();
}

void OVCompatibilityTestModel::confirmCurrentStep() {
    _confirmTimer = OVTimer();
    if (_state != State::Running) {
        return;
    }
    completeCurrentStepDetected(true, _candidateSample.value_or(QString()),
                                orDetected(_candidateDetails));
    changed();
}

void OVCompatibilityTestModel::completeCurrentStepDetected(bool detected, const QString& sample,
                                                           const QString& details) {
    if (_state == State::Finished || _currentIndex >= _steps.size()) {
        return;
    }
    _confirmTimer.invalidate();
    _results.append(OVCompatibilityStepResult{
        _steps.at(_currentIndex).name, detected ? QStringLiteral("ok") : QStringLiteral("timeout"),
        details, sample});

    _currentIndex += 1;
    _state = State::Advancing;
    _stepStartTime = OVMainScheduler().now();
    _presentation.progress = static_cast<int>(_currentIndex);

    if (_currentIndex < _steps.size()) {
        _presentation.statusText =
            detected ? QStringLiteral("OK. Moving to next test...")
                     : QStringLiteral("No input detected. Moving to next test...");
        _advanceTimer =
            OVMainScheduler().after(OVStepTestAdvanceDelay, [this] { beginCurrentStep(); });
    } else {
        finishTest();
    }
    changed();
}

void OVCompatibilityTestModel::finishTest() {
    _state = State::Finished;
    stopTimers();
    stopObserving();
    postTestMode(false);

    _presentation.stepText = QStringLiteral("Complete");
    _presentation.promptText = QStringLiteral("Compatibility report is ready.");
    _presentation.statusText = QStringLiteral("Send the anonymous report when ready.");
    _presentation.timerText.clear();
    _presentation.progress = static_cast<int>(_steps.size());

    _reportText = reportText();
    _presentation.summaryText = finishedSummary();

    _presentation.sendEnabled = true;
    _presentation.startEnabled = true;
    _presentation.modelChoiceEnabled = true;
    _modelChoice.selectionChanged();
    _presentation.doneTitle = QStringLiteral("Done");
    changed();
}

QString OVCompatibilityTestModel::finishedSummary() const {
    QString summary = QStringLiteral("Display model: %1\n\nResults:\n").arg(selectedDisplayModel());
    for (const OVCompatibilityStepResult& result : _results) {
        summary += QStringLiteral("- %1: %2\n").arg(result.name, result.status);
    }
    summary += QStringLiteral(
        "\nThe raw HID report can be sent anonymously for compatibility troubleshooting.");
    return summary;
}

void OVCompatibilityTestModel::sendReport() {
    if (!_reportText || _reportText->isEmpty()) {
        _presentation.statusText = QStringLiteral("No report is ready yet.");
        changed();
        return;
    }
    _presentation.sendEnabled = false;
    _presentation.statusText = QStringLiteral("Sending anonymous report...");
    changed();

    std::weak_ptr<bool> alive = _alive;
    const std::uint64_t run = _run;
    _submitter(reportPayload(), [this, alive, run](const std::optional<QVariantMap>& response,
                                                   const std::optional<OVError>& error) {
        // The answer to a send of an earlier run, even one that has finished since, changes
        // nothing in this one.
        if (alive.expired() || run != _run) {
            return;
        }
        _presentation.sendEnabled = true;
        _presentation.statusText = OVReportSubmitStatus(response, error);
        changed();
    });
}

void OVCompatibilityTestModel::windowWillClose() {
    stopTimers();
    stopObserving();
    postTestMode(false);
    if (_state == State::Running || _state == State::Advancing) {
        _state = State::Stopped;
    }
}

QVariantMap OVCompatibilityTestModel::resultSummary() const {
    QVariantMap summary;
    for (const OVCompatibilityStep& step : _steps) {
        summary.insert(OVSummaryKeyForInputName(step.name), QStringLiteral("not_tested"));
    }
    for (const OVCompatibilityStepResult& result : _results) {
        summary.insert(OVSummaryKeyForInputName(result.name), result.status == QLatin1String("ok")
                                                                  ? QStringLiteral("ok")
                                                                  : QStringLiteral("failed"));
    }
    return summary;
}

QVariantList OVCompatibilityTestModel::rawSamples() const {
    QVariantList samples;
    for (const OVCompatibilityStepResult& result : _results) {
        samples.append(OVRawSampleObject(
            OVSummaryKeyForInputName(result.name),
            result.status.isEmpty() ? QStringLiteral("unknown") : result.status, result.sample));
    }
    return samples;
}

QVariantMap OVCompatibilityTestModel::reportPayload() const {
    return OVAssembleCompatibilityReportPayload(selectedDisplayModel(), OVTroubleshootReportType,
                                                OVTroubleshootReportFormat, resultSummary(),
                                                rawSamples());
}

QString OVCompatibilityTestModel::reportText() const {
    QString text = OVCompatibilityReportHeader(QStringLiteral("Orvetta Compatibility Test"),
                                               selectedDisplayModel(),
                                               QStringLiteral("troubleshoot raw HID report"));
    text += QStringLiteral("\nInput results:\n");
    for (const OVCompatibilityStepResult& result : _results) {
        text += QStringLiteral("- %1: %2 (%3)\n").arg(result.name, result.status, result.details);
    }
    text += QStringLiteral("\nDevice report:\n");
    text += OVDeviceReportText();
    text += QStringLiteral("\nRaw samples:\n");
    for (const OVCompatibilityStepResult& result : _results) {
        text += QStringLiteral("\n## %1 [%2]\n").arg(result.name, result.status);
        text += result.sample.isEmpty() ? QStringLiteral("No sample captured.") : result.sample;
        text += QLatin1Char('\n');
    }
    return text;
}

void OVCompatibilityTestModel::stopTimers() {
    _tickTimer.invalidate();
    _confirmTimer.invalidate();
    _advanceTimer.invalidate();
}

void OVCompatibilityTestModel::stopObserving() {
    _observers.removeAll();
}

void OVCompatibilityTestModel::postTestMode(bool enabled) {
    OVDefaultCenter().post(OVCompatibilityTestModeDidChangeNotification, this,
                           QVariantMap{{QStringLiteral("enabled"), enabled}});
}

void OVCompatibilityTestModel::changed() {
    if (_changed) {
        _changed();
    }
}
