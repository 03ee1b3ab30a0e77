// orvetta-tool diagnostics, run as support runs it: the built binary on a temporary folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct DiagnosticsRun {
    int exitCode = -1;
    QString out;
};

class DiagnosticsCommand : public ::testing::Test {
  protected:
    DiagnosticsRun diagnostics(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVETTA_CONFIG_DIR", dir.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"),
                      QStringList{"diagnostics"} + arguments);
        DiagnosticsRun run;
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << "orvetta-tool did not finish";
            return run;
        }
        run.exitCode = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        return run;
    }

    QTemporaryDir dir;
};

const QString kPayloadHeading = QStringLiteral("\nCompatibility report payload (not sent):\n");

}  // namespace

TEST_F(DiagnosticsCommand, PrintsTheReportAndThePayloadWithoutWritingAnything) {
    const DiagnosticsRun run = diagnostics({"--sim", "--payload"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Orvetta Device Report\nGenerated: "));
    EXPECT_TRUE(run.out.contains("\nSupported matching devices:\n- manufacturer=\"Simulated\""));

    const qsizetype heading = run.out.indexOf(kPayloadHeading);
    ASSERT_GE(heading, 0);
    const QJsonObject payload =
        QJsonDocument::fromJson(run.out.mid(heading + kPayloadHeading.size()).toUtf8()).object();
    EXPECT_EQ(payload.size(), 18);
    EXPECT_EQ(payload.value("report_type").toString(), "compatibility_check");
    EXPECT_EQ(payload.value("report_format").toString(), "vovuderovo-check-v1");
    EXPECT_EQ(payload.value("platform").toString(), "linux");
    EXPECT_TRUE(payload.value("raw_samples").toArray().isEmpty());
    EXPECT_TRUE(payload.value("result_summary").toObject().isEmpty());
    EXPECT_EQ(payload.value("usb_devices").toArray().size(), 1);
    EXPECT_EQ(payload.value("usb_vendor_id").toString(), "04e8");

    // Even a fresh installation identifier stays in memory: the folder stays empty.
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(DiagnosticsCommand, ShowsTheStoredInstallationIdentifierAndRefusesUnknownOptions) {
    QFile preferences(dir.filePath("preferences.json"));
    ASSERT_TRUE(preferences.open(QIODevice::WriteOnly));
    preferences.write(R"({"installID": "11111111-2222-3333-4444-555555555555"})");
    preferences.close();

    const DiagnosticsRun run = diagnostics({"--payload"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("\"install_id\": \"11111111-2222-3333-4444-555555555555\""));
    EXPECT_TRUE(run.out.contains("\nPossible compatible HID touch devices:\n- none\n"));

    const DiagnosticsRun plain = diagnostics({});
    EXPECT_FALSE(plain.out.contains(kPayloadHeading));
    EXPECT_EQ(diagnostics({"--send"}).exitCode, 2);
}
