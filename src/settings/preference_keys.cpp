#include "settings/preference_keys.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <cmath>

#include "settings/key_names.h"
#include "settings/profiles.h"

namespace {

using Kind = OVPreferenceValueKind;

QHash<QString, Kind> makeKindTable() {
    QHash<QString, Kind> kinds;
    for (const char* key : {"scrollScale", "inertiaDecay", "inertiaBoost", "touchDelay",
                            "scrollReleaseDelay", "holdRepeatInterval"}) {
        kinds.insert(QLatin1String(key), Kind::Double);
    }
    for (const QString& input : OVInputNames()) {
        kinds.insert(OVMouseActionKey(input), Kind::MouseAction);
        kinds.insert(OVModifierActionKey(input), Kind::KeyboardAction);
        kinds.insert(OVInertiaEnabledKey(input), Kind::InertiaFlag);
        kinds.insert(OVKeyComboKeyCodeKey(input), Kind::KeyCode);
        kinds.insert(OVKeyComboFlagsKey(input), Kind::ComboFlags);
        kinds.insert(OVKeyComboLabelKey(input), Kind::String);
    }
    for (const char* key : {"naturalScroll", "hideCursor", "automaticProfileSwitching",
                            "initialCompatibilityReportSent", "initialCompatibilityCheckCompleted",
                            "permissionsCompatibilityCheckPending", "longPressRightClick"}) {
        kinds.insert(QLatin1String(key), Kind::Boolean);
    }
    for (const char* key : {"apiBaseURL", "deviceSelection", "displaySelection",
                            "activeSettingsProfile", "welcomeAcceptedVersion", "keyboardPosition",
                            "installID", "lastLaunchedVersion", "lastLaunchedBuild"}) {
        kinds.insert(QLatin1String(key), Kind::String);
    }
    kinds.insert(QStringLiteral("settingsProfiles"), Kind::ProfileStore);
    kinds.insert(QStringLiteral("shownPolicyMessageIDs"), Kind::StringArray);
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
