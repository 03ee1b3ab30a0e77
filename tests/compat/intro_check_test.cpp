#include "compat/intro_check.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "support/compat.h"
#include "service/report_outbox.h"
#include "settings/profiles.h"

using namespace compat_test;

namespace {

class IntroCheck : public ::testing::Test {
  protected:
    IntroCheck() : _completions(OVDefaultCenter()) {
        OVRegisterDefaults();
        model.setContactFilter(keepAll);
        model.setSubmitter(submitter.submitter());
        model.setQuitHandler([this] { ++quits; });
        model.setCloseHandler([this] {
            ++closes;
            model.windowWillClose();
        });
        model.setContactsHandler([this](const QVariantList& list) { drawn.append(list); });
        _completions.add(OVInitialCompatibilityCompletedNotification, nullptr,
                         [this](const OVNotification&) { ++completions; });
    }

    void drain() { services.virtualScheduler()->drain(1.0); }
    // The first-run check is done: only an explicit check from the About window remains.
    void completeFirstRun() {
        OVStandardPreferences().setBool(OVInitialCompatibilityReportSentKey, true);
    }
    QString checklistText(int row) const { return model.presentation().checklist.at(row).text; }
    QStringList found() const {
        QStringList names;
        for (const auto& entry : model.presentation().checklist) {
            if (entry.found) {
                names.append(entry.name);
            }
        }
        return names;
    }

    OVServicesGuard services;
    SimMachine machine{services};
    TestModeRecorder testMode;
    FakeSubmitter submitter;
    OVIntroCompatibilityCheckModel model;
    int quits = 0;
    int closes = 0;
    int completions = 0;
    QList<QVariantList> drawn;

  private:
    OVScopedObservers _completions;
};

}  // namespace

TEST_F(IntroCheck, AFirstRunCheckIsRequiredAndObservesInTestMode) {
    model.startCheck();
    EXPECT_TRUE(model.requiresInitialReport());
    EXPECT_TRUE(model.observing());
    EXPECT_EQ(testMode.values, QList<bool>{true});
    const auto& shown = model.presentation();
    EXPECT_FALSE(shown.finishEnabled);
    EXPECT_FALSE(shown.sendEnabled);
    EXPECT_EQ(shown.finishTitle, "Finish");
    EXPECT_EQ(shown.statusText,
              "No compatible USB touch display was found. Connect the display with USB and make "
              "sure no other touch driver app is using it.");
    ASSERT_EQ(shown.checklist.size(), 6);
    EXPECT_EQ(checklistText(0), "- Finger 1 point");
    EXPECT_EQ(checklistText(5), "- Eraser");

    model.setDeviceCheck([] { return true; });
    model.startCheck();
    EXPECT_EQ(model.presentation().statusText, "Compatible USB touch display detected.");
}

TEST_F(IntroCheck, APendingCheckAfterThePermissionStepsIsRequiredAgain) {
    completeFirstRun();
    model.startCheck();
    EXPECT_FALSE(model.requiresInitialReport());
    EXPECT_TRUE(model.presentation().finishEnabled);

    OVStandardPreferences().setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    model.startCheck();
    EXPECT_TRUE(model.requiresInitialReport());
    EXPECT_FALSE(model.presentation().finishEnabled);
}

