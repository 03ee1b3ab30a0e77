#include "settings/profiles.h"

#include <QCollator>
#include <algorithm>
#include <array>
#include <vector>

#include "base/notification_center.h"
#include "base/preferences.h"
#include "base/services.h"
#include "orvetta_config.h"

namespace {

const QString kMouseActionSuffix = QStringLiteral("MouseAction");
const QString kModifierActionSuffix = QStringLiteral("ModifierAction");

struct InputDefaults {
    std::int64_t mouseAction;
    bool inertiaEnabled;
};

InputDefaults defaultsForInput(const QString& input) {
    if (input == QLatin1String("finger2")) {
        return {OVMouseActionScroll, true};
    }
    if (input == QLatin1String("finger3")) {
        return {OVMouseActionMiddle, false};
    }
    if (input == QLatin1String("eraser")) {
        return {OVMouseActionRight, false};
    }
    return {OVMouseActionLeft, false};
}

const QString kSettingsProfilesKey = QStringLiteral("settingsProfiles");
const QString kActiveSettingsProfileKey = QStringLiteral("activeSettingsProfile");
const QString kAutomaticProfileSwitchingKey = QStringLiteral("automaticProfileSwitching");

QVariantMap defaultScalarsAndMappings() {
    QVariantMap values{
        {QStringLiteral("scrollScale"), 1.5},         {QStringLiteral("inertiaDecay"), 0.95},
        {QStringLiteral("inertiaBoost"), 2.0},        {QStringLiteral("touchDelay"), 0.1},
        {QStringLiteral("scrollReleaseDelay"), 0.01}, {QStringLiteral("holdRepeatInterval"), 0.1},
    };
    for (const QString& input : OVInputNames()) {
        const InputDefaults defaults = defaultsForInput(input);
        values.insert(OVMouseActionKey(input),
                      QVariant::fromValue<qlonglong>(defaults.mouseAction));
        values.insert(OVModifierActionKey(input), QVariant::fromValue<qlonglong>(0));
        values.insert(OVInertiaEnabledKey(input), defaults.inertiaEnabled);
    }
    values.insert(OVLongPressRightClickKey, false);
    return values;
}

QVariantMap makeBuiltInProfileDefaults() {
    QVariantMap settings = defaultScalarsAndMappings();
    for (const QString& input : OVInputNames()) {
        settings.insert(OVKeyComboKeyCodeKey(input), QVariant::fromValue<quint16>(0));
        settings.insert(OVKeyComboFlagsKey(input), QVariant::fromValue<qulonglong>(0));
        settings.insert(OVKeyComboLabelKey(input), QString(""));
    }
    return settings;
}

// The built-in profile defaults, built once: they never change while the program runs.
const QVariantMap& builtInProfileDefaults() {
    static const QVariantMap table = makeBuiltInProfileDefaults();
    return table;
}

const QVariantMap* asDictionary(const QVariant& value) {
    return value.typeId() == QMetaType::QVariantMap
               ? static_cast<const QVariantMap*>(value.constData())
               : nullptr;
}

// The active profile as the store holds it, read without copying the profile store: the
// profile reads run for every input event.
struct StoredActiveProfile {
    QString name;     // empty while Default is active
    QVariant values;  // the named profile's stored entry (a dictionary, or anything else)
};

StoredActiveProfile storedActiveProfile(const OVPreferences& preferences) {
    const QVariant active = preferences.object(kActiveSettingsProfileKey);
    if (active.typeId() != QMetaType::QString) {
        return {};
    }
    const QString& name = *static_cast<const QString*>(active.constData());
    if (name.isEmpty() || name == OVDefaultProfileName) {
        return {};
    }
    const QVariant profiles = preferences.object(kSettingsProfilesKey);
    const QVariantMap* store = asDictionary(profiles);
    if (!store) {
        return {};
    }
    const auto entry = store->constFind(name);
    if (entry == store->constEnd()) {
        return {};
    }
    return {name, entry.value()};
}

enum class InputKey {
    MouseAction,
    ModifierAction,
    InertiaEnabled,
    KeyComboKeyCode,
    KeyComboFlags,
    KeyComboLabel
};

QString inputKeySuffix(InputKey key) {
    switch (key) {
        case InputKey::MouseAction:
            return kMouseActionSuffix;
        case InputKey::ModifierAction:
            return kModifierActionSuffix;
        case InputKey::InertiaEnabled:
            return QStringLiteral("InertiaEnabled");
        case InputKey::KeyComboKeyCode:
            return QStringLiteral("KeyComboKeyCode");
        case InputKey::KeyComboFlags:
            return QStringLiteral("KeyComboFlags");
        case InputKey::KeyComboLabel:
            return QStringLiteral("KeyComboLabel");
    }
    return QString();
}

// The keys of the five inputs are built once: the gesture engine reads them on every report,
// and a read must not allocate.
QString inputKey(const QString& input, InputKey key) {
    constexpr int kKeyKinds = 6;
    struct Row {
        QString input;
        std::array<QString, kKeyKinds> keys;
    };
    static const std::vector<Row> table = [] {
        std::vector<Row> rows;
        for (const QString& name : OVInputNames()) {
            Row row{name, {}};
            for (int kind = 0; kind < kKeyKinds; ++kind) {
                row.keys[static_cast<size_t>(kind)] = name + inputKeySuffix(InputKey(kind));
            }
            rows.push_back(row);
        }
        return rows;
    }();
    for (const Row& row : table) {
        if (row.input == input) {
            return row.keys[static_cast<size_t>(key)];
        }
    }
    return input + inputKeySuffix(key);
}

std::optional<QString> inputBeforeSuffix(const QString& key, const QString& suffix) {
    if (key.size() > suffix.size() && key.endsWith(suffix)) {
        return key.left(key.size() - suffix.size());
    }
    return std::nullopt;
}

void storeProfiles(const QVariantMap& profiles) {
    OVStandardPreferences().setObject(kSettingsProfilesKey, profiles);
}

void postProfileDidChange() {
    OVDefaultCenter().post(OVSettingsProfileDidChangeNotification);
}

}  // namespace

