#include <gtest/gtest.h>

#include "settings/preference_keys.h"
#include "settings/profiles.h"

namespace {

QVariant parsed(const QString& key, const QString& text) {
    return OVPreferenceValueFromJSON(key, text).value_or(QVariant());
}

bool refused(const QString& key, const QString& text) {
    OVError error;
    const bool wasRefused = !OVPreferenceValueFromJSON(key, text, &error).has_value();
    EXPECT_EQ(wasRefused, !error.description.isEmpty()) << key.toStdString();
    EXPECT_FALSE(error.description.contains('\n'));
    return wasRefused;
}

}  // namespace

TEST(PreferenceKeys, KnownKeysAreTheRegisteredTheUnregisteredAndThePerInputOnes) {
    const QVariantMap registered = OVRegisteredDefaultValues();
    for (const QString& key : registered.keys()) {
        EXPECT_TRUE(OVPreferenceValueKindForKey(key)) << key.toStdString();
    }
    for (const QString& key : OVProfileSettingKeys()) {
        EXPECT_TRUE(OVPreferenceValueKindForKey(key)) << key.toStdString();
    }
    for (const char* key :
         {"installID", "lastLaunchedVersion", "lastLaunchedBuild", "shownPolicyMessageIDs"}) {
        EXPECT_TRUE(OVPreferenceValueKindForKey(key)) << key;
    }
    for (const char* key : {"", "bogus", "finger4MouseAction", "ScrollScale", "MouseAction",
                            "penmouseaction", "scrollScale "}) {
        EXPECT_FALSE(OVPreferenceValueKindForKey(key)) << key;
    }
    EXPECT_EQ(OVPreferenceValueKindForKey("penKeyComboLabel"), OVPreferenceValueKind::String);
    EXPECT_EQ(OVPreferenceValueKindForKey("settingsProfiles"), OVPreferenceValueKind::ProfileStore);
}

TEST(PreferenceKeys, ValuesAreStoredAsTheProgramReadsThem) {
    EXPECT_EQ(parsed("scrollScale", "2").typeId(), QMetaType::Double);  // scalars are doubles
    EXPECT_DOUBLE_EQ(parsed("scrollScale", " 1.5 ").toDouble(), 1.5);
    EXPECT_EQ(parsed("naturalScroll", "false"), QVariant(false));
    EXPECT_EQ(parsed("deviceSelection", R"("0eef:0001")"), QVariant(QString("0eef:0001")));
    EXPECT_EQ(parsed("finger2MouseAction", "5"), QVariant::fromValue<qlonglong>(5));
    EXPECT_EQ(parsed("penModifierAction", "9.0"), QVariant::fromValue<qlonglong>(9));
    EXPECT_EQ(parsed("penInertiaEnabled", "1"), QVariant::fromValue<qlonglong>(1));
    EXPECT_EQ(parsed("penInertiaEnabled", "true"), QVariant(true));
    EXPECT_EQ(parsed("penKeyComboKeyCode", "65535"), QVariant::fromValue<qlonglong>(65535));
    EXPECT_EQ(parsed("penKeyComboFlags", "1966080"), QVariant::fromValue<qlonglong>(0x1E0000));
    EXPECT_EQ(parsed("shownPolicyMessageIDs", R"(["a", "b"])"), (QVariantList{"a", "b"}));
    EXPECT_EQ(parsed("settingsProfiles", R"({"Work": {"touchDelay": 0.2}})"),
              (QVariantMap{{"Work", QVariantMap{{"touchDelay", 0.2}}}}));
    // Inside a profile, each value as its key's kind stores it.
    const QVariantMap work =
        parsed("settingsProfiles",
               R"({"Default": {}, "Work": {"touchDelay": 1, "penMouseAction": 2.0}})")
            .toMap()
            .value("Work")
            .toMap();
    EXPECT_EQ(work.value("touchDelay").typeId(), QMetaType::Double);
    EXPECT_EQ(work.value("penMouseAction"), QVariant::fromValue<qlonglong>(2));
}

TEST(PreferenceKeys, MalformedValuesAreRefused) {
    EXPECT_TRUE(refused("scrollScale", "auto"));  // not JSON
    EXPECT_TRUE(refused("scrollScale", ""));
    EXPECT_TRUE(refused("scrollScale", "1, 2"));  // two values
    EXPECT_TRUE(refused("scrollScale", "1] , [2"));
    EXPECT_TRUE(refused("scrollScale", R"("1.5")"));
    EXPECT_TRUE(refused("scrollScale", "null"));
    EXPECT_TRUE(refused("scrollScale", "1e999"));  // not finite
    EXPECT_TRUE(refused("hideCursor", "1"));
    EXPECT_TRUE(refused("apiBaseURL", "https://example.org"));  // a string needs quotes
    EXPECT_TRUE(refused("finger1MouseAction", "6"));
    EXPECT_TRUE(refused("finger1MouseAction", "-1"));
    EXPECT_TRUE(refused("finger1MouseAction", "1.5"));
    EXPECT_TRUE(refused("finger1ModifierAction", "10"));
    EXPECT_TRUE(refused("finger1InertiaEnabled", "2"));
    EXPECT_TRUE(refused("finger1KeyComboKeyCode", "65536"));
    EXPECT_TRUE(refused("finger1KeyComboFlags", "1"));  // not a modifier bit
    EXPECT_TRUE(refused("finger1KeyComboFlags", "-131072"));
    EXPECT_TRUE(refused("finger1KeyComboLabel", "3"));
    EXPECT_TRUE(refused("shownPolicyMessageIDs", R"(["a", 1])"));
    EXPECT_TRUE(refused("settingsProfiles", R"({"Work": 1})"));
    EXPECT_TRUE(refused("settingsProfiles", R"({"Work": {"touchDelay": "fast"}})"));
    EXPECT_TRUE(refused("settingsProfiles", R"({"Work": {"finger1MouseAction": 6}})"));
    EXPECT_TRUE(refused("settingsProfiles", R"({"Work": {"penKeyComboLabel": 3}})"));
    EXPECT_TRUE(refused("settingsProfiles", R"({"Work": {"hideCursor": true}})"));  // global
    EXPECT_TRUE(refused("settingsProfiles", "[]"));
    EXPECT_TRUE(refused("bogus", "1"));
    EXPECT_TRUE(refused("scrollScale", "{\n\"a\":\n1}"));
}

TEST(PreferenceKeys, JSONTextOfStoredValues) {
    EXPECT_EQ(OVJSONTextForValue(QVariant()), "null");
    EXPECT_EQ(OVJSONTextForValue(1.5), "1.5");
    EXPECT_EQ(OVJSONTextForValue(true), "true");
    EXPECT_EQ(OVJSONTextForValue(QString("a \"quoted\" name")), R"("a \"quoted\" name")");
    EXPECT_EQ(OVJSONTextForValue(QVariant::fromValue<quint16>(53)), "53");
    EXPECT_EQ(OVJSONTextForValue(QVariantList{"a"}), R"(["a"])");
    EXPECT_EQ(OVJSONTextForValue(QVariantMap{{"b", 1}, {"a", QVariantMap()}}), R"({"a":{},"b":1})");
    EXPECT_TRUE(OVJSONTextForValue(QVariantMap{{"a", 1}}, true).contains('\n'));
}