TEST_F(IntroCheck, EachReportMarksTheInputsItProves) {
    model.startCheck();
    postReport(contacts({OVContactKindFinger, OVContactKindFinger}), sampleText("f2"));
    EXPECT_EQ(found(), QStringList{"Finger 2 point"});
    EXPECT_EQ(checklistText(0), "- Finger 1 point");
    EXPECT_EQ(checklistText(1), "OK Finger 2 point");
    EXPECT_EQ(model.presentation().statusText, "Finger 2 point detected.");

    postReport(contacts({OVContactKindFinger, OVContactKindFinger, OVContactKindFinger,
                         OVContactKindFinger, OVContactKindFinger}),
               sampleText("f5"));
    EXPECT_EQ(found(), (QStringList{"Finger 2 point", "Finger 4 point"}));

    // One report can prove a finger count, the pen and the eraser together.
    postReport(contacts({OVContactKindFinger, OVContactKindPen, OVContactKindEraser}),
               sampleText("mix"));
    EXPECT_EQ(found(),
              (QStringList{"Finger 1 point", "Finger 2 point", "Finger 4 point", "Pen", "Eraser"}));
    EXPECT_EQ(model.presentation().statusText, "Eraser detected.");
    EXPECT_EQ(model.resultsByName().value("Pen").details, "contacts=3 kinds=finger, pen, eraser");

    // Contacts of no kind prove nothing.
    postReport(contacts({OVContactKindNone, OVContactKindUnknown}), sampleText("none"));
    EXPECT_FALSE(model.resultsByName().contains("Finger 3 point"));
    EXPECT_EQ(model.presentation().statusText, "Eraser detected.");
}

TEST_F(IntroCheck, TheFirstDetectionOfAnInputWins) {
    model.startCheck();
    postReport(contacts({OVContactKindPen}), sampleText("first"));
    postReport(contacts({OVContactKindPen, OVContactKindFinger}), sampleText("second"));
    const OVCheckInputResult pen = model.resultsByName().value("Pen");
    EXPECT_EQ(pen.status, "ok");
    EXPECT_EQ(pen.sample, sampleText("first"));
    EXPECT_EQ(pen.details, "contacts=1 kinds=pen");
    EXPECT_EQ(model.presentation().statusText, "Finger 1 point detected.");
}

TEST_F(IntroCheck, OnlyContactsInsideTheWindowAreDrawnAndCounted) {
    model.setContactFilter([](const QVariantList& list) {
        QVariantList inside;
        for (const QVariant& value : list) {
            if (value.toMap().value("screenX").toDouble() < 500.0) {
                inside.append(value);
            }
        }
        return inside;
    });
    model.startCheck();
    postReport(QVariantList{contact(OVContactKindPen, 1, 900.0, 10.0)}, sampleText("out"));
    EXPECT_TRUE(drawn.isEmpty());
    EXPECT_TRUE(model.resultsByName().isEmpty());

    const QVariantMap inside = contact(OVContactKindFinger, 2, 100.0, 10.0);
    postReport(QVariantList{contact(OVContactKindPen, 1, 900.0, 10.0), inside}, sampleText("in"));
    ASSERT_EQ(drawn.size(), 1);
    EXPECT_EQ(drawn[0], QVariantList{inside});
    EXPECT_EQ(found(), QStringList{"Finger 1 point"});
    EXPECT_EQ(model.resultsByName().value("Finger 1 point").details, "contacts=1 kinds=finger");
}

TEST_F(IntroCheck, SendingNeedsAModelAndAnInput) {
    model.startCheck();
    model.modelSelectionChanged("Samsung Flip", QString());
    EXPECT_FALSE(model.canSendReport());  // no input yet
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    EXPECT_TRUE(model.presentation().sendEnabled);

    model.modelSelectionChanged("Select", QString());
    EXPECT_FALSE(model.presentation().sendEnabled);
    model.sendReport();
    EXPECT_EQ(submitter.calls, 0);
    EXPECT_EQ(model.presentation().statusText,
              "Select your display model and try at least one input first.");

    // "Other" with an empty field is a model.
    model.modelSelectionChanged("Other", "   ");
    EXPECT_TRUE(model.modelChoice().otherFieldEnabled);
    EXPECT_TRUE(model.presentation().sendEnabled);
    model.sendReport();
    ASSERT_EQ(submitter.calls, 1);
    EXPECT_EQ(submitter.payload.value("display_model"), "Other");
    EXPECT_EQ(submitter.payload.value("report_type"), "compatibility_check");
    EXPECT_EQ(submitter.payload.value("report_format"), "vovuderovo-check-v1");
    EXPECT_FALSE(model.presentation().sendEnabled);
    EXPECT_EQ(model.presentation().statusText, "Sending anonymous report...");
}

