// The compatibility test, the compatibility check and the debug reports window, fed with the
// reports of the bundled demo recording where they show contacts.

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/ui/compatibility_window_controller.h"
#include "compat/ui/debug_window_controller.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/hid_recording.h"
#include "hid/report_decoding.h"
#include "hid/touch_bridge.h"
#include "screenshots.h"

namespace {

OVVirtualScheduler& virtualTime() {
    auto* scheduler = dynamic_cast<OVVirtualScheduler*>(&OVMainScheduler());
    if (!scheduler) {
        qFatal("orvetta-screenshots: the windows are rendered in virtual time");
    }
    return *scheduler;
}

OVHIDRecording demoRecording() {
    const QString path = QStringLiteral(ORVETTA_SOURCE_DIR "/tests/data/ten-finger-screen.hidrec");
    OVError error;
    const std::optional<OVHIDRecording> recording = OVReadHIDRecordingFile(path, &error);
    if (!recording) {
        qFatal("orvetta-screenshots: %s: %s", qPrintable(path), qPrintable(error.description));
    }
    return *recording;
}

// The debug text of each report of the recording, as the touch bridge writes it.
QStringList demoDebugTexts(int count) {
    const OVHIDRecording recording = demoRecording();
    OVTouchBridge bridge;
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(recording.descriptor);
    bridge.setHIDLayout(layout);
    bridge.setHIDDecoderStatus(OVHIDDecoderStatusForLayout(layout));
    QStringList texts;
    for (const OVHIDRecordedEvent& event : recording.events) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(event.bytes.constData());
        const OVTouchContactList contacts = bridge.contactsFromReport(bytes, event.bytes.size());
        texts.append(bridge.debugTextForReport(bytes, event.bytes.size(), contacts));
        if (texts.size() == count) {
            break;
        }
    }
    return texts;
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

void chooseOtherModel(OVCompatibilityWindowController& test, const QString& model) {
    test.modelPopup()->setCurrentIndex(test.modelPopup()->findText(QStringLiteral("Other")));
    test.otherModelField()->setText(model);
    test.modelSelectionChanged();
}

QImage testReady() {
    OVCompatibilityWindowController test;
    test.showWindow();
    return OVScreenshotOfWindow(test.window());
}

QImage testRunning() {
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
    for (const QString& text : demoDebugTexts(40)) {
        OVDefaultCenter().post(OVDebugReportNotification, nullptr,
                               {{QStringLiteral("text"), text}});
    }
    return OVScreenshotOfWindow(debug.window());
}

}  // namespace

QList<OVScreenshot> OVCompatibilityScreenshots() {
    return {
        {QStringLiteral("compatibility-test-ready"), testReady},
        {QStringLiteral("compatibility-test-running"), testRunning},
        {QStringLiteral("compatibility-test-finished"), testFinished},
        {QStringLiteral("debug-reports"), debugReports},
    };
}
