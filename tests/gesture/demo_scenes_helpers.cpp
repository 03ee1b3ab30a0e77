#include "demo_scenes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"

namespace {

constexpr std::uint32_t kDigitizerPage = 0x0D;
constexpr std::uint32_t kGenericDesktopPage = 0x01;
constexpr double kReportInterval = 0.01;
constexpr double kFrameSpreadInterval = 0.001;
constexpr double kDisplayWidth = 1920.0;
constexpr double kDisplayHeight = 1080.0;

void addPosition(OVHIDDescriptorWriter& d) {
    d.usagePage(kGenericDesktopPage);
    d.inputField(0x30, 16, 0, kDemoLogicalMaximum);
    d.inputField(0x31, 16, 0, kDemoLogicalMaximum);
}

std::uint32_t rawCoordinate(double points, double extent) {
    const double fraction = std::clamp(points / extent, 0.0, 1.0);
    return static_cast<std::uint32_t>(std::lround(fraction * kDemoLogicalMaximum));
}

void writeField(QByteArray& report, std::int32_t bitOffset, std::int32_t bitLength,
                std::uint32_t value) {
    if (bitOffset >= 0) {
        OVWriteBits(reinterpret_cast<std::uint8_t*>(report.data()), report.size(), bitOffset,
                    bitLength, value);
    }
}

void writeSlot(QByteArray& report, const OVHIDContactLayout& slot, const SlotTouch& touch) {
    const bool eraser = touch.tool == SlotTouch::Tool::Eraser;
    writeField(report, slot.tipSwitchBitOffset, 1, touch.touching ? 1 : 0);
    writeField(report, slot.inRangeBitOffset, 1, 1);
    writeField(report, slot.touchValidBitOffset, 1, 1);
    writeField(report, slot.invertBitOffset, 1, eraser ? 1 : 0);
    writeField(report, slot.eraserBitOffset, 1, eraser && touch.touching ? 1 : 0);
    writeField(report, slot.contactIdBitOffset, slot.contactIdBitLength, touch.id);
    writeField(report, slot.xBitOffset, slot.xBitLength,
               rawCoordinate(touch.at.x(), kDisplayWidth));
    writeField(report, slot.yBitOffset, slot.yBitLength,
               rawCoordinate(touch.at.y(), kDisplayHeight));
}

QPointF between(QPointF from, QPointF to, double progress) {
    return from + (to - from) * progress;
}

}  // namespace

QByteArray demoTouchScreenDescriptor() {
    OVHIDDescriptorWriter d;
    d.usagePage(kDigitizerPage).usage(0x04).collection(OVHIDDescriptorWriter::kApplication);
    d.reportID(1);
    for (int finger = 0; finger < kDemoFingerSlots; ++finger) {
        d.usagePage(kDigitizerPage).usage(0x22).collection(OVHIDDescriptorWriter::kLogical);
        d.inputField(0x42, 1, 0, 1);  // Tip Switch
        d.inputField(0x47, 1, 0, 1);  // Confidence
        d.padding(6);
        d.inputField(0x51, 8, 0, 255);  // Contact Identifier
        addPosition(d);
        d.endCollection();
    }
    d.usagePage(kDigitizerPage).usage(0x20).collection(OVHIDDescriptorWriter::kLogical);
    d.usage(0x42).usage(0x32).usage(0x3C).usage(0x45);  // Tip, In Range, Invert, Eraser
    d.logicalMinimum(0).logicalMaximum(1).reportSize(1).reportCount(4).input();
    d.padding(4);
    d.inputField(0x51, 8, 0, 255);
    addPosition(d);
    d.endCollection();
    d.usagePage(kDigitizerPage).inputField(0x54, 8, 0, 10);  // Contact Count
    d.endCollection();
    return d.bytes();
}

QByteArray encodeDemoReport(const OVHIDDigitizerLayout& layout,
                            const std::vector<SlotTouch>& touches) {
    QByteArray report(OVTouchReportLength(layout), '\0');
    report[layout.reportIDByteOffset] = static_cast<char>(layout.reportID);
    int finger = 0;
    std::uint32_t touching = 0;
    for (const SlotTouch& touch : touches) {
        const int slot = touch.tool == SlotTouch::Tool::Finger ? finger++ : kDemoPenSlot;
        if (slot >= layout.contactCount ||
            (touch.tool == SlotTouch::Tool::Finger && slot >= kDemoFingerSlots)) {
            continue;
        }
        writeSlot(report, layout.contacts[static_cast<size_t>(slot)], touch);
        touching += touch.touching ? 1 : 0;
    }
    writeField(report, layout.contactCountBitOffset, layout.contactCountBitLength, touching);
    return report;
}

