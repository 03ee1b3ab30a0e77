#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <optional>

// JSON documents nested deeper than this are refused before they are parsed.
inline constexpr int OVMaximumJSONDepth = 64;

// The deepest nesting of arrays and objects in `data`; brackets inside strings do not count.
// Stops counting once the nesting passes `limit`.
int OVJSONNestingDepth(const QByteArray& data, int limit = OVMaximumJSONDepth);

// Parses `data` as a JSON document; nothing when it is not valid JSON or nested deeper than
// OVMaximumJSONDepth (then `parseError` says QJsonParseError::DeepNesting).
std::optional<QJsonDocument> OVParseBoundedJSON(const QByteArray& data,
                                                QJsonParseError* parseError = nullptr);
