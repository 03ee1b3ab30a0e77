#include <gtest/gtest.h>

#include "orvetta_config.h"
#include "settings_test_helpers.h"

namespace {

class Profiles : public ::testing::Test {
  protected:
    SettingsFixtureState state;
};

QStringList inputs() {
    return OVInputNames();
}

}  // namespace

// --- vocabulary --------------------------------------------------------------------------------

TEST(ProfileVocabulary, InputNamesKeyBuildersAndTheirInverses) {
    EXPECT_EQ(OVInputNames(), (QStringList{"finger1", "finger2", "finger3", "pen", "eraser"}));
    EXPECT_EQ(OVMouseActionKey("finger2"), "finger2MouseAction");
    EXPECT_EQ(OVModifierActionKey("finger2"), "finger2ModifierAction");
    EXPECT_EQ(OVInertiaEnabledKey("finger2"), "finger2InertiaEnabled");
    EXPECT_EQ(OVKeyComboKeyCodeKey("finger2"), "finger2KeyComboKeyCode");
    EXPECT_EQ(OVKeyComboFlagsKey("finger2"), "finger2KeyComboFlags");
    EXPECT_EQ(OVKeyComboLabelKey("finger2"), "finger2KeyComboLabel");

    EXPECT_EQ(OVInputFromMouseActionKey("penMouseAction"), "pen");
    EXPECT_EQ(OVInputFromModifierActionKey("eraserModifierAction"), "eraser");
    EXPECT_EQ(OVInputFromMouseActionKey("MouseAction"), std::nullopt);  // nothing before it
    EXPECT_EQ(OVInputFromMouseActionKey("penModifierAction"), std::nullopt);
    EXPECT_EQ(OVInputFromModifierActionKey("penMouseAction"), std::nullopt);
    EXPECT_EQ(OVInputFromMouseActionKey("penmouseaction"), std::nullopt);
    EXPECT_EQ(OVInputFromModifierActionKey("xModifierAction"), "x");
}

TEST(ProfileVocabulary, TheThirtySevenProfileKeysInOrder) {
    const QStringList& keys = OVProfileSettingKeys();
    ASSERT_EQ(keys.size(), 37);
    EXPECT_EQ(keys.mid(0, 6),
              (QStringList{"scrollScale", "inertiaDecay", "inertiaBoost", "touchDelay",
                           "scrollReleaseDelay", "holdRepeatInterval"}));
    EXPECT_EQ(keys.mid(6, 6), (QStringList{"finger1MouseAction", "finger1ModifierAction",
                                           "finger1InertiaEnabled", "finger1KeyComboKeyCode",
                                           "finger1KeyComboFlags", "finger1KeyComboLabel"}));
    EXPECT_EQ(keys[30], "eraserMouseAction");
    EXPECT_EQ(keys[35], "eraserKeyComboLabel");
    EXPECT_EQ(keys[36], "longPressRightClick");
    EXPECT_EQ(&OVProfileSettingKeys(), &keys);  // built once
}

TEST(ProfileVocabulary, BuiltInProfileDefaultsAreTheRegisteredOnesAndEmptyCombos) {
    QVariantMap defaults = OVDefaultProfileSettings();
    const QVariantMap registered = OVRegisteredDefaultValues();
    QStringList keys = OVProfileSettingKeys();
    keys.sort();
    ASSERT_EQ(defaults.keys(), keys);
    for (const QString& key : OVProfileSettingKeys()) {
        if (!key.contains("KeyCombo")) {
            EXPECT_EQ(defaults[key], registered[key]) << key.toStdString();
        }
    }
    for (const QString& input : inputs()) {
        EXPECT_EQ(defaults[OVKeyComboKeyCodeKey(input)].toLongLong(), 0);
        EXPECT_EQ(defaults[OVKeyComboFlagsKey(input)].toULongLong(), 0u);
        EXPECT_EQ(defaults[OVKeyComboLabelKey(input)], QVariant(QString("")));
    }
    // A fresh dictionary every time: changing one leaves the next untouched.
    defaults["scrollScale"] = 9.0;
    EXPECT_DOUBLE_EQ(OVDefaultProfileSettings()["scrollScale"].toDouble(), 1.5);
}

