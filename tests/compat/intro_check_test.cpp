#include "compat/intro_check.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/virtual_scheduler.h"
#include "settings/profiles.h"
#include "support/compat.h"

using namespace compat_test;

namespace {

class IntroCheck : public ::testing::Test {
  protected:
    IntroCheck() {
        OVRegisterDefaults();
        model.setContactFilter(keepAll);
        model.setSubmitter(submitter.submitter());
        model.setQuitHandler([this] { ++quits; });
        model.setCloseHandler([this] {
            ++closes;
            model.windowWillClose();
        });
    }

    void drain() { services.virtualScheduler()->drain(1.0); }

    OVServicesGuard services;
    SimMachine machine{services};
    TestModeRecorder testMode;
    FakeSubmitter submitter;
    OVIntroCompatibilityCheckModel model;
    int quits = 0;
    int closes = 0;
    NotificationCounter completions{OVInitialCompatibilityCompletedNotification};
};

}  // namespace

TEST_F(IntroCheck, AnOptionalCheckClosesFreelyAndAPendingOneIsRequiredAgain) {
    model.setDeviceCheck([] { return true; });
    // The first-run check is done: only an explicit check from the About window remains.
    OVStandardPreferences().setBool(OVInitialCompatibilityReportSentKey, true);
    model.startCheck();
    EXPECT_EQ(model.presentation().statusText, "Compatible USB touch display detected.");
    model.windowWillClose();  // closing an optional check only leaves test mode
    drain();
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(testMode.values, (QList<bool>{true, false}));

    // A check still pending after the permission steps is required again.
    OVStandardPreferences().setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    model.startCheck();
    EXPECT_TRUE(model.requiresInitialReport());
    EXPECT_FALSE(model.presentation().finishEnabled);
}

TEST_F(IntroCheck, EachReportMarksTheInputsItProvesAndTheFirstDetectionWins) {
    int shown = 0;
    model.setContactsHandler([&](const QVariantList&) { ++shown; });
    model.startCheck();
    model.startCheck();  // showing the window again still takes each report once
    postReport(contacts({OVContactKindPen}), sampleText("pen"));
    // One report can prove a finger count, the pen and the eraser together.
    postReport(contacts({OVContactKindFinger, OVContactKindFinger, OVContactKindPen,
                         OVContactKindEraser, OVContactKindNone}),
               sampleText("mix"));
    QStringList found = model.resultsByName().keys();
    found.sort();
    EXPECT_EQ(found, (QStringList{"Eraser", "Finger 2 point", "Pen"}));
    EXPECT_EQ(model.presentation().statusText, "Eraser detected.");
    EXPECT_EQ(model.resultsByName().value("Eraser").details,
              "contacts=5 kinds=finger, finger, pen, eraser, none");
    EXPECT_EQ(model.resultsByName().value("Pen").sample, sampleText("pen"));
    EXPECT_EQ(shown, 2);
}

TEST_F(IntroCheck, ThePayloadAndTextReportUntestedInputs) {
    model.startCheck();
    model.modelSelectionChanged("Other", "   ");  // "Other" with an empty field is a model
    EXPECT_FALSE(model.canSendReport());          // no input yet
    postReport(contacts({OVContactKindPen}), sampleText("pen"));
    model.sendReport();
    ASSERT_EQ(submitter.calls, 1);
    const QVariantMap& payload = submitter.payload;
    EXPECT_EQ(payload.value("result_summary").toMap().value("eraser"), "not_tested");
    const QVariantList samples = payload.value("raw_samples").toList();
    EXPECT_EQ(samples.value(4).toMap().value("hex"), "01 pe 00 10 20 30");
    EXPECT_EQ(samples.value(5).toMap(),
              (QVariantMap{{"control", "eraser"}, {"status", "not_tested"}}));

    // The text report says "not tested", with a space.
    const QString text = *model.builtReportText();
    EXPECT_TRUE(text.contains("\nInput results:\n- Finger 1 point: not tested ()\n"));
    EXPECT_TRUE(text.endsWith("\n## Eraser [not tested]\nNo sample captured.\n"));
    EXPECT_FALSE(text.contains("not_tested"));
}

TEST_F(IntroCheck, ClosingARequiredCheckBeforeFinishQuitsAndTheNextShowingStartsAfresh) {
    model.startCheck();
    model.modelSelectionChanged("Other", "Flip 85");
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    model.sendReport();
    model.windowWillClose();
    EXPECT_EQ(quits, 0);  // asked for on the main queue, after the window has closed
    drain();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(testMode.values, QList<bool>{true});  // the application is about to quit
    EXPECT_EQ(completions.count, 0);

    model.startCheck();
    EXPECT_TRUE(model.resultsByName().isEmpty());
    EXPECT_EQ(model.selectedDisplayModel(), "Other: Flip 85");  // the choice stays
    submitter.succeed("late");  // the earlier showing's answer changes nothing
    EXPECT_FALSE(model.reportSent());
    EXPECT_FALSE(OVStandardPreferences().boolForKey(OVInitialCompatibilityReportSentKey));
}

TEST_F(IntroCheck, FinishNeedsASentReportAndWritesThePreferencesThrough) {
    QTemporaryDir directory;
    const QString path = directory.filePath("preferences.json");
    OVPreferences stored(path, &OVMainScheduler());
    stored.registerDefaults(OVRegisteredDefaultValues());
    stored.setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    services.setPreferences(&stored);

    model.startCheck();
    model.modelSelectionChanged("Samsung Flip", QString());
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    model.finish();
    EXPECT_EQ(model.presentation().statusText,
              "Send the anonymous report to finish first-run setup.");
    EXPECT_EQ(closes, 0);
    model.sendReport();
    submitter.succeed("cr-9");
    model.finish();

    // On disk at once, without waiting for the store's own write.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QVariantMap onDisk = QJsonDocument::fromJson(file.readAll()).toVariant().toMap();
    EXPECT_EQ(onDisk.value(OVInitialCompatibilityReportSentKey), true);
    EXPECT_EQ(onDisk.value(OVInitialCompatibilityCheckCompletedKey), true);
    EXPECT_EQ(onDisk.value(OVPermissionsCompatibilityCheckPendingKey), false);
    EXPECT_EQ(completions.count, 1);
    EXPECT_EQ(closes, 1);
    services.setPreferences(nullptr);
}
