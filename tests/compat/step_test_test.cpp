#include "compat/step_test.h"

#include <gtest/gtest.h>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "support/compat.h"

using namespace compat_test;
using State = OVCompatibilityTestModel::State;

namespace {

class StepTest : public ::testing::Test {
  protected:
    StepTest() {
        model.setContactFilter(keepAll);
        model.setSubmitter(submitter.submitter());
        model.resetIntro();
    }

    void advance(double seconds) { services.virtualScheduler()->advance(seconds); }

    // Confirms the current step with a report of `kinds` and waits through the pause.
    void passStep(std::initializer_list<std::int64_t> kinds, const QString& text) {
        const qsizetype index = model.currentIndex();
        postReport(contacts(kinds), text);
        advance(model.steps().at(index).stable + 0.001);
        ASSERT_EQ(model.results().size(), index + 1);
        advance(OVStepTestAdvanceDelay);
        ASSERT_EQ(model.currentIndex(), index + 1);
    }

    void passFingerSteps() {
        passStep({OVContactKindFinger}, sampleText("f1"));
        passStep({OVContactKindFinger, OVContactKindFinger}, sampleText("f2"));
        passStep({OVContactKindFinger, OVContactKindFinger, OVContactKindFinger}, sampleText("f3"));
        passStep(
            {OVContactKindFinger, OVContactKindFinger, OVContactKindFinger, OVContactKindFinger},
            sampleText("f4"));
    }

    OVServicesGuard services;
    SimMachine machine{services};
    TestModeRecorder testMode;
    FakeSubmitter submitter;
    OVCompatibilityTestModel model;
};

}  // namespace

TEST(StepMatching, CountsTheStepsKindAndDescribesTheReport) {
    const QList<OVCompatibilityStep>& steps = OVCompatibilitySteps();
    QString details;
    EXPECT_TRUE(
        OVContactsMatchStep(contacts({OVContactKindFinger, OVContactKindFinger, OVContactKindPen}),
                            steps[1], &details));
    EXPECT_EQ(details, "contacts=3 kinds=finger, finger, pen matching=2/2");

    EXPECT_FALSE(
        OVContactsMatchStep(contacts({OVContactKindFinger, OVContactKindPen}), steps[1], &details));
    EXPECT_EQ(details, "contacts=2 kinds=finger, pen matching=1/2");

    EXPECT_FALSE(OVContactsMatchStep(QVariantList(), steps[0], &details));
    EXPECT_EQ(details, "contacts=0 kinds=none matching=0/1");

    QVariantMap nameless = contact(OVContactKindEraser, 1);
    nameless.remove("kindName");
    EXPECT_TRUE(OVContactsMatchStep(QVariantList{nameless}, steps[5], &details));
    EXPECT_EQ(details, "contacts=1 kinds=unknown matching=1/1");
}

TEST_F(StepTest, ResetShowsReadyAndLeavesTestMode) {
    const auto& shown = model.presentation();
    EXPECT_EQ(model.state(), State::Ready);
    EXPECT_EQ(shown.stepText, "Ready");
    EXPECT_EQ(shown.promptText, "The test checks finger, pen and eraser input.");
    EXPECT_EQ(shown.statusText, "Choose your display model and start the test.");
    EXPECT_TRUE(shown.summaryText.startsWith("Before starting, quit any other touch"));
    EXPECT_TRUE(shown.summaryText.endsWith("you can send it anonymously."));
    EXPECT_TRUE(shown.timerText.isEmpty());
    EXPECT_TRUE(shown.startEnabled);
    EXPECT_FALSE(shown.sendEnabled);
    EXPECT_TRUE(shown.modelChoiceEnabled);
    EXPECT_EQ(shown.doneTitle, "Cancel");
    EXPECT_EQ(testMode.values, QList<bool>{false});
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVCompatibilityReportNotification));
}

TEST_F(StepTest, StartEntersTestModeAndShowsTheFirstStep) {
    model.modelSelectionChanged("Samsung Flip 2", QString());
    model.startTest();
    const auto& shown = model.presentation();
    EXPECT_EQ(model.state(), State::Running);
    EXPECT_EQ(testMode.values, (QList<bool>{false, true}));
    EXPECT_TRUE(OVDefaultCenter().hasObservers(OVCompatibilityReportNotification));
    EXPECT_EQ(shown.stepText, "1 / 6: Finger 1 point");
    EXPECT_EQ(shown.promptText, "Touch the screen with one finger.");
    EXPECT_EQ(shown.statusText, "Waiting for input...");
    EXPECT_EQ(shown.summaryText, "Testing Samsung Flip 2. Follow the prompts above.");
    EXPECT_EQ(shown.timerText, "10s");
    EXPECT_EQ(shown.progress, 0);
    EXPECT_FALSE(shown.startEnabled);
    EXPECT_FALSE(shown.sendEnabled);
    EXPECT_FALSE(shown.modelChoiceEnabled);
}