TouchScript::TouchScript()
    : _descriptor(demoTouchScreenDescriptor()), _layout(OVHIDDigitizerLayoutBuild(_descriptor)) {}

TouchScript::TouchScript(int fingerSlots, FrameSpread spread)
    : _descriptor(OVHIDTouchScreenDescriptor({.fingers = fingerSlots})),
      _layout(OVHIDDigitizerLayoutBuild(_descriptor)),
      _spread(spread) {}

TouchScript& TouchScript::report(double time, const std::vector<SlotTouch>& touches) {
    if (!_spread) {
        _events.push_back({time, encodeDemoReport(_layout, touches)});
        return *this;
    }
    std::vector<OVTouchContact> contacts;
    for (const SlotTouch& touch : touches) {
        OVTouchContact contact;
        contact.contactId = touch.id;
        contact.x = rawCoordinate(touch.at.x(), kDisplayWidth);
        contact.y = rawCoordinate(touch.at.y(), kDisplayHeight);
        contacts.push_back(contact);
    }
    const int total = static_cast<int>(contacts.size());
    int first = 0;
    do {
        const int carried = std::min(_layout.contactCount, total - first);
        const bool saysCount = first == 0 || *_spread == FrameSpread::CountInEveryReport;
        const double delay = kFrameSpreadInterval * (first / _layout.contactCount);
        _events.push_back({time + delay, OVTouchReport(_layout, contacts.data() + first, carried,
                                                       saysCount ? total : 0)});
        first += _layout.contactCount;
    } while (first < total);
    return *this;
}

TouchScript& TouchScript::fingers(double start, double seconds, const std::vector<QPointF>& from,
                                  const std::vector<QPointF>& to, bool stayDown) {
    const int steps = std::max(1, static_cast<int>(std::lround(seconds / kReportInterval)));
    for (int step = 0; step <= steps; ++step) {
        const double progress = static_cast<double>(step) / steps;
        std::vector<SlotTouch> touches;
        for (size_t i = 0; i < from.size(); ++i) {
            touches.push_back({SlotTouch::Tool::Finger, static_cast<std::uint8_t>(i + 1),
                               between(from[i], to[i], progress), true});
        }
        report(start + step * kReportInterval, touches);
    }
    return stayDown ? *this : report(start + (steps + 1) * kReportInterval, {});
}

TouchScript& TouchScript::tap(double start, QPointF at, double seconds) {
    return fingers(start, seconds, {at}, {at});
}

TouchScript& TouchScript::tool(double start, double seconds, SlotTouch::Tool tool,
                               const std::function<QPointF(double)>& path) {
    constexpr int kHoverReports = 3;
    for (int i = 0; i < kHoverReports; ++i) {
        report(start + i * kReportInterval, {{tool, 1, path(0.0), false}});
    }
    const double touchStart = start + kHoverReports * kReportInterval;
    const int steps = std::max(1, static_cast<int>(std::lround(seconds / kReportInterval)));
    for (int step = 0; step <= steps; ++step) {
        report(touchStart + step * kReportInterval,
               {{tool, 1, path(static_cast<double>(step) / steps), true}});
    }
    // Lifted: out of range.
    return report(touchStart + (steps + 1) * kReportInterval, {});
}

OVHIDRecording TouchScript::recording(const QString& name) const {
    OVHIDRecording recording;
    recording.descriptor = _descriptor;
    recording.name = name;
    recording.physicalPath = QStringLiteral("sim-0000:00:00.0-1/input0");
    recording.bus = 3;
    recording.vendor = 0x0ff1;
    recording.product = 0x0010;
    recording.events = QList<OVHIDRecordedEvent>(_events.begin(), _events.end());
    return recording;
}

