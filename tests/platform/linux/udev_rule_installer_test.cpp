#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/linux/udev_rule_installer.h"

namespace {

struct Installation {
    QTemporaryDir dir;
    QStringList commands;
    int failingCommand = -1;  // index of the command that fails
    QString out;
    QString err;

    OVUdevRuleInstall install(bool root) {
        OVUdevRuleInstall install;
        install.rulesDirectory = dir.filePath("rules.d");
        install.runningAsRoot = root;
        install.runCommand = [this](const QString& program, const QStringList& arguments) {
            commands.append(program + ' ' + arguments.join(' '));
            return commands.size() - 1 == failingCommand ? 1 : 0;
        };
        return install;
    }

    int run(const OVUdevRuleInstall& install) {
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        return OVInstallUdevRule(install, "KERNEL==\"uinput\", TAG+=\"uaccess\"\n",
                                 "70-orvetta.rules", outStream, errStream);
    }

    QString rulePath() const { return dir.filePath("rules.d/70-orvetta.rules"); }
};

}  // namespace

TEST(UdevRuleInstaller, NeedsRootToChangeTheSystem) {
    Installation installation;
    EXPECT_EQ(installation.run(installation.install(false)), 1);
    EXPECT_TRUE(installation.err.contains("needs root"));
    EXPECT_TRUE(installation.err.contains("sudo"));
    EXPECT_FALSE(QFile::exists(installation.rulePath()));
    EXPECT_TRUE(installation.commands.isEmpty());
}

TEST(UdevRuleInstaller, WritesTheRuleReloadsUdevAndSaysSo) {
    Installation installation;
    ASSERT_EQ(installation.run(installation.install(true)), 0) << installation.err.toStdString();
    QFile rule(installation.rulePath());
    ASSERT_TRUE(rule.open(QIODevice::ReadOnly));
    EXPECT_EQ(rule.readAll(), QByteArray("KERNEL==\"uinput\", TAG+=\"uaccess\"\n"));
    EXPECT_EQ(rule.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::ReadOther);
    EXPECT_EQ(installation.commands,
              (QStringList{"udevadm control --reload-rules",
                           "udevadm trigger --action=change --subsystem-match=hidraw "
                           "--subsystem-match=input",
                           "udevadm trigger --action=change --subsystem-match=misc "
                           "--sysname-match=uinput"}));
    EXPECT_TRUE(installation.out.contains("Installed " + installation.rulePath()));
    EXPECT_TRUE(installation.out.contains("Reloaded the udev rules"));
    EXPECT_TRUE(installation.err.isEmpty());
}

TEST(UdevRuleInstaller, FailuresAreReported) {
    Installation reloadFails;
    reloadFails.failingCommand = 1;
    EXPECT_EQ(reloadFails.run(reloadFails.install(true)), 1);
    EXPECT_EQ(reloadFails.commands.size(), 2);  // stops at the failure
    EXPECT_TRUE(reloadFails.err.contains("udevadm trigger"));
    EXPECT_TRUE(QFile::exists(reloadFails.rulePath()));

    // A file where the folder should be.
    Installation blocked;
    QFile file(blocked.dir.filePath("rules.d"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(blocked.run(blocked.install(true)), 1);
    EXPECT_TRUE(blocked.err.contains("Could not write"));
    EXPECT_TRUE(blocked.commands.isEmpty());

    // Into a package's folder: no root, no reload.
    Installation staged;
    OVUdevRuleInstall install = staged.install(false);
    install.reloadUdev = false;
    EXPECT_EQ(staged.run(install), 0);
    EXPECT_TRUE(QFile::exists(staged.rulePath()));
    EXPECT_TRUE(staged.commands.isEmpty());
}
