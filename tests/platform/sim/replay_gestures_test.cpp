// The gesture summary of what the replayed recordings do not show: pinch, key combos and
// one-shot actions, the right button, sideways coasting, and a press still held at the end.

#include <gtest/gtest.h>

#include <QStringList>

#include "platform/sim/replay_summary.h"

namespace {

using Kind = OVSimPostedEvent::Kind;

OVSimPostedEvent posted(double time, Kind kind) {
    OVSimPostedEvent event;
    event.time = time;
    event.kind = kind;
    return event;
}

OVSimPostedEvent mouse(double time, int type, int button, QPointF at) {
    OVSimPostedEvent event = posted(time, Kind::Mouse);
    event.type = type;
    event.button = button;
    event.at = at;
    event.clickCount = button == 0 ? 1 : 0;
    return event;
}

OVSimPostedEvent magnify(double time, double amount, std::int64_t phase) {
    OVSimPostedEvent event = posted(time, Kind::Magnify);
    event.amount = amount;
    event.phase = phase;
    event.at = {200, 500};
    return event;
}

OVSimPostedEvent key(double time, int code, bool down, std::uint64_t flags) {
    OVSimPostedEvent event = posted(time, Kind::Key);
    event.code = code;
    event.down = down;
    event.flags = flags;
    return event;
}

OVReplayContact finger(std::uint32_t id, QPointF at) {
    return {OVReplayTool::Finger, id, at};
}

TEST(ReplayGestures, EachTouchBecomesOneLineWithWhatItDid) {
    QStringList lines;
    OVReplayGestureTracker tracker(
        [&lines](const OVReplayGesture& gesture) { lines << OVReplaySummaryLine(gesture); });

    // Two fingers spread apart: a pinch that zooms in.
    tracker.addReport(0.0, {finger(1, {100, 500}), finger(2, {300, 500})});
    tracker.addEvent(magnify(0.0, 0.0, 1));
    tracker.addReport(0.1, {finger(1, {80, 500}), finger(2, {320, 500})});
    tracker.addEvent(magnify(0.1, 0.05, 2));
    tracker.addEvent(magnify(0.1, 0.08, 2));
    tracker.addReport(0.3, {});
    tracker.addEvent(magnify(0.3, 0.0, 8));
    EXPECT_TRUE(tracker.lifted());

    // Three fingers whose one-shot actions post Shift-Command-4 and open the overview.
    tracker.addReport(1.0, {finger(1, {10, 10}), finger(2, {20, 10}), finger(3, {30, 10})});
    tracker.addEvent(key(1.0, 56, true, 0x20000));
    tracker.addEvent(key(1.0, 55, true, 0x120000));
    tracker.addEvent(key(1.0, 21, true, 0x120000));
    tracker.addEvent(key(1.0, 21, false, 0x120000));
    tracker.addEvent(key(1.0, 55, false, 0x20000));
    tracker.addEvent(key(1.0, 56, false, 0));
    OVSimPostedEvent open = posted(1.0, Kind::Open);
    open.text = QStringLiteral("missionControl");
    tracker.addEvent(open);
    tracker.addReport(1.1, {});

    // A long press on the right button.
    tracker.addReport(2.0, {finger(1, {50, 60})});
    tracker.addEvent(mouse(2.0, 3, 1, {50, 60}));
    tracker.addReport(2.8, {finger(1, {51, 60})});
    tracker.addReport(2.9, {});
    tracker.addEvent(mouse(2.9, 4, 1, {51, 60}));

    // A sideways scroll that coasts after the lift.
    tracker.addReport(4.0, {finger(1, {500, 500})});
    tracker.addReport(4.1, {finger(1, {470, 500})});
    OVSimPostedEvent scroll = posted(4.1, Kind::Scroll);
    scroll.deltaX = -20;
    tracker.addEvent(scroll);
    scroll.time = 4.15;
    scroll.deltaX = -10;
    tracker.addEvent(scroll);
    tracker.addReport(4.2, {});
    scroll.time = 4.25;
    scroll.deltaX = -6;
    tracker.addEvent(scroll);

    // A drag whose button is still held when the replay ends.
    tracker.addReport(5.0, {finger(1, {10, 10})});
    tracker.addEvent(mouse(5.1, 1, 0, {10, 10}));
    tracker.addReport(5.2, {finger(1, {60, 10})});
    tracker.addEvent(mouse(5.2, 6, 0, {60, 10}));
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

}  // namespace
