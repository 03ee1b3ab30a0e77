#pragma once

#include <gtest/gtest.h>

#include <QPointF>
#include <QStringList>
#include <memory>
#include <vector>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"

void PrintTo(const QString& text, std::ostream* out);

// One contact of a test report, in display points: the raw range is the display's size, so a
// contact maps to exactly its own coordinates on the default display.
struct TestTouch {
    double x = 0.0;
    double y = 0.0;
    std::int64_t kind = OVContactKindFinger;
};

OVTouchContactList makeContactList(const std::vector<TestTouch>& touches);

// A bridge on one 1920x1080 sim display, with the registered defaults, in virtual time.
class GestureTest : public ::testing::Test {
  protected:
    GestureTest();

    OVVirtualScheduler& clock() { return *_guard.virtualScheduler(); }
    // Moves virtual time to `seconds` after the start (never backwards), firing due timers.
    void advanceTo(double seconds);
    // Moves time to `seconds`, then hands the bridge a report with these contacts.
    void report(double seconds, const std::vector<TestTouch>& touches);

    // The event log without cursor warps, and with them.
    QStringList log() const;
    QStringList fullLog() const { return poster.lines(); }
    QStringList linesContaining(const QString& fragment) const {
        return poster.lines().filter(fragment);
    }

    // Sets a profile value; integers are stored as the 64-bit numbers the settings hold.
    template <typename T>
    void set(const QString& key, T value) {
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
            setValue(key, QVariant::fromValue<qlonglong>(value));
        } else {
            setValue(key, QVariant::fromValue(value));
        }
    }
    void setValue(const QString& key, const QVariant& value);

    OVServicesGuard _guard;
    OVSimEventPoster poster;
    OVSimDisplayServices displays;
    OVAssembledPlatform platform;
    std::unique_ptr<OVTouchBridge> bridge;
};