QVariantMap OVRegisteredDefaultValues() {
    QVariantMap defaults = defaultScalarsAndMappings();
    defaults.insert(QStringLiteral("naturalScroll"), true);
    defaults.insert(QStringLiteral("hideCursor"), false);
    defaults.insert(QStringLiteral("apiBaseURL"), QStringLiteral(ORVETTA_API_BASE_URL));
    defaults.insert(QStringLiteral("deviceSelection"), QStringLiteral("auto"));
    defaults.insert(QStringLiteral("displaySelection"), QStringLiteral("auto"));
    defaults.insert(kSettingsProfilesKey, QVariantMap{{OVDefaultProfileName, QVariantMap()}});
    defaults.insert(kActiveSettingsProfileKey, OVDefaultProfileName);
    defaults.insert(kAutomaticProfileSwitchingKey, true);
    defaults.insert(QStringLiteral("welcomeAcceptedVersion"), QString(""));
    defaults.insert(QStringLiteral("initialCompatibilityReportSent"), false);
    defaults.insert(QStringLiteral("initialCompatibilityCheckCompleted"), false);
    defaults.insert(QStringLiteral("permissionsCompatibilityCheckPending"), false);
    defaults.insert(QStringLiteral("keyboardPosition"), QStringLiteral("bottomCenter"));
    return defaults;
}

void OVRegisterDefaults() {
    OVStandardPreferences().registerDefaults(OVRegisteredDefaultValues());
}

const QStringList& OVInputNames() {
    static const QStringList names{QStringLiteral("finger1"), QStringLiteral("finger2"),
                                   QStringLiteral("finger3"), QStringLiteral("pen"),
                                   QStringLiteral("eraser")};
    return names;
}

QString OVMouseActionKey(const QString& input) {
    return inputKey(input, InputKey::MouseAction);
}
QString OVModifierActionKey(const QString& input) {
    return inputKey(input, InputKey::ModifierAction);
}
QString OVInertiaEnabledKey(const QString& input) {
    return inputKey(input, InputKey::InertiaEnabled);
}
QString OVKeyComboKeyCodeKey(const QString& input) {
    return inputKey(input, InputKey::KeyComboKeyCode);
}
QString OVKeyComboFlagsKey(const QString& input) {
    return inputKey(input, InputKey::KeyComboFlags);
}
QString OVKeyComboLabelKey(const QString& input) {
    return inputKey(input, InputKey::KeyComboLabel);
}

std::optional<QString> OVInputFromMouseActionKey(const QString& key) {
    return inputBeforeSuffix(key, kMouseActionSuffix);
}

std::optional<QString> OVInputFromModifierActionKey(const QString& key) {
    return inputBeforeSuffix(key, kModifierActionSuffix);
}

const QStringList& OVProfileSettingKeys() {
    static const QStringList keys = [] {
        QStringList list{
            QStringLiteral("scrollScale"),        QStringLiteral("inertiaDecay"),
            QStringLiteral("inertiaBoost"),       QStringLiteral("touchDelay"),
            QStringLiteral("scrollReleaseDelay"), QStringLiteral("holdRepeatInterval")};
        for (const QString& input : OVInputNames()) {
            list << OVMouseActionKey(input) << OVModifierActionKey(input)
                 << OVInertiaEnabledKey(input) << OVKeyComboKeyCodeKey(input)
                 << OVKeyComboFlagsKey(input) << OVKeyComboLabelKey(input);
        }
        list << OVLongPressRightClickKey;
        return list;
    }();
    return keys;
}

QVariantMap OVDefaultProfileSettings() {
    return builtInProfileDefaults();
}

QVariantMap OVSettingsProfilesMutable() {
    const QVariantMap stored = OVStandardPreferences().dictionaryForKey(kSettingsProfilesKey);
    QVariantMap profiles;
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        const QVariantMap* dictionary = asDictionary(it.value());
        profiles.insert(it.key(), dictionary ? *dictionary : QVariantMap());
    }
    if (!profiles.contains(OVDefaultProfileName)) {
        profiles.insert(OVDefaultProfileName, QVariantMap());
    }
    return profiles;
}

