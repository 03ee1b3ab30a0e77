#include "settings/preference_vocabulary.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/modifier_flags.h"
#include "orvetta_config.h"

namespace {

using Kind = OVPreferenceValueKind;

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

QList<OVPreferenceKey> makeProfileKeys() {
    QList<OVPreferenceKey> keys{
        {QStringLiteral("scrollScale"), Kind::Double, 1.5},
        {QStringLiteral("inertiaDecay"), Kind::Double, 0.95},
        {QStringLiteral("inertiaBoost"), Kind::Double, 2.0},
        {QStringLiteral("touchDelay"), Kind::Double, 0.1},
        {QStringLiteral("scrollReleaseDelay"), Kind::Double, 0.01},
        {QStringLiteral("holdRepeatInterval"), Kind::Double, 0.1},
    };
    for (const QString& input : OVInputNames()) {
        const InputDefaults defaults = defaultsForInput(input);
        keys.append({OVMouseActionKey(input), Kind::MouseAction,
                     QVariant::fromValue<qlonglong>(defaults.mouseAction)});
        keys.append(
            {OVModifierActionKey(input), Kind::KeyboardAction, QVariant::fromValue<qlonglong>(0)});
        keys.append({OVInertiaEnabledKey(input), Kind::InertiaFlag, defaults.inertiaEnabled});
        keys.append(
            {OVKeyComboKeyCodeKey(input), Kind::KeyCode, QVariant::fromValue<quint16>(0), false});
        keys.append({OVKeyComboFlagsKey(input), Kind::ComboFlags,
                     QVariant::fromValue<qulonglong>(0), false});
        keys.append({OVKeyComboLabelKey(input), Kind::String, QString(""), false});
    }
    keys.append({OVLongPressRightClickKey, Kind::Boolean, false});
    return keys;
}

QList<OVPreferenceKey> makeGlobalKeys() {
    const QString automatic = QStringLiteral("auto");
    return {
        {QStringLiteral("naturalScroll"), Kind::Boolean, true},
        {QStringLiteral("hideCursor"), Kind::Boolean, false},
        {QStringLiteral("apiBaseURL"), Kind::String, QStringLiteral(ORVETTA_API_BASE_URL)},
        {QStringLiteral("deviceSelection"), Kind::String, automatic},
        {QStringLiteral("displaySelection"), Kind::String, automatic},
        {OVSettingsProfilesKey, Kind::ProfileStore,
         QVariantMap{{QStringLiteral("Default"), QVariantMap()}}},
        {OVActiveSettingsProfileKey, Kind::String, QStringLiteral("Default")},
        {OVAutomaticProfileSwitchingKey, Kind::Boolean, true},
        {QStringLiteral("welcomeAcceptedVersion"), Kind::String, QString("")},
        {QStringLiteral("initialCompatibilityReportSent"), Kind::Boolean, false},
        {QStringLiteral("initialCompatibilityCheckCompleted"), Kind::Boolean, false},
        {QStringLiteral("permissionsCompatibilityCheckPending"), Kind::Boolean, false},
        {QStringLiteral("keyboardPosition"), Kind::String, QStringLiteral("bottomCenter")},
        {QStringLiteral("installID"), Kind::String, {}, false},
        {QStringLiteral("lastLaunchedVersion"), Kind::String, {}, false},
        {QStringLiteral("lastLaunchedBuild"), Kind::String, {}, false},
        {QStringLiteral("shownPolicyMessageIDs"), Kind::StringArray, {}, false},
    };
}

QHash<QString, Kind> makeKindTable() {
    QHash<QString, Kind> kinds;
    for (const QList<OVPreferenceKey>* list :
         {&OVProfilePreferenceKeys(), &OVGlobalPreferenceKeys()}) {
        for (const OVPreferenceKey& key : *list) {
            kinds.insert(key.name, key.kind);
        }
    }
    return kinds;
}

const QHash<QString, Kind>& kindTable() {
    static const QHash<QString, Kind> table = makeKindTable();
    return table;
}

bool refuse(OVError* error, const QString& description) {
    return OVSetError(error, 2, description);
}

// A JSON number that is a whole number within [minimum, maximum].
std::optional<qint64> wholeNumber(const QJsonValue& value, double minimum, double maximum) {
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < minimum || number > maximum) {
        return std::nullopt;
    }
    return static_cast<qint64>(number);
}

