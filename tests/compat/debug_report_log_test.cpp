#include "compat/debug_report_log.h"

#include <gtest/gtest.h>

#include <QStringList>

using Change = OVDebugReportLog::Change;

TEST(DebugReportLog, CountsTheLinesOfEachEntryButNotTheStartText) {
    OVDebugReportLog log;
    EXPECT_EQ(log.text(), "Touch with finger and pen. New raw reports appear here.\n");
    EXPECT_EQ(log.lineCount(), 0u);

    EXPECT_EQ(log.append("one\ntwo\nthree"), Change::Appended);
    EXPECT_EQ(log.lineCount(), 3u);
    EXPECT_EQ(log.append(QString()), Change::None);
    EXPECT_EQ(log.lineCount(), 3u);
    EXPECT_EQ(log.append("four"), Change::Appended);
    EXPECT_EQ(log.lineCount(), 4u);
    EXPECT_EQ(log.text(),
              "Touch with finger and pen. New raw reports appear here.\none\ntwo\nthree\nfour\n");
}

TEST(DebugReportLog, PastTwelveHundredLinesTheOldestAreCutTo899) {
    OVDebugReportLog log;
    for (int i = 0; i < 1200; ++i) {
        ASSERT_EQ(log.append(QStringLiteral("entry %1").arg(i)), Change::Appended);
    }
    EXPECT_EQ(log.lineCount(), 1200u);
    EXPECT_TRUE(log.text().startsWith("Touch with finger"));

    EXPECT_EQ(log.append("entry 1200"), Change::Replaced);
    EXPECT_EQ(log.lineCount(), 900u);
    EXPECT_EQ(log.text().count('\n'), 899);
    EXPECT_TRUE(log.text().startsWith("entry 302\n"));
    EXPECT_TRUE(log.text().endsWith("entry 1199\nentry 1200\n"));
    EXPECT_FALSE(log.text().contains("Touch with finger"));

    // The count goes on from 900: the next trim comes after 301 more lines.
    for (int i = 1201; i <= 1500; ++i) {
        ASSERT_EQ(log.append(QStringLiteral("entry %1").arg(i)), Change::Appended);
    }
    EXPECT_EQ(log.append("entry 1501"), Change::Replaced);
    EXPECT_TRUE(log.text().startsWith("entry 603\n"));
    EXPECT_EQ(log.text().count('\n'), 899);
}

TEST(DebugReportLog, TheTrimKeepsWholeLinesOfMultiLineEntries) {
    OVDebugReportLog log;
    for (int i = 0; i < 401; ++i) {
        log.append(QStringLiteral("report %1 a\nreport %1 b\nreport %1 c").arg(i));
    }
    EXPECT_EQ(log.lineCount(), 900u);
    const QStringList lines = log.text().split('\n');
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines.size(), 900);
    // 1203 lines of entries and the start line: the first 304 went, one into report 101.
    EXPECT_EQ(lines.first(), "report 101 b");
    EXPECT_EQ(lines[lines.size() - 2], "report 400 c");
}

TEST(DebugReportLog, ClearStartsAfreshWithoutTheStartText) {
    OVDebugReportLog log;
    log.append("a\nb");
    log.clear();
    EXPECT_EQ(log.lineCount(), 0u);
    EXPECT_TRUE(log.text().isEmpty());
    log.append("next");
    EXPECT_EQ(log.text(), "next\n");
    EXPECT_EQ(log.lineCount(), 1u);
}