TEST(ProfileVocabulary, RegisteredDefaultsCoverTheGlobalKeysButNotTheUnregisteredOnes) {
    const QVariantMap registered = OVRegisteredDefaultValues();
    EXPECT_EQ(registered.value("naturalScroll"), QVariant(true));
    EXPECT_EQ(registered.value("hideCursor"), QVariant(false));
    EXPECT_EQ(registered.value("longPressRightClick"), QVariant(false));
    EXPECT_EQ(registered.value("apiBaseURL").toString(), ORVETTA_API_BASE_URL);
    EXPECT_EQ(registered.value("deviceSelection").toString(), "auto");
    EXPECT_EQ(registered.value("displaySelection").toString(), "auto");
    EXPECT_EQ(registered.value("settingsProfiles").toMap(),
              (QVariantMap{{"Default", QVariantMap()}}));
    EXPECT_EQ(registered.value("activeSettingsProfile").toString(), "Default");
    EXPECT_EQ(registered.value("automaticProfileSwitching"), QVariant(true));
    EXPECT_EQ(registered.value("welcomeAcceptedVersion").typeId(), QMetaType::QString);
    EXPECT_EQ(registered.value("welcomeAcceptedVersion").toString(), "");
    EXPECT_EQ(registered.value("initialCompatibilityReportSent"), QVariant(false));
    EXPECT_EQ(registered.value("initialCompatibilityCheckCompleted"), QVariant(false));
    EXPECT_EQ(registered.value("permissionsCompatibilityCheckPending"), QVariant(false));
    EXPECT_EQ(registered.value("keyboardPosition").toString(), "bottomCenter");
    const std::pair<const char*, double> scalars[] = {
        {"scrollScale", 1.5}, {"inertiaDecay", 0.95},       {"inertiaBoost", 2.0},
        {"touchDelay", 0.1},  {"scrollReleaseDelay", 0.01}, {"holdRepeatInterval", 0.1}};
    for (const auto& [key, value] : scalars) {
        EXPECT_EQ(registered.value(key), QVariant(value)) << key;
    }
    for (const char* notRegistered :
         {"installID", "lastLaunchedVersion", "lastLaunchedBuild", "shownPolicyMessageIDs",
          "finger1KeyComboKeyCode", "finger1KeyComboFlags", "finger1KeyComboLabel"}) {
        EXPECT_FALSE(registered.contains(notRegistered)) << notRegistered;
    }
    EXPECT_EQ(registered.size(), 13 + 6 + 16);

    OVServicesGuard services;
    OVRegisterDefaults();
    EXPECT_EQ(OVStandardPreferences().registeredDefaults(), registered);
    EXPECT_TRUE(OVStandardPreferences().storedValues().isEmpty());  // never written
}

// --- reading -----------------------------------------------------------------------------------

TEST_F(Profiles, AFreshStoreResolvesTheBuiltInMappings) {
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(OVSettingsProfileNames(), QStringList{"Default"});
    EXPECT_EQ(OVEffectiveMouseActionForInput("finger1"), OVMouseActionLeft);
    EXPECT_EQ(OVEffectiveMouseActionForInput("finger2"), OVMouseActionScroll);
    EXPECT_EQ(OVEffectiveMouseActionForInput("finger3"), OVMouseActionMiddle);
    EXPECT_EQ(OVEffectiveMouseActionForInput("pen"), OVMouseActionLeft);
    EXPECT_EQ(OVEffectiveMouseActionForInput("eraser"), OVMouseActionRight);
    for (const QString& input : inputs()) {
        EXPECT_EQ(OVEffectiveModifierActionForInput(input), OVKeyboardActionNone);
        EXPECT_EQ(OVEffectiveInertiaEnabledForInput(input), input == "finger2");
        EXPECT_EQ(OVProfileStringForKey(OVKeyComboLabelKey(input)), "");
    }
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);
    EXPECT_TRUE(OVAutomaticProfileSwitchingEnabled());
}

