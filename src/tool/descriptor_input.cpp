#include "tool/descriptor_input.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include "base/hex_digits.h"
#include "hid/hid_recording.h"

namespace {

QByteArray withoutComments(const QByteArray& text) {
    QByteArray kept;
    for (QByteArray line : text.split('\n')) {
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0) {
            line.truncate(hash);
        }
        const qsizetype slashes = line.indexOf("//");
        if (slashes >= 0) {
            line.truncate(slashes);
        }
        kept += line + ' ';
    }
    return kept;
}

bool appendHexToken(QByteArray token, QByteArray& bytes) {
    if (token.startsWith("0x") || token.startsWith("0X")) {
        token.remove(0, 2);
    }
    if (token.isEmpty() || (token.size() % 2 != 0 && token.size() != 1)) {
        return false;
    }
    if (token.size() == 1) {
        token.prepend('0');
    }
    for (qsizetype i = 0; i < token.size(); i += 2) {
        const int high = OVHexDigitValue(token[i]);
        const int low = OVHexDigitValue(token[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.append(static_cast<char>((high << 4) | low));
    }
    return true;
}

bool looksLikeRecording(const QByteArray& content) {
    for (const QByteArray& line : content.split('\n')) {
        if (line.trimmed().startsWith("R:")) {
            return true;
        }
    }
    return false;
}

bool isText(const QByteArray& content) {
    for (char c : content) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x7F || (byte < 0x20 && c != '\n' && c != '\r' && c != '\t')) {
            return false;
        }
    }
    return true;
}

std::optional<QByteArray> descriptorFromFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    if (looksLikeRecording(content)) {
        OVError recordingError;
        const std::optional<OVHIDRecording> recording =
            OVReadHIDRecording(content, &recordingError);
        if (!recording) {
            *error = QStringLiteral("%1: %2").arg(path, recordingError.description);
            return std::nullopt;
        }
        return recording->descriptor;
    }
    if (!isText(content)) {
        return content;  // raw descriptor bytes, as sysfs report_descriptor holds them
    }
    std::optional<QByteArray> bytes = OVToolBytesFromHexText(content);
    if (!bytes) {
        *error =
            QStringLiteral("%1 holds neither a recording nor descriptor bytes in hex").arg(path);
    }
    return bytes;
}

}  // namespace

std::optional<QByteArray> OVToolBytesFromHexText(const QByteArray& text) {
    QByteArray bytes;
    QByteArray separated = withoutComments(text);
    separated.replace(',', ' ');
    const QList<QByteArray> tokens = separated.simplified().split(' ');
    for (const QByteArray& token : tokens) {
        if (!token.isEmpty() && !appendHexToken(token, bytes)) {
            return std::nullopt;
        }
    }
    return bytes;
}

std::optional<QByteArray> OVToolDescriptorFromArgument(const QString& argument, QString* error) {
    if (QFileInfo(argument).isFile()) {
        return descriptorFromFile(argument, error);
    }
    std::optional<QByteArray> bytes = OVToolBytesFromHexText(argument.toLatin1());
    if (!bytes || argument.trimmed().isEmpty()) {
        *error = QStringLiteral("'%1' is neither a readable file nor descriptor bytes in hex")
                     .arg(argument.left(64));
        return std::nullopt;
    }
    return bytes;
}