std::optional<QVariant> integerInRange(const QJsonValue& value, double minimum, double maximum) {
    const std::optional<qint64> number = wholeNumber(value, minimum, maximum);
    if (!number) {
        return std::nullopt;
    }
    return QVariant::fromValue<qlonglong>(*number);
}

bool isStringArray(const QJsonValue& value) {
    if (!value.isArray()) {
        return false;
    }
    const QJsonArray array = value.toArray();
    return std::all_of(array.begin(), array.end(),
                       [](const QJsonValue& item) { return item.isString(); });
}

std::optional<QVariant> profileStoreValue(const QJsonValue& value, QString* problem);

// The stored form of `value` for a key of `kind`, or nothing when it does not fit; `problem`
// receives what is wrong inside a profile store.
std::optional<QVariant> storedValue(Kind kind, const QJsonValue& value,
                                    QString* problem = nullptr) {
    switch (kind) {
        case Kind::Double:
            if (value.isDouble() && std::isfinite(value.toDouble())) {
                return QVariant(value.toDouble());
            }
            return std::nullopt;
        case Kind::Boolean:
            return value.isBool() ? std::optional<QVariant>(value.toBool()) : std::nullopt;
        case Kind::String:
            return value.isString() ? std::optional<QVariant>(value.toString()) : std::nullopt;
        case Kind::ProfileStore:
            return profileStoreValue(value, problem);
        case Kind::StringArray:
            return isStringArray(value) ? std::optional<QVariant>(value.toVariant()) : std::nullopt;
        case Kind::MouseAction:
            return integerInRange(value, OVMouseActionNone, OVMouseActionScrollAndPinch);
        case Kind::KeyboardAction:
            return integerInRange(value, OVKeyboardActionNone, OVKeyboardActionScreenshot);
        case Kind::InertiaFlag:
            if (value.isBool()) {
                return QVariant(value.toBool());
            }
            return integerInRange(value, 0, 1);
        case Kind::KeyCode:
            return integerInRange(value, 0, 0xFFFF);
        case Kind::ComboFlags: {
            const std::optional<qint64> flags = wholeNumber(value, 0, OVEventFlagModifiers);
            if (!flags || (static_cast<quint64>(*flags) & ~OVEventFlagModifiers) != 0) {
                return std::nullopt;
            }
            return QVariant::fromValue<qlonglong>(*flags);
        }
    }
    return std::nullopt;
}

QString expectation(Kind kind) {
    switch (kind) {
        case Kind::Double:
            return QStringLiteral("a number");
        case Kind::Boolean:
            return QStringLiteral("true or false");
        case Kind::String:
            return QStringLiteral("a JSON string in double quotes");
        case Kind::ProfileStore:
            return QStringLiteral("an object of profile objects");
        case Kind::StringArray:
            return QStringLiteral("an array of strings");
        case Kind::MouseAction:
            return QStringLiteral("a mouse action from 0 to 5");
        case Kind::KeyboardAction:
            return QStringLiteral("a keyboard action from 0 to 9");
        case Kind::InertiaFlag:
            return QStringLiteral("true, false, 0 or 1");
        case Kind::KeyCode:
            return QStringLiteral("a key code from 0 to 65535");
        case Kind::ComboFlags:
            return QStringLiteral("modifier flags made of 0x20000, 0x40000, 0x80000 and 0x100000");
    }
    return QString();
}