TEST_F(Profiles, DefaultReadsTheTopLevelThenRegisteredThenBuiltInDefaults) {
    state.preferences().setObject("touchDelay", 0.3);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("touchDelay"), 0.3);
    // A registered default that differs from the built-in one wins over it.
    state.preferences().registerDefaults({{"inertiaDecay", 0.5}});
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("inertiaDecay"), 0.5);
    // Unregistered profile keys fall back to the built-in defaults.
    EXPECT_EQ(OVProfileValueForKey("penKeyComboKeyCode").toLongLong(), 0);
    EXPECT_TRUE(OVProfileValueForKey("penKeyComboKeyCode").isValid());
    // Keys outside the profile resolve through the store and end as nothing.
    EXPECT_EQ(OVProfileValueForKey("naturalScroll"), QVariant(true));
    EXPECT_FALSE(OVProfileValueForKey("noSuchKey").isValid());
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("noSuchKey"), 0.0);
    EXPECT_EQ(OVProfileIntegerForKey("noSuchKey"), 0);
    EXPECT_FALSE(OVProfileBoolForKey("noSuchKey"));
    EXPECT_EQ(OVProfileStringForKey("noSuchKey"), "");
}

TEST(ProfilesWithoutRegistration, BuiltInDefaultsStillAnswer) {
    OVServicesGuard services;
    EXPECT_EQ(OVEffectiveMouseActionForInput("eraser"), OVMouseActionRight);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("holdRepeatInterval"), 0.1);
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(OVSettingsProfilesMutable(), (QVariantMap{{"Default", QVariantMap()}}));
}

TEST_F(Profiles, ANamedProfileFallsBackToBuiltInDefaultsNotToDefaultsValues) {
    state.preferences().setObject("scrollScale", 4.0);              // Default's own value
    state.preferences().registerDefaults({{"inertiaDecay", 0.5}});  // and a registered one
    state.preferences().setObject(
        "settingsProfiles",
        QVariantMap{{"Default", QVariantMap()}, {"Work", QVariantMap{{"touchDelay", 0.25}}}});
    state.preferences().setObject("activeSettingsProfile", "Work");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("touchDelay"), 0.25);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("inertiaDecay"), 0.95);
    // Outside the profile keys a named profile holds nothing.
    EXPECT_FALSE(OVProfileValueForKey("naturalScroll").isValid());
}

TEST_F(Profiles, DamagedProfileStoresReadSafely) {
    auto& preferences = state.preferences();
    // An entry that is not a dictionary is an empty profile; a store without Default gains one.
    preferences.setObject("settingsProfiles",
                          QVariantMap{{"Broken", "not a dictionary"}, {"Work", QVariantMap()}});
    EXPECT_EQ(OVSettingsProfilesMutable(),
              (QVariantMap{
                  {"Default", QVariantMap()}, {"Broken", QVariantMap()}, {"Work", QVariantMap()}}));
    preferences.setObject("activeSettingsProfile", "Broken");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Broken");
    EXPECT_EQ(OVEffectiveMouseActionForInput("finger3"), OVMouseActionMiddle);

    // The broken entry becomes an empty dictionary the next time the store is written.
    OVSetProfileValueForKey("touchDelay", 0.2);
    EXPECT_EQ(state.storedProfile("Broken"), (QVariantMap{{"touchDelay", 0.2}}));
    EXPECT_TRUE(preferences.dictionaryForKey("settingsProfiles").contains("Default"));

    // An active name that is empty, unknown or not a string reads as Default, and stays stored.
    for (const QVariant& active :
         {QVariant(""), QVariant("Gone"), QVariant(7), QVariant(QVariantMap{{"Work", 1}})}) {
        preferences.setObject("activeSettingsProfile", active);
        EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
        EXPECT_EQ(preferences.object("activeSettingsProfile"), active);
    }
    // A profile store that is not a dictionary holds only Default.
    preferences.setObject("settingsProfiles", QVariantList{"Work"});
    preferences.setObject("activeSettingsProfile", "Work");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(OVSettingsProfileNames(), QStringList{"Default"});
}

