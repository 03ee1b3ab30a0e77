#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <optional>

#include "base/error.h"
#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "compat/compat_window_support.h"
#include "hid/report_decoding.h"
#include "hid/touch_contact.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_hid_manager.h"

namespace compat_test {

// A contact dictionary as the touch bridge publishes it: raw coordinates with the logical limits
// 0-4800 and 0-3000, and the display point it maps to.
inline QVariantMap contact(std::int64_t kind, int id, double screenX = 100.0,
                           double screenY = 100.0) {
    return QVariantMap{
        {QStringLiteral("id"), id},
        {QStringLiteral("x"), 1000u + 10u * static_cast<unsigned>(id)},
        {QStringLiteral("y"), 800u},
        {QStringLiteral("xMinimum"), 0},
        {QStringLiteral("xMaximum"), 4800},
        {QStringLiteral("yMinimum"), 0},
        {QStringLiteral("yMaximum"), 3000},
        {QStringLiteral("screenX"), screenX},
        {QStringLiteral("screenY"), screenY},
        {QStringLiteral("width"), 0},
        {QStringLiteral("kind"), static_cast<qlonglong>(kind)},
        {QStringLiteral("kindName"), OVContactKindName(kind)},
    };
}

// Contacts of the given kinds, numbered from 1.
inline QVariantList contacts(std::initializer_list<std::int64_t> kinds) {
    QVariantList list;
    int id = 1;
    for (std::int64_t kind : kinds) {
        list.append(contact(kind, id++));
    }
    return list;
}

// A report's debug text with its bytes line.
inline QString sampleText(const QString& label) {
    return QStringLiteral("report %1\nlen=6 bytes: 01 %2 00 10 20 30\ncontacts=1")
        .arg(label, label.left(2));
}

inline void postReport(const QVariantList& list, const QString& text = QString()) {
    QVariantMap userInfo{{QStringLiteral("contacts"), list}};
    if (!text.isNull()) {
        userInfo.insert(QStringLiteral("text"), text);
    }
    OVDefaultCenter().post(OVCompatibilityReportNotification, nullptr, userInfo);
}

// Every contact counts.
inline QVariantList keepAll(const QVariantList& list) {
    return list;
}

// The machine the reports describe: one 1920 x 1080 display and the HID devices added to
// `devices`, installed as the current platform for the owner's lifetime.
struct SimMachine {
    explicit SimMachine(OVServicesGuard& services) : _services(services) {
        displays.setDisplays(
            {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true, 2.0)});
        platform.hidManagerFactory = devices.managerFactory();
        platform.displays = &displays;
        services.setPlatform(&platform);
    }
    ~SimMachine() { _services.setPlatform(nullptr); }
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    OVSimHIDDeviceSet devices;
    OVSimDisplayServices displays;
    OVAssembledPlatform platform;

  private:
    OVServicesGuard& _services;
};

// Records the test mode changes the windows announce.
class TestModeRecorder {
  public:
    TestModeRecorder() : _observers(OVDefaultCenter()) {
        _observers.add(
            OVCompatibilityTestModeDidChangeNotification, nullptr,
            [this](const OVNotification& notification) {
                values.append(notification.userInfo.value(QStringLiteral("enabled")).toBool());
            });
    }
    QList<bool> values;

  private:
    OVScopedObservers _observers;
};

// Counts the posts of one notification.
class NotificationCounter {
  public:
    explicit NotificationCounter(const QString& name) : _observers(OVDefaultCenter()) {
        _observers.add(name, nullptr, [this](const OVNotification&) { ++count; });
    }
    int count = 0;

  private:
    OVScopedObservers _observers;
};

// A submitter that keeps the payload and the completion, to answer later.
struct FakeSubmitter {
    int calls = 0;
    QVariantMap payload;
    OVJSONCompletion completion;

    OVReportSubmitter submitter() {
        return [this](const QVariantMap& sent, OVJSONCompletion done) {
            ++calls;
            payload = sent;
            completion = std::move(done);
        };
    }
    void succeed(const QVariant& identifier = QVariant()) {
        QVariantMap response;
        if (identifier.isValid()) {
            response.insert(QStringLiteral("id"), identifier);
        }
        completion(response, std::nullopt);
    }
    void fail(const QString& description) {
        completion(std::nullopt, OVError{QStringLiteral("Orvetta"), 2, description});
    }
};

}  // namespace compat_test
