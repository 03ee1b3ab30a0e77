#include "compat/ui/intro_compatibility_window_controller.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/help_page.h"
#include "base/preferences.h"
#include "base/virtual_scheduler.h"
#include "compat/ui/compatibility_ripple_view.h"
#include "platform/sim/sim_workspace.h"
#include "settings/profiles.h"
#include "support/compat.h"

using namespace compat_test;

namespace {

class CheckWindow : public ::testing::Test {
  protected:
    CheckWindow() {
        OVRegisterDefaults();
        machine.platform.workspaceService = &workspace;
        controller = std::make_unique<OVIntroCompatibilityWindowController>();
        controller->setQuitHandler([this] { ++quits; });
        controller->model().setSubmitter(submitter.submitter());
    }

    // A contact `offset` into the ripple area, in global display coordinates.
    QVariantMap contactInRipples(std::int64_t kind, int id, QPoint offset) const {
        const QPoint at = controller->rippleView()->mapToGlobal(offset);
        return contact(kind, id, at.x(), at.y());
    }
    void choose(QComboBox* popup, int index) {
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }

    OVServicesGuard services;
    SimMachine machine{services};
    OVSimWorkspace workspace;
    FakeSubmitter submitter;
    TestModeRecorder testMode;
    NotificationCounter displayChanges{OVDisplaySelectionDidChangeNotification};
    NotificationCounter completions{OVInitialCompatibilityCompletedNotification};
    int quits = 0;
    std::unique_ptr<OVIntroCompatibilityWindowController> controller;
};

}  // namespace

TEST_F(CheckWindow, TouchesTickTheChecklistAndSendThenFinishCompletesFirstRunSetup) {
    machine.displays.setDisplays(
        {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true),
         OVSimDisplayServices::makeDisplay(2, QRectF(1920, 0, 3840, 2160), false)});
    OVStandardPreferences().setObject("displaySelection", "secondary");
    controller->showWindow();

    // The touch display choice is stored and announced.
    QComboBox* displays = controller->displayPopup();
    EXPECT_EQ(displays->currentData().toString(), "secondary");
    choose(displays, 0);
    EXPECT_EQ(OVStandardPreferences().stringForKey("displaySelection"), displays->itemData(0));
    EXPECT_EQ(displayChanges.count, 1);

    postReport(QVariantList{contactInRipples(OVContactKindPen, 1, QPoint(100, 80))},
               sampleText("pen"));
    EXPECT_EQ(controller->checkLabels()[4]->text(), "OK Pen");
    ASSERT_EQ(controller->rippleView()->effects().ripples().size(), 1);
    EXPECT_EQ(controller->rippleView()->effects().ripples()[0].center, QPointF(100, 80));
    // A touch outside the window neither ripples nor counts.
    const QPoint outside = controller->window()->frameGeometry().bottomRight() + QPoint(20, 20);
    postReport(QVariantList{contact(OVContactKindEraser, 2, outside.x(), outside.y())},
               sampleText("er"));
    EXPECT_EQ(controller->checkLabels()[5]->text(), "- Eraser");
    EXPECT_EQ(controller->rippleView()->effects().ripples().size(), 1);
    // The ring fades on the view's own ticks, which stop when nothing is left to draw.
    EXPECT_TRUE(controller->rippleView()->animating());
    services.virtualScheduler()->advance(1.0);
    EXPECT_TRUE(controller->rippleView()->effects().ripples().isEmpty());
    EXPECT_FALSE(controller->rippleView()->animating());

    EXPECT_FALSE(controller->saveButton()->isEnabled());            // "Select" is no model
    choose(controller->modelPopup(), 4);                            // Other
    QTest::mouseClick(controller->finishButton(), Qt::LeftButton);  // disabled: nothing happens
    EXPECT_TRUE(controller->window()->isVisible());
    QTest::mouseClick(controller->saveButton(), Qt::LeftButton);
    EXPECT_EQ(submitter.payload.value("display_model"), "Other");
    submitter.succeed("cr-1");
    EXPECT_EQ(controller->statusLabel()->text(), "Anonymous report sent: cr-1");
    QTest::mouseClick(controller->finishButton(), Qt::LeftButton);
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_TRUE(OVStandardPreferences().boolForKey("initialCompatibilityReportSent"));
    EXPECT_EQ(completions.count, 1);
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(testMode.values.back(), false);

    // Shown again (now optional), it starts afresh and Help opens the guide that works offline.
    controller->showWindow();
    EXPECT_EQ(controller->checkLabels()[4]->text(), "- Pen");
    EXPECT_TRUE(controller->finishButton()->isEnabled());
    QTest::mouseClick(controller->helpButton(), Qt::LeftButton);
    ASSERT_EQ(workspace.openedURLs().size(), 1);
    EXPECT_EQ(workspace.openedURLs()[0], OVHelpPageURL());
    EXPECT_TRUE(QFileInfo(workspace.openedURLs()[0].toLocalFile()).isFile());
}

TEST_F(CheckWindow, ClosingARequiredCheckQuitsTheApplication) {
    controller->showWindow();
    controller->window()->close();
    EXPECT_EQ(quits, 0);
    services.virtualScheduler()->drain(1.0);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(testMode.values, QList<bool>{true});
}
