// Decoding a report allocates nothing: every heap allocation of this program is counted while a
// report is decoded. This folder is its own test program, so that the counting allocator
// replaces the one of no other test.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_decoding.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"

namespace {

std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};

void noteAllocation() {
    if (gCounting.load(std::memory_order_relaxed)) {
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    }
}

// Counts the allocations made while it lives.
class AllocationCounter {
  public:
    AllocationCounter() {
        gAllocations = 0;
        gCounting = true;
    }
    ~AllocationCounter() { gCounting = false; }
    long count() const { return gAllocations.load(); }
};

}  // namespace

// Without AddressSanitizer (which owns malloc), malloc itself is counted, which covers Qt's
// containers as well as operator new; with it, operator new is.
#if !defined(__SANITIZE_ADDRESS__) && defined(__GLIBC__)
constexpr bool kCountsMalloc = true;
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);

void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
    noteAllocation();
    return __libc_realloc(pointer, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    noteAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** pointer, std::size_t alignment, std::size_t size) {
    noteAllocation();
    *pointer = __libc_memalign(alignment, size);
    return *pointer ? 0 : ENOMEM;
}
}
#else
constexpr bool kCountsMalloc = false;
void* operator new(std::size_t size) {
    noteAllocation();
    if (void* pointer = std::malloc(size ? size : 1)) {
        return pointer;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* pointer) noexcept {
    std::free(pointer);
}
void operator delete[](void* pointer) noexcept {
    std::free(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    std::free(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    std::free(pointer);
}
#endif

namespace {

OVHIDDigitizerLayout tenFingerLayout(QByteArray* descriptorOut = nullptr) {
    OVHIDTouchScreenDescription description;
    description.fingers = 10;
    description.widthAndHeight = true;
    const QByteArray descriptor = OVHIDTouchScreenDescriptor(description);
    if (descriptorOut) {
        *descriptorOut = descriptor;
    }
    return OVHIDDigitizerLayoutBuild(descriptor);
}

// A report of the ten-finger screen with all ten fingers down.
QByteArray tenFingerReport(const OVHIDDigitizerLayout& layout) {
    QByteArray report(1 + 10 * 10 + 1, '\0');
    report[0] = static_cast<char>(layout.reportID);
    for (int finger = 0; finger < 10; ++finger) {
        const int base = 1 + 10 * finger;
        report[base] = 0x07;
        report[base + 1] = static_cast<char>(finger + 1);
        report[base + 2] = static_cast<char>(finger * 16);
        report[base + 6] = 8;
        report[base + 8] = 8;
    }
    report[101] = 10;
    return report;
}

}  // namespace

TEST(HIDDecodingAllocations, CounterSeesAllocations) {
    AllocationCounter counter;
    auto* probe = new int(7);
    EXPECT_EQ(counter.count(), 1);
    delete probe;
    const QByteArray text(100, 'x');
    EXPECT_EQ(counter.count(), kCountsMalloc ? 2 : 1);
}

TEST(HIDDecodingAllocations, DecodingATenSlotReportAllocatesNothing) {
    const OVHIDDigitizerLayout layout = tenFingerLayout();
    ASSERT_TRUE(layout.valid);
    const QByteArray report = tenFingerReport(layout);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(report.constData());
    OVTouchBridge bridge;
    bridge.setHIDLayout(layout);

    OVTouchContactList lists[4];
    long allocations = 0;
    {
        AllocationCounter counter;
        // Both halves of a frame spread over two reports, and one of another report ID.
        lists[0] = bridge.contactsFromReport(bytes, report.size());
        lists[1] = bridge.contactsFromReport(bytes, report.size());
        lists[2] = bridge.contactsFromReport(bytes, 40);
        lists[3] = bridge.contactsFromReport(bytes + 1, report.size() - 1);
        allocations = counter.count();
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(lists[0].count, 8);
    EXPECT_FALSE(lists[0].complete);
    EXPECT_TRUE(lists[1].hybrid);
    EXPECT_TRUE(lists[2].decoded);
    EXPECT_FALSE(lists[3].decoded);
}

TEST(HIDDecodingAllocations, WalkingADescriptorAllocatesNothing) {
    QByteArray descriptor;
    tenFingerLayout(&descriptor);
    OVHIDDigitizerLayout layout;
    long allocations = 0;
    {
        AllocationCounter counter;
        layout = OVHIDDigitizerLayoutBuild(
            reinterpret_cast<const std::uint8_t*>(descriptor.constData()), descriptor.size());
        allocations = counter.count();
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(layout.contactCount, 8);
}

TEST(HIDDecodingAllocations, AssemblingFramesAllocatesNothing) {
    // Three fingers on a screen of two slots, every report saying 3 or the second saying 0, on
    // the report path once its 20 ms wait exists (no window listens; in test mode no gesture
    // runs).
    OVServicesGuard guard;
    OVHIDTouchScreenDescription description;
    description.fingers = 2;
    const OVHIDDigitizerLayout layout =
        OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
    OVTouchContact contacts[3];
    const QByteArray reports[] = {OVTouchReport(layout, contacts, 2, 3),
                                  OVTouchReport(layout, contacts + 2, 1, 3),
                                  OVTouchReport(layout, contacts + 2, 1, 0)};
    OVTouchBridge bridge;
    bridge.setHIDLayout(layout);
    bridge.setCompatibilityTestMode(true);
    const auto feed = [&] {
        for (const int index : {0, 1, 0, 2}) {
            guard.virtualScheduler()->advance(0.004);
            const QByteArray& report = reports[index];
            bridge.handleInputReport(reinterpret_cast<const std::uint8_t*>(report.constData()),
                                     report.size());
        }
    };
    feed();
    long allocations = 0;
    {
        AllocationCounter counter;
        feed();
        allocations = counter.count();
    }
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(bridge.hybridModeObserved());
}