TEST_F(Profiles, ValuesOfTheWrongTypeReadAsTheirConversionsGive) {
    auto& preferences = state.preferences();
    preferences.setObject("scrollScale", "fast");
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 0.0);
    preferences.setObject(OVKeyComboLabelKey("pen"), 42);
    EXPECT_EQ(OVProfileStringForKey(OVKeyComboLabelKey("pen")), "");
    preferences.setObject(OVMouseActionKey("finger1"), 2.9);  // a fraction is cut off
    EXPECT_EQ(OVEffectiveMouseActionForInput("finger1"), OVMouseActionRight);
    preferences.setObject(OVInertiaEnabledKey("finger1"), 1);  // stored as a number 0 or 1
    EXPECT_TRUE(OVEffectiveInertiaEnabledForInput("finger1"));
    preferences.setObject(OVInertiaEnabledKey("finger2"), 0);
    EXPECT_FALSE(OVEffectiveInertiaEnabledForInput("finger2"));
    preferences.setObject("touchDelay", 1);  // an integer reads as a double too
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("touchDelay"), 1.0);
}

TEST_F(Profiles, ScrollAndPinchIsOnlyForTwoFingers) {
    for (const QString& input : inputs()) {
        OVSetProfileValueForKey(OVMouseActionKey(input), qlonglong(OVMouseActionScrollAndPinch));
        EXPECT_EQ(OVEffectiveMouseActionForInput(input),
                  input == "finger2" ? OVMouseActionScrollAndPinch : OVMouseActionScroll)
            << input.toStdString();
        EXPECT_EQ(OVProfileIntegerForKey(OVMouseActionKey(input)), OVMouseActionScrollAndPinch);
    }
}

TEST_F(Profiles, ASwitchAppliesOnTheNextRead) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    OVSetProfileValueForKey("scrollScale", 3.0);
    OVSetActiveSettingsProfile("Default");
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);
    OVSetActiveSettingsProfile("Work");
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 3.0);
    // Changes made behind the functions' back show at once as well.
    state.preferences().setObject("activeSettingsProfile", "Default");
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);
}

// --- writing -----------------------------------------------------------------------------------

TEST_F(Profiles, WritingWithDefaultActiveUsesTheTopLevel) {
    OVSetProfileValueForKey("scrollScale", 2.25);
    EXPECT_DOUBLE_EQ(state.preferences().storedValues().value("scrollScale").toDouble(), 2.25);
    EXPECT_TRUE(state.storedProfile("Default").isEmpty());  // never filled
    OVSetProfileValueForKey("scrollScale", QVariant());
    EXPECT_FALSE(state.preferences().hasStoredValue("scrollScale"));
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);  // the default shows again
    EXPECT_EQ(state.posts(), 0);                                  // writes post nothing
}

TEST_F(Profiles, WritingWithANamedProfileActiveChangesOnlyThatProfile) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Home"));
    OVSetActiveSettingsProfile("Work");
    const QVariantMap homeBefore = state.storedProfile("Home");
    OVSetProfileValueForKey("scrollScale", 3.0);
    EXPECT_DOUBLE_EQ(state.storedProfile("Work").value("scrollScale").toDouble(), 3.0);
    EXPECT_EQ(state.storedProfile("Home"), homeBefore);
    EXPECT_FALSE(state.preferences().hasStoredValue("scrollScale"));
    OVSetActiveSettingsProfile("Default");
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("scrollScale"), 1.5);

    // Removing a key of a named profile brings back the built-in default, even when the Default
    // profile holds another value.
    OVSetProfileValueForKey("touchDelay", 0.4);
    OVSetActiveSettingsProfile("Work");
    OVSetProfileValueForKey("touchDelay", QVariant());
    EXPECT_FALSE(state.storedProfile("Work").contains("touchDelay"));
    EXPECT_DOUBLE_EQ(OVProfileDoubleForKey("touchDelay"), 0.1);
}

