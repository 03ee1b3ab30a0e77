#include "base/preferences.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <cmath>
#include <limits>

#include "base/preferences_file.h"

namespace {

bool isAbsolute(const QString& path) {
    return !path.isEmpty() && QDir::isAbsolutePath(path);
}

QStringList changedKeys(const QVariantMap& before, const QVariantMap& after) {
    QSet<QString> keys;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (!after.contains(it.key()) || after.value(it.key()) != it.value()) {
            keys.insert(it.key());
        }
    }
    for (auto it = after.begin(); it != after.end(); ++it) {
        if (!before.contains(it.key())) {
            keys.insert(it.key());
        }
    }
    QStringList sorted(keys.begin(), keys.end());
    sorted.sort();
    return sorted;
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

// The file and its folder under watch (an atomic write replaces the file, so the folder tells
// when it comes back); a burst of events leads to one reading on the main loop.
struct OVPreferences::Watch {
    QFileSystemWatcher watcher;
    OVTimer takeIn;
};

OVPreferences::OVPreferences() = default;

OVPreferences::OVPreferences(const QString& path, OVScheduler* scheduler)
    : _path(path), _scheduler(scheduler) {
    const FileContent content = readFile();
    _stored = content.values;
    _fileBytes = content.bytes;
}

OVPreferences::~OVPreferences() {
    _writeTimer.invalidate();
    stopFollowingFileChanges();
    if (!_pendingKeys.isEmpty()) {
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

OVPreferences::FileContent OVPreferences::readFile() {
    using State = OVPreferencesFileRead::State;
    const OVPreferencesFileRead read = OVReadPreferencesFile(_path);
    _fileUnreadable = read.state == State::Unreadable;
    FileContent content;
    switch (read.state) {
        case State::Absent:
            content.usable = true;
            break;
        case State::Loaded:
            content.usable = true;
            content.values = read.values;
            content.bytes = read.bytes;
            break;
        case State::Unreadable:
            _fileProblem = read.problem;
            if (!_unreadableReported) {
                _unreadableReported = true;
                qWarning().noquote() << QStringLiteral(
                                            "Orvetta cannot read its preferences at %1 (%2); it "
                                            "runs with the settings it has and saves nothing "
                                            "until the file can be read")
                                            .arg(_path, read.problem);
            }
            break;
        case State::KeptAside:
            _keptAsidePath = read.keptAsidePath;
            qWarning().noquote() << QStringLiteral(
                                        "Orvetta preferences at %1 could not be read (%2); kept "
                                        "as %3, starting from defaults")
                                        .arg(_path, read.problem,
                                             _keptAsidePath.isEmpty()
                                                 ? QStringLiteral("(not moved)")
                                                 : _keptAsidePath);
            break;
    }
    return content;
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
    _pendingKeys.insert(key);
    scheduleWrite();
}

void OVPreferences::removeObject(const QString& key) {
    if (_stored.remove(key) > 0) {
        _pendingKeys.insert(key);
        scheduleWrite();
    }
}

void OVPreferences::scheduleWrite() {
    if (_path.isEmpty()) {
        return;
    }
    if (_scheduler && !_writeTimer.isValid()) {
        _writeTimer = _scheduler->after(0.0, [this] { synchronize(); });
    }
}

QVariantMap OVPreferences::withPendingChanges(QVariantMap base) const {
    for (const QString& key : _pendingKeys) {
        const auto stored = _stored.constFind(key);
        if (stored != _stored.constEnd()) {
            base.insert(key, stored.value());
        } else {
            base.remove(key);
        }
    }
    return base;
}

QStringList OVPreferences::adopt(const QVariantMap& values) {
    const QStringList changed = changedKeys(_stored, values);
    _stored = values;
    if (!changed.isEmpty() && _changed) {
        _changed(changed);
    }
    return changed;
}

bool OVPreferences::synchronize(OVError* error) {
    _writeTimer.invalidate();
    if (_pendingKeys.isEmpty() || _path.isEmpty()) {
        return true;
    }
    const FileContent content = readFile();
    if (_fileUnreadable) {
        return OVSetError(error, 2,
                          QStringLiteral("Could not read preferences at %1: %2; nothing was saved")
                              .arg(_path, _fileProblem));
    }
    // A file kept aside just now held nothing usable: this store's values are what there is.
    const QVariantMap merged = withPendingChanges(content.usable ? content.values : _stored);
    const QByteArray bytes = OVPreferencesFileBytes(merged);
    OVError writeError;
    if (!OVWritePreferencesFile(_path, bytes, &writeError)) {
        qWarning().noquote() << QStringLiteral("Orvetta could not write preferences to %1: %2")
                                    .arg(_path, writeError.description);
        return OVSetError(error, writeError.code, writeError.description);
    }
    _fileBytes = bytes;
    _pendingKeys.clear();
    adopt(merged);
    return true;
}

QStringList OVPreferences::takeInFileChanges() {
    if (_path.isEmpty()) {
        return {};
    }
    const bool wasUnreadable = _fileUnreadable;
    const FileContent content = readFile();
    if (_fileUnreadable || (content.usable && content.bytes == _fileBytes && !wasUnreadable)) {
        return {};
    }
    if (!content.usable) {
        // Kept aside: write back what this store holds.
        for (auto it = _stored.begin(); it != _stored.end(); ++it) {
            _pendingKeys.insert(it.key());
        }
        _fileBytes.clear();
        scheduleWrite();
        return {};
    }
    _fileBytes = content.bytes;
    if (!_pendingKeys.isEmpty()) {
        scheduleWrite();
    }
    return adopt(withPendingChanges(content.values));
}

void OVPreferences::followFileChanges(ChangeHandler changed) {
    _changed = std::move(changed);
    if (_path.isEmpty() || _watch) {
        return;
    }
    _watch = std::make_unique<Watch>();
    const QString folder = QFileInfo(_path).absolutePath();
    QDir().mkpath(folder);
    _watch->watcher.addPath(folder);
    watchFile();
    QObject::connect(&_watch->watcher, &QFileSystemWatcher::fileChanged, &_watch->watcher,
                     [this] { scheduleTakeIn(); });
    QObject::connect(&_watch->watcher, &QFileSystemWatcher::directoryChanged, &_watch->watcher,
                     [this] { scheduleTakeIn(); });
}

void OVPreferences::stopFollowingFileChanges() {
    if (_watch) {
        _watch->takeIn.invalidate();
        _watch.reset();
    }
    _changed = nullptr;
}

void OVPreferences::watchFile() {
    // A replaced file is a new one to watch; one that cannot be read cannot be watched, and its
    // folder tells when it is replaced.
    if (_watch && !_fileUnreadable && QFileInfo::exists(_path) &&
        !_watch->watcher.files().contains(_path)) {
        _watch->watcher.addPath(_path);
    }
}

void OVPreferences::scheduleTakeIn() {
    auto takeIn = [this] {
        takeInFileChanges();
        watchFile();
    };
    if (!_scheduler) {
        takeIn();
        return;
    }
    if (!_watch->takeIn.isValid()) {
        _watch->takeIn = _scheduler->after(0.0, [this, takeIn] {
            _watch->takeIn = OVTimer();
            takeIn();
        });
    }
}
