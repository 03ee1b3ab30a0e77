#include "server/server_log.h"

#include <unistd.h>

void OVServerLog(const QString& line) {
    const QByteArray text = line.toUtf8() + '\n';
    qsizetype written = 0;
    while (written < text.size()) {
        const ssize_t result =
            ::write(STDERR_FILENO, text.constData() + written, std::size_t(text.size() - written));
        if (result <= 0) {
            return;
        }
        written += result;
    }
}