// --- saving, selecting, removing ---------------------------------------------------------------

TEST_F(Profiles, SavingTrimsTheNameSnapshotsEffectiveValuesAndActivates) {
    OVSetProfileValueForKey("scrollScale", 2.0);
    OVSetProfileValueForKey(OVModifierActionKey("pen"), qlonglong(OVKeyboardActionShift));
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("  Work\n"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    EXPECT_EQ(state.posts(), 1);
    EXPECT_FALSE(state.lastHadUserInfo());
    EXPECT_FALSE(state.lastHadSender());
    const QVariantMap work = state.storedProfile("Work");
    EXPECT_EQ(QStringList(work.keys()).size(), 37);
    EXPECT_DOUBLE_EQ(work.value("scrollScale").toDouble(), 2.0);
    EXPECT_EQ(work.value("penModifierAction").toLongLong(), OVKeyboardActionShift);
    EXPECT_EQ(work.value("finger2MouseAction").toLongLong(), OVMouseActionScroll);
    EXPECT_EQ(work.value("eraserKeyComboLabel"), QVariant(QString("")));
    EXPECT_EQ(OVSnapshotCurrentProfileSettings(), work);

    // Saving from a named profile copies that profile's values.
    OVSetProfileValueForKey("touchDelay", 0.05);
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Copy"));
    EXPECT_DOUBLE_EQ(state.storedProfile("Copy").value("touchDelay").toDouble(), 0.05);
    EXPECT_DOUBLE_EQ(state.storedProfile("Copy").value("scrollScale").toDouble(), 2.0);
}

TEST_F(Profiles, SavingUnderAnExistingNameReplacesTheWholeProfile) {
    state.preferences().setObject(
        "settingsProfiles",
        QVariantMap{{"Work", QVariantMap{{"scrollScale", 9.0}, {"stray", "left over"}}}});
    OVSetActiveSettingsProfile("Default");
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    const QVariantMap work = state.storedProfile("Work");
    EXPECT_FALSE(work.contains("stray"));
    EXPECT_DOUBLE_EQ(work.value("scrollScale").toDouble(), 1.5);
}

TEST_F(Profiles, SavingWithABlankOrReservedNameFailsAndWritesNothing) {
    const QVariantMap before = state.preferences().storedValues();
    for (const QString& name :
         {QString(), QString("   "), QString("\n\t"), QString("Default"), QString(" Default\n")}) {
        EXPECT_FALSE(OVSaveCurrentSettingsAsProfile(name)) << name.toStdString();
        EXPECT_EQ(OVTrimmedProfileName(name).has_value(), !name.trimmed().isEmpty());
    }
    EXPECT_EQ(state.preferences().storedValues(), before);
    EXPECT_EQ(state.posts(), 0);

    // Names compare exactly: lower-case default is an ordinary profile.
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("default"));
    EXPECT_EQ(OVActiveSettingsProfileName(), "default");
    EXPECT_EQ(OVSettingsProfileNames(), (QStringList{"Default", "default"}));
}

TEST_F(Profiles, SelectingFallsBackToDefaultAndAlwaysPosts) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    ASSERT_EQ(state.posts(), 1);
    OVSetActiveSettingsProfile("Work");  // already active: stored and posted again
    EXPECT_EQ(state.posts(), 2);
    OVSetActiveSettingsProfile("Nowhere");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(state.preferences().stringForKey("activeSettingsProfile"), "Default");
    EXPECT_EQ(state.posts(), 3);
    OVSetActiveSettingsProfile(" Work ");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Work");
    OVSetActiveSettingsProfile("  ");
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    OVSetActiveSettingsProfile("work");  // names compare exactly
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(state.posts(), 6);
}

