#include "app/help_page.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <optional>

#include "orvetta_config.h"

namespace {

const QString kPermissionGuideFile = QStringLiteral("permissions.html");

// `relativePath` under the install prefix of the running program, when there is an application.
QStringList besideProgram(const QString& relativePath) {
    if (!QCoreApplication::instance()) {
        return {};
    }
    return {QDir(QCoreApplication::applicationDirPath())
                .filePath(QStringLiteral("../share/") + relativePath)};
}

std::optional<QUrl> firstExistingFile(const QStringList& candidates) {
    for (const QString& candidate : candidates) {
        const QFileInfo file(candidate);
        if (file.isFile()) {
            return QUrl::fromLocalFile(file.canonicalFilePath());
        }
    }
    return std::nullopt;
}

}  // namespace

QUrl OVHelpPageURL() {
    const QUrl configured(QStringLiteral(ORVETTA_HELP_URL));
    if (!configured.isLocalFile()) {
        return configured;
    }
    const QString name = QFileInfo(configured.toLocalFile()).fileName();
    QStringList candidates{configured.toLocalFile()};
    candidates += besideProgram(QStringLiteral("doc/orvetta/") + name);
    candidates.append(QStringLiteral(ORVETTA_SOURCE_RESOURCE_DIR "/linux/") + name);
    return firstExistingFile(candidates).value_or(configured);
}

QUrl OVPermissionHelpURL(const QString& section) {
    QStringList candidates = besideProgram(QStringLiteral("orvetta/") + kPermissionGuideFile);
    candidates.append(QStringLiteral(ORVETTA_INSTALL_DATADIR "/") + kPermissionGuideFile);
    candidates.append(QStringLiteral(ORVETTA_SOURCE_RESOURCE_DIR "/linux/") + kPermissionGuideFile);
    QUrl url = firstExistingFile(candidates).value_or(OVHelpPageURL());
    if (!section.isEmpty()) {
        url.setFragment(section);
    }
    return url;
}
