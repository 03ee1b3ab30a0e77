#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "base/preferences.h"
#include "base/virtual_scheduler.h"
#include "support/log_capture.h"

TEST(Preferences, ReadsFallThroughStoredThenDefaultsAndRemovalShowsTheDefault) {
    OVPreferences preferences;
    preferences.registerDefaults({{"scale", 1.5}, {"name", "auto"}});
    EXPECT_DOUBLE_EQ(preferences.doubleForKey("scale"), 1.5);
    EXPECT_FALSE(preferences.object("missing").isValid());

    preferences.setObject("scale", 3);
    EXPECT_EQ(preferences.integerForKey("scale"), 3);
    preferences.removeObject("scale");
    EXPECT_DOUBLE_EQ(preferences.doubleForKey("scale"), 1.5);
    EXPECT_FALSE(preferences.hasStoredValue("scale"));

    preferences.setObject("name", 7);
    EXPECT_TRUE(preferences.stringForKey("name").isNull());  // not a string
    EXPECT_TRUE(preferences.dictionaryForKey("name").isEmpty());
}

TEST(Preferences, PersistsThroughTheSchedulerAndKeepsTypes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("orvetta/preferences.json");
    OVVirtualScheduler scheduler;
    {
        OVPreferences preferences(path, &scheduler);
        preferences.setObject("double", 0.25);
        preferences.setObject("int", 42);
        preferences.setBool("flag", true);
        preferences.setObject("nested", QVariantMap{{"Work", QVariantMap{{"touchDelay", 0.2}}}});
        preferences.setObject("list", QVariantList{"a", "b"});
        EXPECT_FALSE(QFile::exists(path));  // not yet: the write waits for the main loop
        scheduler.advance(0);
        EXPECT_TRUE(QFile::exists(path));
    }
    OVPreferences reloaded(path, &scheduler);
    EXPECT_DOUBLE_EQ(reloaded.doubleForKey("double"), 0.25);
    EXPECT_EQ(reloaded.object("int").typeId(), QMetaType::LongLong);
    EXPECT_EQ(reloaded.object("flag").typeId(), QMetaType::Bool);
    EXPECT_DOUBLE_EQ(
        reloaded.dictionaryForKey("nested").value("Work").toMap().value("touchDelay").toDouble(),
        0.2);
    EXPECT_EQ(reloaded.arrayForKey("list").size(), 2);
}

TEST(Preferences, CorruptFileIsKeptAsideAndTheStoreStartsEmpty) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    for (const QByteArray& content : {QByteArray("{not json"), QByteArray("[1, 2]")}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        OVPreferences preferences(path, nullptr);
        EXPECT_TRUE(preferences.storedValues().isEmpty());
        ASSERT_FALSE(preferences.keptAsidePath().isEmpty());
        QFile kept(preferences.keptAsidePath());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), content);  // nothing the user had is lost
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_EQ(QDir(dir.path()).entryList({"preferences.json.corrupt-*"}).size(), 2);
}

TEST(Preferences, ValuesSurviveANewStoreOnTheSameFileAndRemovalsToo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    OVVirtualScheduler scheduler;
    {
        OVPreferences preferences(path, &scheduler);
        preferences.registerDefaults({{"deviceSelection", "auto"}});
        preferences.setObject("deviceSelection", "0eef:0001");
        preferences.setObject("gone", 1);
        preferences.removeObject("gone");
        preferences.setObject("shown", QVariantList{"a", "b"});
        ASSERT_TRUE(preferences.synchronize());
    }
    {
        OVPreferences reloaded(path, &scheduler);
        EXPECT_EQ(reloaded.stringForKey("deviceSelection"), "0eef:0001");
        EXPECT_FALSE(reloaded.object("gone").isValid());
        EXPECT_EQ(reloaded.arrayForKey("shown"), (QVariantList{"a", "b"}));
        EXPECT_TRUE(reloaded.registeredDefaults().isEmpty());  // defaults are never written
        reloaded.removeObject("deviceSelection");
        // A store going away writes what is still pending.
    }
    OVPreferences third(path, &scheduler);
    EXPECT_FALSE(third.hasStoredValue("deviceSelection"));
    EXPECT_TRUE(third.keptAsidePath().isEmpty());
}