// A profile store: profile name -> object of profile setting keys, each value of its key's kind
// and stored as the program reads it.
std::optional<QVariant> profileStoreValue(const QJsonValue& value, QString* problem) {
    if (!value.isObject()) {
        return std::nullopt;
    }
    const QJsonObject profiles = value.toObject();
    QVariantMap stored;
    for (auto profile = profiles.begin(); profile != profiles.end(); ++profile) {
        if (!profile.value().isObject()) {
            return std::nullopt;
        }
        const QJsonObject settings = profile.value().toObject();
        QVariantMap storedSettings;
        for (auto setting = settings.begin(); setting != settings.end(); ++setting) {
            const QString& key = setting.key();
            const bool known = OVProfileSettingKeys().contains(key);
            const std::optional<QVariant> settingValue =
                known ? storedValue(kindTable().value(key), setting.value()) : std::nullopt;
            if (!settingValue) {
                if (problem) {
                    *problem =
                        known ? QStringLiteral("%1 in profile '%2' takes %3")
                                    .arg(key, profile.key(), expectation(kindTable().value(key)))
                              : QStringLiteral(
                                    "profile '%1' holds '%2', which is no "
                                    "profile setting")
                                    .arg(profile.key(), key);
                }
                return std::nullopt;
            }
            storedSettings.insert(key, *settingValue);
        }
        stored.insert(profile.key(), storedSettings);
    }
    return QVariant(stored);
}

// One JSON value of any kind, scalars included.
std::optional<QJsonValue> parseOneValue(const QString& text) {
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QStringLiteral("[%1]").arg(text).toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray() ||
        document.array().size() != 1) {
        return std::nullopt;
    }
    return document.array().first();
}

}  // namespace

const QList<OVPreferenceKey>& OVProfilePreferenceKeys() {
    static const QList<OVPreferenceKey> keys = makeProfileKeys();
    return keys;
}

const QList<OVPreferenceKey>& OVGlobalPreferenceKeys() {
    static const QList<OVPreferenceKey> keys = makeGlobalKeys();
    return keys;
}

const QStringList& OVProfileSettingKeys() {
    static const QStringList names = [] {
        QStringList list;
        for (const OVPreferenceKey& key : OVProfilePreferenceKeys()) {
            list.append(key.name);
        }
        return list;
    }();
    return names;
}

const QVariantMap& OVDefaultProfileSettings() {
    static const QVariantMap defaults = [] {
        QVariantMap values;
        for (const OVPreferenceKey& key : OVProfilePreferenceKeys()) {
            values.insert(key.name, key.defaultValue);
        }
        return values;
    }();
    return defaults;
}

QVariantMap OVRegisteredDefaultValues() {
    QVariantMap defaults;
    for (const QList<OVPreferenceKey>* list :
         {&OVProfilePreferenceKeys(), &OVGlobalPreferenceKeys()}) {
        for (const OVPreferenceKey& key : *list) {
            if (key.registered) {
                defaults.insert(key.name, key.defaultValue);
            }
        }
    }
    return defaults;
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

std::optional<OVPreferenceValueKind> OVPreferenceValueKindForKey(const QString& key) {
    const auto kind = kindTable().constFind(key);
    if (kind == kindTable().constEnd()) {
        return std::nullopt;
    }
    return kind.value();
}

std::optional<QVariant> OVPreferenceValueFromJSON(const QString& key, const QString& text,
                                                  OVError* error) {
    const std::optional<Kind> kind = OVPreferenceValueKindForKey(key);
    if (!kind) {
        refuse(error, QStringLiteral("unknown preference key '%1'").arg(key));
        return std::nullopt;
    }
    const std::optional<QJsonValue> value = parseOneValue(text);
    if (!value) {
        refuse(error, QStringLiteral("'%1' is not one JSON value (strings need double quotes)")
                          .arg(text.simplified()));
        return std::nullopt;
    }
    QString problem;
    std::optional<QVariant> stored = storedValue(*kind, *value, &problem);
    if (!stored) {
        refuse(error, problem.isEmpty() ? QStringLiteral("%1 takes %2, not %3")
                                              .arg(key, expectation(*kind), text.simplified())
                                        : QStringLiteral("%1: %2").arg(key, problem));
    }
    return stored;
}

QString OVJSONTextForValue(const QVariant& value, bool indented) {
    if (!value.isValid()) {
        return QStringLiteral("null");
    }
    const QJsonValue json = QJsonValue::fromVariant(value);
    if (json.isObject()) {
        return QString::fromUtf8(
                   QJsonDocument(json.toObject())
                       .toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact))
            .trimmed();
    }
    if (json.isArray()) {
        return QString::fromUtf8(
                   QJsonDocument(json.toArray())
                       .toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact))
            .trimmed();
    }
    // A scalar: written as the only member of an array, without the brackets.
    const QByteArray wrapped = QJsonDocument(QJsonArray{json}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}
