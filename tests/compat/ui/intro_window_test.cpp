#include "compat/ui/intro_compatibility_window_controller.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/help_page.h"
#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/ui/compatibility_ripple_view.h"
#include "support/compat.h"
#include "platform/sim/sim_workspace.h"
#include "settings/profiles.h"

using namespace compat_test;

namespace {

class CheckWindow : public ::testing::Test {
  protected:
    CheckWindow() : _observers(OVDefaultCenter()) {
        OVRegisterDefaults();
        machine.platform.workspaceService = &workspace;
        _observers.add(OVCompatibilityTestModeDidChangeNotification, nullptr,
                       [this](const OVNotification& notification) {
                           testMode.append(notification.userInfo.value("enabled").toBool());
                       });
        _observers.add(OVDisplaySelectionDidChangeNotification, nullptr,
                       [this](const OVNotification&) { ++displayChanges; });
        _observers.add(OVInitialCompatibilityCompletedNotification, nullptr,
                       [this](const OVNotification&) { ++completions; });
        controller = std::make_unique<OVIntroCompatibilityWindowController>();
        controller->setQuitHandler([this] { ++quits; });
        controller->model().setSubmitter(submitter.submitter());
    }
    ~CheckWindow() override { controller.reset(); }

    // A contact `offset` into the ripple area, in global display coordinates.
    QVariantMap contactInRipples(std::int64_t kind, int id, QPoint offset) const {
        const QPoint at = controller->rippleView()->mapToGlobal(offset);
        return contact(kind, id, at.x(), at.y());
    }
    void choose(QComboBox* popup, int index) {
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }
    QColor textColor(const QLabel* label) const {
        return label->palette().color(QPalette::WindowText);
    }

    OVServicesGuard services;
    SimMachine machine{services};
    OVSimWorkspace workspace;
    FakeSubmitter submitter;
    QList<bool> testMode;
    int displayChanges = 0;
    int completions = 0;
    int quits = 0;
    std::unique_ptr<OVIntroCompatibilityWindowController> controller;

  private:
    OVScopedObservers _observers;
};

}  // namespace

TEST_F(CheckWindow, IsAFixedWindowWithTheTouchAreaAndTheChecklist) {
    QWidget* window = controller->window();
    EXPECT_EQ(window->windowTitle(), "Compatibility Check");
    EXPECT_EQ(window->size(), QSize(680, 520));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(controller->rippleView()->size(), QSize(430, 340));

    QStringList texts;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    EXPECT_TRUE(texts.contains("Compatibility Check"));
    EXPECT_TRUE(texts.contains("Touch the area below with fingers, pen and eraser in any order."));
    EXPECT_TRUE(texts.contains("Display model"));
    EXPECT_TRUE(texts.contains("Touch display"));
    EXPECT_TRUE(texts.contains("Detected inputs"));

    ASSERT_EQ(controller->checkLabels().size(), 6);
    EXPECT_EQ(controller->checkLabels()[0]->text(), "- Finger 1 point");
    EXPECT_EQ(controller->checkLabels()[5]->text(), "- Eraser");
    for (int row = 1; row < 6; ++row) {
        EXPECT_EQ(controller->checkLabels()[row]->y() - controller->checkLabels()[row - 1]->y(),
                  28);
    }
    EXPECT_EQ(controller->modelPopup()->count(), 5);
    EXPECT_EQ(controller->otherModelField()->placeholderText(), "Specify display model");
    EXPECT_FALSE(controller->otherModelField()->isEnabled());
    EXPECT_EQ(controller->helpButton()->text(), "Help");
    EXPECT_EQ(controller->saveButton()->text(), "Send Report");
    EXPECT_EQ(controller->finishButton()->text(), "Finish");
    EXPECT_TRUE(controller->statusLabel()->wordWrap());
}

TEST_F(CheckWindow, ARequiredCheckStartsWithFinishDisabledAndSaysWhatItFound) {
    controller->showWindow();
    EXPECT_EQ(testMode, QList<bool>{true});
    EXPECT_FALSE(controller->finishButton()->isEnabled());
    EXPECT_FALSE(controller->saveButton()->isEnabled());
    EXPECT_TRUE(controller->statusLabel()->text().startsWith("No compatible USB touch display"));

    controller->window()->hide();
    machine.devices.add({{"PrimaryUsagePage", 13}, {"PrimaryUsage", 4}});
    controller->showWindow();
    EXPECT_EQ(controller->statusLabel()->text(), "Compatible USB touch display detected.");
}

