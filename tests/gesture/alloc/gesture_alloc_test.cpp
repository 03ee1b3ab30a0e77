// With nobody observing the report notifications, one gesture step allocates nothing in steady
// state: every profile read, decision and timer check runs on values held in place.

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <vector>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/ui/debug_window_controller.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/counting_event_poster.h"
#include "platform/sim/sim_display_services.h"
#include "settings/profiles.h"
#include "support/alloc/counting_allocator.h"

namespace {

OVTouchContactList contactsAt(int count, double x, double spacing, std::int64_t kind) {
    OVTouchContactList list;
    list.count = count;
    list.decoded = list.complete = true;
    for (int i = 0; i < count; ++i) {
        OVTouchContact& contact = list.contacts[static_cast<size_t>(i)];
        contact.valid = true;
        contact.slot = i;
        contact.contactId = static_cast<std::uint8_t>(i);
        contact.x = static_cast<std::uint32_t>(x + i * spacing);
        contact.y = 500;
        contact.xMaximum = 1920;
        contact.yMaximum = 1080;
        contact.kind = kind;
    }
    return list;
}

class GestureAllocationTest : public ::testing::Test {
  protected:
    GestureAllocationTest() {
        OVRegisterDefaults();
        displays.setDisplays(
            {OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true)});
        platform.poster = &poster;
        platform.displays = &displays;
        guard.setPlatform(&platform);
        bridge.loadTargetDisplayBounds();
    }
    void SetUp() override {
        if (!ORVETTA_COUNTING_ALLOCATOR) {
            GTEST_SKIP() << "the sanitizer runtime owns malloc";
        }
        allocation_counter::begin();  // the counter itself must see allocations
        QString text = QStringLiteral("abc") + QString::number(12345);
        ASSERT_GE(allocation_counter::end(), 1);
    }

    // Counts the allocations of 200 reports after 20 of warm-up, `count` contacts `spacing`
    // apart moving by `step` points per report (their spacing growing by `spread`), and
    // lifts them. Unless `quiet`, the counted reports must post events.
    long allocationsWhileMoving(int count, double spacing, double step, double spread = 0,
                                std::int64_t kind = OVContactKindFinger, bool quiet = false) {
        double x = 300.0;
        auto nextReport = [&](int i) {
            guard.virtualScheduler()->advance(1.0 / 120.0);
            bridge.handleContacts(contactsAt(count, x += step, spacing += spread * (i % 3), kind));
        };
        for (int i = 0; i < 20; ++i) {
            nextReport(i);
        }
        const long before = poster.events;
        allocation_counter::begin();
        for (int i = 0; i < 200; ++i) {
            nextReport(i);
        }
        const long allocations = allocation_counter::end();
        EXPECT_TRUE(quiet || poster.events > before) << "the gesture posted nothing";
        bridge.handleContacts(OVTouchContactList());
        guard.virtualScheduler()->drain(10.0);
        return allocations;
    }

    OVServicesGuard guard;
    OVCountingEventPoster poster;
    OVSimDisplayServices displays;
    OVAssembledPlatform platform;
    OVTouchBridge bridge;
};

TEST_F(GestureAllocationTest, EveryGestureAllocatesNothingPerReport) {
    EXPECT_EQ(allocationsWhileMoving(1, 0, 3), 0) << "one finger dragging the left button";
    EXPECT_EQ(allocationsWhileMoving(2, 200, 3), 0) << "two fingers scrolling";
    EXPECT_EQ(allocationsWhileMoving(3, 100, 3), 0) << "three fingers dragging the middle button";
    EXPECT_EQ(allocationsWhileMoving(8, 100, 3, 0, OVContactKindFinger, true), 0) << "eight";
    EXPECT_EQ(allocationsWhileMoving(1, 0, 3, 0, OVContactKindEraser), 0) << "eraser, right";
    // A named profile, a pinch that locks in the warm-up and magnifies, one finger scrolling.
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile(QStringLiteral("Work")));
    OVSetProfileValueForKey(OVMouseActionKey(QStringLiteral("finger2")),
                            QVariant::fromValue<qlonglong>(OVMouseActionScrollAndPinch));
    OVSetProfileValueForKey(OVMouseActionKey(QStringLiteral("finger1")),
                            QVariant::fromValue<qlonglong>(OVMouseActionScroll));
    EXPECT_EQ(allocationsWhileMoving(2, 200, 0, 2), 0) << "a locked pinch";
    EXPECT_EQ(allocationsWhileMoving(1, 0, 3), 0) << "one finger scrolling";
}

TEST_F(GestureAllocationTest, CoastingAllocatesNothingPerTick) {
    for (int i = 0; i < 10; ++i) {
        guard.virtualScheduler()->advance(1.0 / 120.0);
        bridge.handleContacts(contactsAt(2, 300 + 20 * i, 200, OVContactKindFinger));
    }
    bridge.handleContacts(OVTouchContactList());
    guard.virtualScheduler()->advance(0.05);
    ASSERT_TRUE(bridge.inertiaRunning());
    allocation_counter::begin();
    for (int i = 0; i < 30; ++i) {
        bridge.inertiaTick();
    }
    EXPECT_EQ(allocation_counter::end(), 0);
}

TEST_F(GestureAllocationTest, TheWholeReportPathAllocatesNothingWhenUnobserved) {
    const OVHIDDigitizerLayout layout =
        OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor({.fingers = 5}));
    bridge.setHIDLayout(layout);
    // Ten fingers arrive as two reports of five; one and two fingers in one report each.
    std::vector<QByteArray> reports;
    for (int fingers : {1, 2, 10}) {
        for (int step = 0; step < 60; ++step) {
            for (int first = 0; first < fingers; first += 5) {
                std::vector<OVTouchContact> contacts(static_cast<size_t>(std::min(fingers, 5)));
                for (size_t i = 0; i < contacts.size(); ++i) {
                    contacts[i].contactId = static_cast<std::uint8_t>(first + i + 1);
                    contacts[i].x = static_cast<std::uint32_t>(3000 + step * 60 + i * 2000);
                    contacts[i].y = 9000;
                }
                reports.push_back(OVTouchReport(layout, contacts.data(),
                                                static_cast<int>(contacts.size()),
                                                static_cast<std::uint32_t>(fingers)));
            }
        }
    }
    // Each run of reports after its first ten, when its gesture is under way.
    auto allocationsPerRun = [&] {
        std::vector<long> allocations;
        for (const auto& [from, to] : {std::pair{0, 60}, std::pair{60, 120}, std::pair{120, 240}}) {
            for (int i = from; i < to; ++i) {
                if (i == from + 10) {
                    allocation_counter::begin();
                }
                guard.virtualScheduler()->advance(1.0 / 120.0);
                const QByteArray& report = reports[static_cast<size_t>(i)];
                bridge.handleInputReport(reinterpret_cast<const std::uint8_t*>(report.data()),
                                         report.size());
            }
            allocations.push_back(allocation_counter::end());
            bridge.handleContacts(OVTouchContactList());
        }
        return allocations;
    };
    EXPECT_EQ(allocationsPerRun(), std::vector<long>(3, 0));
    EXPECT_TRUE(bridge.hybridModeObserved());
    EXPECT_GT(poster.events, 0);
    // The debug window builds text for every report while it is shown, and for none once it
    // was closed.
    OVDebugWindowController debugWindow;
    debugWindow.showWindow();
    EXPECT_GT(allocationsPerRun()[0], 0);
    debugWindow.window()->close();
    EXPECT_EQ(allocationsPerRun(), std::vector<long>(3, 0));
}

}  // namespace
