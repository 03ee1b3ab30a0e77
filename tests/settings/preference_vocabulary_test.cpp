#include <gtest/gtest.h>

#include "settings/preference_vocabulary.h"
#include "settings_test_helpers.h"

namespace {

QVariant parsed(const QString& key, const QString& text) {
    return OVPreferenceValueFromJSON(key, text).value_or(QVariant());
}

}  // namespace

// What the store registers is what the tool accepts: every default read back through the
// tool's parser is the value the program stores.
TEST(PreferenceVocabulary, EveryDefaultIsAValueTheToolWouldWrite) {
    OVServicesGuard services;
    OVRegisterDefaults();
    const QVariantMap registered = OVStandardPreferences().registeredDefaults();
    EXPECT_EQ(registered.size(), 35);  // the combo keys and the keys written at run time are not
    for (auto it = registered.begin(); it != registered.end(); ++it) {
        const QString json = OVJSONTextForValue(it.value());
        EXPECT_EQ(parsed(it.key(), json), it.value()) << it.key().toStdString();
    }
    for (const QString& key : OVProfileSettingKeys()) {
        EXPECT_TRUE(OVPreferenceValueKindForKey(key)) << key.toStdString();
    }
    EXPECT_EQ(OVPreferenceValueKindForKey("installID"), OVPreferenceValueKind::String);
    for (const char* key : {"", "bogus", "finger4MouseAction", "ScrollScale", "penmouseaction"}) {
        EXPECT_FALSE(OVPreferenceValueKindForKey(key)) << key;
    }
}

TEST(PreferenceVocabulary, ValuesAreStoredAsTheProgramReadsThem) {
    EXPECT_EQ(parsed("scrollScale", " 2 ").typeId(), QMetaType::Double);
    EXPECT_EQ(parsed("penModifierAction", "9.0"), QVariant::fromValue<qlonglong>(9));
    EXPECT_EQ(parsed("penKeyComboFlags", "1966080"), QVariant::fromValue<qlonglong>(0x1E0000));
    EXPECT_EQ(parsed("shownPolicyMessageIDs", R"(["a", "b"])"), (QVariantList{"a", "b"}));
    const QVariantMap work =
        parsed("settingsProfiles", R"({"Default": {}, "Work": {"touchDelay": 1}})")
            .toMap()
            .value("Work")
            .toMap();
    EXPECT_EQ(work.value("touchDelay").typeId(), QMetaType::Double);
    EXPECT_EQ(OVJSONTextForValue(QVariantMap{{"b", 1}, {"a", QVariantMap()}}), R"({"a":{},"b":1})");
}

TEST(PreferenceVocabulary, MalformedValuesAreRefusedWithAOneLineReason) {
    // clang-format off
    const std::pair<const char*, const char*> refused[] = {
        {"scrollScale", "auto"}, {"scrollScale", "1, 2"}, {"scrollScale", R"("1.5")"},
        {"scrollScale", "1e999"}, {"hideCursor", "1"}, {"apiBaseURL", "https://example.org"},
        {"finger1MouseAction", "6"}, {"finger1MouseAction", "1.5"},
        {"finger1ModifierAction", "10"}, {"finger1InertiaEnabled", "2"},
        {"finger1KeyComboKeyCode", "65536"}, {"finger1KeyComboFlags", "1"},
        {"shownPolicyMessageIDs", R"(["a", 1])"}, {"settingsProfiles", R"({"Work": 1})"},
        {"settingsProfiles", R"({"Work": {"finger1MouseAction": 6}})"},
        {"settingsProfiles", R"({"Work": {"hideCursor": true}})"},  // not a profile key
        {"bogus", "1"}, {"scrollScale", "{\n\"a\":\n1}"}};
    // clang-format on
    for (const auto& [key, text] : refused) {
        OVError error;
        EXPECT_FALSE(OVPreferenceValueFromJSON(key, text, &error)) << key << " " << text;
        EXPECT_FALSE(error.description.isEmpty() || error.description.contains('\n')) << key;
    }
}
