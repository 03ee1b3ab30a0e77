// The compatibility test, the compatibility check and the debug reports window, fed with the
// reports of the bundled demo recording where they show contacts.

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/contact_ripples.h"
#include "compat/ui/compatibility_ripple_view.h"
#include "compat/ui/compatibility_window_controller.h"
#include "compat/ui/debug_window_controller.h"
#include "compat/ui/intro_compatibility_window_controller.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/hid_recording.h"
#include "hid/report_decoding.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_hid_manager.h"
#include "screenshots.h"
#include "settings/profiles.h"

namespace {

OVVirtualScheduler& virtualTime() {
    auto* scheduler = dynamic_cast<OVVirtualScheduler*>(&OVMainScheduler());
    if (!scheduler) {
        qFatal("orvetta-screenshots: the windows are rendered in virtual time");
    }
    return *scheduler;
}

OVHIDRecording demoRecording() {
    const QString path = QStringLiteral(ORVETTA_SOURCE_DIR "/resources/demo/demo-session.hidrec");
    OVError error;
    const std::optional<OVHIDRecording> recording = OVReadHIDRecordingFile(path, &error);
    if (!recording) {
        qFatal("orvetta-screenshots: %s: %s", qPrintable(path), qPrintable(error.description));
    }
    return *recording;
}

// The debug texts of the recording's reports that arrive in the time spans, as the touch bridge
// writes them. Every report is decoded, so that multi-report frames keep their state.
QStringList demoDebugTexts(const QList<QPair<double, double>>& spans) {
    const OVHIDRecording recording = demoRecording();
    OVTouchBridge bridge;
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(recording.descriptor);
    bridge.setHIDLayout(layout);
    bridge.setHIDDecoderStatus(OVHIDDecoderStatusForLayout(layout));
    QStringList texts;
    for (const OVHIDRecordedEvent& event : recording.events) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(event.bytes.constData());
        const OVTouchContactList contacts = bridge.contactsFromReport(bytes, event.bytes.size());
        for (const auto& span : spans) {
            if (event.time >= span.first && event.time <= span.second) {
                texts.append(bridge.debugTextForReport(bytes, event.bytes.size(), contacts));
            }
        }
    }
    return texts;
}

// The first `count` reports of the session.
QStringList demoDebugTexts(int count) {
    return demoDebugTexts({{0.0, 1.0}}).mid(0, count);
}

// A report with `kinds` of contacts, all inside `window`.
void postReportInside(const QWidget* window, std::initializer_list<std::int64_t> kinds,
                      const QString& text) {
    const QPoint centre = window->frameGeometry().center();
    QVariantList contacts;
    int id = 1;
    for (std::int64_t kind : kinds) {
        contacts.append(QVariantMap{{QStringLiteral("id"), id},
                                    {QStringLiteral("kind"), static_cast<qlonglong>(kind)},
                                    {QStringLiteral("kindName"), OVContactKindName(kind)},
                                    {QStringLiteral("screenX"), centre.x() + 20.0 * id},
                                    {QStringLiteral("screenY"), double(centre.y())}});
        ++id;
    }
    OVDefaultCenter().post(
        OVCompatibilityReportNotification, nullptr,
        {{QStringLiteral("contacts"), contacts}, {QStringLiteral("text"), text}});
}

// A machine with one 1920 x 1080 display and the demo touch screen attached, installed for the
// owner's lifetime in place of the platform without parts.
class SimulatedMachine {
  public:
    SimulatedMachine()
        : _guard(OVServices{&OVDefaultCenter(), &OVStandardPreferences(), &OVMainScheduler(),
                            &_platform, &OVCurrentProcessState()}) {
        _displays.setDisplays(
            {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true, 2.0)});
        const OVHIDRecording recording = demoRecording();
        _devices.add({{QStringLiteral("VendorID"), int(recording.vendor)},
                      {QStringLiteral("ProductID"), int(recording.product)},
                      {QStringLiteral("PrimaryUsagePage"), 13},
                      {QStringLiteral("PrimaryUsage"), 4},
                      {QStringLiteral("Product"), recording.name},
                      {QStringLiteral("Transport"), QStringLiteral("USB")}},
                     recording.descriptor);
        _platform.hidManagerFactory = _devices.managerFactory();
        _platform.displays = &_displays;
    }

  private:
    OVSimHIDDeviceSet _devices;
    OVSimDisplayServices _displays;
    OVAssembledPlatform _platform;
    OVServicesGuard _guard;
};

// Plays the demo session's reports up to `until` seconds into the check, in virtual time, with
// each contact placed in the touch area as its raw coordinates place it on the display.
void playDemoSession(OVIntroCompatibilityWindowController& check, double until) {
    const OVHIDRecording recording = demoRecording();
    OVTouchBridge bridge;
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(recording.descriptor);
    bridge.setHIDLayout(layout);
    bridge.setHIDDecoderStatus(OVHIDDecoderStatusForLayout(layout));
    const OVCompatibilityRippleView* area = check.rippleView();
    const double start = OVMainScheduler().now();
    for (const OVHIDRecordedEvent& event : recording.events) {
        if (event.time > until) {
            break;
        }
        virtualTime().advance(std::max(0.0, start + event.time - OVMainScheduler().now()));
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(event.bytes.constData());
        const OVTouchContactList list = bridge.contactsFromReport(bytes, event.bytes.size());
        QVariantList contacts;
        for (const QVariant& value : bridge.contactDictionariesFromList(list)) {
            QVariantMap contact = value.toMap();
            const QPointF inArea = OVRawContactViewPoint(contact, QSizeF(area->size()));
            const QPointF onScreen = QPointF(area->mapToGlobal(QPoint(0, 0))) + inArea;
            contact.insert(QStringLiteral("screenX"), onScreen.x());
            contact.insert(QStringLiteral("screenY"), onScreen.y());
            contacts.append(contact);
        }
        OVDefaultCenter().post(
            OVCompatibilityReportNotification, &bridge,
            {{QStringLiteral("contacts"), contacts},
             {QStringLiteral("text"), bridge.debugTextForReport(bytes, event.bytes.size(), list)}});
    }
    virtualTime().advance(std::max(0.0, start + until - OVMainScheduler().now()));
}

