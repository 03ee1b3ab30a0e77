#include "service/report_outbox.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUuid>
#include <memory>

#include "base/services.h"
#include "service/bounded_json.h"
#include "service/service_client.h"

namespace {

constexpr int kSequenceDigits = 10;

// Only the outbox's own files count; a temporary file of an interrupted write does not.
const QRegularExpression& reportFileName() {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{10})-[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\.json$"));
    return pattern;
}

qint64 sequenceOf(const QString& fileName) {
    return reportFileName().match(fileName).captured(1).toLongLong();
}

// The payload's report_uuid in the outbox's form, or a new one when it has none.
QString reportUUIDOf(const QVariantMap& payload) {
    const QUuid uuid = QUuid::fromString(payload.value(OVReportUUIDKey).toString());
    return uuid.isNull() ? OVNewReportUUID() : uuid.toString(QUuid::WithoutBraces);
}

// Whether the answer says that the service will never take this report: a 4xx status, except a
// request time-out (408) and too many requests (429), which pass.
bool refusedForGood(const OVError& error) {
    return error.domain == QLatin1String("Orvetta") && error.code >= 400 && error.code <= 499 &&
           error.code != 408 && error.code != 429;
}

struct QueuedReportFlush : std::enable_shared_from_this<QueuedReportFlush> {
    QueuedReportFlush(const OVReportOutbox& box, std::function<void()> finished)
        : outbox(box), pending(box.fileNames()), done(std::move(finished)) {}

    void sendNext() {
        if (pending.isEmpty()) {
            finish();
            return;
        }
        const QString name = pending.takeFirst();
        OVError error;
        const std::optional<QVariantMap> payload = outbox.read(name, &error);
        if (!payload) {
            qWarning().noquote() << QStringLiteral(
                                        "Orvetta removed the unreadable queued report %1: %2")
                                        .arg(name, error.description);
            outbox.remove(name);
            sendNext();
            return;
        }
        OVPostJSON(OVCompatibilityReportsPath, *payload,
                   [self = shared_from_this(), name](const std::optional<QVariantMap>&,
                                                     const std::optional<OVError>& failure) {
                       self->answered(name, failure);
                   });
    }

    void answered(const QString& name, const std::optional<OVError>& failure) {
        if (!failure) {
            outbox.remove(name);
            sendNext();
            return;
        }
        if (refusedForGood(*failure)) {
            qWarning().noquote() << QStringLiteral(
                                        "Orvetta removed the queued report %1: the service "
                                        "refused it (%2): %3")
                                        .arg(name)
                                        .arg(failure->code)
                                        .arg(OVLogSafeText(failure->description));
            outbox.remove(name);
            sendNext();
            return;
        }
        qWarning().noquote() << QStringLiteral(
                                    "Orvetta keeps %1 queued report(s) for a later start: %2")
                                    .arg(pending.size() + 1)
                                    .arg(OVLogSafeText(failure->description));
        finish();
    }

    void finish() {
        if (auto finished = std::exchange(done, nullptr)) {
            finished();
        }
    }

    OVReportOutbox outbox;
    QStringList pending;
    std::function<void()> done;
};

}  // namespace

QString OVReportOutboxDefaultDirectory() {
    // A relative XDG_STATE_HOME is invalid and ignored, as the base directory rules say.
    QString base = QString::fromLocal8Bit(qgetenv("XDG_STATE_HOME"));
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::home().filePath(QStringLiteral(".local/state"));
    }
    return QDir(base).filePath(QStringLiteral("orvetta/outbox"));
}

QString OVNewReportUUID() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

