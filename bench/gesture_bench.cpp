// The gesture engine's cost per report, with nobody observing the report notifications.

#include <benchmark/benchmark.h>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/counting_event_poster.h"
#include "platform/sim/sim_display_services.h"
#include "settings/profiles.h"

namespace {

struct BenchPlatform {
    BenchPlatform() {
        OVRegisterDefaults();
        displays.setDisplays(
            {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true)});
        platform.poster = &poster;
        platform.displays = &displays;
        guard.setPlatform(&platform);
    }
    OVServicesGuard guard;
    OVCountingEventPoster poster;
    OVSimDisplayServices displays;
    OVAssembledPlatform platform;
};

OVTouchContactList movingContacts(int count, std::uint32_t x) {
    OVTouchContactList list;
    list.count = count;
    list.decoded = true;
    list.complete = true;
    for (int i = 0; i < count; ++i) {
        OVTouchContact& contact = list.contacts[static_cast<size_t>(i)];
        contact.valid = true;
        contact.slot = i;
        contact.flags = 0x03;
        contact.contactId = static_cast<std::uint8_t>(i);
        contact.x = x + static_cast<std::uint32_t>(i) * 300;
        contact.y = 10000;
        contact.xMaximum = 32767;
        contact.yMaximum = 32767;
        contact.kind = OVContactKindFinger;
    }
    return list;
}

// One report per iteration of a touch moving across the display: one finger dragging the left
// button, two fingers scrolling, or ten fingers sent as frames of two reports of five.
void BM_GestureStep(benchmark::State& state) {
    BenchPlatform bench;
    OVTouchBridge bridge;
    bridge.loadTargetDisplayBounds();
    const int fingers = static_cast<int>(state.range(0));
    const int perReport = fingers > 8 ? fingers / 2 : fingers;
    OVVirtualScheduler& clock = *bench.guard.virtualScheduler();
    std::uint32_t x = 1000;
    for (auto _ : state) {
        clock.advance(1.0 / 240.0);
        bridge.handleContacts(movingContacts(perReport, x));
        x = x >= 20000 ? 1000 : x + 40;
    }
    benchmark::DoNotOptimize(bench.poster.events);
    state.SetLabel(fingers == 1 ? "left drag" : fingers == 2 ? "scroll" : "group of 5 + 5");
}
BENCHMARK(BM_GestureStep)->Arg(1)->Arg(2)->Arg(10);

}  // namespace
