// The report path of the touch session: decode, tell the observers, assemble frames, then the
// gestures.

#include <algorithm>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "hid/report_decoding.h"
#include "hid/touch_bridge.h"

namespace {

// The debug texts of a frame's reports, one block per report.
void appendReportText(QString& text, const QString& reportText) {
    if (!reportText.isEmpty()) {
        text += text.isEmpty() ? reportText : QLatin1Char('\n') + reportText;
    }
}

}  // namespace

OVTouchContactList OVTouchBridge::handleInputReport(const std::uint8_t* report, qsizetype length) {
    const OVTouchContactList contacts = contactsFromReport(report, length);
    OVNotificationCenter& center = OVDefaultCenter();
    const bool debugObserved = center.hasObservers(OVDebugReportNotification);
    // Nobody reads the text: build nothing.
    const QString text = debugObserved || center.hasObservers(OVCompatibilityReportNotification)
                             ? debugTextForReport(report, length, contacts)
                             : QString();
    if (debugObserved) {
        center.post(OVDebugReportNotification, this, {{QStringLiteral("text"), text}});
    }
    takeIntoFrame(contacts, text);
    return contacts;
}

void OVTouchBridge::takeIntoFrame(const OVTouchContactList& contacts, const QString& reportText) {
    const bool waiting =
        _frame.assembly.take(contacts, [&](const OVTouchContactList& frame, bool holdsReport) {
            deliverFrame(frame, holdsReport ? reportText : QString());
        });
    // A report that decoded and leaves a frame waiting belongs to that frame.
    if (waiting && contacts.decoded) {
        appendReportText(_frame.text, reportText);
        waitForFrame();
    }
}

void OVTouchBridge::waitForFrame() {
    // The wait moves with every report of an incomplete frame; it lapses harmlessly after a
    // frame that completed in time.
    OVScheduler& scheduler = OVMainScheduler();
    if (!scheduler.reschedule(_frame.wait, OVTouchFrameWaitSeconds)) {
        _frame.wait = scheduler.after(OVTouchFrameWaitSeconds, [this] { frameWaitEnded(); });
    }
}

void OVTouchBridge::frameWaitEnded() {
    if (_frame.assembly.waiting()) {
        // The frame is over: the next report starts a new one.
        _hybridOffset = 0;
        _frame.assembly.flush(
            [this](const OVTouchContactList& frame, bool) { deliverFrame(frame, QString()); });
    }
}

void OVTouchBridge::deliverFrame(const OVTouchContactList& frame, const QString& lastReportText) {
    OVNotificationCenter& center = OVDefaultCenter();
    if (center.hasObservers(OVCompatibilityReportNotification)) {
        QString text = std::move(_frame.text);
        appendReportText(text, lastReportText);
        center.post(OVCompatibilityReportNotification, this,
                    {{QStringLiteral("text"), text},
                     {QStringLiteral("contacts"), contactDictionariesFromList(frame)}});
    }
    _frame.text.clear();
    if (!_compatibilityTestMode) {
        // Every frame goes on, also a report of another report ID: it reads as every contact up.
        handleContacts(frame);
    }
}

QVariantList OVTouchBridge::contactDictionariesFromList(const OVTouchContactList& contacts) const {
    const int count = std::clamp(contacts.count, 0, static_cast<int>(contacts.contacts.size()));
    QVariantList dictionaries;
    dictionaries.reserve(count);
    for (int i = 0; i < count; ++i) {
        const OVTouchContact& contact = contacts.contacts[static_cast<size_t>(i)];
        const QPointF point = mapContact(contact);
        // The identifier is carried as a full unsigned number: an 8-bit one would read as a
        // character in strings and JSON.
        dictionaries << QVariantMap{
            {QStringLiteral("id"), QVariant::fromValue<uint>(contact.contactId)},
            {QStringLiteral("x"), QVariant::fromValue<uint>(contact.x)},
            {QStringLiteral("y"), QVariant::fromValue<uint>(contact.y)},
            {QStringLiteral("xMinimum"), contact.xMinimum},
            {QStringLiteral("xMaximum"), contact.xMaximum},
            {QStringLiteral("yMinimum"), contact.yMinimum},
            {QStringLiteral("yMaximum"), contact.yMaximum},
            {QStringLiteral("screenX"), point.x()},
            {QStringLiteral("screenY"), point.y()},
            {QStringLiteral("width"), QVariant::fromValue<quint16>(contact.marker)},
            {QStringLiteral("kind"), QVariant::fromValue<qlonglong>(contact.kind)},
            {QStringLiteral("kindName"), OVContactKindName(contact.kind)},
        };
    }
    return dictionaries;
}
