// orvetta-tool install-udev-rule, run as the built binary into a temporary folder (a test must
// not change the machine's udev rules).

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

}  // namespace

TEST(InstallUdevRuleCommand, InstallsTheShippedRule) {
    QTemporaryDir dir;
    QString out;
    QString err;
    ASSERT_EQ(runTool({"install-udev-rule", "--rules-dir", dir.path()}, &out, &err), 0)
        << err.toStdString();
    const QByteArray shipped =
        fileBytes(QStringLiteral(ORVETTA_SOURCE_DIR "/resources/linux/70-orvetta.rules"));
    ASSERT_FALSE(shipped.isEmpty());
    EXPECT_EQ(fileBytes(dir.filePath("70-orvetta.rules")), shipped);
    EXPECT_TRUE(out.contains(dir.filePath("70-orvetta.rules")));

    EXPECT_EQ(runTool({"install-udev-rule", "--force"}, &out, &err), 2);
    EXPECT_TRUE(err.contains("usage: orvetta-tool install-udev-rule"));
}
