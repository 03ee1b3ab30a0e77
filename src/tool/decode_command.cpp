// orvetta-tool decode: the debug text of every report of a recording, in order.

#include <QStringList>

#include "hid/descriptor_parser.h"
#include "hid/descriptor_summary.h"
#include "hid/hid_recording.h"
#include "hid/touch_bridge.h"
#include "tool/tool_commands.h"

int OVDecodeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.size() != 1) {
        err << "usage: orvetta-tool decode <file.hidrec>\n";
        return 2;
    }
    OVError error;
    const std::optional<OVHIDRecording> recording = OVReadHIDRecordingFile(arguments[0], &error);
    if (!recording) {
        err << "orvetta-tool decode: " << arguments[0] << ": " << error.description << "\n";
        return 2;
    }
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(recording->descriptor);
    OVTouchBridge bridge;
    bridge.setHIDLayout(layout);
    bridge.setHIDDecoderStatus(OVHIDDecoderStatusForLayout(layout));
    bool first = true;
    for (const OVHIDRecordedEvent& event : recording->events) {
        const auto* report = reinterpret_cast<const std::uint8_t*>(event.bytes.constData());
        const OVTouchContactList contacts = bridge.contactsFromReport(report, event.bytes.size());
        out << (first ? "" : "\n")
            << bridge.debugTextForReport(report, event.bytes.size(), contacts) << "\n";
        first = false;
    }
    return 0;
}
