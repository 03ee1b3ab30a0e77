// The touch report path: walking a ten-finger descriptor (also behind a pen report), decoding a
// report with all ten fingers down, and building the debug text of that report.

#include <benchmark/benchmark.h>

#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/touch_bridge.h"

namespace {

QByteArray tenFingerDescriptor() {
    OVHIDTouchScreenDescription description;
    description.fingers = 10;
    description.widthAndHeight = true;
    return OVHIDTouchScreenDescriptor(description);
}

// All ten fingers down: 10 contacts of 10 bytes (flags, identifier, X, Y, width, height).
QByteArray tenFingerReport() {
    QByteArray report(1 + 10 * 10 + 1, '\0');
    report[0] = 1;
    for (int finger = 0; finger < 10; ++finger) {
        const int base = 1 + 10 * finger;
        const int x = 1500 + 2900 * finger;
        const int y = 9000 + 700 * finger;
        report[base] = 0x07;
        report[base + 1] = static_cast<char>(finger + 1);
        report[base + 2] = static_cast<char>(x & 0xFF);
        report[base + 3] = static_cast<char>(x >> 8);
        report[base + 4] = static_cast<char>(y & 0xFF);
        report[base + 5] = static_cast<char>(y >> 8);
        report[base + 6] = 8;
        report[base + 8] = 8;
    }
    report[101] = 10;
    return report;
}

const std::uint8_t* bytesOf(const QByteArray& data) {
    return reinterpret_cast<const std::uint8_t*>(data.constData());
}

void BM_HIDWalkTenFingerDescriptor(benchmark::State& state) {
    const QByteArray descriptor = tenFingerDescriptor();
    for (auto _ : state) {
        OVHIDDigitizerLayout layout =
            OVHIDDigitizerLayoutBuild(bytesOf(descriptor), descriptor.size());
        benchmark::DoNotOptimize(layout);
    }
    state.SetBytesProcessed(state.iterations() * descriptor.size());
}
BENCHMARK(BM_HIDWalkTenFingerDescriptor);

// A pen report first, then the ten-finger touch screen: the walk that finds the finger report
// behind the pen goes over the descriptor twice.
void BM_HIDWalkPenFirstDescriptor(benchmark::State& state) {
    OVHIDDescriptorWriter d;
    d.usagePage(0x0D).usage(0x02).collection(OVHIDDescriptorWriter::kApplication).reportID(2);
    d.usage(0x20).collection(OVHIDDescriptorWriter::kPhysical);
    d.usage(0x42).usage(0x32).logicalMinimum(0).logicalMaximum(1).reportSize(1).reportCount(2);
    d.input()
        .padding(6)
        .usagePage(0x01)
        .inputField(0x30, 16, 0, 9600)
        .inputField(0x31, 16, 0, 7200);
    d.endCollection().endCollection();
    const QByteArray descriptor = d.bytes() + tenFingerDescriptor();
    for (auto _ : state) {
        OVHIDDigitizerLayout layout =
            OVHIDDigitizerLayoutBuild(bytesOf(descriptor), descriptor.size());
        benchmark::DoNotOptimize(layout);
    }
    state.SetBytesProcessed(state.iterations() * descriptor.size());
}
BENCHMARK(BM_HIDWalkPenFirstDescriptor);

void BM_HIDDecodeTenSlotReport(benchmark::State& state) {
    OVTouchBridge bridge;
    bridge.setHIDLayout(OVHIDDigitizerLayoutBuild(tenFingerDescriptor()));
    const QByteArray report = tenFingerReport();
    for (auto _ : state) {
        OVTouchContactList list = bridge.contactsFromReport(bytesOf(report), report.size());
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_HIDDecodeTenSlotReport);

void BM_HIDDebugTextTenSlotReport(benchmark::State& state) {
    OVTouchBridge bridge;
    const OVHIDDigitizerLayout layout = OVHIDDigitizerLayoutBuild(tenFingerDescriptor());
    bridge.setHIDLayout(layout);
    bridge.setHIDDecoderStatus(QStringLiteral("HidDigitizerDescriptor report=1 contacts=8"));
    const QByteArray report = tenFingerReport();
    const OVTouchContactList list = bridge.contactsFromReport(bytesOf(report), report.size());
    for (auto _ : state) {
        QString text = bridge.debugTextForReport(bytesOf(report), report.size(), list);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_HIDDebugTextTenSlotReport);

}  // namespace
