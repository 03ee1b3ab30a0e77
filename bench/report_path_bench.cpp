// The whole report path per report: decode, the two report notifications, the gesture step.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <vector>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/counting_event_poster.h"
#include "platform/sim/sim_display_services.h"
#include "settings/profiles.h"

namespace {

// A touch screen of five slots (ten fingers arrive in two reports), and a run of reports of
// `fingers` contacts moving right.
struct ReportPathBench {
    explicit ReportPathBench(int fingers) {
        OVRegisterDefaults();
        displays.setDisplays(
            {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true)});
        platform.poster = &poster;
        platform.displays = &displays;
        guard.setPlatform(&platform);
        OVHIDTouchScreenDescription description;
        description.fingers = 5;
        const OVHIDDigitizerLayout layout =
            OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
        bridge = std::make_unique<OVTouchBridge>();
        bridge->setHIDLayout(layout);
        bridge->loadTargetDisplayBounds();
        const int perReport = std::min(fingers, 5);
        for (int step = 0; step < 400; ++step) {
            for (int first = 0; first < fingers; first += perReport) {
                std::vector<OVTouchContact> contacts(static_cast<size_t>(perReport));
                for (int i = 0; i < perReport; ++i) {
                    OVTouchContact& contact = contacts[static_cast<size_t>(i)];
                    contact.contactId = static_cast<std::uint8_t>(first + i + 1);
                    contact.x = static_cast<std::uint32_t>(2000 + step * 40 + (first + i) * 900);
                    contact.y = 12000;
                    contact.kind = OVContactKindFinger;
                }
                reports.push_back(OVTouchReport(layout, contacts.data(), perReport,
                                                static_cast<std::uint32_t>(fingers)));
            }
        }
    }

    void run(benchmark::State& state) {
        OVVirtualScheduler& clock = *guard.virtualScheduler();
        size_t next = 0;
        for (auto _ : state) {
            clock.advance(1.0 / 240.0);
            const QByteArray& report = reports[next];
            bridge->handleInputReport(reinterpret_cast<const std::uint8_t*>(report.constData()),
                                      report.size());
            next = next + 1 == reports.size() ? 0 : next + 1;
        }
        benchmark::DoNotOptimize(poster.events);
    }

    OVServicesGuard guard;
    OVCountingEventPoster poster;
    OVSimDisplayServices displays;
    OVAssembledPlatform platform;
    std::unique_ptr<OVTouchBridge> bridge;
    std::vector<QByteArray> reports;
};

// Decode and gesture step, nobody listening.
void BM_ReportPathUnobserved(benchmark::State& state) {
    ReportPathBench bench(static_cast<int>(state.range(0)));
    bench.run(state);
}
BENCHMARK(BM_ReportPathUnobserved)->Arg(1)->Arg(2)->Arg(10);

// With the debug and compatibility windows listening to both notifications.
void BM_ReportPathObserved(benchmark::State& state) {
    ReportPathBench bench(static_cast<int>(state.range(0)));
    qsizetype received = 0;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVDebugReportNotification, nullptr, [&](const OVNotification& note) {
        received += note.userInfo.value(QStringLiteral("text")).toString().size();
    });
    observers.add(OVCompatibilityReportNotification, nullptr, [&](const OVNotification& note) {
        received += note.userInfo.value(QStringLiteral("contacts")).toList().size();
    });
    bench.run(state);
    benchmark::DoNotOptimize(received);
}
BENCHMARK(BM_ReportPathObserved)->Arg(1)->Arg(2)->Arg(10);

}  // namespace