TEST_F(Profiles, SelectingANameStoredWithSpacesAroundIt) {
    state.preferences().setObject(
        "settingsProfiles",
        QVariantMap{{"  Work  ", QVariantMap()}, {"", QVariantMap()}, {"Home", QVariantMap()}});
    OVSetActiveSettingsProfile("  Work  ");  // as the profile menu offers it
    EXPECT_EQ(OVActiveSettingsProfileName(), "  Work  ");
    OVSetActiveSettingsProfile("");  // a blank name is Default even when stored
    EXPECT_EQ(state.preferences().stringForKey("activeSettingsProfile"), "Default");
}

TEST_F(Profiles, RemovingTheActiveProfile) {
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Work"));
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile("Home"));
    OVSetActiveSettingsProfile("Work");
    const int postsBefore = state.posts();
    EXPECT_TRUE(OVRemoveActiveSettingsProfile());
    EXPECT_EQ(state.posts(), postsBefore + 1);
    EXPECT_EQ(OVActiveSettingsProfileName(), "Default");
    EXPECT_EQ(OVSettingsProfileNames(), (QStringList{"Default", "Home"}));

    const QVariantMap before = state.preferences().storedValues();
    EXPECT_FALSE(OVRemoveActiveSettingsProfile());  // Default stays
    EXPECT_EQ(state.preferences().storedValues(), before);
    EXPECT_EQ(state.posts(), postsBefore + 1);

    // An active name that names no profile is Default: nothing to remove.
    state.preferences().setObject("activeSettingsProfile", "Gone");
    EXPECT_FALSE(OVRemoveActiveSettingsProfile());
}

TEST_F(Profiles, AutomaticSwitchingToggleStoresAndPosts) {
    OVSetAutomaticProfileSwitchingEnabled(false);
    EXPECT_FALSE(OVAutomaticProfileSwitchingEnabled());
    EXPECT_EQ(state.preferences().storedValues().value("automaticProfileSwitching"),
              QVariant(false));
    OVSetAutomaticProfileSwitchingEnabled(true);
    EXPECT_TRUE(OVAutomaticProfileSwitchingEnabled());
    EXPECT_EQ(state.posts(), 2);
}

TEST_F(Profiles, NamesSortCaseInsensitivelyAfterDefault) {
    state.preferences().setObject("settingsProfiles", QVariantMap{{"gamma", QVariantMap()},
                                                                  {"Beta", QVariantMap()},
                                                                  {"alpha", QVariantMap()},
                                                                  {"Default", QVariantMap()},
                                                                  {"Alpha", QVariantMap()},
                                                                  {"  ", QVariantMap()},
                                                                  {"Zeta", QVariantMap()}});
    const QStringList names = OVSettingsProfileNames();
    ASSERT_EQ(names.size(), 7);
    EXPECT_EQ(names.first(), "Default");
    EXPECT_EQ(names.mid(1, 1), QStringList{"  "});
    // Names equal but for case keep a fixed order.
    EXPECT_EQ(names.mid(2), (QStringList{"Alpha", "alpha", "Beta", "gamma", "Zeta"}));
}

TEST_F(Profiles, ManyNamesEqualButForCaseKeepAFixedOrder) {
    QVariantMap profiles;
    for (int i = 0; i < 30; ++i) {
        for (const char* format : {"app %1", "App %1", "APP %1"}) {
            profiles.insert(QString(format).arg(i, 2, 10, QChar('0')), QVariantMap());
        }
    }
    state.preferences().setObject("settingsProfiles", profiles);
    const QStringList names = OVSettingsProfileNames();
    ASSERT_EQ(names.size(), 91);
    for (int i = 0; i < 30; ++i) {
        const QString number = QString::number(i).rightJustified(2, '0');
        EXPECT_EQ(names.mid(1 + 3 * i, 3),
                  (QStringList{"APP " + number, "App " + number, "app " + number}));
    }
}
