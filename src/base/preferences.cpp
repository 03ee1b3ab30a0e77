#include "base/preferences.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <cmath>
#include <limits>

namespace {

QString corruptCopyPath(const QString& path) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString candidate = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(candidate); ++n) {
        candidate = path + QStringLiteral(".corrupt-") + stamp + QStringLiteral("-%1").arg(n);
    }
    return candidate;
}

// A JSON null is no value: the member reads as absent, so the registered default shows through.
QVariantMap withoutNulls(const QJsonObject& object) {
    QVariantMap values;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isNull()) {
            continue;
        }
        values.insert(it.key(), it.value().isObject()
                                    ? QVariant(withoutNulls(it.value().toObject()))
                                    : it.value().toVariant());
    }
    return values;
}

bool isAbsolute(const QString& path) {
    return !path.isEmpty() && QDir::isAbsolutePath(path);
}

}  // namespace

qint64 OVIntegerValue(const QVariant& value) {
    if (value.typeId() != QMetaType::Double && value.typeId() != QMetaType::Float) {
        return value.toLongLong();
    }
    // A fraction is cut off, as a number's integer reading does; out-of-range values saturate.
    const double number = std::trunc(value.toDouble());
    if (std::isnan(number)) {
        return 0;
    }
    if (number >= 9223372036854775807.0) {
        return std::numeric_limits<qint64>::max();
    }
    if (number <= -9223372036854775808.0) {
        return std::numeric_limits<qint64>::min();
    }
    return static_cast<qint64>(number);
}

OVPreferences::OVPreferences(const QString& path, OVScheduler* scheduler)
    : _path(path), _scheduler(scheduler) {
    load();
}

OVPreferences::~OVPreferences() {
    _writeTimer.invalidate();
    if (_dirty) {
        synchronize();
    }
}

QString OVPreferences::defaultPath() {
    const QByteArray override = qgetenv("ORVETTA_CONFIG_DIR");
    if (!override.isEmpty()) {
        return QDir(QString::fromLocal8Bit(override)).filePath(QStringLiteral("preferences.json"));
    }
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (!isAbsolute(base)) {
        base = QDir::home().filePath(QStringLiteral(".config"));
    }
    return QDir(base).filePath(QStringLiteral("orvetta/preferences.json"));
}

void OVPreferences::load() {
    QFile file(_path);
    if (!file.exists()) {
        return;
    }
    QString problem;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    } else {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
        file.close();
        if (parseError.error != QJsonParseError::NoError) {
            problem = parseError.errorString();
        } else if (!document.isObject()) {
            problem = QStringLiteral("not a JSON object");
        } else {
            _stored = withoutNulls(document.object());
            return;
        }
    }
    _keptAsidePath = corruptCopyPath(_path);
    if (!QFile::rename(_path, _keptAsidePath)) {
        _keptAsidePath.clear();
    }
    qWarning().noquote() << QStringLiteral(
                                "Orvetta preferences at %1 could not be read (%2); kept as %3, "
                                "starting from defaults")
                                .arg(_path, problem,
                                     _keptAsidePath.isEmpty() ? QStringLiteral("(not moved)")
                                                              : _keptAsidePath);
}

void OVPreferences::registerDefaults(const QVariantMap& defaults) {
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        _defaults.insert(it.key(), it.value());
    }
}

QVariant OVPreferences::object(const QString& key) const {
    auto stored = _stored.constFind(key);
    if (stored != _stored.constEnd()) {
        return stored.value();
    }
    return _defaults.value(key);
}

QString OVPreferences::stringForKey(const QString& key) const {
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool OVPreferences::boolForKey(const QString& key) const {
    return object(key).toBool();
}

qint64 OVPreferences::integerForKey(const QString& key) const {
    return OVIntegerValue(object(key));
}

double OVPreferences::doubleForKey(const QString& key) const {
    return object(key).toDouble();
}

QVariantMap OVPreferences::dictionaryForKey(const QString& key) const {
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QVariantList OVPreferences::arrayForKey(const QString& key) const {
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

void OVPreferences::setObject(const QString& key, const QVariant& value) {
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr) {
        removeObject(key);
        return;
    }
    _stored.insert(key, value);
    scheduleWrite();
}

void OVPreferences::removeObject(const QString& key) {
    if (_stored.remove(key) > 0) {
        scheduleWrite();
    }
}

void OVPreferences::scheduleWrite() {
    if (_path.isEmpty()) {
        return;
    }
    _dirty = true;
    if (_scheduler && !_writeTimer.isValid()) {
        _writeTimer = _scheduler->after(0.0, [this] { synchronize(); });
    }
}

bool OVPreferences::synchronize(OVError* error) {
    _writeTimer.invalidate();
    if (!_dirty || _path.isEmpty()) {
        return true;
    }
    QDir().mkpath(QFileInfo(_path).absolutePath());
    QSaveFile file(_path);
    const QByteArray bytes = QJsonDocument(QJsonObject::fromVariantMap(_stored)).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        qWarning().noquote() << QStringLiteral("Orvetta could not write preferences to %1: %2")
                                    .arg(_path, file.errorString());
        return OVSetError(
            error, 1, QStringLiteral("Could not write preferences: %1").arg(file.errorString()));
    }
    _dirty = false;
    return true;
}