TEST_F(StepTest, ThreeFingersCompleteTheTwoFingerStep) {
    model.startTest();
    passStep({OVContactKindFinger}, sampleText("f1"));
    EXPECT_EQ(model.presentation().stepText, "2 / 6: Finger 2 point");

    postReport(contacts({OVContactKindFinger, OVContactKindFinger, OVContactKindFinger}),
               sampleText("f3"));
    EXPECT_EQ(model.presentation().statusText, "Detected, confirming 180 ms...");
    advance(0.17);
    EXPECT_EQ(model.results().size(), 1);
    advance(0.011);
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[1].name, "Finger 2 point");
    EXPECT_EQ(model.results()[1].status, "ok");
    EXPECT_EQ(model.results()[1].details, "contacts=3 kinds=finger, finger, finger matching=3/2");
    EXPECT_EQ(model.results()[1].sample, sampleText("f3"));
    EXPECT_EQ(model.state(), State::Advancing);
    EXPECT_EQ(model.presentation().statusText, "OK. Moving to next test...");
    EXPECT_EQ(model.presentation().progress, 2);
}

TEST_F(StepTest, PenWithTwoFingersCompletesThePenStep) {
    model.startTest();
    passFingerSteps();
    EXPECT_EQ(model.presentation().stepText, "5 / 6: Pen");
    // Fingers alone do not prove the pen.
    postReport(contacts({OVContactKindFinger, OVContactKindFinger}), sampleText("ff"));
    EXPECT_EQ(model.presentation().statusText, "contacts=2 kinds=finger, finger matching=0/1");
    EXPECT_FALSE(model.confirmationPending());

    postReport(contacts({OVContactKindPen, OVContactKindFinger, OVContactKindFinger}),
               sampleText("pen"));
    EXPECT_EQ(model.presentation().statusText, "Detected, confirming 80 ms...");
    advance(0.081);
    ASSERT_EQ(model.results().size(), 5);
    EXPECT_EQ(model.results()[4].status, "ok");
    EXPECT_EQ(model.results()[4].details, "contacts=3 kinds=pen, finger, finger matching=1/1");
}

TEST_F(StepTest, LaterReportsNeitherRestartNorCancelTheConfirmation) {
    model.startTest();
    passStep({OVContactKindFinger}, sampleText("f1"));
    postReport(contacts({OVContactKindFinger, OVContactKindFinger}), sampleText("first"));
    advance(0.1);
    postReport(contacts({OVContactKindFinger, OVContactKindFinger, OVContactKindPen}),
               sampleText("second"));
    EXPECT_EQ(model.presentation().statusText, "Detected, confirming...");
    // A report without a match leaves the pending confirmation and the status alone.
    postReport(QVariantList(), sampleText("lifted"));
    EXPECT_EQ(model.presentation().statusText, "Detected, confirming...");
    EXPECT_TRUE(model.confirmationPending());

    // Confirmed 0.18 s after the first match, not after the second.
    advance(0.081);
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[1].status, "ok");
    EXPECT_EQ(model.results()[1].sample, sampleText("first"));
    EXPECT_EQ(model.results()[1].details, "contacts=3 kinds=finger, finger, pen matching=2/2");
}

TEST_F(StepTest, AMatchWithoutTextKeepsTheNextTextAsTheSample) {
    model.startTest();
    postReport(contacts({OVContactKindFinger}));
    postReport(contacts({OVContactKindFinger}), sampleText("later"));
    advance(0.081);
    ASSERT_EQ(model.results().size(), 1);
    EXPECT_EQ(model.results()[0].sample, sampleText("later"));
}

