// With nobody observing the report notifications, one gesture step allocates nothing in steady
// state: every profile read, decision and timer check runs on values held in place.

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <vector>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "compat/ui/debug_window_controller.h"
#include "counting_allocator.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "platform/assembled_platform.h"
#include "platform/sim/counting_event_poster.h"
#include "platform/sim/sim_display_services.h"
#include "settings/profiles.h"

namespace {

OVTouchContactList contactsAt(int count, double x, double y, double spacing,
                              std::int64_t kind = OVContactKindFinger) {
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
        contact.x = static_cast<std::uint32_t>(x + i * spacing);
        contact.y = static_cast<std::uint32_t>(y);
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

    // Warms the gesture up for `warmUp` reports, then counts the allocations of `measured`
    // more reports; the contacts move by `step` points per report. Unless `quiet`, the
    // measured reports must post events.
    long allocationsWhileMoving(int count, double spacing, double step,
                                std::int64_t kind = OVContactKindFinger, bool quiet = false) {
        constexpr int warmUp = 20;
        constexpr int measured = 200;
        double x = 300.0;
        auto nextReport = [&] {
            guard.virtualScheduler()->advance(1.0 / 120.0);
            bridge.handleContacts(contactsAt(count, x, 500.0, spacing, kind));
            x += step;
        };
        for (int i = 0; i < warmUp; ++i) {
            nextReport();
        }
        const long before = poster.events;
        allocation_counter::begin();
        for (int i = 0; i < measured; ++i) {
            nextReport();
        }
        const long allocations = allocation_counter::end();
        if (!quiet) {
            EXPECT_GT(poster.events, before) << "the gesture posted nothing";
        }
        return allocations;
    }

    OVServicesGuard guard;
    OVCountingEventPoster poster;
    OVSimDisplayServices displays;
    OVAssembledPlatform platform;
    OVTouchBridge bridge;
};

TEST_F(GestureAllocationTest, TheCounterSeesAllocations) {
#if !ORVETTA_COUNTING_ALLOCATOR
    GTEST_SKIP() << "the sanitizer runtime owns malloc";
#endif
    allocation_counter::begin();
    QString text = QStringLiteral("abc");
    text += QString::number(12345);
    std::vector<int> numbers(100);
    EXPECT_GE(allocation_counter::end(), 2);
}

TEST_F(GestureAllocationTest, DraggingButtonsAndScrollingAllocateNothing) {
#if !ORVETTA_COUNTING_ALLOCATOR
    GTEST_SKIP() << "the sanitizer runtime owns malloc";
#endif
    EXPECT_EQ(allocationsWhileMoving(1, 0, 3), 0) << "one finger dragging the left button";
    bridge.handleContacts(OVTouchContactList());
    EXPECT_EQ(allocationsWhileMoving(2, 200, 3), 0) << "two fingers scrolling";
    bridge.handleContacts(OVTouchContactList());
    guard.virtualScheduler()->drain(10.0);
    EXPECT_EQ(allocationsWhileMoving(3, 100, 3), 0) << "three fingers dragging the middle button";
    bridge.handleContacts(OVTouchContactList());
    EXPECT_EQ(allocationsWhileMoving(8, 100, 3, OVContactKindFinger, true), 0) << "eight fingers";
    bridge.handleContacts(OVTouchContactList());
    EXPECT_EQ(allocationsWhileMoving(1, 0, 3, OVContactKindEraser), 0) << "eraser, right button";
    bridge.handleContacts(OVTouchContactList());
    guard.virtualScheduler()->drain(10.0);
}

TEST_F(GestureAllocationTest, PinchingAndOneFingerScrollingInANamedProfileAllocateNothing) {
#if !ORVETTA_COUNTING_ALLOCATOR
    GTEST_SKIP() << "the sanitizer runtime owns malloc";
#endif
    ASSERT_TRUE(OVSaveCurrentSettingsAsProfile(QStringLiteral("Work")));
    OVSetProfileValueForKey(OVMouseActionKey(QStringLiteral("finger2")),
                            QVariant::fromValue<qlonglong>(OVMouseActionScrollAndPinch));
    OVSetProfileValueForKey(OVMouseActionKey(QStringLiteral("finger1")),
                            QVariant::fromValue<qlonglong>(OVMouseActionScroll));
    ASSERT_EQ(OVActiveSettingsProfileName(), QStringLiteral("Work"));
    // Spreading: the pinch locks during the warm-up and magnifies from then on.
    EXPECT_EQ(allocationsWhileMoving(2, 200, 0, OVContactKindFinger, true), 0)
        << "two fingers holding still";
    bridge.handleContacts(OVTouchContactList());
    double spacing = 200.0;
    for (int i = 0; i < 10; ++i) {
        bridge.handleContacts(contactsAt(2, 300, 500, spacing += 4));
    }
    ASSERT_TRUE(bridge.pinchLocked());
    const long before = poster.events;
    allocation_counter::begin();
    for (int i = 0; i < 200; ++i) {
        guard.virtualScheduler()->advance(1.0 / 120.0);
        bridge.handleContacts(contactsAt(2, 300, 500, spacing += (i % 2 ? 2 : -1)));
    }
    EXPECT_EQ(allocation_counter::end(), 0) << "a locked pinch";
    EXPECT_GT(poster.events, before);
    bridge.handleContacts(OVTouchContactList());
    EXPECT_EQ(allocationsWhileMoving(1, 0, 3), 0) << "one finger scrolling";
}

TEST_F(GestureAllocationTest, CoastingAllocatesNothingPerTick) {
#if !ORVETTA_COUNTING_ALLOCATOR
    GTEST_SKIP() << "the sanitizer runtime owns malloc";
#endif
    allocationsWhileMoving(2, 200, 20);
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
#if !ORVETTA_COUNTING_ALLOCATOR
    GTEST_SKIP() << "the sanitizer runtime owns malloc";
#endif
    OVHIDTouchScreenDescription description;
    description.fingers = 5;
    const OVHIDDigitizerLayout layout =
        OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
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
    auto feed = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            guard.virtualScheduler()->advance(1.0 / 120.0);
            bridge.handleInputReport(reinterpret_cast<const std::uint8_t*>(reports[i].constData()),
                                     reports[i].size());
        }
    };
    // Each run of reports after its first few, when its gesture is under way.
    const size_t runs[][2] = {{0, 60}, {60, 120}, {120, 240}};
    auto allocationsPerRun = [&] {
        std::vector<long> allocations;
        for (const auto& run : runs) {
            feed(run[0], run[0] + 10);
            allocation_counter::begin();
            feed(run[0] + 10, run[1]);
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
