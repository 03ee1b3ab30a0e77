#pragma once

#include <QByteArray>
#include <QString>

// What the program tells the service about itself and the machine it runs on. Every function
// returns a non-empty text.

inline const QString OVServiceAppName = QStringLiteral("orvetta");
inline const QString OVServiceChannel = QStringLiteral("beta");

// The version of the program, "0.9" when the build has none.
QString OVBundleVersion();
// The build number, "1" when the build has none.
QString OVBundleBuild();
// The installation identifier: the installID preference, created (an upper-case UUID) and stored
// on first use.
QString OVStableInstallID();
// The machine field of uname ("x86_64", "aarch64"), or "unknown".
QString OVArchitectureName();
// The current locale with "-" between its parts ("de-DE"), or "unknown".
QString OVLocaleIdentifier();
// The local time zone ("Europe/Helsinki"), or "unknown".
QString OVTimeZoneIdentifier();

// The name of this platform in reports and queries: "linux".
QString OVPlatformName();
// The distribution's pretty name ("Debian GNU/Linux 12 (bookworm)") from os-release, else the
// kernel's name and version.
QString OVOperatingSystemVersionString();
// PRETTY_NAME of an os-release document with its quoting removed; empty when it has none.
QString OVOSReleasePrettyName(const QByteArray& osRelease);