TEST_F(StepTest, ALateMatchEndsAsATimeoutWithItsSample) {
    model.startTest();
    passStep({OVContactKindFinger}, sampleText("f1"));  // the second step begins at 0.53 s
    advance(10.43 - 0.531);
    EXPECT_EQ(model.presentation().timerText, "1s");
    postReport(contacts({OVContactKindFinger, OVContactKindFinger}), sampleText("late"));
    EXPECT_TRUE(model.confirmationPending());
    advance(0.1);
    EXPECT_EQ(model.results().size(), 1);
    // The tick at 10.6 s (10.07 s into the step) comes before the confirmation at 10.61 s.
    advance(0.1);
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[1].status, "timeout");
    EXPECT_EQ(model.results()[1].details, "Timed out after 10 seconds.");
    EXPECT_EQ(model.results()[1].sample, sampleText("late"));
    EXPECT_FALSE(model.confirmationPending());
    EXPECT_EQ(model.presentation().statusText, "No input detected. Moving to next test...");
    advance(1.0);
    EXPECT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.currentIndex(), 2);
}

TEST_F(StepTest, ReportsDuringThePauseAreIgnored) {
    model.startTest();
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    advance(0.081);
    ASSERT_EQ(model.state(), State::Advancing);
    postReport(contacts({OVContactKindFinger, OVContactKindFinger}), sampleText("early"));
    EXPECT_FALSE(model.confirmationPending());
    advance(OVStepTestAdvanceDelay);
    EXPECT_EQ(model.state(), State::Running);
    EXPECT_FALSE(model.candidateSample().has_value());
    EXPECT_EQ(model.presentation().statusText, "Waiting for input...");
}

TEST_F(StepTest, TheCountdownStartsAtTenAndStopsAtZero) {
    model.startTest();
    EXPECT_EQ(model.presentation().timerText, "10s");
    advance(0.1);
    EXPECT_EQ(model.presentation().timerText, "10s");
    advance(1.0);
    EXPECT_EQ(model.presentation().timerText, "9s");
    advance(7.5);
    EXPECT_EQ(model.presentation().timerText, "2s");
    advance(0.8);
    EXPECT_EQ(model.presentation().timerText, "1s");
    // The next step starts over at 10s.
    advance(2.0);
    EXPECT_EQ(model.presentation().stepText, "2 / 6: Finger 2 point");
    EXPECT_EQ(model.presentation().timerText, "10s");
    // Long after a step began (the window closed), the countdown reads 0s, never less.
    model.windowWillClose();
    advance(30.0);
    model.updateCountdown();
    EXPECT_EQ(model.presentation().timerText, "0s");
}

TEST_F(StepTest, ASilentDisplayEndsWithSixTimeoutsAfterAbout62Seconds) {
    model.startTest();
    advance(62.3);
    EXPECT_EQ(model.state(), State::Running);
    EXPECT_EQ(model.results().size(), 5);
    advance(0.5);
    ASSERT_EQ(model.state(), State::Finished);
    ASSERT_EQ(model.results().size(), 6);
    for (const OVCompatibilityStepResult& result : model.results()) {
        EXPECT_EQ(result.status, "timeout");
        EXPECT_TRUE(result.sample.isEmpty());
    }
    for (const QVariant& status : model.resultSummary()) {
        EXPECT_EQ(status.toString(), "failed");
    }
    const QVariantList samples = model.rawSamples();
    ASSERT_EQ(samples.size(), 6);
    EXPECT_EQ(samples[0].toMap(), (QVariantMap{{"control", "finger"}, {"status", "timeout"}}));
    EXPECT_EQ(model.readyReportText()->count("No sample captured."), 6);

    const auto& shown = model.presentation();
    EXPECT_EQ(shown.stepText, "Complete");
    EXPECT_EQ(shown.promptText, "Compatibility report is ready.");
    EXPECT_EQ(shown.statusText, "Send the anonymous report when ready.");
    EXPECT_TRUE(shown.timerText.isEmpty());
    EXPECT_EQ(shown.progress, 6);
    EXPECT_TRUE(shown.sendEnabled);
    EXPECT_TRUE(shown.startEnabled);
    EXPECT_EQ(shown.doneTitle, "Done");
    EXPECT_EQ(testMode.values, (QList<bool>{false, true, false}));
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVCompatibilityReportNotification));
    EXPECT_EQ(services.virtualScheduler()->pendingCount(), 0);
}

