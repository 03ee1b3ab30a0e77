#include "hid/hid_recording.h"

#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/hex_digits.h"

namespace {

constexpr int kMaxDecimalDigits = 9;
constexpr int kMaxHexDigits = 8;
constexpr int kMaxSecondsDigits = 9;
// The latest time a recording can hold, just under 10^9 seconds.
constexpr long long kMaxMicroseconds = 999'999'999'999'999LL;
constexpr int kMaxFractionDigits = 9;

bool isDecimalDigits(QByteArrayView text) {
    if (text.isEmpty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::optional<quint32> parseDecimal(QByteArrayView text) {
    if (!isDecimalDigits(text) || text.size() > kMaxDecimalDigits) {
        return std::nullopt;
    }
    quint32 value = 0;
    for (char c : text) {
        value = value * 10 + static_cast<quint32>(c - '0');
    }
    return value;
}

std::optional<quint32> parseHex(QByteArrayView text, int maxDigits) {
    if (text.isEmpty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    quint32 value = 0;
    for (char c : text) {
        const int digit = OVHexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<quint32>(digit);
    }
    return value;
}

// "seconds.fraction" or whole seconds; at most 9 digits of each, so that a time keeps its
// microseconds when it is written again.
std::optional<double> parseTimestamp(QByteArrayView text) {
    const qsizetype dot = text.indexOf('.');
    const QByteArrayView seconds = dot < 0 ? text : text.first(dot);
    const QByteArrayView fraction = dot < 0 ? QByteArrayView() : text.sliced(dot + 1);
    if (!isDecimalDigits(seconds) || seconds.size() > kMaxSecondsDigits ||
        (dot >= 0 && (!isDecimalDigits(fraction) || fraction.size() > kMaxFractionDigits))) {
        return std::nullopt;
    }
    qint64 wholeSeconds = 0;
    for (char c : seconds) {
        wholeSeconds = wholeSeconds * 10 + (c - '0');
    }
    qint64 fractionValue = 0;
    double fractionScale = 1;
    for (char c : fraction) {
        fractionValue = fractionValue * 10 + (c - '0');
        fractionScale *= 10;
    }
    return static_cast<double>(wholeSeconds) + static_cast<double>(fractionValue) / fractionScale;
}

QList<QByteArrayView> splitTokens(QByteArrayView text) {
    QList<QByteArrayView> tokens;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text[i] == ' ' || text[i] == '\t';
        if (space && start >= 0) {
            tokens.append(text.sliced(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return tokens;
}

QByteArrayView trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (begin < end && isSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

// Reads a recording line by line. Every failure names its line.
class RecordingReader {
  public:
    std::optional<QList<OVHIDRecording>> read(const QByteArray& text, OVError* error) {
        _error = error;
        int number = 0;
        qsizetype start = 0;
        while (start <= text.size()) {
            qsizetype end = text.indexOf('\n', start);
            if (end < 0) {
                end = text.size();
            }
            ++number;
            if (!readLine(number, trimmed(QByteArrayView(text).sliced(start, end - start)))) {
                return std::nullopt;
            }
            start = end + 1;
        }
        if (!finishPending() || !checkDevices()) {
            return std::nullopt;
        }
        return _devices;
    }

  private:
    enum class PendingBytes { None, Descriptor, Event };

    bool fail(int line, const QString& what) {
        return OVSetError(_error, OVHIDRecordingMalformedError,
                          QStringLiteral("line %1: %2").arg(line).arg(what));
    }

    bool readLine(int number, QByteArrayView line) {
        if (line.isEmpty() || line.startsWith('#')) {
            return true;
        }
        const bool tagged = line.size() >= 2 && line[1] == ':';
        if (!tagged) {
            if (_pending != PendingBytes::None) {
                return appendBytes(number, splitTokens(line));
            }
            return fail(number, QStringLiteral("expected a line starting with D:, R:, N:, P:, "
                                               "I: or E:"));
        }
        if (!finishPending()) {
            return false;
        }
        const char tag = line[0];
        const QByteArrayView rest = trimmed(line.sliced(2));
        switch (tag) {
            case 'D':
                return readDeviceIndex(number, rest);
            case 'R':
                return readDescriptor(number, rest);
            case 'N':
                currentDevice().name = QString::fromUtf8(rest);
                return true;
            case 'P':
                currentDevice().physicalPath = QString::fromUtf8(rest);
                return true;
            case 'I':
                return readIdentity(number, rest);
            case 'E':
                return readEvent(number, rest);
            default:
                return fail(number, QStringLiteral("unknown line type '%1:'")
                                        .arg(QString::fromLatin1(line.first(1))));
        }
    }

    OVHIDRecording& currentDevice() {
        if (_current < 0) {
            selectDevice(0);
        }
        return _devices[_current];
    }

    void selectDevice(int index) {
        for (qsizetype i = 0; i < _devices.size(); ++i) {
            if (_devices[i].deviceIndex == index) {
                _current = static_cast<int>(i);
                return;
            }
        }
        OVHIDRecording device;
        device.deviceIndex = index;
        _devices.append(device);
        _current = static_cast<int>(_devices.size() - 1);
    }

    bool readDeviceIndex(int number, QByteArrayView rest) {
        const std::optional<quint32> index = parseDecimal(rest);
        if (!index || *index > static_cast<quint32>(std::numeric_limits<int>::max())) {
            return fail(number, QStringLiteral("D: needs a device index"));
        }
        selectDevice(static_cast<int>(*index));
        return true;
    }

    bool readDescriptor(int number, QByteArrayView rest) {
        OVHIDRecording& device = currentDevice();
        if (_hasDescriptor.contains(device.deviceIndex)) {
            return fail(
                number,
                QStringLiteral("a second report descriptor for device %1").arg(device.deviceIndex));
        }
        const QList<QByteArrayView> tokens = splitTokens(rest);
        const std::optional<quint32> length =
            tokens.isEmpty() ? std::nullopt : parseDecimal(tokens.first());
        if (!length) {
            return fail(number, QStringLiteral("R: needs the descriptor length"));
        }
        _hasDescriptor.append(device.deviceIndex);
        beginPending(PendingBytes::Descriptor, number, *length);
        return appendBytes(number, tokens.sliced(1));
    }

    bool readIdentity(int number, QByteArrayView rest) {
        const QList<QByteArrayView> tokens = splitTokens(rest);
        std::optional<quint32> values[3];
        if (tokens.size() == 3) {
            for (int i = 0; i < 3; ++i) {
                values[i] = parseHex(tokens[i], kMaxHexDigits);
            }
        }
        if (!values[0] || !values[1] || !values[2]) {
            return fail(number, QStringLiteral("I: needs bus, vendor and product in hex"));
        }
        OVHIDRecording& device = currentDevice();
        device.bus = *values[0];
        device.vendor = *values[1];
        device.product = *values[2];
        return true;
    }

    bool readEvent(int number, QByteArrayView rest) {
        const QList<QByteArrayView> tokens = splitTokens(rest);
        const std::optional<double> time =
            tokens.isEmpty() ? std::nullopt : parseTimestamp(tokens[0]);
        if (!time) {
            return fail(number, QStringLiteral("E: needs a time in seconds.microseconds"));
        }
        const std::optional<quint32> length =
            tokens.size() < 2 ? std::nullopt : parseDecimal(tokens[1]);
        if (!length) {
            return fail(number, QStringLiteral("E: needs the report length"));
        }
        currentDevice().events.append(OVHIDRecordedEvent{*time, QByteArray()});
        beginPending(PendingBytes::Event, number, *length);
        return appendBytes(number, tokens.sliced(2));
    }

    void beginPending(PendingBytes kind, int line, quint32 declared) {
        _pending = kind;
        _pendingLine = line;
        _pendingDeclared = declared;
    }

    QByteArray& pendingBytes() {
        OVHIDRecording& device = _devices[_current];
        return _pending == PendingBytes::Descriptor ? device.descriptor
                                                    : device.events.last().bytes;
    }

    bool appendBytes(int number, const QList<QByteArrayView>& tokens) {
        QByteArray& bytes = pendingBytes();
        for (const QByteArrayView token : tokens) {
            const std::optional<quint32> byte = parseHex(token, 2);
            if (!byte) {
                return fail(number, QStringLiteral("'%1' is not a hex byte")
                                        .arg(QString::fromUtf8(
                                            token.first(std::min<qsizetype>(token.size(), 16)))));
            }
            if (static_cast<quint64>(bytes.size()) >= _pendingDeclared) {
                return fail(number, QStringLiteral("more bytes than the %1 declared on line %2")
                                        .arg(_pendingDeclared)
                                        .arg(_pendingLine));
            }
            bytes.append(static_cast<char>(*byte));
        }
        if (static_cast<quint64>(bytes.size()) == _pendingDeclared) {
            _pending = PendingBytes::None;
        }
        return true;
    }

    bool finishPending() {
        if (_pending == PendingBytes::None) {
            return true;
        }
        const qsizetype listed = pendingBytes().size();
        _pending = PendingBytes::None;
        return fail(
            _pendingLine,
            QStringLiteral("declares %1 bytes but lists %2").arg(_pendingDeclared).arg(listed));
    }

    bool checkDevices() {
        if (_devices.isEmpty()) {
            return OVSetError(_error, OVHIDRecordingMalformedError,
                              QStringLiteral("The recording has no report descriptor (R: line)."));
        }
        for (const OVHIDRecording& device : _devices) {
            if (!_hasDescriptor.contains(device.deviceIndex)) {
                return OVSetError(
                    _error, OVHIDRecordingMalformedError,
                    QStringLiteral("Device %1 of the recording has no report descriptor (R: line).")
                        .arg(device.deviceIndex));
            }
        }
        return true;
    }

    OVError* _error = nullptr;
    QList<OVHIDRecording> _devices;
    QList<int> _hasDescriptor;
    int _current = -1;
    PendingBytes _pending = PendingBytes::None;
    int _pendingLine = 0;
    quint32 _pendingDeclared = 0;
};

QByteArray singleLine(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.replace('\n', ' ');
    bytes.replace('\r', ' ');
    return bytes;
}

}  // namespace

std::optional<QList<OVHIDRecording>> OVReadHIDRecordings(const QByteArray& text, OVError* error) {
    return RecordingReader().read(text, error);
}

std::optional<OVHIDRecording> OVReadHIDRecording(const QByteArray& text, OVError* error) {
    std::optional<QList<OVHIDRecording>> devices = OVReadHIDRecordings(text, error);
    if (!devices) {
        return std::nullopt;
    }
    return devices->first();
}

std::optional<OVHIDRecording> OVReadHIDRecordingFile(const QString& path, OVError* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        OVSetError(error, OVHIDRecordingUnreadableError,
                   QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return OVReadHIDRecording(file.readAll(), error);
}

QByteArray OVHIDRecordingDeviceText(const OVHIDRecording& recording) {
    QByteArray text;
    if (recording.deviceIndex != 0) {
        text += "D: " + QByteArray::number(recording.deviceIndex) + '\n';
    }
    text += "R: " + QByteArray::number(recording.descriptor.size());
    OVAppendSpacedHexBytes(text,
                           reinterpret_cast<const std::uint8_t*>(recording.descriptor.constData()),
                           recording.descriptor.size());
    text += "\nN: " + singleLine(recording.name);
    text += "\nP: " + singleLine(recording.physicalPath);
    char identity[48];
    std::snprintf(identity, sizeof identity, "\nI: %x %04x %04x\n", recording.bus, recording.vendor,
                  recording.product);
    text += identity;
    return text;
}

QByteArray OVHIDRecordingEventLine(double time, const std::uint8_t* bytes, qsizetype length) {
    if (!bytes || length < 0) {
        length = 0;
    }
    const long long micros =
        std::isfinite(time) && time > 0
            ? std::min(std::llround(std::min(time, 1e9) * 1e6), kMaxMicroseconds)
            : 0;
    char head[64];
    std::snprintf(head, sizeof head, "E: %06lld.%06lld %lld", micros / 1000000, micros % 1000000,
                  static_cast<long long>(length));
    QByteArray line(head);
    line.reserve(line.size() + 3 * length + 1);
    OVAppendSpacedHexBytes(line, bytes, length);
    line += '\n';
    return line;
}

QByteArray OVHIDRecordingText(const OVHIDRecording& recording) {
    QByteArray text = OVHIDRecordingDeviceText(recording);
    for (const OVHIDRecordedEvent& event : recording.events) {
        text += OVHIDRecordingEventLine(
            event.time, reinterpret_cast<const std::uint8_t*>(event.bytes.constData()),
            event.bytes.size());
    }
    return text;
}

bool OVHIDRecordingWriter::writeComment(const QString& text, OVError* error) {
    return write("# " + singleLine(text) + '\n', error);
}

bool OVHIDRecordingWriter::writeDevice(const OVHIDRecording& device, OVError* error) {
    return write(OVHIDRecordingDeviceText(device), error);
}

bool OVHIDRecordingWriter::writeEvent(double timestamp, const std::uint8_t* report,
                                      qsizetype length, OVError* error) {
    if (!_firstTimestamp) {
        _firstTimestamp = timestamp;
    }
    return write(OVHIDRecordingEventLine(timestamp - *_firstTimestamp, report, length), error);
}

bool OVHIDRecordingWriter::writeEvent(double timestamp, const QByteArray& report, OVError* error) {
    return writeEvent(timestamp, reinterpret_cast<const std::uint8_t*>(report.constData()),
                      report.size(), error);
}

bool OVHIDRecordingWriter::write(const QByteArray& text, OVError* error) {
    if (_output.write(text) != text.size()) {
        return OVSetError(
            error, OVHIDRecordingWriteError,
            QStringLiteral("Cannot write the recording: %1").arg(_output.errorString()));
    }
    return true;
}
