#include <gtest/gtest.h>

#include "settings/profile_switching.h"
#include "settings/settings_window_model.h"
#include "settings_test_helpers.h"

namespace {

const QString kOwnIdentifier = QStringLiteral("orvetta");

class Profiles : public ::testing::Test {
  protected:
    // Profiles with these names, written straight into the store as a hand-edited file would.
    void makeProfiles(const QStringList& names) {
        QVariantMap profiles{{"Default", QVariantMap()}};
        for (const QString& name : names) {
            profiles.insert(name, QVariantMap());
        }
        preferences.setObject(OVSettingsProfilesKey, profiles);
    }
    std::optional<QString> match(const QString& application) {
        return OVSettingsProfileNameMatchingApplicationName(application);
    }
    bool activate(const QString& identifier, const QString& name) {
        return OVFrontmostApplicationChanged(identifier, name, kOwnIdentifier);
    }

    SettingsFixtureState state;
    OVPreferences& preferences = state.preferences();
};

}  // namespace

TEST_F(Profiles, AFreshStoreResolvesTheBuiltInMappings) {
    EXPECT_EQ(OVSettingsProfileNames(), QStringList{"Default"});
    const std::int64_t mouse[] = {OVMouseActionLeft, OVMouseActionScroll, OVMouseActionMiddle,
                                  OVMouseActionLeft, OVMouseActionRight};
    for (int i = 0; i < 5; ++i) {
        const QString input = OVInputNames()[i];
        EXPECT_EQ(OVEffectiveMouseActionForInput(input), mouse[i]) << i;
        EXPECT_EQ(OVEffectiveModifierActionForInput(input), OVKeyboardActionNone);
        EXPECT_EQ(OVEffectiveInertiaEnabledForInput(input), input == "finger2");
    }
    EXPECT_FALSE(OVProfileBoolForKey(OVLongPressRightClickKey));
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);
    EXPECT_TRUE(preferences.storedValues().isEmpty());  // nothing written

    // Only two fingers scroll and pinch; the others scroll.
    for (const QString& input : OVInputNames()) {
        OVSetProfileValueForKey(OVMouseActionKey(input), qlonglong(OVMouseActionScrollAndPinch));
        EXPECT_EQ(OVEffectiveMouseActionForInput(input) == OVMouseActionScrollAndPinch,
                  input == "finger2");
        const OVPopupModel popup = OVMousePopupModelForInput(input);  // shows what is in effect
        EXPECT_EQ(popup.items.value(popup.selectedIndex).tag,
                  OVEffectiveMouseActionForInput(input));
    }
}

TEST_F(Profiles, DefaultReadsTheTopLevelANamedProfileOnlyItselfThenTheBuiltInValues) {
    preferences.setObject("scrollScale", 4.0);
    preferences.registerDefaults({{"inertiaDecay", 0.5}});
    preferences.setObject(OVInertiaEnabledKey("finger1"), 1);  // a number 0 or 1 reads as a flag
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 4.0);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("inertiaDecay"), 0.5);
    EXPECT_TRUE(OVEffectiveInertiaEnabledForInput("finger1"));
    EXPECT_FALSE(OVProfileValueForKey("noSuchKey").isValid());

    preferences.setObject(
        OVSettingsProfilesKey,
        QVariantMap{{"Default", QVariantMap()}, {"Work", QVariantMap{{"touchDelay", 0.25}}}});
    preferences.setObject(OVActiveSettingsProfileKey, "Work");  // applies on the next read
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("touchDelay"), 0.25);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("inertiaDecay"), 0.95);
    EXPECT_FALSE(OVProfileValueForKey("naturalScroll").isValid());
}

TEST_F(Profiles, DamagedProfileStoresReadAsDefaultAndAreRepairedOnTheNextWrite) {
    preferences.setObject(OVSettingsProfilesKey,
                          QVariantMap{{"Broken", "not a dictionary"}, {"Work", QVariantMap()}});
    preferences.setObject(OVActiveSettingsProfileKey, "Broken");
    EXPECT_EQ(OVEffectiveMouseActionForInput("finger3"), OVMouseActionMiddle);
    OVSetProfileValueForKey("touchDelay", 0.2);
    EXPECT_EQ(state.storedProfile("Broken"), (QVariantMap{{"touchDelay", 0.2}}));

    for (const QVariant& active : {QVariant(""), QVariant("Gone"), QVariant(7)}) {
        preferences.setObject(OVActiveSettingsProfileKey, active);
        EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
        EXPECT_EQ(preferences.object(OVActiveSettingsProfileKey), active);  // left as stored
    }
}

TEST_F(Profiles, WritesGoToTheActiveProfileOnlyAndRemovingShowsTheBuiltInValue) {
    OVSetProfileValueForKey("touchDelay", 0.4);
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Home"));
    OVSetActiveSettingsProfile("Work");
    OVSetProfileValueForKey("scrollScale", 3.0);
    OVSetProfileValueForKey("touchDelay", QVariant());
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("touchDelay"), 0.1);  // not Default's 0.4
    EXPECT_DOUBLE_EQ(state.storedProfile("Home").value("scrollScale").toDouble(), 1.5);
    OVSetActiveSettingsProfile("Default");
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("touchDelay"), 0.4);
    OVSetProfileValueForKey("touchDelay", QVariant());
    EXPECT_FALSE(preferences.hasStoredValue("touchDelay"));
}

