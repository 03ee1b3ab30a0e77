// orvetta-tool prefs, run as administrators run it: the built binary on a temporary folder.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/virtual_scheduler.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class PrefsCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(toolPath())) << "build the orvetta-tool target first";
    }

    static QString toolPath() { return QStringLiteral(ORVETTA_BINARY_DIR "/orvetta-tool"); }

    // Runs `orvetta-tool prefs` with the folder chosen by ORVETTA_CONFIG_DIR unless `environment`
    // says otherwise.
    ToolRun prefs(const QStringList& arguments, const QProcessEnvironment& environment,
                  bool unprivileged = false) {
        QProcess process;
        process.setProcessEnvironment(environment);
        if (unprivileged) {
            // As nobody, who cannot read what root can.
            process.setChildProcessModifier([] {
                if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                    _exit(100);
                }
            });
        }
        process.start(toolPath(), QStringList{"prefs"} + arguments);
        ToolRun run;
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << "orvetta-tool did not finish";
            return run;
        }
        run.exitCode = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }
    ToolRun prefs(const QStringList& arguments) { return prefs(arguments, configEnvironment()); }

    QProcessEnvironment configEnvironment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVETTA_CONFIG_DIR", dir.path());
        environment.insert("XDG_CONFIG_HOME", dir.filePath("xdg"));
        return environment;
    }

    QString preferencesPath() const { return dir.filePath("preferences.json"); }
    QByteArray fileBytes(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QJsonObject storedDocument() const {
        return QJsonDocument::fromJson(fileBytes(preferencesPath())).object();
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(PrefsCommand, SetGetAndRemoveWorkOnTheStoredFile) {
    EXPECT_EQ(prefs({"get", "scrollScale"}).out, "1.5\n");  // the registered default
    EXPECT_EQ(prefs({"get", "installID"}).out, "null\n");   // not registered, not stored

    EXPECT_EQ(prefs({"set", "scrollScale", "2.5"}).exitCode, 0);
    EXPECT_EQ(prefs({"set", "deviceSelection", R"("0eef:0001")"}).exitCode, 0);
    EXPECT_EQ(prefs({"set", "hideCursor", "true"}).exitCode, 0);
    EXPECT_EQ(prefs({"set", "shownPolicyMessageIDs", R"(["welcome"])"}).exitCode, 0);
    const QJsonObject stored = storedDocument();  // written before the process ended
    EXPECT_EQ(stored.value("scrollScale").toDouble(), 2.5);
    EXPECT_EQ(stored.value("deviceSelection").toString(), "0eef:0001");
    EXPECT_EQ(stored.value("hideCursor").toBool(), true);
    EXPECT_EQ(prefs({"get", "shownPolicyMessageIDs"}).out, "[\"welcome\"]\n");
    EXPECT_EQ(prefs({"get", "deviceSelection"}).out, "\"0eef:0001\"\n");

    EXPECT_EQ(prefs({"remove", "scrollScale"}).exitCode, 0);
    EXPECT_FALSE(storedDocument().contains("scrollScale"));
    EXPECT_EQ(prefs({"get", "scrollScale"}).out, "1.5\n");

    const ToolRun dump = prefs({"dump"});
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(dump.out.toUtf8()).object(), storedDocument());
}

TEST_F(PrefsCommand, UnknownKeysAndMalformedValuesAreRefusedAndWriteNothing) {
    ASSERT_EQ(prefs({"set", "touchDelay", "0.2"}).exitCode, 0);
    const QByteArray before = fileBytes(preferencesPath());
    const QList<QStringList> refused{
        {"set", "bogus", "1"},
        {"set", "touchDelay", "fast"},
        {"set", "finger1MouseAction", "7"},
        {"set", "settingsProfiles", R"({"Work": {"touchDelay": "fast"}})"},
        {"set", "settingsProfiles", R"({"Work": {"finger1MouseAction": 7}})"},
        {"set", "settingsProfiles", R"({"Work": {"naturalScroll": true}})"},
        {"get", "bogus"},
        {"remove", "finger9MouseAction"},
        {"profile-value", "nothing"},
        {"save-profile", "Default"},
        {"use-profile", "Nowhere"},
    };
    for (const QStringList& arguments : refused) {
        const ToolRun run = prefs(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();  // one line
        EXPECT_TRUE(run.err.startsWith("orvetta-tool prefs: "));
    }
    // Wrong usage shows the usage.
    const QList<QStringList> misused{{"set", "touchDelay"}, {"frobnicate"}, {}, {"--config"}};
    for (const QStringList& arguments : misused) {
        const ToolRun run = prefs(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith("usage: orvetta-tool prefs"));
    }
    EXPECT_EQ(fileBytes(preferencesPath()), before);

    // With no file yet, a refused command does not create one.
    QTemporaryDir empty;
    QProcessEnvironment environment = configEnvironment();
    environment.insert("ORVETTA_CONFIG_DIR", empty.path());
    EXPECT_EQ(prefs({"set", "hideCursor", "1"}, environment).exitCode, 2);
    EXPECT_TRUE(QDir(empty.path()).isEmpty());
}

TEST_F(PrefsCommand, ProfilesAreSavedListedUsedAndRemoved) {
    ASSERT_EQ(prefs({"set", "scrollScale", "3"}).exitCode, 0);
    EXPECT_EQ(prefs({"save-profile", "  Work\n"}).exitCode, 0);
    EXPECT_EQ(prefs({"save-profile", "alpha"}).exitCode, 0);
    EXPECT_EQ(prefs({"profiles"}).out, "  Default\n* alpha\n  Work\n");
    EXPECT_EQ(prefs({"profile-value", "scrollScale"}).out, "3\n");

    EXPECT_EQ(prefs({"use-profile", " Work "}).exitCode, 0);
    EXPECT_EQ(storedDocument().value("activeSettingsProfile").toString(), "Work");
    EXPECT_EQ(prefs({"profile-value", "finger2MouseAction"}).out, "4\n");
    EXPECT_EQ(prefs({"profile-value", "naturalScroll"}).out, "null\n");  // not a profile key

    const ToolRun removed = prefs({"remove-profile"});
    EXPECT_EQ(removed.exitCode, 0);
    EXPECT_EQ(prefs({"profiles"}).out, "* Default\n  alpha\n");
    EXPECT_EQ(prefs({"profile-value", "naturalScroll"}).out, "true\n");

    const QByteArray before = fileBytes(preferencesPath());
    const ToolRun refused = prefs({"remove-profile"});  // Default stays
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.count('\n'), 1);
    EXPECT_EQ(fileBytes(preferencesPath()), before);
}

TEST_F(PrefsCommand, TheFolderComesFromTheOptionThenTheEnvironment) {
    QTemporaryDir option;
    ASSERT_EQ(prefs({"--config", option.path(), "set", "installID", R"("abc")"}).exitCode, 0);
    ASSERT_EQ(prefs({"set", "installID", R"("def")", "--config=" + option.filePath("b")}).exitCode,
              0);
    EXPECT_TRUE(QFile::exists(option.filePath("preferences.json")));
    EXPECT_TRUE(QFile::exists(option.filePath("b/preferences.json")));
    EXPECT_FALSE(QFile::exists(preferencesPath()));

    QProcessEnvironment xdgOnly = configEnvironment();
    xdgOnly.remove("ORVETTA_CONFIG_DIR");
    ASSERT_EQ(prefs({"set", "hideCursor", "true"}, xdgOnly).exitCode, 0);
    EXPECT_TRUE(QFile::exists(dir.filePath("xdg/orvetta/preferences.json")));
    EXPECT_EQ(prefs({"get", "installID"}).out, "null\n");
    EXPECT_EQ(prefs({"--config", option.path(), "get", "installID"}).out, "\"abc\"\n");
}

TEST_F(PrefsCommand, ACorruptFileIsKeptAsideAndTheDefaultsApply) {
    QFile file(preferencesPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"scrollScale\": 2.5,");
    file.close();
    const ToolRun run = prefs({"get", "scrollScale"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "1.5\n");
    EXPECT_TRUE(run.err.contains("kept as"));
    const QStringList kept = QDir(dir.path()).entryList({"preferences.json.corrupt-*"});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(fileBytes(dir.filePath(kept.first())), "{\"scrollScale\": 2.5,");
}

TEST_F(PrefsCommand, TheRunningProgramTakesInTheToolsChangeAndKeepsItWhenItWrites) {
    OVVirtualScheduler scheduler;
    OVPreferences app(preferencesPath(), &scheduler);
    QStringList changed;
    app.followFileChanges([&](const QStringList& keys) { changed += keys; });
    app.setObject("settingsProfiles", QVariantMap{{"Default", QVariantMap()},
                                                  {"Work", QVariantMap{{"scrollScale", 3.0}}}});
    app.setObject("activeSettingsProfile", "Default");
    ASSERT_TRUE(app.synchronize());

    ASSERT_EQ(prefs({"use-profile", "Work"}).exitCode, 0);
    // The file watch reports the tool's write; the store reads it on the main loop.
    QCoreApplication::processEvents();
    scheduler.advance(0);
    EXPECT_EQ(app.stringForKey("activeSettingsProfile"), "Work");
    EXPECT_EQ(changed, QStringList({"activeSettingsProfile"}));

    // The program's next write keeps it, and a write of the tool that the program has not taken
    // in yet survives too.
    app.stopFollowingFileChanges();
    ASSERT_EQ(prefs({"set", "touchDelay", "0.2"}).exitCode, 0);
    app.setObject("hideCursor", true);
    ASSERT_TRUE(app.synchronize());
    const QJsonObject stored = storedDocument();
    EXPECT_EQ(stored.value("activeSettingsProfile").toString(), "Work");
    EXPECT_EQ(stored.value("touchDelay").toDouble(), 0.2);
    EXPECT_TRUE(stored.value("hideCursor").toBool());
}

TEST_F(PrefsCommand, AnUnreadableFileIsReportedAndLeftAsItIs) {
    QFile file(preferencesPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"scrollScale": 2.5})");
    file.close();
    ASSERT_EQ(chmod(QFile::encodeName(preferencesPath()).constData(), 0), 0);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    for (const QStringList& arguments :
         {QStringList{"get", "scrollScale"}, QStringList{"set", "scrollScale", "3"}}) {
        const ToolRun run = prefs(arguments, configEnvironment(), true);
        EXPECT_EQ(run.exitCode, 1) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("orvetta-tool prefs: cannot read")) << run.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"preferences.json"}));
    ASSERT_EQ(chmod(QFile::encodeName(preferencesPath()).constData(), 0600), 0);
    EXPECT_EQ(fileBytes(preferencesPath()), R"({"scrollScale": 2.5})");
}
