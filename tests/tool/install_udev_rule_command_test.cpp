// orvetta-tool install-udev-rule, run as the built binary into a temporary folder (a test must
// not change the machine's udev rules), and the rule it installs.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "orvetta_udev_rule.h"

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int runTool(const QStringList& arguments, QString* out, QString* err) {
    QProcess process;
    process.start(QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"), arguments);
    if (!process.waitForFinished(30000)) {
        return -1;
    }
    *out = QString::fromUtf8(process.readAllStandardOutput());
    *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitCode();
}

// One rule line as udev reads it: comma-separated KEY{attribute}OPERATOR"value" pairs.
struct RuleLine {
    QStringList matches;      // "KEY{attr}==value" and "KEY!=value"
    QStringList assignments;  // "KEY{attr}=value", "+=", "-=", ":="
};

// Parses the rule as udev does, failing the test on a line udev would reject.
QList<RuleLine> parseRules(const QString& text) {
    static const QRegularExpression pair(
        QStringLiteral(R"(^\s*([A-Z_]+)(\{[^}]*\})?(==|!=|\+=|-=|:=|=)\"([^\"]*)\"\s*(,|$))"));
    static const QStringList keys{"ACTION",  "SUBSYSTEM", "KERNEL", "ATTRS", "ENV",    "TAG",
                                  "OPTIONS", "IMPORT",    "GOTO",   "LABEL", "DRIVERS"};
    QList<RuleLine> rules;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#'))) {
            continue;
        }
        RuleLine rule;
        QString rest = line;
        while (!rest.trimmed().isEmpty()) {
            const QRegularExpressionMatch match = pair.match(rest);
            if (!match.hasMatch() || !keys.contains(match.captured(1))) {
                ADD_FAILURE() << "udev would reject: " << line.toStdString();
                return rules;
            }
            const QString op = match.captured(3);
            const QString item = match.captured(1) + match.captured(2) + op + match.captured(4);
            (op == "==" || op == "!=" ? rule.matches : rule.assignments).append(item);
            rest = rest.mid(match.capturedLength());
        }
        rules.append(rule);
    }
    return rules;
}

}  // namespace

TEST(InstallUdevRuleCommand, InstallsTheRuleForTheInstalledTool) {
    QTemporaryDir dir;
    QString out;
    QString err;
    ASSERT_EQ(runTool({"install-udev-rule", "--rules-dir", dir.path()}, &out, &err), 0)
        << err.toStdString();
    const QByteArray configured =
        fileBytes(QStringLiteral(ORVETTA_BINARY_DIR "/generated/70-orvetta.rules"));
    ASSERT_FALSE(configured.isEmpty());
    EXPECT_EQ(fileBytes(dir.filePath("70-orvetta.rules")), configured);
    EXPECT_TRUE(out.contains(dir.filePath("70-orvetta.rules")));

    EXPECT_EQ(runTool({"install-udev-rule", "--force"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("usage: orvetta-tool install-udev-rule"));
}

TEST(InstallUdevRuleCommand, TheRuleOpensTouchDigitizersAndNothingElse) {
    const QString text = QString::fromUtf8(OVUdevRuleText);
    const QString udevadm = QStandardPaths::findExecutable(QStringLiteral("udevadm"));
    if (!udevadm.isEmpty() && QProcess::execute(udevadm, {"verify", "--help"}) == 0) {
        QTemporaryDir dir;
        QFile rule(dir.filePath("70-orvetta.rules"));
        ASSERT_TRUE(rule.open(QIODevice::WriteOnly));
        rule.write(OVUdevRuleText);
        rule.close();
        EXPECT_EQ(QProcess::execute(udevadm, {"verify", rule.fileName()}), 0);
    }
    const QList<RuleLine> rules = parseRules(text);
    ASSERT_FALSE(rules.isEmpty());
    const QString program = QStringLiteral("IMPORT{program}=%1 udev-match %S%p")
                                .arg(QString::fromUtf8(OVUdevMatchProgram));
    bool importsTheMatch = false;
    for (const RuleLine& rule : rules) {
        if (rule.matches.contains("SUBSYSTEM==hidraw") && rule.assignments.contains(program)) {
            importsTheMatch = true;
        }
        if (!rule.assignments.contains("TAG+=uaccess")) {
            continue;
        }
        // Every node given to the seat is a digitizer's hidraw node, a touch screen's or tablet's
        // event node, or uinput.
        const bool digitizerNode = rule.matches.contains("SUBSYSTEM==hidraw") &&
                                   rule.matches.contains("ENV{ORVETTA_TOUCH_DIGITIZER}==1");
        const bool touchEventNode = rule.matches.contains("SUBSYSTEM==input") &&
                                    (rule.matches.contains("ENV{ID_INPUT_TOUCHSCREEN}==1") ||
                                     rule.matches.contains("ENV{ID_INPUT_TABLET}==1"));
        const bool uinput = rule.matches.contains("KERNEL==uinput");
        EXPECT_TRUE(digitizerNode || touchEventNode || uinput)
            << rule.matches.join(", ").toStdString();
    }
    EXPECT_TRUE(importsTheMatch) << program.toStdString();
    EXPECT_TRUE(QString::fromUtf8(OVUdevMatchProgram).endsWith("/bin/orvetta-tool"));
}
