// Walking a descriptor, decoding reports and assembling their frames allocate nothing: every heap
// allocation of this program is counted meanwhile. This folder is its own test program, so that
// the counting allocator replaces the one of no other test.

#include <gtest/gtest.h>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/hid_test_support.h"
#include "hid/touch_bridge.h"
#include "support/alloc/counting_allocator.h"

namespace {

// Counts the allocations made while `work` runs.
template <typename Work>
long allocationsOf(Work&& work) {
    allocation_counter::begin();
    work();
    return allocation_counter::end();
}

}  // namespace

using namespace hidtest;

class HIDAllocations : public ::testing::Test {
    void SetUp() override {
        if (!ORVETTA_COUNTING_ALLOCATOR) {
            GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
        }
    }
};

TEST_F(HIDAllocations, TheCounterSeesAllocations) {
    EXPECT_EQ(allocationsOf([] {
                  int* volatile probe = new int(7);
                  delete probe;
              }),
              1);
    EXPECT_EQ(allocationsOf([] { QByteArray text(100, 'x'); }), 1);
}

TEST_F(HIDAllocations, WalkingDecodingAndAssemblingAllocateNothing) {
    OVServicesGuard guard;
    const QByteArray descriptor = OVHIDTouchScreenDescriptor({});  // ten fingers
    OVHIDDigitizerLayout layout;
    EXPECT_EQ(allocationsOf([&] { layout = OVHIDDigitizerLayoutBuild(descriptor); }), 0);
    ASSERT_EQ(layout.contactCount, 8);

    // Both halves of a ten-finger frame over two reports, a short one and one of another ID.
    OVTouchContact fingers[8];
    for (int i = 0; i < 8; ++i) {
        fingers[i] = fingerAt(i + 1, 100u * i, 200u);
    }
    const QByteArray report = OVTouchReport(layout, fingers, 8, 10);
    OVTouchBridge bridge;
    bridge.setHIDLayout(layout);
    OVTouchContactList lists[4];
    EXPECT_EQ(allocationsOf([&] {
                  lists[0] = bridge.contactsFromReport(data(report), report.size());
                  lists[1] = bridge.contactsFromReport(data(report), report.size());
                  lists[2] = bridge.contactsFromReport(data(report), 20);
                  lists[3] = bridge.contactsFromReport(data(report) + 1, report.size() - 1);
              }),
              0);
    EXPECT_TRUE(lists[1].hybrid && lists[2].decoded && !lists[3].decoded);

    // On the report path, once its 20 ms wait exists (in test mode no gesture runs): three
    // fingers on two slots, every report saying 3 or the second saying 0.
    const OVHIDDigitizerLayout twoSlots = screenLayout(2);
    const QByteArray reports[] = {OVTouchReport(twoSlots, fingers, 2, 3),
                                  OVTouchReport(twoSlots, fingers + 2, 1, 3),
                                  OVTouchReport(twoSlots, fingers + 2, 1, 0)};
    bridge.setHIDLayout(twoSlots);
    bridge.setCompatibilityTestMode(true);
    const auto feed = [&] {
        for (const int index : {0, 1, 0, 2}) {
            guard.virtualScheduler()->advance(0.004);
            bridge.handleInputReport(data(reports[index]), reports[index].size());
        }
    };
    feed();
    EXPECT_EQ(allocationsOf(feed), 0);
    EXPECT_TRUE(bridge.hybridModeObserved());
}
