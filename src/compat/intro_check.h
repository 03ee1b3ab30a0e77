#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "base/notification_center.h"
#include "compat/compat_window_support.h"
#include "compat/contact_ripples.h"
#include "compat/first_run_keys.h"

// The interactive compatibility check, the last step of first-run setup: the user touches the
// window's area with fingers, pen and eraser in any order, each kind of input is ticked off the
// first time it is seen, and the anonymous report is sent. A report the service does not take is
// kept in the outbox for a later start. A required check can only be left by finishing after a
// send was answered (delivered or kept), or by quitting the application.

struct OVCheckInputResult {
    QString name;
    QString status;  // "ok"
    QString details;
    QString sample;
};

class OVIntroCompatibilityCheckModel {
  public:
    struct ChecklistEntry {
        QString name;
        QString text;  // "OK <name>" or "- <name>"
        bool found = false;
    };

    // What the window's controls show.
    struct Presentation {
        QString statusText;
        bool sendEnabled = false;
        bool finishEnabled = true;
        QString finishTitle = QStringLiteral("Finish");
        QList<ChecklistEntry> checklist;
    };

    OVIntroCompatibilityCheckModel();
    ~OVIntroCompatibilityCheckModel();
    OVIntroCompatibilityCheckModel(const OVIntroCompatibilityCheckModel&) = delete;
    OVIntroCompatibilityCheckModel& operator=(const OVIntroCompatibilityCheckModel&) = delete;

    // "Finger 1 point" to "Finger 4 point", "Pen", "Eraser": the checklist and report order.
    static const QStringList& resultNames();
    // The colour of a found input in the checklist, as red, green, blue from 0 to 1.
    static OVRGBColor foundInputColor();

    // Called after every change of what the window shows.
    void setChangeHandler(std::function<void()> handler) { _changed = std::move(handler); }
    // Keeps the contacts that landed inside the window; without one no contact counts.
    void setContactFilter(OVContactFilter filter) { _contactFilter = std::move(filter); }
    // Receives the counted contacts of each report that has any (the touch area draws them).
    void setContactsHandler(std::function<void(const QVariantList&)> handler) {
        _contactsHandler = std::move(handler);
    }
    void setSubmitter(OVReportSubmitter submitter) { _submitter = std::move(submitter); }
    // Closes the window; the window then calls windowWillClose.
    void setCloseHandler(std::function<void()> handler) { _closeHandler = std::move(handler); }
    // Ends the application (a required check closed before it was finished).
    void setQuitHandler(std::function<void()> handler) { _quitHandler = std::move(handler); }
    // Whether a compatible touch display is attached.
    void setDeviceCheck(std::function<bool()> check) { _deviceCheck = std::move(check); }

    // Every showing starts afresh: no results, no report, nothing sent; observation and test
    // mode begin.
    void startCheck();
    void modelSelectionChanged(const QString& title, const QString& otherText);
    QString selectedDisplayModel() const { return _modelChoice.selectedDisplayModel(); }
    const OVDisplayModelChoice& modelChoice() const { return _modelChoice; }
    // Stores the touch display choice ("auto" for an empty value) and announces it.
    void displaySelectionChanged(const QString& value);

    QString deviceStatusMessage() const;
    bool canSendReport() const;
    void refreshActionButtons();
    void refreshChecklist();
    static QString detailsForContacts(const QVariantList& contacts);
    // Keeps the first detection of `name`; later ones change nothing.
    void markResult(const QString& name, const QVariantList& contacts, const QString& sample);
    void contactReport(const OVNotification& notification);

    QVariantMap resultSummary() const;
    QVariantList rawSamples() const;
    QVariantMap reportPayload() const;
    QString reportText() const;

    void finish();
    void sendReport();
    void windowWillClose();

    const Presentation& presentation() const { return _presentation; }
    const QHash<QString, OVCheckInputResult>& resultsByName() const { return _resultsByName; }
    bool requiresInitialReport() const { return _requiresInitialReport; }
    bool reportSent() const { return _reportSent; }
    bool observing() const { return !_observers.empty(); }
    const std::optional<QString>& builtReportText() const { return _reportText; }

  private:
    void sendAnswered(const QVariantMap& payload, const std::optional<QVariantMap>& response,
                      const std::optional<OVError>& error);
    // Keeps a report that was not delivered in the outbox; returns the status text.
    QString keepReport(const QVariantMap& payload, const OVError& sendError);
    void stopObserving();
    void postTestMode(bool enabled);
    void changed();

    QHash<QString, OVCheckInputResult> _resultsByName;
    std::optional<QString> _reportText;
    bool _requiresInitialReport = false;
    // A send of this showing reached the service.
    bool _reportSent = false;
    // ... and the service answered with the report's id.
    bool _reportAcknowledged = false;
    // A send of this showing was answered, delivered or not: Finish is open.
    bool _sendAnswered = false;
    // The report_uuid of the next send.
    QString _reportUUID;
    // Counts the showings, so that a send answered after the next showing began is dropped.
    std::uint64_t _showing = 0;

    OVDisplayModelChoice _modelChoice;
    Presentation _presentation;
    std::function<void()> _changed;
    OVContactFilter _contactFilter;
    std::function<void(const QVariantList&)> _contactsHandler;
    OVReportSubmitter _submitter;
    std::function<void()> _closeHandler;
    std::function<void()> _quitHandler;
    std::function<bool()> _deviceCheck;
    OVScopedObservers _observers;
    std::shared_ptr<bool> _alive = std::make_shared<bool>(true);
};
