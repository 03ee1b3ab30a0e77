#include "base/preferences_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

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

}  // namespace

OVPreferencesFileRead OVReadPreferencesFile(const QString& path) {
    using State = OVPreferencesFileRead::State;
    OVPreferencesFileRead read;
    QFile file(path);
    if (!file.exists()) {
        return read;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        read.state = State::Unreadable;
        read.problem = file.errorString();
        return read;
    }
    read.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        read.state = State::Unreadable;
        read.problem = file.errorString();
        read.bytes.clear();
        return read;
    }
    file.close();

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes, &parseError);
    if (parseError.error == QJsonParseError::NoError && document.isObject()) {
        read.state = State::Loaded;
        read.values = withoutNulls(document.object());
        return read;
    }
    read.state = State::KeptAside;
    read.problem = parseError.error != QJsonParseError::NoError
                       ? parseError.errorString()
                       : QStringLiteral("not a JSON object");
    read.keptAsidePath = corruptCopyPath(path);
    if (!QFile::rename(path, read.keptAsidePath)) {
        read.keptAsidePath.clear();
    }
    return read;
}

QByteArray OVPreferencesFileBytes(const QVariantMap& values) {
    return QJsonDocument(QJsonObject::fromVariantMap(values)).toJson();
}

bool OVWritePreferencesFile(const QString& path, const QByteArray& bytes, OVError* error) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return OVSetError(
            error, 1, QStringLiteral("Could not write preferences: %1").arg(file.errorString()));
    }
    return true;
}
