#include "compat/ui/debug_window_controller.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"

namespace {

void postDebugText(const QString& text) {
    OVDefaultCenter().post(OVDebugReportNotification, nullptr, {{"text", text}});
}

class DebugWindow : public ::testing::Test {
  protected:
    OVServicesGuard services;
    OVDebugWindowController controller;
};

}  // namespace

TEST_F(DebugWindow, ShowsAMonospacedReadOnlyLogWithItsStartText) {
    QWidget* window = controller.window();
    EXPECT_EQ(window->windowTitle(), "Orvetta Debug Reports");
    EXPECT_EQ(window->size(), QSize(720, 520));
    EXPECT_NE(window->minimumSize(), window->maximumSize());  // resizable

    QPlainTextEdit* text = controller.textView();
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(QFontInfo(text->font()).fixedPitch());
    EXPECT_EQ(text->font().pixelSize(), 11);
    EXPECT_EQ(text->toPlainText(), "Touch with finger and pen. New raw reports appear here.\n");
    EXPECT_EQ(controller.clearButton()->text(), "Clear");
    EXPECT_EQ(controller.hintLabel()->text(),
              "Compare flags, id, w, extra and raw slot bytes between finger and pen.");
}

TEST_F(DebugWindow, CollectsReportsWhileShownAndShowsTheTrimmedLog) {
    controller.showWindow();
    postDebugText("r0 flags=03 id=1\nbytes: 01 02");
    postDebugText(QString());
    EXPECT_EQ(controller.log().lineCount(), 2u);
    EXPECT_EQ(controller.textView()->toPlainText(),
              "Touch with finger and pen. New raw reports appear here.\nr0 flags=03 id=1\n"
              "bytes: 01 02\n");

    for (int i = 1; i <= 1200; ++i) {
        postDebugText(QStringLiteral("report %1").arg(i));
    }
    // Trimmed at the 1201st line to 900 counted lines, one more since.
    EXPECT_EQ(controller.log().lineCount(), 901u);
    EXPECT_EQ(controller.textView()->toPlainText(), controller.log().text());
    EXPECT_EQ(controller.textView()->toPlainText().count('\n'), 900);
    EXPECT_TRUE(controller.textView()->toPlainText().endsWith("report 1200\n"));
    QScrollBar* scroller = controller.textView()->verticalScrollBar();
    EXPECT_GT(scroller->maximum(), 0);
    EXPECT_EQ(scroller->value(), scroller->maximum());
    EXPECT_EQ(controller.textView()->horizontalScrollBar()->value(), 0);
}

TEST_F(DebugWindow, ClearEmptiesTheLogForGood) {
    controller.showWindow();
    postDebugText("one");
    QTest::mouseClick(controller.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(controller.textView()->toPlainText().isEmpty());
    EXPECT_EQ(controller.log().lineCount(), 0u);
    postDebugText("two");
    EXPECT_EQ(controller.textView()->toPlainText(), "two\n");
}

TEST_F(DebugWindow, TheLogGrowsWithTheWindowAndClearStaysBottomLeft) {
    QWidget* window = controller.window();
    window->show();
    window->resize(1000, 700);
    QCoreApplication::processEvents();
    const QRect text = controller.textView()->geometry();
    EXPECT_EQ(text.width(), 1000);
    EXPECT_EQ(text.height(), 700 - OVDebugWindowController::BottomStripHeight);
    const QRect clear(controller.clearButton()->mapTo(window, QPoint(0, 0)),
                      controller.clearButton()->size());
    EXPECT_LT(clear.left(), 40);
    EXPECT_GT(clear.top(), 700 - OVDebugWindowController::BottomStripHeight);
    EXPECT_GT(controller.hintLabel()->width(), 700);
}

TEST(DebugWindowLifetime, ObservesOnlyWhileShownAndKeepsTheLogWhileHidden) {
    OVServicesGuard services;
    {
        OVDebugWindowController controller;
        EXPECT_FALSE(OVDefaultCenter().hasObservers(OVDebugReportNotification));
        controller.showWindow();
        EXPECT_TRUE(OVDefaultCenter().hasObservers(OVDebugReportNotification));
        postDebugText("seen");
        controller.window()->close();
        EXPECT_FALSE(OVDefaultCenter().hasObservers(OVDebugReportNotification));
        postDebugText("unseen");
        controller.showWindow();
        postDebugText("seen again");
        EXPECT_TRUE(controller.textView()->toPlainText().endsWith("seen\nseen again\n"));
    }
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVDebugReportNotification));
}