QString OVActiveSettingsProfileName() {
    const StoredActiveProfile active = storedActiveProfile(OVStandardPreferences());
    return active.name.isEmpty() ? OVDefaultProfileName : active.name;
}

QStringList OVSettingsProfileNames() {
    QStringList others = OVSettingsProfilesMutable().keys();
    others.removeAll(OVDefaultProfileName);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Names equal but for case keep one fixed order, so that the first match of automatic
    // switching does not depend on the sort.
    std::sort(others.begin(), others.end(), [&](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    others.prepend(OVDefaultProfileName);
    return others;
}

QVariant OVProfileValueForKey(const QString& key) {
    const OVPreferences& preferences = OVStandardPreferences();
    const StoredActiveProfile active = storedActiveProfile(preferences);
    QVariant value;
    if (active.name.isEmpty()) {
        value = preferences.object(key);
    } else if (const QVariantMap* profile = asDictionary(active.values)) {
        value = profile->value(key);
    }
    if (value.isValid()) {
        return value;
    }
    return builtInProfileDefaults().value(key);
}

double OVProfileDoubleForKey(const QString& key) {
    return OVProfileValueForKey(key).toDouble();
}

std::int64_t OVProfileIntegerForKey(const QString& key) {
    return OVIntegerValue(OVProfileValueForKey(key));
}

bool OVProfileBoolForKey(const QString& key) {
    return OVProfileValueForKey(key).toBool();
}

QString OVProfileStringForKey(const QString& key) {
    const QVariant value = OVProfileValueForKey(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString("");
}

std::int64_t OVEffectiveMouseActionForInput(const QString& input) {
    const std::int64_t action = OVProfileIntegerForKey(OVMouseActionKey(input));
    if (action == OVMouseActionScrollAndPinch && input != QLatin1String("finger2")) {
        return OVMouseActionScroll;
    }
    return action;
}

std::int64_t OVEffectiveModifierActionForInput(const QString& input) {
    return OVProfileIntegerForKey(OVModifierActionKey(input));
}

bool OVEffectiveInertiaEnabledForInput(const QString& input) {
    return OVProfileBoolForKey(OVInertiaEnabledKey(input));
}

QVariantMap OVSnapshotCurrentProfileSettings() {
    QVariantMap snapshot;
    for (const QString& key : OVProfileSettingKeys()) {
        const QVariant value = OVProfileValueForKey(key);
        if (value.isValid()) {
            snapshot.insert(key, value);
        }
    }
    return snapshot;
}

void OVSetProfileValueForKey(const QString& key, const QVariant& value) {
    const QString active = OVActiveSettingsProfileName();
    if (active == OVDefaultProfileName) {
        OVStandardPreferences().setObject(key, value);  // an invalid value removes the key
        return;
    }
    QVariantMap profiles = OVSettingsProfilesMutable();
    QVariantMap profile = profiles.value(active).toMap();
    if (value.isValid()) {
        profile.insert(key, value);
    } else {
        profile.remove(key);
    }
    profiles.insert(active, profile);
    storeProfiles(profiles);
}

std::optional<QString> OVTrimmedProfileName(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    return trimmed;
}

bool OVSaveCurrentSettingsAsProfile(const QString& name) {
    const std::optional<QString> trimmed = OVTrimmedProfileName(name);
    if (!trimmed || *trimmed == OVDefaultProfileName) {
        return false;
    }
    QVariantMap profiles = OVSettingsProfilesMutable();
    profiles.insert(*trimmed, OVSnapshotCurrentProfileSettings());
    storeProfiles(profiles);
    OVStandardPreferences().setObject(kActiveSettingsProfileKey, *trimmed);
    postProfileDidChange();
    return true;
}

void OVSetActiveSettingsProfile(const QString& name) {
    const QVariantMap profiles = OVSettingsProfilesMutable();
    const std::optional<QString> trimmed = OVTrimmedProfileName(name);
    QString selected = OVDefaultProfileName;
    // A stored name with white space around it (only a hand-edited store has one) is selected
    // as it is, so that the menu and automatic switching can still reach that profile.
    if (trimmed && profiles.contains(name)) {
        selected = name;
    } else if (trimmed && profiles.contains(*trimmed)) {
        selected = *trimmed;
    }
    OVStandardPreferences().setObject(kActiveSettingsProfileKey, selected);
    postProfileDidChange();
}

bool OVRemoveActiveSettingsProfile() {
    const QString active = OVActiveSettingsProfileName();
    if (active == OVDefaultProfileName) {
        return false;
    }
    QVariantMap profiles = OVSettingsProfilesMutable();
    profiles.remove(active);
    storeProfiles(profiles);
    OVStandardPreferences().setObject(kActiveSettingsProfileKey, OVDefaultProfileName);
    postProfileDidChange();
    return true;
}

bool OVAutomaticProfileSwitchingEnabled() {
    return OVStandardPreferences().boolForKey(kAutomaticProfileSwitchingKey);
}

void OVSetAutomaticProfileSwitchingEnabled(bool enabled) {
    OVStandardPreferences().setBool(kAutomaticProfileSwitchingKey, enabled);
    postProfileDidChange();
}
