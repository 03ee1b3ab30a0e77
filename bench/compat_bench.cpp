// What the diagnostics windows do for every input report while they are open: the debug window
// appends a report's text to its bounded log, the compatibility check's touch area takes the
// report's contacts.

#include <benchmark/benchmark.h>

#include <QVariantList>
#include <QVariantMap>

#include "compat/contact_ripples.h"
#include "compat/debug_report_log.h"

namespace {

// The debug text of a report with two fingers down, as the bridge writes it: about 250 bytes.
QString twoFingerDebugText() {
    return QStringLiteral(
        "report id=1 len=0062 contacts=2/2 frame=2 slots=10 hybrid=0\n"
        "  slot0 flags=07 id=1 x=2000 y=10000 w=0808 kind=finger extra=00\n"
        "  slot1 flags=07 id=2 x=5000 y=10500 w=0808 kind=finger extra=00\n"
        "0062 bytes: 01 07 01 d0 07 10 27 07 02 88 13 04 29 00 00 00 00 00 00 00 00 00 00 00");
}

// A log that has reached its steady state: each append adds five lines, and every sixty-first
// append cuts it back from over 1200 lines to 900.
void BM_DebugLogAppendSteadyState(benchmark::State& state) {
    const QString text = twoFingerDebugText();
    OVDebugReportLog log;
    for (int i = 0; i < 300; ++i) {
        log.append(text);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.append(text));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DebugLogAppendSteadyState);

QVariantMap fingerAt(int id, double x, double y) {
    return QVariantMap{{QStringLiteral("id"), id},
                       {QStringLiteral("kind"), 1},
                       {QStringLiteral("viewX"), x},
                       {QStringLiteral("viewY"), y}};
}

// Four fingers moving across the touch area at 120 reports a second, each report pruned as the
// 30 Hz tick would be.
void BM_RippleModelFourMovingFingers(benchmark::State& state) {
    OVContactRippleModel model;
    const auto point = [](const QVariantMap& contact) {
        return QPointF(contact.value(QStringLiteral("viewX")).toDouble(),
                       contact.value(QStringLiteral("viewY")).toDouble());
    };
    double now = 0.0;
    int step = 0;
    for (auto _ : state) {
        const double offset = (step++ % 400) * 1.0;
        const QVariantList contacts{fingerAt(1, 20 + offset, 40), fingerAt(2, 20 + offset, 100),
                                    fingerAt(3, 20 + offset, 160), fingerAt(4, 20 + offset, 220)};
        model.addContacts(contacts, point, now);
        benchmark::DoNotOptimize(model.prune(now));
        now += 1.0 / 120.0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RippleModelFourMovingFingers);

}  // namespace
