// orvetta-tool install-udev-rule, run as the built binary into a temporary folder (a test must
// not change the machine's udev rules), and the rule it installs.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "orvetta_udev_rule.h"
#include "tool_run.h"

TEST(InstallUdevRuleCommand, InstallsTheRuleForTheInstalledTool) {
    QTemporaryDir dir;
    const OVToolRun run = OVRunTool({"install-udev-rule", "--rules-dir", dir.path()}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray configured = OVFileBytes(ORVETTA_BINARY_DIR "/generated/70-orvetta.rules");
    ASSERT_FALSE(configured.isEmpty());
    EXPECT_EQ(OVFileBytes(dir.filePath("70-orvetta.rules")), configured);
    EXPECT_TRUE(run.out.contains(dir.filePath("70-orvetta.rules")));
    EXPECT_EQ(OVRunTool({"install-udev-rule", "--force"}, dir.path()).exitCode, 2);
}

// Each rule line read as udev reads it (comma-separated KEY{attribute}OPERATOR"value" pairs):
// every node given to the seat is a digitizer's hidraw node, a touch screen's or tablet's event
// node, or uinput.
TEST(InstallUdevRuleCommand, TheRuleOpensTouchDigitizersAndNothingElse) {
    const QString udevadm = QStandardPaths::findExecutable("udevadm");
    if (!udevadm.isEmpty() && QProcess::execute(udevadm, {"verify", "--help"}) == 0) {
        QTemporaryDir dir;
        OVWriteFile(dir.filePath("70-orvetta.rules"), OVUdevRuleText);
        EXPECT_EQ(QProcess::execute(udevadm, {"verify", dir.filePath("70-orvetta.rules")}), 0);
    }
    static const QRegularExpression pair(
        R"(^\s*(ACTION|SUBSYSTEM|KERNEL|ATTRS|ENV|TAG|OPTIONS|IMPORT|GOTO|LABEL|DRIVERS)(\{[^}]*\})?)"
        R"((==|!=|\+=|-=|:=|=)\"([^\"]*)\"\s*(,|$))");
    const QString program =
        QString("IMPORT{program}=%1 udev-match %S%p").arg(QString::fromUtf8(OVUdevMatchProgram));
    int lines = 0;
    bool importsTheMatch = false;
    for (const QString& line : QString::fromUtf8(OVUdevRuleText).split('\n')) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#')) {
            continue;
        }
        ++lines;
        QStringList matches;
        QStringList assignments;
        for (QString rest = line; !rest.trimmed().isEmpty();) {
            const QRegularExpressionMatch match = pair.match(rest);
            ASSERT_TRUE(match.hasMatch()) << "udev would reject: " << line.toStdString();
            const QString op = match.captured(3);
            (op == "==" || op == "!=" ? matches : assignments)
                .append(match.captured(1) + match.captured(2) + op + match.captured(4));
            rest = rest.mid(match.capturedLength());
        }
        importsTheMatch |= matches.contains("SUBSYSTEM==hidraw") && assignments.contains(program);
        if (assignments.contains("TAG+=uaccess")) {
            EXPECT_TRUE((matches.contains("SUBSYSTEM==hidraw") &&
                         matches.contains("ENV{ORVETTA_TOUCH_DIGITIZER}==1")) ||
                        (matches.contains("SUBSYSTEM==input") &&
                         (matches.contains("ENV{ID_INPUT_TOUCHSCREEN}==1") ||
                          matches.contains("ENV{ID_INPUT_TABLET}==1"))) ||
                        matches.contains("KERNEL==uinput"))
                << line.toStdString();
        }
    }
    EXPECT_GT(lines, 0);
    EXPECT_TRUE(importsTheMatch) << program.toStdString();
    EXPECT_TRUE(QString::fromUtf8(OVUdevMatchProgram).endsWith("/bin/orvetta-tool"));
}
