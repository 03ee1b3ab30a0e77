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
#include "support/files.h"
#include "support/log_capture.h"

namespace {

class Preferences : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    const QString path = dir.filePath("orvetta/preferences.json");
    OVVirtualScheduler scheduler;
};

}  // namespace

TEST_F(Preferences, WritesWaitForTheSchedulerAndValuesAndRemovalsSurviveAReload) {
    {
        OVPreferences preferences(path, &scheduler);
        preferences.registerDefaults({{"scale", 1.5}});
        for (int i = 0; i < 5; ++i) {
            preferences.setObject("counter", i);
        }
        preferences.setObject("nested", QVariantMap{{"Work", QVariantMap{{"touchDelay", 0.2}}}});
        preferences.setObject("scale", 3.0);
        preferences.setObject("gone", 1);
        EXPECT_EQ(preferences.integerForKey("counter"), 4);  // visible at once
        EXPECT_EQ(scheduler.pendingCount(), 1);              // written once, later
        EXPECT_FALSE(QFile::exists(path));
        scheduler.advance(0);
        EXPECT_TRUE(QFile::exists(path));
        preferences.removeObject("scale");
        EXPECT_DOUBLE_EQ(preferences.doubleForKey("scale"), 1.5);
        preferences.setObject("gone", QVariant::fromValue(nullptr));  // a null write removes
        ASSERT_TRUE(preferences.synchronize());
        EXPECT_EQ(scheduler.pendingCount(), 0);  // the forced write replaces the deferred one
        preferences.removeObject("never-stored");
        EXPECT_EQ(scheduler.pendingCount(), 0);  // removing nothing writes nothing
        preferences.setObject("flag", true);     // written when the store goes away
    }
    OVPreferences reloaded(path, &scheduler);
    EXPECT_EQ(QStringList(reloaded.storedValues().keys()),
              QStringList({"counter", "flag", "nested"}));
    EXPECT_EQ(reloaded.object("flag").typeId(), QMetaType::Bool);
    EXPECT_DOUBLE_EQ(
        reloaded.dictionaryForKey("nested").value("Work").toMap().value("touchDelay").toDouble(),
        0.2);
    EXPECT_TRUE(reloaded.registeredDefaults().isEmpty());  // defaults are never written
}

TEST_F(Preferences, ACorruptFileIsKeptAsideAndTheStoreStartsEmpty) {
    QDir().mkpath(dir.filePath("orvetta"));
    OVWriteFile(path, "[1, 2]");
    OVPreferences preferences(path, nullptr);
    EXPECT_TRUE(preferences.storedValues().isEmpty());
    EXPECT_EQ(OVFileBytes(preferences.keptAsidePath()), "[1, 2]");  // nothing the user had is lost
    EXPECT_FALSE(QFile::exists(path));
}

// Runs `checks` in a child process that cannot read what root can (as nobody when the tests run
// as root); true when it exits with 0.
bool runUnprivileged(const std::function<bool()>& checks) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(100);
        }
        _exit(checks() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(Preferences, AnUnreadableFileIsLeftInPlaceNotWrittenAndReportedOnce) {
    QDir().mkpath(dir.filePath("orvetta"));
    OVWriteFile(path, R"({"hideCursor": true})");
    // Mode 000 in a folder open to all: a store that wrongly renamed or replaced the file could.
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0), 0);
    for (const QString& folder : {dir.path(), dir.filePath("orvetta")}) {
        ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0777), 0);
    }
    EXPECT_TRUE(runUnprivileged([&] {
        OVLogCapture log;
        OVPreferences preferences(path, nullptr);
        preferences.setObject("scrollScale", 2.0);
        const bool wrote = preferences.synchronize() || preferences.synchronize();
        return preferences.fileUnreadable() && !preferences.hasStoredValue("hideCursor") &&
               !wrote && preferences.doubleForKey("scrollScale") == 2.0 && log.lines().size() == 1;
    }));
    EXPECT_EQ(QDir(dir.filePath("orvetta")).entryList(QDir::Files),
              QStringList({"preferences.json"}));
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_EQ(OVFileBytes(path), R"({"hideCursor": true})");

    // Readable again, the file is taken in and what waited is written into it. The child changes
    // the file's mode, so it owns the file.
    ASSERT_TRUE(geteuid() != 0 || chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
    EXPECT_TRUE(runUnprivileged([&] {
        OVPreferences preferences(path, &scheduler);
        chmod(QFile::encodeName(path).constData(), 0);
        preferences.setObject("scrollScale", 2.0);
        scheduler.advance(0);  // refused: the file cannot be read
        chmod(QFile::encodeName(path).constData(), 0600);
        preferences.takeInFileChanges();
        scheduler.advance(0);
        return OVFileBytes(path).contains("scrollScale") &&
               OVFileBytes(path).contains("hideCursor");
    }));
}

TEST_F(Preferences, WhatOthersWriteIsTakenInExceptKeysChangedHereAndNotWrittenYet) {
    OVPreferences app(path, nullptr);
    QStringList told;
    app.followFileChanges([&](const QStringList& keys) { told += keys; });
    app.setObject("scrollScale", 2.0);
    app.setObject("name", "mine");
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

    // A file that no longer parses is kept aside and the store writes back all it holds.
    OVWriteFile(path, "{oops");
    app.takeInFileChanges();
    EXPECT_FALSE(app.keptAsidePath().isEmpty());
    ASSERT_TRUE(app.synchronize());
    OVPreferences reread(path, nullptr);
    EXPECT_EQ(reread.stringForKey("activeSettingsProfile"), "Work");
    EXPECT_EQ(reread.stringForKey("name"), "mine");
}
