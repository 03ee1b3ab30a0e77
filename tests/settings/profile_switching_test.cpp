#include <gtest/gtest.h>

#include "settings/profile_switching.h"
#include "settings_test_helpers.h"

namespace {

const QString kOwnIdentifier = QStringLiteral("orvetta");

class ProfileSwitching : public ::testing::Test {
  protected:
    // Profiles with these names, written straight into the store as a hand-edited file would.
    void makeProfiles(const QStringList& names) {
        QVariantMap profiles{{"Default", QVariantMap()}};
        for (const QString& name : names) {
            profiles.insert(name, QVariantMap());
        }
        state.preferences().setObject("settingsProfiles", profiles);
    }
    std::optional<QString> match(const QString& application) {
        return OVSettingsProfileNameMatchingApplicationName(application);
    }
    bool activate(const QString& identifier, const QString& name) {
        return OVFrontmostApplicationChanged(identifier, name, kOwnIdentifier);
    }

    SettingsFixtureState state;
};

}  // namespace

TEST_F(ProfileSwitching, MatchesEqualOrContainedNamesIgnoringCaseAndSpace) {
    makeProfiles({"Safari", "  mail  ", "Terminal Tools", "Visual Studio Code"});
    EXPECT_EQ(match("Safari"), "Safari");
    EXPECT_EQ(match("SAFARI"), "Safari");
    EXPECT_EQ(match("Mail"), "  mail  ");            // the stored name, untrimmed
    EXPECT_EQ(match("Terminal"), "Terminal Tools");  // the profile name contains the application's
    EXPECT_EQ(match("code"), "Visual Studio Code");
    EXPECT_EQ(match("Safari Technology Preview"), "Safari");  // the application's contains it
    EXPECT_EQ(match(" \tSafari\n"), "Safari");
    EXPECT_EQ(match("Finder"), std::nullopt);
    EXPECT_EQ(match(""), std::nullopt);
    EXPECT_EQ(match(" \n"), std::nullopt);  // a blank name matches nothing, not every profile
}

TEST_F(ProfileSwitching, TheFirstMatchInSortedOrderWinsOverAnExactOne) {
    makeProfiles({"Xcode", "Code"});
    EXPECT_EQ(match("Xcode"), "Code");
    makeProfiles({"writer", "Writer Pro", "LibreOffice Writer"});
    EXPECT_EQ(match("Writer"), "LibreOffice Writer");
    // Default itself never matches, even an application of that name; blank profiles are
    // skipped.
    makeProfiles({"   "});
    EXPECT_EQ(match("Default"), std::nullopt);
    EXPECT_EQ(match("anything"), std::nullopt);
}

TEST_F(ProfileSwitching, ActivationsSelectTheMatchingProfileOrDefault) {
    makeProfiles({"Safari", "Mail"});
    EXPECT_TRUE(activate("com.example.safari", "Safari"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");
    EXPECT_EQ(state.posts(), 1);
    EXPECT_TRUE(activate("org.example.finder", "Finder"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    // Our own windows coming forward keep the profile.
    EXPECT_TRUE(activate("mail", "Mail"));
    EXPECT_FALSE(activate(kOwnIdentifier, "Safari"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Mail");
    // The same application again changes nothing and posts nothing.
    EXPECT_FALSE(activate("mail", "Mail"));
    EXPECT_EQ(state.posts(), 3);
}

TEST_F(ProfileSwitching, ApplicationsWithoutNameOrIdentifier) {
    makeProfiles({"Safari"});
    ASSERT_TRUE(activate("safari", "Safari"));
    // No name: Default. No identifier is not our own identifier, even when ours is unknown too.
    EXPECT_TRUE(activate("", ""));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_TRUE(OVFrontmostApplicationChanged(QString(), "Safari", QString()));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");
    EXPECT_TRUE(OVFrontmostApplicationChanged(OVApplicationInfo{"x", QString()}, kOwnIdentifier));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
}

TEST_F(ProfileSwitching, AProfileNameWithSpacesAroundItBecomesActiveOnce) {
    makeProfiles({"  mail  "});
    EXPECT_TRUE(activate("mail", "Mail"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "  mail  ");
    EXPECT_FALSE(activate("mail", "Mail"));
    EXPECT_EQ(state.posts(), 1);
    // The menu reaches it the same way.
    OVSelectProfileFromMenu(QString("Default"));
    OVSelectProfileFromMenu(QString("  mail  "));
    EXPECT_EQ(OVActiveSettingsProfileName(), "  mail  ");
}

TEST_F(ProfileSwitching, SwitchedOffNothingChangesAndSwitchingOnWaitsForTheNextActivation) {
    makeProfiles({"Safari"});
    OVToggleAutomaticProfileSwitching();
    EXPECT_FALSE(OVAutomaticProfileSwitchingEnabled());
    EXPECT_EQ(state.posts(), 1);  // the toggle announces itself
    EXPECT_FALSE(activate("safari", "Safari"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    OVToggleAutomaticProfileSwitching();
    EXPECT_TRUE(OVAutomaticProfileSwitchingEnabled());
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(state.posts(), 2);
    EXPECT_TRUE(activate("safari", "Safari"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Safari");
}

TEST_F(ProfileSwitching, MenuChoicesLastUntilTheNextActivation) {
    makeProfiles({"Safari", "Work"});
    OVSelectProfileFromMenu(QString("Work"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_EQ(state.posts(), 1);
    OVSelectProfileFromMenu(QString());  // not a name: ignored
    OVSelectProfileFromMenu(QVariant(3));
    OVSelectProfileFromMenu(QVariant());
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_EQ(state.posts(), 1);
    EXPECT_TRUE(activate("finder", "Finder"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
}