TEST_F(Profiles, SavingSnapshotsEffectiveValuesUnderTheTrimmedNameAndActivates) {
    OVSetProfileValueForKey(OVModifierActionKey("pen"), qlonglong(OVKeyboardActionShift));
    preferences.setObject(OVSettingsProfilesKey,
                          QVariantMap{{"Work", QVariantMap{{"stray", "left over"}}}});
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("  Work\n"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_EQ(state.posts(), 1);
    const QVariantMap work = state.storedProfile("Work");
    EXPECT_EQ(QStringList(work.keys()), QStringList(OVDefaultProfileSettings().keys()));
    EXPECT_EQ(work.value("penModifierAction").toLongLong(), OVKeyboardActionShift);

    const QVariantMap before = preferences.storedValues();
    for (const QString& name : {QString(), QString(" \n"), QString(" Default")}) {
        EXPECT_FALSE(OVSaveCurrentSettingsAsProfile(name)) << name.toStdString();
    }
    EXPECT_EQ(preferences.storedValues(), before);
    EXPECT_EQ(state.posts(), 1);
}

TEST_F(Profiles, SelectingFallsBackToDefaultPostsAndRemovingLeavesDefault) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    OVSetActiveSettingsProfile("Work");  // already active: posted again
    OVSetActiveSettingsProfile("work");  // names compare exactly
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    OVSetActiveSettingsProfile(" Work ");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_EQ(state.posts(), 4);
    EXPECT_TRUE(OVRemoveActiveSettingsProfile());
    EXPECT_EQ(OVSettingsProfileNames(), QStringList{"Default"});
    EXPECT_FALSE(OVRemoveActiveSettingsProfile());  // Default stays
    EXPECT_EQ(state.posts(), 5);
    OVSetAutomaticProfileSwitchingEnabled(false);
    EXPECT_FALSE(OVAutomaticProfileSwitchingEnabled());
    EXPECT_EQ(state.posts(), 6);
}

// --- automatic switching ------------------------------------------------------------------------

TEST_F(Profiles, TheFirstProfileInSortedOrderThatContainsOrIsContainedWins) {
    makeProfiles({"Safari", "  mail  ", "Visual Studio Code", "Xcode", "Code"});
    EXPECT_EQ(match("SAFARI"), "Safari");
    EXPECT_EQ(match("Mail"), "  mail  ");  // the stored name, untrimmed
    EXPECT_EQ(match("Safari Technology Preview"), "Safari");
    EXPECT_EQ(match("Xcode"), "Code");  // before an exact match that sorts later
    EXPECT_EQ(match("Finder"), std::nullopt);
    EXPECT_EQ(match(" \n"), std::nullopt);  // a blank name matches nothing, not every profile
    makeProfiles({"   "});
    EXPECT_EQ(match("Default"), std::nullopt);
    EXPECT_EQ(match("anything"), std::nullopt);
}

TEST_F(Profiles, ActivationsSelectTheMatchingProfileOrDefaultButNotForOurOwnWindows) {
    makeProfiles({"Safari", "  mail  "});
    EXPECT_TRUE(activate("com.example.safari", "Safari"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");
    EXPECT_TRUE(activate("org.example.finder", "Finder"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_TRUE(activate("mail", "Mail"));
    EXPECT_FALSE(activate(kOwnIdentifier, "Safari"));
    EXPECT_FALSE(activate("mail", "Mail"));  // the same application again changes nothing
    EXPECT_EQ(OVActiveSettingsProfileName(), "  mail  ");
    EXPECT_EQ(state.posts(), 3);
    // No identifier is not our own identifier, even when ours is unknown too.
    EXPECT_TRUE(OVFrontmostApplicationChanged(QString(), "Safari", QString()));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");
}

TEST_F(Profiles, MenuChoicesLastUntilTheNextActivationAndSwitchingOffStopsIt) {
    makeProfiles({"Safari", "Work"});
    OVSelectProfileFromMenu(QString("Work"));
    OVSelectProfileFromMenu(QVariant(3));  // not a name: ignored
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_EQ(state.posts(), 1);
    OVToggleAutomaticProfileSwitching();
    EXPECT_FALSE(activate("safari", "Safari"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    OVToggleAutomaticProfileSwitching();  // on again: waits for the next activation
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_EQ(state.posts(), 3);
    EXPECT_TRUE(activate("safari", "Safari"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");
}

TEST_F(Profiles, NamesSortCaseInsensitivelyAfterDefaultInAFixedOrder) {
    makeProfiles({"gamma", "Beta", "alpha", "Alpha", "  ", "Zeta", "ALPHA"});
    EXPECT_EQ(OVSettingsProfileNames(),
              (QStringList{"Default", "  ", "ALPHA", "Alpha", "alpha", "Beta", "gamma", "Zeta"}));
}
