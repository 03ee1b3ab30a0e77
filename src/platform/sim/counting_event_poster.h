#pragma once

#include "platform/event_poster.h"

// An event poster that only counts what it is asked to post, so that benchmarks and allocation
// tests measure the engine rather than a log.
class OVCountingEventPoster : public OVEventPoster {
  public:
    void postMouseEvent(int, int, QPointF, std::uint64_t, std::int64_t) override { ++events; }
    void postScrollWheel(std::int32_t, std::int32_t, std::uint64_t) override { ++events; }
    void postMagnify(double, std::int64_t, QPointF) override { ++events; }
    void postKey(std::uint16_t, bool, std::uint64_t) override { ++events; }
    void postText(const QString&, std::uint64_t) override { ++events; }
    void postSystemKey(int, bool) override { ++events; }
    void warpCursor(QPointF) override { ++events; }
    void openSystemApplication(const QString&) override { ++events; }
    double doubleClickInterval() const override { return 0.5; }
    long events = 0;
};
