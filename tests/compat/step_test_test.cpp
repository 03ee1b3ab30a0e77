#include "compat/step_test.h"

#include <gtest/gtest.h>

#include "base/virtual_scheduler.h"
#include "support/compat.h"

using namespace compat_test;
using State = OVCompatibilityTestModel::State;

namespace {

QVariantList fingers(int count) {
    QVariantList list;
    for (int id = 1; id <= count; ++id) {
        list.append(contact(OVContactKindFinger, id));
    }
    return list;
}

class StepTest : public ::testing::Test {
  protected:
    StepTest() {
        model.setContactFilter(keepAll);
        model.setSubmitter(submitter.submitter());
        model.resetIntro();
    }

    void advance(double seconds) { services.virtualScheduler()->advance(seconds); }

    // Confirms the current step with a report of `list` and waits through the pause.
    void passStep(const QVariantList& list, const QString& text) {
        const qsizetype index = model.currentIndex();
        postReport(list, text);
        advance(model.steps().at(index).stable + 0.001 + OVStepTestAdvanceDelay);
        ASSERT_EQ(model.currentIndex(), index + 1);
    }

    OVServicesGuard services;
    SimMachine machine{services};
    TestModeRecorder testMode;
    FakeSubmitter submitter;
    OVCompatibilityTestModel model;
};

}  // namespace

TEST_F(StepTest, AMatchIsConfirmedAfterItsStableTimeWhateverComesLater) {
    model.startTest();
    model.startTest();       // starting again still takes each report once
    postReport(fingers(1));  // a match without text keeps the next text as its sample
    passStep(fingers(1), sampleText("later"));
    EXPECT_EQ(model.results()[0].sample, sampleText("later"));

    postReport(fingers(3), sampleText("first"));
    EXPECT_EQ(model.presentation().statusText, "Detected, confirming 180 ms...");
    advance(0.1);
    postReport(contacts({OVContactKindFinger, OVContactKindFinger, OVContactKindPen}),
               sampleText("second"));
    EXPECT_EQ(model.presentation().statusText, "Detected, confirming...");
    postReport(QVariantList(), sampleText("lifted"));  // no match: the confirmation goes on
    EXPECT_TRUE(model.confirmationPending());
    advance(0.07);
    EXPECT_EQ(model.results().size(), 1);

    // Confirmed 0.18 s after the first match, with its sample and the latest details.
    advance(0.011);
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[1].sample, sampleText("first"));
    EXPECT_EQ(model.results()[1].details, "contacts=3 kinds=finger, finger, pen matching=2/2");

    // Reports during the pause are ignored.
    postReport(fingers(3), sampleText("early"));
    EXPECT_FALSE(model.confirmationPending());
    advance(OVStepTestAdvanceDelay);
    EXPECT_FALSE(model.candidateSample().has_value());
}

TEST_F(StepTest, TheCountdownRunsFromTenAndALateMatchEndsAsATimeout) {
    model.startTest();
    EXPECT_EQ(model.presentation().timerText, "10s");
    advance(1.1);
    EXPECT_EQ(model.presentation().timerText, "9s");
    passStep(fingers(1), sampleText("f1"));  // the second step begins at 1.63 s
    advance(11.53 - 1.631);
    EXPECT_EQ(model.presentation().timerText, "1s");
    postReport(fingers(2), sampleText("late"));
    advance(0.1);
    EXPECT_EQ(model.results().size(), 1);
    // The tick at 11.7 s (10.07 s into the step) comes before the confirmation at 11.71 s.
    advance(0.1);
    ASSERT_EQ(model.results().size(), 2);
    EXPECT_EQ(model.results()[1].status, "timeout");
    EXPECT_EQ(model.results()[1].sample, sampleText("late"));
    advance(1.0);
    EXPECT_EQ(model.currentIndex(), 2);

    // Long after a step began (the window closed), the countdown reads 0s, never less.
    model.windowWillClose();
    advance(30.0);
    model.updateCountdown();
    EXPECT_EQ(model.presentation().timerText, "0s");
}

TEST_F(StepTest, TheFinishedRunBuildsTheTextReportAndThePayload) {
    model.modelSelectionChanged("Other", "  Flip 85  ");
    model.startTest();
    for (int count = 1; count <= 4; ++count) {
        passStep(fingers(count), sampleText(QStringLiteral("f%1").arg(count)));
    }
    passStep(contacts({OVContactKindPen}), sampleText("pe"));  // one pen is enough
    advance(10.15);                                            // no eraser
    ASSERT_EQ(model.state(), State::Finished);
    EXPECT_EQ(testMode.values.back(), false);
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVCompatibilityReportNotification));
    EXPECT_EQ(services.virtualScheduler()->pendingCount(), 0);

    const QString text = *model.readyReportText();
    EXPECT_TRUE(
        text.contains("\nDisplay model: Other: Flip 85\nReport type: troubleshoot raw HID "
                      "report\n\nInput results:\n- Finger 1 point: ok (contacts=1 "
                      "kinds=finger matching=1/1)\n"));
    EXPECT_TRUE(text.endsWith("\n## Pen [ok]\n" + sampleText("pe") +
                              "\n\n## Eraser [timeout]\nNo sample captured.\n"));

    const QVariantMap payload = model.reportPayload();
    EXPECT_EQ(payload.value("result_summary").toMap().value("eraser"), "failed");
    const QVariantList samples = payload.value("raw_samples").toList();
    ASSERT_EQ(samples.size(), 6);
    EXPECT_EQ(samples[1].toMap(), (QVariantMap{{"control", "two_finger"},
                                               {"status", "ok"},
                                               {"hex", "01 f2 00 10 20 30"},
                                               {"text", sampleText("f2")}}));
}

TEST_F(StepTest, SendingNeedsAFinishedRunAndOnlyTheLatestAnswerCounts) {
    model.sendReport();
    EXPECT_EQ(model.presentation().statusText, "No report is ready yet.");

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

    submitter.fail(QString());
    EXPECT_EQ(model.presentation().statusText, "Could not send report.");
    EXPECT_TRUE(model.presentation().sendEnabled);
    model.sendReport();  // the report may be sent again
    EXPECT_EQ(submitter.calls, 3);
    model.resetIntro();  // showing the window again starts with nothing to send
    EXPECT_FALSE(model.presentation().sendEnabled);
}

TEST_F(StepTest, ClosingStopsEverythingAndShowingAgainIsReady) {
    model.startTest();
    passStep(fingers(1), sampleText("f1"));
    postReport(fingers(2), sampleText("f2"));
    model.windowWillClose();
    advance(20.0);
    EXPECT_EQ(model.results().size(), 1);  // the pending confirmation died with the run

    model.resetIntro();
    EXPECT_EQ(model.results().size(), 1);  // kept until the next start
    model.startTest();
    EXPECT_TRUE(model.results().isEmpty());

    // Closed during the pause, the next step never begins.
    postReport(fingers(1), sampleText("f1"));
    advance(0.081);
    ASSERT_EQ(model.state(), State::Advancing);
    model.windowWillClose();
    model.resetIntro();
    advance(1.0);
    EXPECT_EQ(model.presentation().stepText, "Ready");
}