TEST(Preferences, WritesAreCoalescedUntilTheSchedulerRunsAndSynchronizeForcesThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    OVVirtualScheduler scheduler;
    OVPreferences preferences(path, &scheduler);
    for (int i = 0; i < 5; ++i) {
        preferences.setObject("counter", i);
    }
    EXPECT_EQ(scheduler.pendingCount(), 1);
    EXPECT_EQ(preferences.integerForKey("counter"), 4);  // visible at once
    ASSERT_TRUE(preferences.synchronize());
    EXPECT_EQ(scheduler.pendingCount(), 0);  // the forced write replaces the deferred one
    EXPECT_EQ(OVPreferences(path, nullptr).integerForKey("counter"), 4);

    preferences.removeObject("never-stored");  // removing nothing writes nothing
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST(Preferences, UnwritableFolderReportsTheFailureAndKeepsTheValues) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    OVPreferences preferences(dir.filePath("not-a-folder/preferences.json"), nullptr);
    preferences.setObject("hideCursor", true);
    OVError error;
    EXPECT_FALSE(preferences.synchronize(&error));
    EXPECT_FALSE(error.description.isEmpty());
    EXPECT_TRUE(preferences.boolForKey("hideCursor"));
}

TEST(Preferences, NullMembersReadAsAbsentAndNullWritesRemove) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"scrollScale": null, "settingsProfiles": {"Work": {"touchDelay": null}}})");
    file.close();
    OVPreferences preferences(path, nullptr);
    preferences.registerDefaults({{"scrollScale", 1.5}});
    EXPECT_DOUBLE_EQ(preferences.doubleForKey("scrollScale"), 1.5);
    EXPECT_FALSE(preferences.dictionaryForKey("settingsProfiles")
                     .value("Work")
                     .toMap()
                     .contains("touchDelay"));

    preferences.setObject("scrollScale", 3.0);
    preferences.setObject("scrollScale", QVariant::fromValue(nullptr));
    EXPECT_FALSE(preferences.hasStoredValue("scrollScale"));
}

TEST(Preferences, IntegerReadingCutsFractionsAndSaturates) {
    EXPECT_EQ(OVIntegerValue(1.9), 1);
    EXPECT_EQ(OVIntegerValue(-1.9), -1);
    EXPECT_EQ(OVIntegerValue(1e300), std::numeric_limits<qint64>::max());
    EXPECT_EQ(OVIntegerValue(-1e300), std::numeric_limits<qint64>::min());
    EXPECT_EQ(OVIntegerValue(std::nan("")), 0);
    EXPECT_EQ(OVIntegerValue(true), 1);
    EXPECT_EQ(OVIntegerValue(QVariant::fromValue<quint16>(53)), 53);
    EXPECT_EQ(OVIntegerValue(QString("12")), 12);
    EXPECT_EQ(OVIntegerValue(QVariant()), 0);

    OVPreferences preferences;
    preferences.setObject("finger1MouseAction", 2.7);
    EXPECT_EQ(preferences.integerForKey("finger1MouseAction"), 2);
}

// Sets an environment variable for the lifetime of the object and restores it afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const QByteArray* value)
        : _name(name), _had(qEnvironmentVariableIsSet(name)), _old(qgetenv(name)) {
        if (value) {
            qputenv(name, *value);
        } else {
            qunsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (_had) {
            qputenv(_name, _old);
        } else {
            qunsetenv(_name);
        }
    }

  private:
    const char* _name;
    bool _had;
    QByteArray _old;
};