TEST_F(IntroCheck, ThePayloadAlwaysHoldsSixKeysAndSixSamples) {
    model.startCheck();
    model.modelSelectionChanged("Samsung Flip Pro", QString());
    postReport(contacts({OVContactKindPen}), sampleText("pen"));
    const QVariantMap payload = model.reportPayload();
    EXPECT_EQ(payload.value("display_model"), "Samsung Flip Pro");
    EXPECT_EQ(payload.value("result_summary").toMap(), (QVariantMap{{"finger", "not_tested"},
                                                                    {"two_finger", "not_tested"},
                                                                    {"three_finger", "not_tested"},
                                                                    {"four_finger", "not_tested"},
                                                                    {"pen", "ok"},
                                                                    {"eraser", "not_tested"}}));
    const QVariantList samples = payload.value("raw_samples").toList();
    ASSERT_EQ(samples.size(), 6);
    const QStringList controls{"finger",      "two_finger", "three_finger",
                               "four_finger", "pen",        "eraser"};
    for (int i = 0; i < 6; ++i) {
        const QVariantMap sample = samples[i].toMap();
        EXPECT_EQ(sample.value("control").toString(), controls[i]);
        if (i == 4) {
            EXPECT_EQ(sample, (QVariantMap{{"control", "pen"},
                                           {"status", "ok"},
                                           {"hex", "01 pe 00 10 20 30"},
                                           {"text", sampleText("pen")}}));
        } else {
            EXPECT_EQ(sample, (QVariantMap{{"control", controls[i]}, {"status", "not_tested"}}));
        }
    }
}

TEST_F(IntroCheck, TheTextReportSaysNotTestedWithASpace) {
    model.startCheck();
    model.modelSelectionChanged("Samsung Flip 2", QString());
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    const QString text = model.reportText();
    EXPECT_TRUE(text.startsWith("Orvetta Interactive Compatibility Check\nGenerated: "));
    EXPECT_TRUE(
        text.contains("\nDisplay model: Samsung Flip 2\n"
                      "Report type: interactive input detection check\n"
                      "\nInput results:\n"
                      "- Finger 1 point: ok (contacts=1 kinds=finger)\n"
                      "- Finger 2 point: not tested ()\n"));
    EXPECT_TRUE(text.contains("- Eraser: not tested ()\n\nDevice report:\n"));
    EXPECT_TRUE(text.contains("\nRaw samples:\n\n## Finger 1 point [ok]\n" + sampleText("f1") +
                              "\n\n## Finger 2 point [not tested]\nNo sample captured.\n"));
    EXPECT_TRUE(text.endsWith("\n## Eraser [not tested]\nNo sample captured.\n"));
    EXPECT_FALSE(text.contains("not_tested"));
}

TEST_F(IntroCheck, ClosingARequiredCheckBeforeFinishQuits) {
    model.startCheck();
    model.modelSelectionChanged("Samsung Flip", QString());
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    model.sendReport();
    submitter.succeed("r-7");
    EXPECT_TRUE(model.reportSent());
    EXPECT_TRUE(model.presentation().finishEnabled);
    EXPECT_EQ(model.presentation().statusText, "Anonymous report sent: r-7");

    model.windowWillClose();
    EXPECT_EQ(quits, 0);  // asked for on the main queue, after the window has closed
    drain();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(model.observing());
    EXPECT_FALSE(OVStandardPreferences().boolForKey(OVInitialCompatibilityReportSentKey));
    EXPECT_EQ(testMode.values, QList<bool>{true});  // the application is about to quit
    EXPECT_EQ(completions, 0);
}

