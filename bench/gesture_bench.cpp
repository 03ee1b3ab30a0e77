// The gesture engine's cost per report, with nobody observing the report notifications, and
// coasting in real time.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <string>
#include <vector>

#include "base/qt_scheduler.h"
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

// An event poster that notes when each scroll-wheel event (here: each inertia tick) came.
class TickTimes : public OVCountingEventPoster {
  public:
    TickTimes() { _clock.start(); }
    void postScrollWheel(std::int32_t, std::int32_t, std::uint64_t) override {
        times.push_back(static_cast<double>(_clock.nsecsElapsed()) / 1e9);
    }
    std::vector<double> times;

  private:
    QElapsedTimer _clock;
};

// The average period of ticks at these times: the slope of their least-squares line, so that
// the wake-up jitter of a busy machine at the first and the last tick does not count.
double averagePeriod(const std::vector<double>& times) {
    const double n = static_cast<double>(times.size());
    const double meanIndex = (n - 1.0) / 2.0;
    double meanTime = 0.0;
    for (double time : times) {
        meanTime += time / n;
    }
    double covariance = 0.0;
    double variance = 0.0;
    for (size_t i = 0; i < times.size(); ++i) {
        const double index = static_cast<double>(i) - meanIndex;
        covariance += index * (times[i] - meanTime);
        variance += index * index;
    }
    return covariance / variance;
}

// Coasting on the application's own scheduler, in real time: 60 inertia ticks take one second
// (within 1 %), whatever the timer's rounding to whole milliseconds. Each iteration flicks two
// fingers and times 61 ticks; an iteration off by more than 1 % fails the benchmark.
void BM_InertiaSixtyTicksRealTime(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "orvetta-bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    BenchPlatform bench;
    TickTimes ticks;
    bench.platform.poster = &ticks;
    OVQtScheduler scheduler;
    bench.guard.setScheduler(&scheduler);
    OVSetProfileValueForKey(QStringLiteral("inertiaDecay"), 1.0);  // coasts until stopped
    OVTouchBridge bridge;
    bridge.loadTargetDisplayBounds();
    double worst = 1.0;  // the iteration farthest from one second
    for (auto _ : state) {
        bridge.handleContacts(movingContacts(2, 1000));
        bridge.handleContacts(movingContacts(2, 2000));
        bridge.handleContacts(movingContacts(0, 0));
        ticks.times.clear();  // from here on every scroll-wheel event is a tick
        constexpr size_t kTicks = 61;
        QElapsedTimer limit;
        limit.start();
        while (ticks.times.size() < kTicks && limit.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        bridge.stopInertia();
        if (ticks.times.size() < kTicks) {
            state.SkipWithError("inertia stopped before 61 ticks");
            break;
        }
        const double seconds = 60.0 * averagePeriod(ticks.times);
        state.SetIterationTime(seconds);
        if (std::fabs(seconds - 1.0) > std::fabs(worst - 1.0)) {
            worst = seconds;
        }
    }
    state.counters["worst_seconds"] = worst;
    if (std::fabs(worst - 1.0) > 0.01) {
        const std::string message =
            "60 inertia ticks took " + std::to_string(worst) + " s, more than 1 % off one second";
        state.SkipWithError(message.c_str());
    }
}
BENCHMARK(BM_InertiaSixtyTicksRealTime)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
