#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "base/error.h"
#include "hid/hid_recording.h"
#include "platform/linux/hidraw_devices.h"

class QIODevice;
class OVLinuxHIDDevice;

// Error codes of recording a hidraw node.
inline constexpr qint64 OVHIDRawNotFoundError = 211;
inline constexpr qint64 OVHIDRawOpenError = 212;

// The recording header of a hidraw device: the kernel's name, physical path and bus identity
// with its report descriptor, as hid-recorder writes them.
OVHIDRecording OVHIDRecordingDeviceFor(const OVHIDRawDeviceRecord& device);
// "/dev/hidraw3" for "/dev/hidraw3" and for "hidraw3".
QString OVHIDRawNodePath(const QString& argument);

// Records the input reports of one hidraw node in the hid-recorder format while the main loop
// runs: the device lines first, then one event line per read.
class OVHIDRawRecorder {
  public:
    OVHIDRawRecorder();
    ~OVHIDRawRecorder();

    bool start(const QString& node, QIODevice& output, OVError* error = nullptr);
    void stop();

    int reportCount() const { return _reportCount; }
    // Called once when reading stops on its own: the device went away, or writing failed.
    void setStoppedHandler(std::function<void(const QString& reason)> handler);

  private:
    void recordReport(const std::uint8_t* bytes, qsizetype length);
    void stopWith(const QString& reason);

    std::shared_ptr<OVLinuxHIDDevice> _device;
    std::unique_ptr<OVHIDRecordingWriter> _writer;
    QElapsedTimer _clock;
    int _reportCount = 0;
    std::function<void(const QString&)> _stopped;
};
