#include "compat/ui/compatibility_window_controller.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "base/virtual_scheduler.h"
#include "support/compat.h"

using namespace compat_test;

namespace {

class CompatibilityWindow : public ::testing::Test {
  protected:
    CompatibilityWindow() { controller.model().setSubmitter(submitter.submitter()); }

    void advance(double seconds) { services.virtualScheduler()->advance(seconds); }
    // A finger at a point of the window's frame, in global display coordinates.
    void touch(QPoint inWindow) {
        const QPoint at = controller.window()->frameGeometry().topLeft() + inWindow;
        postReport(QVariantList{contact(OVContactKindFinger, 1, at.x(), at.y())}, "report");
    }

    OVServicesGuard services;
    SimMachine machine{services};
    TestModeRecorder testMode;
    FakeSubmitter submitter;
    OVCompatibilityWindowController controller;
};

}  // namespace

TEST_F(CompatibilityWindow, ARunDrivesTheControlsUntilTheReportIsSentAndClosingEndsIt) {
    controller.showWindow();
    controller.modelPopup()->setCurrentIndex(4);  // Other
    emit controller.modelPopup()->activated(4);
    QTest::keyClicks(controller.otherModelField(), "Flip 85");
    QTest::mouseClick(controller.startButton(), Qt::LeftButton);
    EXPECT_EQ(testMode.values, (QList<bool>{false, true}));
    EXPECT_FALSE(controller.modelPopup()->isEnabled());
    advance(1.05);
    EXPECT_EQ(controller.timerLabel()->text(), "9s");

    // A touch outside the window does not count; one inside does.
    touch(QPoint(-5, 40));
    EXPECT_EQ(controller.statusLabel()->text(), "contacts=0 kinds=none matching=0/1");
    touch(QPoint(100, 200));
    advance(0.1);
    EXPECT_EQ(controller.progress()->value(), 1);
    advance(0.5);
    EXPECT_EQ(controller.stepLabel()->text(), "2 / 6: Finger 2 point");

    advance(60.0);
    EXPECT_EQ(controller.stepLabel()->text(), "Complete");
    EXPECT_TRUE(controller.summaryView()->toPlainText().startsWith(
        "Display model: Other: Flip 85\n\nResults:\n- Finger 1 point: ok\n- Finger 2 point: "
        "timeout"));
    QTest::mouseClick(controller.sendButton(), Qt::LeftButton);
    EXPECT_EQ(submitter.payload.value("display_model"), "Other: Flip 85");
    submitter.succeed("r-9");
    EXPECT_EQ(controller.statusLabel()->text(), "Anonymous report sent: r-9");

    // Closed mid-run, the window leaves test mode; shown again, it is ready.
    QTest::mouseClick(controller.startButton(), Qt::LeftButton);
    advance(3.0);
    QTest::mouseClick(controller.doneButton(), Qt::LeftButton);
    EXPECT_FALSE(controller.window()->isVisible());
    EXPECT_EQ(testMode.values.back(), false);
    controller.showWindow();
    EXPECT_EQ(controller.stepLabel()->text(), "Ready");
    EXPECT_TRUE(controller.modelPopup()->isEnabled());
}
