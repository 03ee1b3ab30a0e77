#include "compat/ui/debug_window_controller.h"

#include <gtest/gtest.h>

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

}  // namespace

TEST(DebugWindow, CollectsReportsOnlyWhileShownAndShowsTheTrimmedLog) {
    OVServicesGuard services;
    {
        OVDebugWindowController controller;
        QPlainTextEdit* text = controller.textView();
        postDebugText("unseen");
        controller.showWindow();
        postDebugText("r0 flags=03 id=1\nbytes: 01 02");
        EXPECT_EQ(text->toPlainText(),
                  "Touch with finger and pen. New raw reports appear here.\nr0 flags=03 id=1\n"
                  "bytes: 01 02\n");
        for (int i = 1; i <= 1200; ++i) {
            postDebugText(QStringLiteral("report %1").arg(i));
        }
        // Trimmed at the 1201st line; the view shows the log and follows its end.
        EXPECT_EQ(text->toPlainText(), controller.log().text());
        EXPECT_EQ(text->toPlainText().count('\n'), 900);
        QScrollBar* scroller = text->verticalScrollBar();
        EXPECT_GT(scroller->maximum(), 0);
        EXPECT_EQ(scroller->value(), scroller->maximum());

        QTest::mouseClick(controller.clearButton(), Qt::LeftButton);
        EXPECT_TRUE(text->toPlainText().isEmpty());
        controller.window()->close();
        postDebugText("while hidden");
        controller.showWindow();
        postDebugText("two");
        EXPECT_EQ(text->toPlainText(), "two\n");
    }
    EXPECT_FALSE(OVDefaultCenter().hasObservers(OVDebugReportNotification));
}
