#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>

// The app policy the service hands out: a JSON document in a file of the administrator's,
// checked when it is read (at start and at every reload). A document that does not pass keeps the
// last good one in force.

// Policy files larger than this are refused.
inline constexpr qint64 OVLargestPolicyFile = 1024 * 1024;

// The policy in a file's bytes: its "policy" object, or the whole object. Nothing when the bytes
// are not such a document or it breaks a rule of the policy format; `problem` says where and
// why ("messages[0].show: \"sometimes\" is not one of always, once, if_update_available, never").
std::optional<QJsonObject> OVPolicyDocumentFromJSON(const QByteArray& data, QString* problem);

enum class OVPolicyReload {
    Loaded,     // the file's document is now in force
    Unchanged,  // the file holds what was read last time; nothing changed
    Refused,    // the file cannot be read or breaks a rule; the last good document stays
};

class OVPolicyFile {
  public:
    // Without a path the policy is the empty document.
    explicit OVPolicyFile(QString path = QString());

    // Reads the file; `outcome` says what happened in a line for the log.
    OVPolicyReload reload(QString* outcome);

    // The answer to a policy request: {"policy": document} as compact JSON. Safe to call from
    // any thread.
    std::shared_ptr<const QByteArray> answer() const;

    const QString& path() const { return _path; }

  private:
    const QString _path;
    mutable std::mutex _mutex;
    std::shared_ptr<const QByteArray> _answer;
    std::optional<QByteArray> _lastRead;  // read by the reloading thread only
};