TEST_F(CheckWindow, TouchesInsideTheAreaRippleAndTickTheChecklist) {
    controller->showWindow();
    const QColor waiting = textColor(controller->checkLabels()[4]);
    postReport(QVariantList{contactInRipples(OVContactKindPen, 1, QPoint(100, 80))},
               sampleText("pen"));
    EXPECT_EQ(controller->checkLabels()[4]->text(), "OK Pen");
    EXPECT_EQ(textColor(controller->checkLabels()[4]), QColor::fromRgbF(0.72f, 0.14f, 0.82f));
    EXPECT_EQ(textColor(controller->checkLabels()[5]), waiting);
    EXPECT_EQ(controller->statusLabel()->text(), "Pen detected.");
    ASSERT_EQ(controller->rippleView()->effects().ripples().size(), 1);
    EXPECT_EQ(controller->rippleView()->effects().ripples()[0].center, QPointF(100, 80));

    // A touch outside the window neither ripples nor counts.
    const QPoint outside = controller->window()->frameGeometry().bottomRight() + QPoint(20, 20);
    postReport(QVariantList{contact(OVContactKindEraser, 2, outside.x(), outside.y())},
               sampleText("er"));
    EXPECT_EQ(controller->checkLabels()[5]->text(), "- Eraser");
    EXPECT_EQ(controller->rippleView()->effects().ripples().size(), 1);

    // Showing again starts afresh.
    controller->window()->close();
    controller->showWindow();
    EXPECT_EQ(controller->checkLabels()[4]->text(), "- Pen");
    EXPECT_TRUE(controller->rippleView()->effects().ripples().isEmpty());
}

TEST_F(CheckWindow, SendThenFinishCompletesFirstRunSetup) {
    controller->showWindow();
    postReport(QVariantList{contactInRipples(OVContactKindFinger, 1, QPoint(50, 50))},
               sampleText("f1"));
    EXPECT_FALSE(controller->saveButton()->isEnabled());  // "Select" is no model
    choose(controller->modelPopup(), 4);                  // Other
    EXPECT_TRUE(controller->otherModelField()->isEnabled());
    EXPECT_TRUE(controller->saveButton()->isEnabled());

    QTest::mouseClick(controller->finishButton(), Qt::LeftButton);  // disabled: nothing happens
    EXPECT_TRUE(controller->window()->isVisible());

    QTest::mouseClick(controller->saveButton(), Qt::LeftButton);
    EXPECT_EQ(submitter.calls, 1);
    EXPECT_EQ(submitter.payload.value("display_model"), "Other");
    EXPECT_FALSE(controller->saveButton()->isEnabled());
    submitter.succeed("cr-1");
    EXPECT_EQ(controller->statusLabel()->text(), "Anonymous report sent: cr-1");
    EXPECT_TRUE(controller->finishButton()->isEnabled());

    QTest::mouseClick(controller->finishButton(), Qt::LeftButton);
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_TRUE(OVStandardPreferences().boolForKey("initialCompatibilityReportSent"));
    EXPECT_EQ(completions, 1);
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(testMode.back(), false);
}

TEST_F(CheckWindow, ClosingARequiredCheckQuitsTheApplication) {
    controller->showWindow();
    controller->window()->close();
    EXPECT_EQ(quits, 0);
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(testMode, QList<bool>{true});
}

TEST_F(CheckWindow, AnOptionalCheckClosesWithoutQuitting) {
    OVStandardPreferences().setBool("initialCompatibilityReportSent", true);
    controller->showWindow();
    EXPECT_TRUE(controller->finishButton()->isEnabled());
    QTest::mouseClick(controller->finishButton(), Qt::LeftButton);
    EXPECT_FALSE(controller->window()->isVisible());
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(completions, 0);
}

TEST_F(CheckWindow, TheTouchDisplayChoiceIsStoredAndAnnounced) {
    machine.displays.setDisplays(
        {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true),
         OVSimDisplayServices::makeDisplay(2, QRectF(1920, 0, 3840, 2160), false)});
    OVStandardPreferences().setObject("displaySelection", "secondary");
    controller->showWindow();
    QComboBox* displays = controller->displayPopup();
    ASSERT_EQ(displays->count(), 3);
    EXPECT_EQ(displays->currentData().toString(), "secondary");

    choose(displays, 0);
    EXPECT_EQ(OVStandardPreferences().stringForKey("displaySelection"), displays->itemData(0));
    EXPECT_EQ(displayChanges, 1);
}

TEST_F(CheckWindow, HelpOpensTheGuideThatWorksOffline) {
    QTest::mouseClick(controller->helpButton(), Qt::LeftButton);
    ASSERT_EQ(workspace.openedURLs().size(), 1);
    const QUrl opened = workspace.openedURLs()[0];
    EXPECT_EQ(opened, OVHelpPageURL());
    ASSERT_TRUE(opened.isLocalFile()) << opened.toString().toStdString();
    EXPECT_TRUE(QFileInfo(opened.toLocalFile()).isFile());
}