TEST_F(StepTest, TheFinishedRunBuildsTheTextReportAndThePayload) {
    model.modelSelectionChanged("Other", "  Flip 85  ");
    model.startTest();
    passFingerSteps();
    advance(10.15);  // no pen
    advance(OVStepTestAdvanceDelay);
    ASSERT_EQ(model.currentIndex(), 5);
    ASSERT_EQ(model.state(), State::Running);
    postReport(contacts({OVContactKindEraser}), sampleText("er"));
    advance(0.081);
    ASSERT_EQ(model.state(), State::Finished);

    EXPECT_EQ(model.presentation().summaryText,
              "Display model: Other: Flip 85\n\nResults:\n- Finger 1 point: ok\n"
              "- Finger 2 point: ok\n- Finger 3 point: ok\n- Finger 4 point: ok\n"
              "- Pen: timeout\n- Eraser: ok\n\nThe raw HID report can be sent anonymously for "
              "compatibility troubleshooting.");

    const QString text = *model.readyReportText();
    EXPECT_TRUE(text.startsWith("Orvetta Compatibility Test\nGenerated: "));
    EXPECT_TRUE(
        text.contains("\nDisplay model: Other: Flip 85\n"
                      "Report type: troubleshoot raw HID report\n"
                      "\nInput results:\n"
                      "- Finger 1 point: ok (contacts=1 kinds=finger matching=1/1)\n"));
    EXPECT_TRUE(
        text.contains("- Pen: timeout (Timed out after 10 seconds.)\n"
                      "- Eraser: ok (contacts=1 kinds=eraser matching=1/1)\n"
                      "\nDevice report:\n"));
    EXPECT_TRUE(
        text.contains("\nRaw samples:\n\n## Finger 1 point [ok]\n" + sampleText("f1") + "\n"));
    EXPECT_TRUE(text.endsWith("\n## Pen [timeout]\nNo sample captured.\n\n## Eraser [ok]\n" +
                              sampleText("er") + "\n"));

    const QVariantMap payload = model.reportPayload();
    EXPECT_EQ(payload.value("display_model"), "Other: Flip 85");
    EXPECT_EQ(payload.value("report_type"), "troubleshoot");
    EXPECT_EQ(payload.value("report_format"), "vovuderovo-troubleshoot-v1");
    EXPECT_EQ(payload.value("result_summary").toMap(), (QVariantMap{{"finger", "ok"},
                                                                    {"two_finger", "ok"},
                                                                    {"three_finger", "ok"},
                                                                    {"four_finger", "ok"},
                                                                    {"pen", "failed"},
                                                                    {"eraser", "ok"}}));
    const QVariantList samples = payload.value("raw_samples").toList();
    ASSERT_EQ(samples.size(), 6);
    EXPECT_EQ(samples[1].toMap(), (QVariantMap{{"control", "two_finger"},
                                               {"status", "ok"},
                                               {"hex", "01 f2 00 10 20 30"},
                                               {"text", sampleText("f2")}}));
    EXPECT_EQ(samples[4].toMap(), (QVariantMap{{"control", "pen"}, {"status", "timeout"}}));
}

TEST_F(StepTest, ARunWithSelectReportsAnEmptyDisplayModel) {
    model.startTest();
    EXPECT_EQ(model.presentation().summaryText, "Testing . Follow the prompts above.");
    advance(63.0);
    ASSERT_EQ(model.state(), State::Finished);
    EXPECT_TRUE(model.readyReportText()->contains("\nDisplay model: \n"));
    EXPECT_EQ(model.reportPayload().value("display_model"), QString(""));
}

TEST_F(StepTest, DisplayModelChoiceFollowsThePopUp) {
    model.modelSelectionChanged("Other", "  Flip 85 ");
    EXPECT_EQ(model.selectedDisplayModel(), "Other: Flip 85");
    EXPECT_TRUE(model.modelChoice().otherFieldEnabled);
    model.modelSelectionChanged("Other", "   ");
    EXPECT_EQ(model.selectedDisplayModel(), "Other");
    model.modelSelectionChanged("Samsung Flip Pro", "left over");
    EXPECT_EQ(model.selectedDisplayModel(), "Samsung Flip Pro");
    EXPECT_FALSE(model.modelChoice().otherFieldEnabled);
    EXPECT_TRUE(model.modelChoice().otherText.isEmpty());
    model.modelSelectionChanged("Select", QString());
    EXPECT_EQ(model.selectedDisplayModel(), "");
    model.modelSelectionChanged(QString(), QString());
    EXPECT_EQ(model.selectedDisplayModel(), "Unknown");
}

