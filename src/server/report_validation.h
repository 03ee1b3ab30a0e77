#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "server/report_store.h"

// Reading a compatibility report as the client posts it.

// Indexed text members (vendor, product, display model, version, platform, report type) are
// refused above this length.
inline constexpr int OVLongestIndexedReportText = 200;

// The record to store for a posted body: the JSON object checked member by member (the members
// every client sends must be there with their types; the others, when present, must have
// theirs), its installation identifier replaced by the keyed hash, received at `receivedAt`.
// Nothing when the body is not such a report; `problem` then says why, as one sentence.
std::optional<OVReportRecord> OVReportRecordFromJSON(const QByteArray& body,
                                                     const QByteArray& hashKey,
                                                     const QString& receivedAt, QString* problem);

// The keyed hash that stands for an installation identifier: HMAC-SHA256, in hexadecimal.
QString OVInstallationHash(const QByteArray& key, const QString& installID);
