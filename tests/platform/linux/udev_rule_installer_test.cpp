#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/linux/udev_rule_installer.h"
#include "support/files.h"

namespace {

// An installation into a temporary rules folder; `failingCommand` is the index of the command
// that fails.
struct Installation {
    QTemporaryDir dir;
    QStringList commands;
    QString out;
    QString err;

    int run(bool root, int failingCommand = -1, bool reload = true) {
        OVUdevRuleInstall install;
        install.rulesDirectory = dir.filePath("rules.d");
        install.runningAsRoot = root;
        install.reloadUdev = reload;
        install.runCommand = [=, this](const QString& program, const QStringList& arguments) {
            commands.append(program + ' ' + arguments.join(' '));
            return commands.size() - 1 == failingCommand ? 1 : 0;
        };
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return OVInstallUdevRule(install, "KERNEL==\"uinput\"\n", "70-o.rules", outStream,
                                 errStream);
    }
    QByteArray rule() const { return OVFileBytes(dir.filePath("rules.d/70-o.rules")); }
};

}  // namespace

TEST(UdevRuleInstaller, WritesTheRuleAndReloadsUdevAsRootOnly) {
    Installation user;
    EXPECT_EQ(user.run(false), 1);
    EXPECT_TRUE(user.err.contains("needs root") && user.err.contains("sudo"));
    EXPECT_TRUE(user.rule().isEmpty() && user.commands.isEmpty());

    Installation root;
    ASSERT_EQ(root.run(true), 0) << root.err.toStdString();
    EXPECT_EQ(root.rule(), "KERNEL==\"uinput\"\n");
    EXPECT_EQ(QFile(root.dir.filePath("rules.d/70-o.rules")).permissions() &
                  (QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::ReadOther);
    EXPECT_TRUE(root.commands.value(0).startsWith("udevadm control --reload-rules"));
    EXPECT_TRUE(root.err.isEmpty());

    // Into a package's folder: no root, no reload.
    Installation staged;
    EXPECT_EQ(staged.run(false, -1, false), 0);
    EXPECT_FALSE(staged.rule().isEmpty());
    EXPECT_TRUE(staged.commands.isEmpty());
}

TEST(UdevRuleInstaller, FailuresStopAndAreReported) {
    Installation reloadFails;
    EXPECT_EQ(reloadFails.run(true, 1), 1);
    ASSERT_EQ(reloadFails.commands.size(), 2);
    EXPECT_TRUE(reloadFails.err.contains(reloadFails.commands[1])) << reloadFails.err.toStdString();
    EXPECT_FALSE(reloadFails.rule().isEmpty());
}