TEST(Preferences, DefaultPathFollowsTheConfigDirOverrideThenXdgThenHome) {
    const QByteArray orvettaDir("/srv/orvetta-config");
    const QByteArray xdg("/home/ada/.xdg");
    const QByteArray empty;
    const QByteArray relative("relative/config");
    const QByteArray home = qgetenv("HOME");
    {
        ScopedEnvironment a("ORVETTA_CONFIG_DIR", &orvettaDir);
        ScopedEnvironment b("XDG_CONFIG_HOME", &xdg);
        EXPECT_EQ(OVPreferences::defaultPath(), "/srv/orvetta-config/preferences.json");
    }
    {
        ScopedEnvironment a("ORVETTA_CONFIG_DIR", &empty);
        ScopedEnvironment b("XDG_CONFIG_HOME", &xdg);
        EXPECT_EQ(OVPreferences::defaultPath(), "/home/ada/.xdg/orvetta/preferences.json");
    }
    const QString homeConfig = QDir::home().filePath(".config/orvetta/preferences.json");
    for (const QByteArray* value : {static_cast<const QByteArray*>(nullptr), &empty, &relative}) {
        ScopedEnvironment a("ORVETTA_CONFIG_DIR", nullptr);
        ScopedEnvironment b("XDG_CONFIG_HOME", value);
        EXPECT_EQ(OVPreferences::defaultPath(), homeConfig);
    }
}

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs `checks` in a child process that cannot read what root can (as nobody when the tests run
// as root); true when it exits with 0.
bool runUnprivileged(const std::function<int()>& checks) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(100);
        }
        _exit(checks());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(Preferences, AnUnreadableFileIsLeftInPlaceNotWrittenAndReportedOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    writeFile(path, R"({"hideCursor": true})");
    // Mode 000 in a folder open to all: a store that wrongly renamed or replaced the file could.
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0), 0);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    EXPECT_TRUE(runUnprivileged([&] {
        OVLogCapture log;
        OVPreferences preferences(path, nullptr);
        preferences.setObject("scrollScale", 2.0);
        const bool wrote = preferences.synchronize() || preferences.synchronize();
        const bool runsOnDefaults = !preferences.hasStoredValue("hideCursor");
        return preferences.fileUnreadable() && runsOnDefaults && !wrote &&
                       preferences.doubleForKey("scrollScale") == 2.0 && log.lines().size() == 1
                   ? 0
                   : 1;
    }));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"preferences.json"}));
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(bytesOf(path), R"({"hideCursor": true})");
}

TEST(Preferences, WhatOthersWriteIsTakenInExceptKeysChangedHereAndNotWrittenYet) {
    QTemporaryDir dir;
    const QString path = dir.filePath("preferences.json");
    OVPreferences app(path, nullptr);
    QStringList told;
    app.followFileChanges([&](const QStringList& keys) { told += keys; });
    app.setObject("scrollScale", 2.0);
    ASSERT_TRUE(app.synchronize());
    app.setObject("hideCursor", true);
    {
        OVPreferences other(path, nullptr);
        other.setObject("activeSettingsProfile", "Work");
        other.removeObject("scrollScale");
        other.setObject("hideCursor", false);
    }
    EXPECT_EQ(app.takeInFileChanges(), QStringList({"activeSettingsProfile", "scrollScale"}));
    EXPECT_EQ(told, QStringList({"activeSettingsProfile", "scrollScale"}));
    EXPECT_TRUE(app.boolForKey("hideCursor"));
    EXPECT_TRUE(app.takeInFileChanges().isEmpty()) << "the file did not change since";

    // A file that no longer parses is kept aside and the store writes back what it holds.
    writeFile(path, "{oops");
    app.takeInFileChanges();
    EXPECT_FALSE(app.keptAsidePath().isEmpty());
    ASSERT_TRUE(app.synchronize());
    EXPECT_EQ(OVPreferences(path, nullptr).stringForKey("activeSettingsProfile"), "Work");
}
