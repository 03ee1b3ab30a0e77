#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The admin token guards the reads of stored reports. Scripts send it as a bearer token
// ("Authorization: Bearer TOKEN"); a browser sends it as the password of HTTP basic
// authentication (any user name).

// Tokens shorter than this are refused, so that none can be guessed.
inline constexpr int OVShortestAdminToken = 16;

// The token in a file (surrounding white space dropped); nothing with the problem when the file
// cannot be read or the token is too short.
std::optional<QByteArray> OVReadAdminToken(const QString& path, QString* problem);

// Whether an Authorization header carries `token`; compares in constant time.
bool OVAuthorizationGrantsAdmin(const QByteArray& authorization, const QByteArray& token);
