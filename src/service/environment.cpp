#include "service/environment.h"

#include <sys/utsname.h>

#include <QFile>
#include <QLocale>
#include <QSysInfo>
#include <QTimeZone>
#include <QUuid>

#include "base/preferences.h"
#include "base/services.h"
#include "orvetta_config.h"

namespace {

const QString kInstallIDKey = QStringLiteral("installID");
const QByteArray kPrettyNamePrefix = QByteArrayLiteral("PRETTY_NAME=");

QString orFallback(const QString& value, const QString& fallback) {
    return value.isEmpty() ? fallback : value;
}

// An os-release value without its quotes and backslash escapes.
QString unquotedOSReleaseValue(QByteArray value) {
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.mid(1, value.size() - 2);
    }
    QByteArray unescaped;
    unescaped.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        unescaped.append(value[i]);
    }
    return QString::fromUtf8(unescaped);
}

}  // namespace

QString OVBundleVersion() {
    return orFallback(QStringLiteral(ORVETTA_VERSION), QStringLiteral("0.9"));
}

QString OVBundleBuild() {
    return orFallback(QStringLiteral(ORVETTA_BUILD), QStringLiteral("1"));
}

QString OVStableInstallID() {
    OVPreferences& preferences = OVStandardPreferences();
    QString installID = preferences.stringForKey(kInstallIDKey);
    if (installID.isEmpty()) {
        installID = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        preferences.setObject(kInstallIDKey, installID);
    }
    return installID;
}

QString OVArchitectureName() {
    struct utsname name {};
    if (uname(&name) != 0) {
        return QStringLiteral("unknown");
    }
    return orFallback(QString::fromLocal8Bit(name.machine), QStringLiteral("unknown"));
}

QString OVLocaleIdentifier() {
    return orFallback(QLocale().name().replace(QLatin1Char('_'), QLatin1Char('-')),
                      QStringLiteral("unknown"));
}

QString OVTimeZoneIdentifier() {
    return orFallback(QString::fromUtf8(QTimeZone::systemTimeZoneId()), QStringLiteral("unknown"));
}

QString OVPlatformName() {
    return QStringLiteral("linux");
}

QString OVOperatingSystemVersionString() {
    for (const QString& path :
         {QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QString prettyName = OVOSReleasePrettyName(file.read(64 * 1024));
            if (!prettyName.isEmpty()) {
                return prettyName;
            }
        }
    }
    return (QStringLiteral("Linux ") + QSysInfo::kernelVersion()).trimmed();
}

QString OVOSReleasePrettyName(const QByteArray& osRelease) {
    for (const QByteArray& line : osRelease.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith(kPrettyNamePrefix)) {
            return unquotedOSReleaseValue(trimmed.mid(kPrettyNamePrefix.size())).trimmed();
        }
    }
    return QString();
}
