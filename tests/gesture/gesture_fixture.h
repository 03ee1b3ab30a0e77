#pragma once

#include <gtest/gtest.h>

#include <QPointF>
#include <QStringList>
#include <initializer_list>
#include <memory>
#include <ostream>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/sim_display_services.h"
#include "platform/sim/sim_event_poster.h"

void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QPointF& point, std::ostream* out);

// One contact of a test report, in display points: the raw range is the display's size, so a
// contact maps to exactly its own coordinates on the default display.
struct TestTouch {
    double x = 0.0;
    double y = 0.0;
    std::int64_t kind = OVContactKindFinger;
};

OVTouchContact makeContact(const TestTouch& touch, int slot = 0);
OVTouchContactList makeContactList(std::initializer_list<TestTouch> touches);
OVTouchContactList makeContactList(const std::vector<TestTouch>& touches);

// A bridge on one 1920x1080 sim display, with the registered defaults, in virtual time.
class GestureTest : public ::testing::Test {
  protected:
    GestureTest();

    OVVirtualScheduler& clock() { return *_guard.virtualScheduler(); }
    // Moves virtual time to `seconds` after the start (never backwards), firing due timers.
    void advanceTo(double seconds);
    // Moves time to `seconds`, then hands the bridge a report with these contacts.
    void report(double seconds, std::initializer_list<TestTouch> touches);
    void report(double seconds, const std::vector<TestTouch>& touches);
    // Lets every pending timer run (at most 10 s of virtual time).
    void drainTimers();

    // The event log without cursor warps, and with them.
    QStringList log() const;
    QStringList fullLog() const { return poster.lines(); }
    // Log lines that contain `fragment`.
    QStringList linesContaining(const QString& fragment) const;

    void setProfileValue(const QString& key, const QVariant& value);
    void setProfileValue(const QString& key, std::int64_t value) {
        setProfileValue(key, QVariant::fromValue<qlonglong>(value));
    }
    void setProfileValue(const QString& key, int value) { setProfileValue(key, QVariant(value)); }
    void setProfileValue(const QString& key, double value) {
        setProfileValue(key, QVariant(value));
    }
    void setProfileValue(const QString& key, bool value) { setProfileValue(key, QVariant(value)); }
    void setProfileValue(const QString& key, const char* value) {
        setProfileValue(key, QVariant(QString::fromUtf8(value)));
    }

    OVServicesGuard _guard;
    OVSimEventPoster poster;
    OVSimDisplayServices displays;
    OVAssembledPlatform platform;
    std::unique_ptr<OVTouchBridge> bridge;
};
