#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/preferences.h"
#include "base/virtual_scheduler.h"

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
