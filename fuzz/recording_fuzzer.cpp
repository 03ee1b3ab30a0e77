// The hid-recorder reader on arbitrary text; what it reads must write and read back unchanged.

#include <cstddef>
#include <cstdint>

#include "hid/hid_recording.h"

namespace {

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input, so that reading past its end is caught.
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    OVError error;
    const std::optional<QList<OVHIDRecording>> devices = OVReadHIDRecordings(text, &error);
    if (!devices) {
        check(!error.description.isEmpty());
        return 0;
    }
    check(!devices->isEmpty());
    for (const OVHIDRecording& device : *devices) {
        const QByteArray written = OVHIDRecordingText(device);
        const std::optional<QList<OVHIDRecording>> again = OVReadHIDRecordings(written);
        check(again.has_value() && again->size() == 1);
        check(OVHIDRecordingText(again->first()) == written);
        check(again->first().events.size() == device.events.size());
    }
    return 0;
}