std::optional<QString> OVReportOutbox::add(QVariantMap payload, OVError* error) const {
    if (_directory.isEmpty()) {
        OVSetError(error, 1, QStringLiteral("This Orvetta keeps no reports."));
        return std::nullopt;
    }
    const QString uuid = reportUUIDOf(payload);
    payload.insert(OVReportUUIDKey, uuid);
    const QByteArray json =
        QJsonDocument(QJsonObject::fromVariantMap(payload)).toJson(QJsonDocument::Compact);
    if (json.size() > OVReportOutboxMaximumBytes) {
        OVSetError(error, 2, QStringLiteral("The report is larger than the outbox can keep."));
        return std::nullopt;
    }

    // The folder is private: reports carry the installation number.
    if (!QDir().mkpath(_directory) ||
        !QFile::setPermissions(
            _directory, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        OVSetError(error, 3,
                   QStringLiteral("Could not create the folder %1.")
                       .arg(QDir::toNativeSeparators(_directory)));
        return std::nullopt;
    }
    // A report kept again replaces its earlier copy in its place.
    const QStringList existing = fileNames();
    const QString suffix = QStringLiteral("-%1.json").arg(uuid);
    const QStringList earlier = existing.filter(suffix);
    const qint64 sequence = !earlier.isEmpty()   ? sequenceOf(earlier.first())
                            : existing.isEmpty() ? 1
                                                 : sequenceOf(existing.last()) + 1;
    const QString name =
        QStringLiteral("%1%2").arg(sequence, kSequenceDigits, 10, QLatin1Char('0')).arg(suffix);
    QSaveFile file(QDir(_directory).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        OVSetError(error, 4,
                   QStringLiteral("Could not save the report: %1").arg(file.errorString()));
        return std::nullopt;
    }
    dropOldestBeyondLimits();
    return name;
}

QStringList OVReportOutbox::fileNames() const {
    if (_directory.isEmpty()) {
        return {};
    }
    QStringList names;
    for (const QString& name : QDir(_directory).entryList(QDir::Files, QDir::Name)) {
        if (reportFileName().match(name).hasMatch()) {
            names.append(name);
        }
    }
    return names;
}

std::optional<QVariantMap> OVReportOutbox::read(const QString& fileName, OVError* error) const {
    QFile file(QDir(_directory).filePath(fileName));
    if (file.size() > OVReportOutboxMaximumBytes) {
        OVSetError(error, 2, QStringLiteral("The report is larger than the outbox can keep."));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        OVSetError(error, 5, file.errorString());
        return std::nullopt;
    }
    const std::optional<QJsonDocument> document = OVParseBoundedJSON(file.readAll());
    if (!document || !document->isObject()) {
        OVSetError(error, 6, QStringLiteral("The file is not a JSON object."));
        return std::nullopt;
    }
    return document->object().toVariantMap();
}

bool OVReportOutbox::remove(const QString& fileName) const {
    return !_directory.isEmpty() && QFile::remove(QDir(_directory).filePath(fileName));
}

void OVReportOutbox::dropOldestBeyondLimits() const {
    QStringList names = fileNames();
    qint64 bytes = 0;
    for (const QString& name : names) {
        bytes += QFileInfo(QDir(_directory).filePath(name)).size();
    }
    while (names.size() > OVReportOutboxMaximumReports || bytes > OVReportOutboxMaximumBytes) {
        const QString oldest = names.takeFirst();
        bytes -= QFileInfo(QDir(_directory).filePath(oldest)).size();
        remove(oldest);
        qWarning().noquote() << QStringLiteral(
                                    "Orvetta dropped the queued report %1: the outbox keeps at "
                                    "most %2 reports and %3 MiB.")
                                    .arg(oldest)
                                    .arg(OVReportOutboxMaximumReports)
                                    .arg(OVReportOutboxMaximumBytes / (1024 * 1024));
    }
}

std::optional<OVReportOutbox> OVStandardReportOutbox() {
    const QString directory = OVCurrentProcessState().reportOutboxDirectory;
    if (directory.isEmpty()) {
        return std::nullopt;
    }
    return OVReportOutbox(directory);
}

void OVSendQueuedReports(const OVReportOutbox& outbox, std::function<void()> done) {
    auto flush = std::make_shared<QueuedReportFlush>(outbox, std::move(done));
    if (!OVServiceConfigured()) {
        flush->finish();
        return;
    }
    flush->sendNext();
}