OVHIDRecording demoSessionRecording() {
    TouchScript script;
    script.tap(1.0, {480, 300});
    // A double tap: the second tap within the double-click interval, a few points away.
    script.tap(2.5, {960, 300}).tap(2.75, {964, 302});
    // A drag: the press lands after the touch delay, then the finger moves.
    script.fingers(4.0, 0.3, {{300, 620}}, {{300, 620}}, true);
    script.fingers(4.31, 1.2, {{300, 620}}, {{900, 700}});
    // A two-finger scroll that flicks up and coasts after the fingers lift.
    script.fingers(7.0, 0.5, {{900, 760}, {1050, 760}}, {{900, 360}, {1050, 360}});
    // Three fingers: the middle button, dragged a little.
    script.fingers(10.0, 1.0, {{700, 500}, {800, 460}, {900, 500}},
                   {{760, 540}, {860, 500}, {960, 540}});
    // Five fingers: the cursor parks at their centroid, nothing is pressed.
    script.fingers(12.0, 1.0, {{600, 400}, {700, 340}, {800, 320}, {900, 340}, {1000, 420}},
                   {{640, 420}, {740, 360}, {840, 340}, {940, 360}, {1040, 440}});
    // A pen stroke: a wave across the screen.
    script.tool(14.5, 2.0, SlotTouch::Tool::Pen, [](double progress) {
        return QPointF(400 + 1100 * progress,
                       800 + 120 * std::sin(progress * 2 * std::numbers::pi));
    });
    // The eraser scrubs back and forth.
    script.tool(17.5, 1.2, SlotTouch::Tool::Eraser, [](double progress) {
        return QPointF(1200 + 160 * std::sin(progress * 6 * std::numbers::pi), 600 + 40 * progress);
    });
    return script.recording(QStringLiteral("Orvetta demo touch screen"));
}

std::vector<std::pair<QString, OVHIDRecording>> replayTestRecordings() {
    std::vector<std::pair<QString, OVHIDRecording>> recordings;
    {
        TouchScript script;
        script.tap(0.0, {100, 100}, 0.03);
        script.tap(0.3, {900, 500}).tap(0.5, {908, 506}).tap(0.7, {900, 500});
        script.fingers(1.5, 0.2, {{200, 800}}, {{200, 800}}, true);
        script.fingers(1.71, 0.3, {{200, 800}}, {{500, 760}});
        script.tap(2.1, {500, 760});  // after a drag: a single click again
        recordings.emplace_back(QStringLiteral("gesture-clicks"),
                                script.recording(QStringLiteral("clicks")));
    }
    {
        TouchScript script;
        // A scroll, a return within the release delay that continues it, then a coast.
        script.fingers(0.0, 0.2, {{800, 600}, {900, 600}}, {{800, 500}, {900, 500}});
        script.fingers(0.215, 0.1, {{800, 500}, {900, 500}}, {{800, 380}, {900, 380}});
        // One finger left over from the group acts on nothing.
        script.fingers(2.0, 0.1, {{800, 600}, {900, 600}}, {{800, 600}, {900, 600}}, true);
        script.report(2.2, {{SlotTouch::Tool::Finger, 1, {800, 600}, true}})
            .report(2.3, {{SlotTouch::Tool::Finger, 1, {820, 600}, true}})
            .report(2.4, {});
        recordings.emplace_back(QStringLiteral("gesture-scroll"),
                                script.recording(QStringLiteral("scroll")));
    }
    {
        TouchScript script;
        script.tool(0.0, 0.2, SlotTouch::Tool::Pen,
                    [](double progress) { return QPointF(300 + 200 * progress, 300); });
        script.tool(0.6, 0.2, SlotTouch::Tool::Eraser,
                    [](double progress) { return QPointF(600, 300 + 100 * progress); });
        script.fingers(1.2, 0.1, {{100, 100}, {200, 100}, {300, 100}, {400, 100}, {500, 100}},
                       {{110, 100}, {210, 100}, {310, 100}, {410, 100}, {510, 100}});
        recordings.emplace_back(QStringLiteral("gesture-pen-eraser"),
                                script.recording(QStringLiteral("pen and eraser")));
    }
    // Three fingers on a screen of two slots, each frame in two reports: a middle click that
    // drags a little. A tap and a two-finger scroll fit in one report each.
    for (const auto& [name, spread] :
         {std::pair{QStringLiteral("three-fingers-two-slots-count-repeated"),
                    FrameSpread::CountInEveryReport},
          std::pair{QStringLiteral("three-fingers-two-slots-count-then-zero"),
                    FrameSpread::CountInFirstReport}}) {
        TouchScript script(2, spread);
        script.tap(0.0, {400, 300});
        script.fingers(0.5, 0.3, {{700, 500}, {800, 460}, {900, 500}},
                       {{730, 520}, {830, 480}, {930, 520}});
        script.fingers(1.5, 0.2, {{900, 760}, {1050, 760}}, {{900, 560}, {1050, 560}});
        recordings.emplace_back(name, script.recording(QStringLiteral("two slots")));
    }
    return recordings;
}
