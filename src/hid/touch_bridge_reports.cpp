// The report path of the touch session: decode, tell the observers, then the gestures.

#include <algorithm>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "hid/report_decoding.h"
#include "hid/touch_bridge.h"

OVTouchContactList OVTouchBridge::handleInputReport(const std::uint8_t* report, qsizetype length) {
    const OVTouchContactList contacts = contactsFromReport(report, length);
    postReportNotifications(report, length, contacts);
    if (!_compatibilityTestMode) {
        // Every report goes on, also one of another report ID: it reads as every contact up.
        handleContacts(contacts);
    }
    return contacts;
}

void OVTouchBridge::postReportNotifications(const std::uint8_t* report, qsizetype length,
                                            const OVTouchContactList& contacts) {
    OVNotificationCenter& center = OVDefaultCenter();
    const bool debugObserved = center.hasObservers(OVDebugReportNotification);
    const bool compatibilityObserved = center.hasObservers(OVCompatibilityReportNotification);
    if (!debugObserved || !compatibilityObserved) {
        postDebugReport(report, length, contacts);
        postCompatibilityReport(report, length, contacts);
        return;
    }
    // Both windows listen: the text is built once for both.
    const QString text = debugTextForReport(report, length, contacts);
    center.post(OVDebugReportNotification, this, {{QStringLiteral("text"), text}});
    center.post(OVCompatibilityReportNotification, this,
                {{QStringLiteral("text"), text},
                 {QStringLiteral("contacts"), contactDictionariesFromList(contacts)}});
}

void OVTouchBridge::postDebugReport(const std::uint8_t* report, qsizetype length,
                                    const OVTouchContactList& contacts) {
    OVNotificationCenter& center = OVDefaultCenter();
    if (!center.hasObservers(OVDebugReportNotification)) {
        return;  // nobody reads the text: build nothing
    }
    center.post(OVDebugReportNotification, this,
                {{QStringLiteral("text"), debugTextForReport(report, length, contacts)}});
}

void OVTouchBridge::postCompatibilityReport(const std::uint8_t* report, qsizetype length,
                                            const OVTouchContactList& contacts) {
    OVNotificationCenter& center = OVDefaultCenter();
    if (!center.hasObservers(OVCompatibilityReportNotification)) {
        return;
    }
    center.post(OVCompatibilityReportNotification, this,
                {{QStringLiteral("text"), debugTextForReport(report, length, contacts)},
                 {QStringLiteral("contacts"), contactDictionariesFromList(contacts)}});
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
