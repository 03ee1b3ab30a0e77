#include "app/help_page.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "orvetta_config.h"

QUrl OVHelpPageURL() {
    const QUrl configured(QStringLiteral(ORVETTA_HELP_URL));
    if (!configured.isLocalFile()) {
        return configured;
    }
    const QString name = QFileInfo(configured.toLocalFile()).fileName();
    QStringList candidates{configured.toLocalFile()};
    if (QCoreApplication::instance()) {
        candidates.append(QDir(QCoreApplication::applicationDirPath())
                              .filePath(QStringLiteral("../share/doc/orvetta/") + name));
    }
    candidates.append(QStringLiteral(ORVETTA_SOURCE_RESOURCE_DIR "/linux/") + name);
    for (const QString& candidate : candidates) {
        const QFileInfo file(candidate);
        if (file.isFile()) {
            return QUrl::fromLocalFile(file.canonicalFilePath());
        }
    }
    return configured;
}

QUrl OVPermissionHelpURL(const QString& section) {
    QUrl url = OVHelpPageURL();
    url.setFragment(section.isEmpty() ? QStringLiteral("permissions") : section);
    return url;
}