TEST_F(IntroCheck, AFailedSendKeepsTheReportAndStillLetsFirstRunSetupFinish) {
    QTemporaryDir outboxDirectory;
    OVCurrentProcessState().reportOutboxDirectory = outboxDirectory.path();
    model.startCheck();
    model.modelSelectionChanged("Samsung Flip", QString());
    postReport(contacts({OVContactKindEraser}), sampleText("er"));
    model.finish();
    EXPECT_EQ(model.presentation().statusText,
              "Send the anonymous report to finish first-run setup.");
    // A 503, then a time-out: the report waits once, under the uuid it was sent with.
    for (const OVError& failure : {OVError{"Orvetta", 503, "Service Unavailable"},
                                   OVError{"QNetworkReply", 4, "The request timed out."}}) {
        model.sendReport();
        submitter.completion(std::nullopt, failure);
        EXPECT_EQ(model.presentation().statusText,
                  "Report saved; it will be sent when the service can be reached.\n" +
                      failure.description);
        EXPECT_TRUE(model.presentation().finishEnabled);
    }
    const OVReportOutbox outbox(outboxDirectory.path());
    ASSERT_EQ(outbox.fileNames().size(), 1);
    EXPECT_EQ(outbox.read(outbox.fileNames().first())->value("report_uuid"),
              submitter.payload.value("report_uuid"));

    model.finish();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(OVStandardPreferences().boolForKey(OVInitialCompatibilityCheckCompletedKey));
    EXPECT_FALSE(OVStandardPreferences().boolForKey(OVInitialCompatibilityReportSentKey));
}

TEST_F(IntroCheck, FinishWritesThePreferencesThroughAndAnnouncesCompletion) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const QString path = directory.filePath("preferences.json");
    OVPreferences stored(path, &OVMainScheduler());
    stored.registerDefaults(OVRegisteredDefaultValues());
    stored.setBool(OVPermissionsCompatibilityCheckPendingKey, true);
    services.setPreferences(&stored);

    model.startCheck();
    model.modelSelectionChanged("Samsung Flip", QString());
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    model.sendReport();
    submitter.succeed("cr-9");
    EXPECT_EQ(model.presentation().statusText, "Anonymous report sent: cr-9");
    model.finish();

    // On disk at once, without waiting for the store's own write.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QVariantMap onDisk = QJsonDocument::fromJson(file.readAll()).toVariant().toMap();
    EXPECT_EQ(onDisk.value(OVInitialCompatibilityReportSentKey), true);
    EXPECT_EQ(onDisk.value(OVInitialCompatibilityCheckCompletedKey), true);
    EXPECT_EQ(onDisk.value(OVPermissionsCompatibilityCheckPendingKey), false);

    EXPECT_EQ(completions, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(model.observing());
    EXPECT_TRUE(model.builtReportText().has_value());
    drain();
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(testMode.values, (QList<bool>{true, false, false}));
    services.setPreferences(nullptr);
}

TEST_F(IntroCheck, AnOptionalCheckFinishesAtOnceAndClosingOnlyLeavesTestMode) {
    completeFirstRun();
    model.startCheck();
    EXPECT_TRUE(model.presentation().finishEnabled);
    model.windowWillClose();
    drain();
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(testMode.values, (QList<bool>{true, false}));

    model.startCheck();
    model.finish();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(completions, 0);
    drain();
    EXPECT_EQ(quits, 0);
}

TEST_F(IntroCheck, EveryShowingStartsAfresh) {
    model.startCheck();
    model.modelSelectionChanged("Other", "Flip 85");
    postReport(contacts({OVContactKindPen}), sampleText("pen"));
    model.sendReport();
    model.windowWillClose();
    drain();

    completeFirstRun();
    model.startCheck();
    EXPECT_TRUE(model.resultsByName().isEmpty());
    EXPECT_FALSE(model.reportSent());
    EXPECT_EQ(checklistText(4), "- Pen");
    EXPECT_EQ(model.selectedDisplayModel(), "Other: Flip 85");  // the choice stays
    // The answer to the earlier showing's send changes nothing now.
    submitter.succeed("late");
    EXPECT_FALSE(model.reportSent());
    EXPECT_FALSE(model.presentation().sendEnabled);
    EXPECT_NE(model.presentation().statusText, "Anonymous report sent: late");
}