// What the service answers a send: the report's id, or `failure`.
QImage checkWindow(double until, const QString& model, bool send,
                   const std::optional<OVError>& failure = std::nullopt) {
    SimulatedMachine machine;
    QTemporaryDir outbox;
    OVCurrentProcessState().reportOutboxDirectory = outbox.path();
    OVStandardPreferences().setBool(QStringLiteral("initialCompatibilityReportSent"), false);
    OVStandardPreferences().setBool(QStringLiteral("initialCompatibilityCheckCompleted"), false);
    OVIntroCompatibilityWindowController check;
    check.setQuitHandler([] {});
    check.model().setSubmitter([failure](const QVariantMap&, OVJSONCompletion completion) {
        if (failure) {
            completion(std::nullopt, failure);
            return;
        }
        completion(QVariantMap{{QStringLiteral("id"), QStringLiteral("cr-77d0e4")}}, std::nullopt);
    });
    check.showWindow();
    if (!model.isEmpty()) {
        check.modelPopup()->setCurrentIndex(check.modelPopup()->findText(model));
        check.modelSelectionChanged();
    }
    playDemoSession(check, until);
    if (send) {
        check.sendReport();
    }
    QImage image = OVScreenshotOfWindow(check.window());
    check.window()->hide();
    OVCurrentProcessState().reportOutboxDirectory.clear();
    return image;
}

void chooseOtherModel(OVCompatibilityWindowController& test, const QString& model) {
    test.modelPopup()->setCurrentIndex(test.modelPopup()->findText(QStringLiteral("Other")));
    test.otherModelField()->setText(model);
    test.modelSelectionChanged();
}

QImage testReady() {
    SimulatedMachine machine;
    OVCompatibilityWindowController test;
    test.showWindow();
    return OVScreenshotOfWindow(test.window());
}

QImage testRunning() {
    SimulatedMachine machine;
    OVCompatibilityWindowController test;
    test.showWindow();
    chooseOtherModel(test, QStringLiteral("Flip 85"));
    test.startButtonPressed();
    const QStringList texts = demoDebugTexts(2);
    postReportInside(test.window(), {1}, texts.value(0));
    virtualTime().advance(0.6);
    virtualTime().advance(1.3);
    postReportInside(test.window(), {1, 1, 1}, texts.value(1));
    QImage image = OVScreenshotOfWindow(test.window());
    test.window()->close();
    return image;
}

QImage testFinished() {
    SimulatedMachine machine;
    OVCompatibilityWindowController test;
    test.model().setSubmitter([](const QVariantMap&, OVJSONCompletion completion) {
        completion(QVariantMap{{QStringLiteral("id"), QStringLiteral("cr-5f2a91")}}, std::nullopt);
    });
    test.showWindow();
    test.modelPopup()->setCurrentIndex(
        test.modelPopup()->findText(QStringLiteral("Samsung Flip 2")));
    test.modelSelectionChanged();
    test.startButtonPressed();
    const QStringList texts = demoDebugTexts(4);
    const std::initializer_list<std::int64_t> steps[] = {{1}, {1, 1}, {1, 1, 1}};
    int index = 0;
    for (const auto& kinds : steps) {
        postReportInside(test.window(), kinds, texts.value(index++));
        virtualTime().advance(0.8);
    }
    virtualTime().advance(10.6);  // four fingers: never seen
    postReportInside(test.window(), {2}, texts.value(3));
    virtualTime().advance(0.6);
    virtualTime().advance(11.0);  // the eraser: never seen
    test.sendReport();
    QImage image = OVScreenshotOfWindow(test.window());
    test.window()->close();
    return image;
}

QImage debugReports() {
    OVDebugWindowController debug;
    debug.showWindow();
    // Three fingers moving, then the pen touching down: the reports to compare.
    for (const QString& text : demoDebugTexts({{10.70, 10.72}, {14.53, 14.56}})) {
        OVDefaultCenter().post(OVDebugReportNotification, nullptr,
                               {{QStringLiteral("text"), text}});
    }
    QImage image = OVScreenshotOfWindow(debug.window());
    debug.window()->hide();
    return image;
}

}  // namespace

QList<OVScreenshot> OVCompatibilityScreenshots() {
    return {
        {QStringLiteral("compatibility-test-ready"), testReady},
        {QStringLiteral("compatibility-test-running"), testRunning},
        {QStringLiteral("compatibility-test-finished"), testFinished},
        {QStringLiteral("compatibility-check-start"),
         [] { return checkWindow(0.0, QString(), false); }},
        {QStringLiteral("compatibility-check-fingers"),
         [] { return checkWindow(12.55, QStringLiteral("Samsung Flip Pro"), false); }},
        {QStringLiteral("compatibility-check-sent"),
         [] { return checkWindow(18.3, QStringLiteral("Samsung Flip Pro"), true); }},
        {QStringLiteral("compatibility-check-saved-offline"),
         [] {
             return checkWindow(18.3, QStringLiteral("Samsung Flip Pro"), true,
                                OVError{QStringLiteral("QNetworkReply"), 3,
                                        QStringLiteral("Host api.orvetta.test not found")});
         }},
        {QStringLiteral("debug-reports"), debugReports},
    };
}
