// The gesture summary of what the replayed recordings do not show: pinch, key combos and
// one-shot actions, the right button, sideways coasting, and a press still held at the end.

#include <gtest/gtest.h>

#include <QStringList>

#include "platform/sim/replay_summary.h"

namespace {

using Kind = OVSimPostedEvent::Kind;

OVReplayContact finger(std::uint32_t id, QPointF at) {
    return {OVReplayTool::Finger, id, at};
}

OVSimPostedEvent posted(double time, Kind kind) {
    OVSimPostedEvent event;
    event.time = time;
    event.kind = kind;
    return event;
}

}  // namespace

TEST(ReplayGestures, EachTouchBecomesOneLineWithWhatItDid) {
    QStringList lines;
    OVReplayGestureTracker tracker(
        [&lines](const OVReplayGesture& gesture) { lines << OVReplaySummaryLine(gesture); });
    auto mouse = [&](double time, int type, int button, QPointF at) {
        OVSimPostedEvent event = posted(time, Kind::Mouse);
        event.type = type;
        event.button = button;
        event.at = at;
        event.clickCount = button == 0 ? 1 : 0;
        tracker.addEvent(event);
    };
    auto magnify = [&](double time, double amount, std::int64_t phase) {
        OVSimPostedEvent event = posted(time, Kind::Magnify);
        event.at = {200, 500};
        event.amount = amount;
        event.phase = phase;
        tracker.addEvent(event);
    };
    auto key = [&](int code, bool down, std::uint64_t flags) {
        OVSimPostedEvent event = posted(1.0, Kind::Key);
        event.code = code;
        event.down = down;
        event.flags = flags;
        tracker.addEvent(event);
    };
    auto scroll = [&](double time, int deltaX) {
        OVSimPostedEvent event = posted(time, Kind::Scroll);
        event.deltaX = deltaX;
        tracker.addEvent(event);
    };

    // Two fingers spread apart: a pinch that zooms in.
    tracker.addReport(0.0, {finger(1, {100, 500}), finger(2, {300, 500})});
    magnify(0.0, 0.0, 1);
    tracker.addReport(0.1, {finger(1, {80, 500}), finger(2, {320, 500})});
    magnify(0.1, 0.05, 2);
    magnify(0.1, 0.08, 2);
    tracker.addReport(0.3, {});
    magnify(0.3, 0.0, 8);
    EXPECT_TRUE(tracker.lifted());

    // Three fingers whose one-shot actions post Shift-Command-4 and open the overview.
    tracker.addReport(1.0, {finger(1, {10, 10}), finger(2, {20, 10}), finger(3, {30, 10})});
    key(56, true, 0x20000);
    key(55, true, 0x120000);
    key(21, true, 0x120000);
    key(21, false, 0x120000);
    key(55, false, 0x20000);
    key(56, false, 0);
    OVSimPostedEvent open = posted(1.0, Kind::Open);
    open.text = QStringLiteral("missionControl");
    tracker.addEvent(open);
    tracker.addReport(1.1, {});

    // A long press on the right button.
    tracker.addReport(2.0, {finger(1, {50, 60})});
    mouse(2.0, 3, 1, {50, 60});
    tracker.addReport(2.8, {finger(1, {51, 60})});
    tracker.addReport(2.9, {});
    mouse(2.9, 4, 1, {51, 60});

    // A sideways scroll that coasts after the lift.
    tracker.addReport(4.0, {finger(1, {500, 500})});
    tracker.addReport(4.1, {finger(1, {470, 500})});
    scroll(4.1, -20);
    scroll(4.15, -10);
    tracker.addReport(4.2, {});
    scroll(4.25, -6);

    // A drag whose button is still held when the replay ends.
    tracker.addReport(5.0, {finger(1, {10, 10})});
    mouse(5.1, 1, 0, {10, 10});
    tracker.addReport(5.2, {finger(1, {60, 10})});
    mouse(5.2, 6, 0, {60, 10});
    EXPECT_FALSE(tracker.lifted());
    tracker.finish();

    EXPECT_EQ(lines,
              QStringList({
                  "0.00–0.30 s  two fingers → pinch at (200, 500), zoom in 13 %",
                  "1.00–1.10 s  three fingers → keys Shift+Cmd+4, then opens the overview",
                  "2.00–2.90 s  long press → right click at (50, 60)",
                  "4.00–4.25 s  drag → scroll 30 points right, coasting 6 points right over 0.05 s",
                  "5.00–5.20 s  drag → left drag (10, 10) → (60, 10), still held",
              }));
}
