#include "server/admin_token.h"

#include <QFile>

namespace {

bool sameToken(const QByteArray& given, const QByteArray& token) {
    if (given.size() != token.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (qsizetype i = 0; i < token.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ token[i]);
    }
    return difference == 0;
}

// The credential after the scheme name, when the header uses `scheme` (in any letter case).
std::optional<QByteArray> credential(const QByteArray& authorization, const QByteArray& scheme) {
    const QByteArray header = authorization.trimmed();
    if (header.size() <= scheme.size() || header[scheme.size()] != ' ' ||
        header.left(scheme.size()).toLower() != scheme) {
        return std::nullopt;
    }
    return header.mid(scheme.size() + 1).trimmed();
}

}  // namespace

std::optional<QByteArray> OVReadAdminToken(const QString& path, QString* problem) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem =
            QStringLiteral("cannot read the admin token file %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray token = file.read(4096).trimmed();
    if (token.size() < OVShortestAdminToken || token.contains('\n') || token.contains(' ')) {
        *problem = QStringLiteral(
                       "the admin token in %1 must be one word of at least %2 "
                       "characters")
                       .arg(path)
                       .arg(OVShortestAdminToken);
        return std::nullopt;
    }
    return token;
}

bool OVAuthorizationGrantsAdmin(const QByteArray& authorization, const QByteArray& token) {
    if (token.isEmpty()) {
        return false;
    }
    if (const auto bearer = credential(authorization, "bearer")) {
        return sameToken(*bearer, token);
    }
    if (const auto basic = credential(authorization, "basic")) {
        const QByteArray decoded = QByteArray::fromBase64(*basic);
        const qsizetype colon = decoded.indexOf(':');
        return colon >= 0 && sameToken(decoded.mid(colon + 1), token);
    }
    return false;
}
