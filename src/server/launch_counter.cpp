#include "server/launch_counter.h"

#include "server/report_validation.h"

namespace {

constexpr int kLongestLabel = 40;
constexpr int kLongestInstallID = 100;

// A version or platform name as a statistics label: short and made of letters, digits and
// ". _ - +" only, so that no one can fill the table with text of their own.
QString label(const QString& text) {
    if (text.isEmpty()) {
        return QStringLiteral("unknown");
    }
    if (text.size() > kLongestLabel) {
        return QStringLiteral("other");
    }
    for (const QChar c : text) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && !QStringLiteral("._-+").contains(c)) {
            return QStringLiteral("other");
        }
    }
    return text;
}

QString launchEvent(const QString& text) {
    if (text.isEmpty()) {
        return QStringLiteral("unknown");
    }
    static const QStringList kEvents = {QStringLiteral("first_launch"), QStringLiteral("update"),
                                        QStringLiteral("policy_check")};
    return kEvents.contains(text) ? text : QStringLiteral("other");
}

}  // namespace

void OVLaunchCounter::count(const QUrlQuery& query, const QString& day, const QByteArray& hashKey) {
    const auto value = [&query](const char* name) {
        return query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
    };
    const QString version = label(value("version"));
    const QString platform = label(value("platform"));
    const QString event = launchEvent(value("install_event"));
    const QString installID = value("install_id");
    const QString installHash = installID.isEmpty() || installID.size() > kLongestInstallID
                                    ? QString()
                                    : OVInstallationHash(hashKey, installID);

    std::lock_guard lock(_mutex);
    ++_pending.launches[{day, version, platform, event}];
    if (!installHash.isEmpty()) {
        _pending.installations.insert(installHash, {day, version, platform});
    }
}

bool OVLaunchCounter::flush(OVReportStore& store, OVError* error) {
    OVLaunchBatch batch;
    {
        std::lock_guard lock(_mutex);
        std::swap(batch, _pending);
    }
    if (batch.isEmpty() || store.addLaunches(batch, error)) {
        return true;
    }
    std::lock_guard lock(_mutex);
    batch.merge(_pending);
    std::swap(batch, _pending);
    return false;
}
