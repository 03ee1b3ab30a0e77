#include "compat/debug_report_log.h"

#include <gtest/gtest.h>

#include <QStringList>

using Change = OVDebugReportLog::Change;

TEST(DebugReportLog, PastTwelveHundredLinesItKeepsTheNewestWholeLines) {
    OVDebugReportLog log;
    const QString start = log.text();
    EXPECT_EQ(log.append(QString()), Change::None);
    EXPECT_EQ(log.append("a\nb"), Change::Appended);
    EXPECT_EQ(log.text(), start + "a\nb\n");
    EXPECT_EQ(log.lineCount(), 2u);  // the start text does not count
    for (int i = 0; i < 399; ++i) {
        ASSERT_EQ(log.append(QStringLiteral("report %1 a\nreport %1 b\nreport %1 c").arg(i)),
                  Change::Appended);
    }
    EXPECT_EQ(log.lineCount(), 1199u);
    // 1202 lines of entries: the start line and the first 303 go, cutting into report 100.
    EXPECT_EQ(log.append("x\ny\nz"), Change::Replaced);
    EXPECT_EQ(log.lineCount(), 900u);
    const QStringList lines = log.text().split('\n');
    EXPECT_EQ(lines.size(), 900);
    EXPECT_EQ(lines.first(), "report 100 b");
    EXPECT_EQ(lines[lines.size() - 2], "z");

    // The count goes on from 900: the next trim comes after 301 more lines.
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(log.append("line"), Change::Appended);
    }
    EXPECT_EQ(log.append("line"), Change::Replaced);

    log.clear();  // for good: the start text does not come back
    log.append("next");
    EXPECT_EQ(log.text(), "next\n");
}
