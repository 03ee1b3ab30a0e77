// orvetta-tool prefs, run as administrators run it: the built binary on a temporary folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tool_run.h"

namespace {

class PrefsCommand : public ::testing::Test {
  protected:
    OVToolRun prefs(const QStringList& arguments) {
        return OVRunTool(QStringList{"prefs"} + arguments, dir.path());
    }
    QString preferencesPath() const { return dir.filePath("preferences.json"); }
    QJsonObject stored() const {
        return QJsonDocument::fromJson(OVFileBytes(preferencesPath())).object();
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(PrefsCommand, SetGetRemoveAndDumpWorkOnTheStoredFile) {
    EXPECT_EQ(prefs({"get", "scrollScale"}).out, "1.5\n");  // the registered default
    EXPECT_EQ(prefs({"get", "installID"}).out, "null\n");   // not registered, not stored
    EXPECT_EQ(prefs({"set", "scrollScale", "2.5"}).exitCode, 0);
    EXPECT_EQ(prefs({"set", "shownPolicyMessageIDs", R"(["welcome"])"}).exitCode, 0);
    EXPECT_EQ(stored().value("scrollScale").toDouble(), 2.5);  // written before the tool ended
    EXPECT_EQ(prefs({"get", "shownPolicyMessageIDs"}).out, "[\"welcome\"]\n");

    EXPECT_EQ(prefs({"remove", "scrollScale"}).exitCode, 0);
    EXPECT_FALSE(stored().contains("scrollScale"));
    EXPECT_EQ(prefs({"get", "scrollScale"}).out, "1.5\n");
    EXPECT_EQ(QJsonDocument::fromJson(prefs({"dump"}).out.toUtf8()).object(), stored());

    // The folder given with --config wins over the environment's.
    QTemporaryDir option;
    ASSERT_EQ(prefs({"--config", option.path(), "set", "installID", R"("abc")"}).exitCode, 0);
    EXPECT_EQ(prefs({"get", "installID", "--config=" + option.path()}).out, "\"abc\"\n");
    EXPECT_EQ(prefs({"get", "installID"}).out, "null\n");
}

TEST_F(PrefsCommand, UnknownKeysAndMalformedValuesAreRefusedAndWriteNothing) {
    const QList<QStringList> refused{
        {"set", "bogus", "1"},
        {"set", "touchDelay", "fast"},
        {"set", "finger1MouseAction", "7"},
        {"set", "settingsProfiles", R"({"Work": {"naturalScroll": true}})"},
        {"use-profile", "Nowhere"},
        {"set", "touchDelay"},
        {"frobnicate"},
    };
    for (const QStringList& arguments : refused) {
        const OVToolRun run = prefs(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith("orvetta-tool prefs: ") ||
                    run.err.startsWith("usage: orvetta-tool prefs"))
            << run.err.toStdString();
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(PrefsCommand, ProfilesAreSavedListedUsedAndRemoved) {
    ASSERT_EQ(prefs({"set", "scrollScale", "3"}).exitCode, 0);
    EXPECT_EQ(prefs({"save-profile", "  Work\n"}).exitCode, 0);
    EXPECT_EQ(prefs({"save-profile", "alpha"}).exitCode, 0);
    EXPECT_EQ(prefs({"profiles"}).out, "  Default\n* alpha\n  Work\n");
    EXPECT_EQ(prefs({"profile-value", "scrollScale"}).out, "3\n");

    EXPECT_EQ(prefs({"use-profile", " Work "}).exitCode, 0);
    EXPECT_EQ(stored().value("activeSettingsProfile").toString(), "Work");
    EXPECT_EQ(prefs({"profile-value", "naturalScroll"}).out, "null\n");  // not a profile key
    EXPECT_EQ(prefs({"remove-profile"}).exitCode, 0);
    EXPECT_EQ(prefs({"profiles"}).out, "* Default\n  alpha\n");

    const QByteArray before = OVFileBytes(preferencesPath());
    EXPECT_EQ(prefs({"remove-profile"}).exitCode, 1);  // Default stays
    EXPECT_EQ(OVFileBytes(preferencesPath()), before);
}
