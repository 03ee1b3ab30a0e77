#pragma once

// Recordings of HID devices in the text format of the Linux hid-recorder tool, e.g.
//
//   # ELAN Touchscreen                   comment lines start with '#'
//   R: 6 05 0d 09 04 a1 01               report descriptor: length, then the bytes in hex
//   N: ELAN Touchscreen                  device name
//   P: usb-0000:00:14.0-5/input0         physical path
//   I: 3 04f3 000c                       bus, vendor and product, in hex
//   E: 000000.000000 3 01 01 00          event: seconds.microseconds, length, bytes in hex
//   E: 000000.016733 3 01 00 00
//
// A file that records several devices starts each device's lines, and each run of its events,
// with "D: <index>"; without D: lines everything belongs to device 0. A line of bare hex bytes
// continues the R: or E: line before it when that line has fewer bytes than it declares.
//
// Reading is strict: an unknown line, a bad number or a byte count that disagrees with the
// declared length is an error that names the line. Nothing is read past the end of the text.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <optional>

#include "base/error.h"

class QIODevice;

// Error codes of recording files.
inline constexpr qint64 OVHIDRecordingMalformedError = 201;
inline constexpr qint64 OVHIDRecordingUnreadableError = 202;
inline constexpr qint64 OVHIDRecordingWriteError = 203;

// One input report and when it arrived, in seconds since the first event of the recording.
struct OVHIDRecordedEvent {
    double time = 0;
    QByteArray bytes;
};

// One recorded device: its identity, its report descriptor and its input reports in order.
struct OVHIDRecording {
    int deviceIndex = 0;  // the D: index; 0 in a recording of one device
    QByteArray descriptor;
    QString name;
    QString physicalPath;
    quint32 bus = 0;  // 3 USB, 5 Bluetooth, 0x18 I2C
    quint32 vendor = 0;
    quint32 product = 0;
    QList<OVHIDRecordedEvent> events;
};

// Every device of a recording, in the order they first appear. Fails (filling `error` with
// "line N: ..." for a malformed line) unless every device has a report descriptor.
std::optional<QList<OVHIDRecording>> OVReadHIDRecordings(const QByteArray& text,
                                                         OVError* error = nullptr);
// The first device of a recording.
std::optional<OVHIDRecording> OVReadHIDRecording(const QByteArray& text, OVError* error = nullptr);
// The first device of the recording in the file at `path`.
std::optional<OVHIDRecording> OVReadHIDRecordingFile(const QString& path, OVError* error = nullptr);

// The whole recording of one device as text: its device lines, then one E: line per event.
QByteArray OVHIDRecordingText(const OVHIDRecording& recording);
// The device lines alone: D: (for a device index other than 0), R:, N:, P: and I:.
QByteArray OVHIDRecordingDeviceText(const OVHIDRecording& recording);
// One E: line, newline included; times are written to the microsecond, negative ones as 0 and
// those past 999999999.999999 s (the most an E: line holds) as that.
QByteArray OVHIDRecordingEventLine(double time, const std::uint8_t* bytes, qsizetype length);

// Writes a recording while it happens: the device lines once, then each report as it arrives.
// Event times are written relative to the first event written.
class OVHIDRecordingWriter {
  public:
    explicit OVHIDRecordingWriter(QIODevice& output) : _output(output) {}

    bool writeComment(const QString& text, OVError* error = nullptr);
    bool writeDevice(const OVHIDRecording& device, OVError* error = nullptr);
    // `timestamp`: seconds on any monotonic clock.
    bool writeEvent(double timestamp, const std::uint8_t* report, qsizetype length,
                    OVError* error = nullptr);
    bool writeEvent(double timestamp, const QByteArray& report, OVError* error = nullptr);

  private:
    bool write(const QByteArray& text, OVError* error);

    QIODevice& _output;
    std::optional<double> _firstTimestamp;
};