TEST_F(StepTest, SendingNeedsAFinishedRunAndShowsTheAnswer) {
    model.sendReport();
    EXPECT_EQ(model.presentation().statusText, "No report is ready yet.");
    EXPECT_EQ(submitter.calls, 0);

    model.startTest();
    advance(63.0);
    model.sendReport();
    EXPECT_EQ(submitter.calls, 1);
    EXPECT_EQ(submitter.payload.value("report_type"), "troubleshoot");
    EXPECT_FALSE(model.presentation().sendEnabled);
    EXPECT_EQ(model.presentation().statusText, "Sending anonymous report...");
    submitter.succeed("r-42");
    EXPECT_TRUE(model.presentation().sendEnabled);
    EXPECT_EQ(model.presentation().statusText, "Anonymous report sent: r-42");

    model.sendReport();  // the report may be sent again
    submitter.succeed(17);
    EXPECT_EQ(model.presentation().statusText, "Anonymous report sent.");
    model.sendReport();
    submitter.fail(QString());
    EXPECT_EQ(model.presentation().statusText, "Could not send report.");
    EXPECT_TRUE(model.presentation().sendEnabled);
    model.sendReport();
    submitter.fail("The service answered with HTTP 503.");
    EXPECT_EQ(model.presentation().statusText, "The service answered with HTTP 503.");
    EXPECT_EQ(submitter.calls, 4);
}

TEST_F(StepTest, AnAnswerToAnEarlierRunChangesNothing) {
    model.startTest();
    advance(63.0);
    model.sendReport();
    const OVJSONCompletion firstAnswer = submitter.completion;

    // A new run finishes and is being sent when the first send's answer comes.
    model.startTest();
    advance(63.0);
    model.sendReport();
    firstAnswer(QVariantMap{{"id", "r-1"}}, std::nullopt);
    EXPECT_FALSE(model.presentation().sendEnabled);
    EXPECT_EQ(model.presentation().statusText, "Sending anonymous report...");
    submitter.succeed("r-2");
    EXPECT_EQ(model.presentation().statusText, "Anonymous report sent: r-2");
}

TEST_F(StepTest, ClosingMidRunStopsEverythingAndShowingAgainIsReady) {
    model.startTest();
    passStep({OVContactKindFinger}, sampleText("f1"));
    postReport(contacts({OVContactKindFinger, OVContactKindFinger}), sampleText("f2"));
    model.windowWillClose();
    EXPECT_EQ(model.state(), State::Stopped);
    EXPECT_EQ(testMode.values.back(), false);
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVCompatibilityReportNotification));
    advance(20.0);
    EXPECT_EQ(model.results().size(), 1);  // the pending confirmation died with the run

    model.resetIntro();
    EXPECT_EQ(model.state(), State::Ready);
    EXPECT_TRUE(model.presentation().modelChoiceEnabled);
    EXPECT_TRUE(model.presentation().startEnabled);
    EXPECT_EQ(model.results().size(), 1);  // kept until the next start
    model.startTest();
    EXPECT_TRUE(model.results().isEmpty());
}

TEST_F(StepTest, ClosingDuringThePauseDoesNotBeginTheNextStep) {
    model.startTest();
    postReport(contacts({OVContactKindFinger}), sampleText("f1"));
    advance(0.081);
    ASSERT_EQ(model.state(), State::Advancing);
    model.windowWillClose();
    model.resetIntro();
    advance(1.0);
    EXPECT_EQ(model.presentation().stepText, "Ready");
    EXPECT_EQ(model.state(), State::Ready);
}

TEST_F(StepTest, OnlyContactsInsideTheWindowCount) {
    model.setContactFilter([](const QVariantList& list) {
        QVariantList inside;
        for (const QVariant& value : list) {
            if (value.toMap().value("screenX").toDouble() < 500.0) {
                inside.append(value);
            }
        }
        return inside;
    });
    model.startTest();
    QVariantList outside{contact(OVContactKindFinger, 1, 800.0, 100.0)};
    postReport(outside, sampleText("out"));
    EXPECT_EQ(model.presentation().statusText, "contacts=0 kinds=none matching=0/1");
    EXPECT_FALSE(model.confirmationPending());

    model.setContactFilter(nullptr);  // no window: nothing counts
    postReport(contacts({OVContactKindFinger}), sampleText("in"));
    EXPECT_FALSE(model.confirmationPending());
}
