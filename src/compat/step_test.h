#pragma once

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "base/notification_center.h"
#include "base/scheduler.h"
#include "compat/compat_window_support.h"

// The guided compatibility test: six kinds of touch asked for in turn, each confirmed by a short
// steady match or given up after ten seconds, with the raw report that proved it kept for the
// anonymous report.

struct OVCompatibilityStep {
    QString name;
    QString prompt;
    std::int64_t kind = 0;   // contact kind
    std::int64_t count = 0;  // least number of contacts of the kind present at once
    double stable = 0.0;     // seconds a first match waits for confirmation
};

// Finger 1 to 4 points, pen and eraser, in this order.
const QList<OVCompatibilityStep>& OVCompatibilitySteps();

struct OVCompatibilityStepResult {
    QString name;
    QString status;  // "ok" or "timeout"
    QString details;
    QString sample;
};

inline constexpr double OVStepTestTickInterval = 0.1;
inline constexpr double OVStepTestTimeLimit = 10.0;
inline constexpr double OVStepTestAdvanceDelay = 0.45;

// Whether `contacts` (contact dictionaries) hold at least the step's count of its kind; other
// kinds do not prevent a match. `details` receives "contacts=<n> kinds=<names> matching=<m>/<c>".
bool OVContactsMatchStep(const QVariantList& contacts, const OVCompatibilityStep& step,
                         QString* details = nullptr);

// The test's state and rules. The window shows `presentation()` and forwards its controls.
class OVCompatibilityTestModel {
  public:
    enum class State {
        Ready,      // after a reset: Start enabled
        Running,    // waiting for the current step's input
        Advancing,  // the pause between a finished step and the next
        Finished,   // the report is built and can be sent
        Stopped,    // the window closed during a run
    };

    // What the window's controls show.
    struct Presentation {
        QString stepText;
        QString promptText;
        QString timerText;
        QString statusText;
        QString summaryText;
        int progress = 0;
        bool startEnabled = true;
        bool sendEnabled = false;
        bool modelChoiceEnabled = true;
        QString doneTitle = QStringLiteral("Cancel");
    };

    OVCompatibilityTestModel();
    ~OVCompatibilityTestModel();
    OVCompatibilityTestModel(const OVCompatibilityTestModel&) = delete;
    OVCompatibilityTestModel& operator=(const OVCompatibilityTestModel&) = delete;

    // Called after every change of what the window shows.
    void setChangeHandler(std::function<void()> handler) { _changed = std::move(handler); }
    // Keeps the contacts that landed inside the window; without one no contact counts.
    void setContactFilter(OVContactFilter filter) { _contactFilter = std::move(filter); }
    // Sends a payload; the service submission unless a test replaces it.
    void setSubmitter(OVReportSubmitter submitter) { _submitter = std::move(submitter); }

    // The display model pop-up and its text field.
    void modelSelectionChanged(const QString& title, const QString& otherText);
    QString selectedDisplayModel() const { return _modelChoice.selectedDisplayModel(); }
    const OVDisplayModelChoice& modelChoice() const { return _modelChoice; }

    // Back to Ready, leaving test mode; the results of an earlier run stay until the next start.
    void resetIntro();
    void startTest();
    void beginCurrentStep();
    void tick();
    void updateCountdown();
    void contactReport(const OVNotification& notification);
    void confirmCurrentStep();
    void completeCurrentStepDetected(bool detected, const QString& sample, const QString& details);
    void finishTest();
    void sendReport();
    // The window closed: timers stop, observation ends, the bridge leaves test mode.
    void windowWillClose();

    QVariantMap resultSummary() const;
    QVariantList rawSamples() const;
    QVariantMap reportPayload() const;
    QString reportText() const;

    State state() const { return _state; }
    const Presentation& presentation() const { return _presentation; }
    const QList<OVCompatibilityStep>& steps() const { return _steps; }
    const QList<OVCompatibilityStepResult>& results() const { return _results; }
    qsizetype currentIndex() const { return _currentIndex; }
    const std::optional<QString>& candidateSample() const { return _candidateSample; }
    const std::optional<QString>& candidateDetails() const { return _candidateDetails; }
    bool confirmationPending() const { return _confirmTimer.isValid(); }
    // The text report of the finished run; nothing before.
    const std::optional<QString>& readyReportText() const { return _reportText; }

  private:
    bool acceptsInput() const { return _state == State::Running; }
    void stopTimers();
    void stopObserving();
    void postTestMode(bool enabled);
    void changed();
    QString finishedSummary() const;

    const QList<OVCompatibilityStep>& _steps;
    QList<OVCompatibilityStepResult> _results;
    qsizetype _currentIndex = 0;
    double _stepStartTime = 0.0;
    OVTimer _tickTimer;
    OVTimer _confirmTimer;
    OVTimer _advanceTimer;
    std::optional<QString> _candidateSample;
    std::optional<QString> _candidateDetails;
    State _state = State::Ready;
    std::optional<QString> _reportText;
    // Counts the resets and runs, so that a send answered after the next one began is dropped.
    std::uint64_t _run = 0;

    OVDisplayModelChoice _modelChoice;
    Presentation _presentation;
    std::function<void()> _changed;
    OVContactFilter _contactFilter;
    OVReportSubmitter _submitter;
    OVScopedObservers _observers;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
