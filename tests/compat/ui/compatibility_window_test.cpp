#include "compat/ui/compatibility_window_controller.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "support/compat.h"
#include "hid/touch_contact.h"

namespace {

class CompatibilityWindow : public ::testing::Test {
  protected:
    CompatibilityWindow() : _observers(OVDefaultCenter()) {
        _observers.add(OVCompatibilityTestModeDidChangeNotification, nullptr,
                       [this](const OVNotification& notification) {
                           testMode.append(notification.userInfo.value("enabled").toBool());
                       });
        controller.model().setSubmitter(
            [this](const QVariantMap& payload, OVJSONCompletion completion) {
                sent.append(payload);
                completion(QVariantMap{{"id", "r-9"}}, std::nullopt);
            });
    }

    void advance(double seconds) { services.virtualScheduler()->advance(seconds); }
    void choose(QComboBox* popup, const QString& title) {
        popup->setCurrentIndex(popup->findText(title));
        emit popup->activated(popup->currentIndex());
    }
    // A finger at a point of the window's frame, in global display coordinates.
    void touch(QPoint inWindow) {
        const QPoint at = controller.window()->frameGeometry().topLeft() + inWindow;
        const QVariantMap contact{{"id", 1},
                                  {"kind", qlonglong(OVContactKindFinger)},
                                  {"kindName", "finger"},
                                  {"screenX", double(at.x())},
                                  {"screenY", double(at.y())}};
        OVDefaultCenter().post(OVCompatibilityReportNotification, nullptr,
                               {{"contacts", QVariantList{contact}}, {"text", "finger report"}});
    }

    OVServicesGuard services;
    compat_test::SimMachine machine{services};
    QList<bool> testMode;
    QList<QVariantMap> sent;
    OVCompatibilityWindowController controller;

  private:
    OVScopedObservers _observers;
};

}  // namespace

TEST_F(CompatibilityWindow, IsAFixedWindowWithTheReadyTexts) {
    QWidget* window = controller.window();
    EXPECT_EQ(window->windowTitle(), "Compatibility Test");
    EXPECT_EQ(window->size(), QSize(480, 430));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    controller.showWindow();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(controller.stepLabel()->text(), "Ready");
    EXPECT_TRUE(controller.stepLabel()->font().bold());
    EXPECT_EQ(controller.promptLabel()->text(), "The test checks finger, pen and eraser input.");
    EXPECT_EQ(controller.statusLabel()->text(), "Choose your display model and start the test.");
    EXPECT_TRUE(controller.timerLabel()->text().isEmpty());
    EXPECT_TRUE(controller.timerLabel()->alignment() & Qt::AlignRight);
    EXPECT_TRUE(controller.summaryView()->toPlainText().startsWith("Before starting, quit"));
    EXPECT_TRUE(controller.summaryView()->isReadOnly());
    EXPECT_EQ(controller.progress()->maximum(), 6);
    EXPECT_EQ(controller.progress()->value(), 0);

    QComboBox* popup = controller.modelPopup();
    ASSERT_EQ(popup->count(), 5);
    EXPECT_EQ(popup->currentText(), "Select");
    EXPECT_EQ(popup->itemText(3), "Samsung Flip Pro");
    EXPECT_TRUE(popup->isEnabled());
    EXPECT_FALSE(controller.otherModelField()->isEnabled());
    EXPECT_EQ(controller.otherModelField()->placeholderText(), "Specify display model");
    EXPECT_EQ(controller.startButton()->text(), "Start Test");
    EXPECT_TRUE(controller.startButton()->isEnabled());
    EXPECT_EQ(controller.sendButton()->text(), "Send Report (Anonymous)");
    EXPECT_FALSE(controller.sendButton()->isEnabled());
    EXPECT_EQ(controller.doneButton()->text(), "Cancel");
}

