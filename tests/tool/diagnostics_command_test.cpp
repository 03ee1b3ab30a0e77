// orvetta-tool diagnostics, run as support runs it: the built binary on a temporary folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tool_run.h"

TEST(DiagnosticsCommand, PrintsTheReportAndThePayloadWithoutWritingAnything) {
    QTemporaryDir dir;
    const QString heading = "\nCompatibility report payload (not sent):\n";
    const OVToolRun run = OVRunTool({"diagnostics", "--sim", "--payload"}, dir.path());
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Orvetta Device Report\nGenerated: "));
    EXPECT_TRUE(run.out.contains("\nSupported matching devices:\n- manufacturer=\"Simulated\""));
    const qsizetype at = run.out.indexOf(heading);
    ASSERT_GE(at, 0);
    const QJsonObject payload =
        QJsonDocument::fromJson(run.out.mid(at + heading.size()).toUtf8()).object();
    EXPECT_EQ(payload.value("usb_devices").toArray().size(), 1);
    EXPECT_EQ(payload.value("usb_vendor_id").toString(), "04e8");
    // Even a fresh installation identifier stays in memory: the folder stays empty.
    EXPECT_FALSE(payload.value("install_id").toString().isEmpty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A stored identifier is the one shown; without --payload there is none, and nothing sends.
    OVWriteFile(dir.filePath("preferences.json"),
                R"({"installID": "11111111-2222-3333-4444-555555555555"})");
    EXPECT_TRUE(OVRunTool({"diagnostics", "--payload"}, dir.path())
                    .out.contains("\"install_id\": \"11111111-2222-3333-4444-555555555555\""));
    EXPECT_FALSE(OVRunTool({"diagnostics"}, dir.path()).out.contains(heading));
    EXPECT_EQ(OVRunTool({"diagnostics", "--send"}, dir.path()).exitCode, 2);
}