TEST_F(CompatibilityWindow, OtherEnablesTheFieldAndAnotherChoiceEmptiesIt) {
    controller.showWindow();
    choose(controller.modelPopup(), "Other");
    EXPECT_TRUE(controller.otherModelField()->isEnabled());
    QTest::keyClicks(controller.otherModelField(), " Flip 85 ");
    EXPECT_EQ(controller.model().selectedDisplayModel(), "Other: Flip 85");
    choose(controller.modelPopup(), "Samsung Flip");
    EXPECT_FALSE(controller.otherModelField()->isEnabled());
    EXPECT_TRUE(controller.otherModelField()->text().isEmpty());
    EXPECT_EQ(controller.model().selectedDisplayModel(), "Samsung Flip");
}

TEST_F(CompatibilityWindow, ARunDrivesTheControlsUntilTheReportIsSent) {
    controller.showWindow();
    choose(controller.modelPopup(), "Other");
    QTest::keyClicks(controller.otherModelField(), "Flip 85");
    QTest::mouseClick(controller.startButton(), Qt::LeftButton);
    EXPECT_EQ(testMode, (QList<bool>{false, true}));
    EXPECT_FALSE(controller.startButton()->isEnabled());
    EXPECT_FALSE(controller.modelPopup()->isEnabled());
    EXPECT_FALSE(controller.otherModelField()->isEnabled());
    EXPECT_EQ(controller.stepLabel()->text(), "1 / 6: Finger 1 point");
    EXPECT_EQ(controller.timerLabel()->text(), "10s");
    EXPECT_EQ(controller.summaryView()->toPlainText(),
              "Testing Other: Flip 85. Follow the prompts above.");

    // A touch outside the window does not count; one inside does.
    touch(QPoint(-5, 40));
    EXPECT_EQ(controller.statusLabel()->text(), "contacts=0 kinds=none matching=0/1");
    touch(QPoint(100, 200));
    EXPECT_EQ(controller.statusLabel()->text(), "Detected, confirming 80 ms...");
    advance(0.1);
    EXPECT_EQ(controller.progress()->value(), 1);
    EXPECT_EQ(controller.statusLabel()->text(), "OK. Moving to next test...");
    advance(0.5);
    EXPECT_EQ(controller.stepLabel()->text(), "2 / 6: Finger 2 point");
    EXPECT_EQ(controller.promptLabel()->text(), "Touch the screen with two fingers.");

    advance(60.0);
    EXPECT_EQ(controller.stepLabel()->text(), "Complete");
    EXPECT_EQ(controller.progress()->value(), 6);
    EXPECT_TRUE(controller.sendButton()->isEnabled());
    EXPECT_TRUE(controller.startButton()->isEnabled());
    EXPECT_TRUE(controller.otherModelField()->isEnabled());
    EXPECT_EQ(controller.otherModelField()->text(), "Flip 85");
    EXPECT_EQ(controller.doneButton()->text(), "Done");
    EXPECT_TRUE(controller.summaryView()->toPlainText().startsWith(
        "Display model: Other: Flip 85\n\nResults:\n- Finger 1 point: ok\n- Finger 2 point: "
        "timeout"));

    QTest::mouseClick(controller.sendButton(), Qt::LeftButton);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].value("display_model"), "Other: Flip 85");
    EXPECT_EQ(controller.statusLabel()->text(), "Anonymous report sent: r-9");
    EXPECT_TRUE(controller.sendButton()->isEnabled());
}

TEST_F(CompatibilityWindow, ClosingMidRunLeavesTestModeAndShowingAgainIsReady) {
    controller.showWindow();
    QTest::mouseClick(controller.startButton(), Qt::LeftButton);
    advance(3.0);
    QTest::mouseClick(controller.doneButton(), Qt::LeftButton);
    EXPECT_FALSE(controller.window()->isVisible());
    EXPECT_EQ(testMode.back(), false);
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVCompatibilityReportNotification));

    controller.showWindow();
    EXPECT_EQ(controller.stepLabel()->text(), "Ready");
    EXPECT_TRUE(controller.modelPopup()->isEnabled());
    EXPECT_TRUE(controller.startButton()->isEnabled());
    EXPECT_TRUE(controller.timerLabel()->text().isEmpty());
}
