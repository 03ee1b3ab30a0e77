// The contacts of a frame that a device spreads over several reports go on together, once the
// frame is complete or its next report is 20 ms late.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/touch_bridge.h"
#include "hid/touch_frame_assembly.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

// The reports of one frame of `contacts` contacts (identifiers 1, 2, ...): every report says the
// frame's Contact Count, or only the first does and the others say 0.
std::vector<QByteArray> frameReports(const OVHIDDigitizerLayout& layout, int contacts,
                                     bool countInFirstOnly) {
    std::vector<OVTouchContact> all;
    for (int i = 0; i < contacts; ++i) {
        all.push_back(fingerAt(i + 1, 1000 * (i + 1), 0));
    }
    std::vector<QByteArray> reports;
    for (int first = 0; first == 0 || first < contacts; first += layout.contactCount) {
        const std::uint32_t count = first > 0 && countInFirstOnly ? 0 : contacts;
        reports.push_back(OVTouchReport(layout, all.data() + first,
                                        std::min(layout.contactCount, contacts - first), count));
    }
    return reports;
}

std::vector<int> identifiers(const OVTouchContactList& list) {
    std::vector<int> ids;
    for (int i = 0; i < list.count; ++i) {
        ids.push_back(list.contacts[i].contactId);
    }
    return ids;
}

// Decodes reports and assembles their frames, keeping what was handed on.
struct Assembler {
    explicit Assembler(const OVHIDDigitizerLayout& layout) { decoder.setHIDLayout(layout); }
    bool take(const QByteArray& report) {
        return assembly.take(
            decoder.contactsFromReport(data(report), report.size()),
            [this](const OVTouchContactList& frame, bool) { frames.push_back(frame); });
    }
    OVTouchBridge decoder;
    OVTouchFrameAssembly assembly;
    std::vector<OVTouchContactList> frames;
};

}  // namespace

TEST(HIDFrameAssembly, EveryFrameArrivesWholeOnceInBothConventions) {
    for (const bool countInFirstOnly : {false, true}) {
        for (int slotCount = 1; slotCount <= 5; ++slotCount) {
            const OVHIDDigitizerLayout layout = screenLayout(slotCount);
            Assembler assembler(layout);
            for (int contacts = 0; contacts <= 10; ++contacts) {
                SCOPED_TRACE(testing::Message() << countInFirstOnly << " " << slotCount << " slots "
                                                << contacts << " contacts");
                const std::vector<QByteArray> reports =
                    frameReports(layout, contacts, countInFirstOnly);
                assembler.frames.clear();
                for (size_t i = 0; i < reports.size(); ++i) {
                    EXPECT_EQ(assembler.take(reports[i]), i + 1 < reports.size());
                }
                ASSERT_EQ(assembler.frames.size(), 1u);
                std::vector<int> expected(size_t(std::min(contacts, 8)));
                std::iota(expected.begin(), expected.end(), 1);
                EXPECT_EQ(identifiers(assembler.frames[0]), expected);
                EXPECT_TRUE(assembler.frames[0].complete);
            }
        }
    }
}

TEST(HIDFrameAssembly, AReportThatDoesNotContinueCutsTheWaitingFrameShort) {
    const OVHIDDigitizerLayout layout = screenLayout(2);
    Assembler assembler(layout);
    ASSERT_TRUE(assembler.take(frameReports(layout, 3, true)[0]));
    assembler.take(frameReports(layout, 1, true)[0]);
    ASSERT_EQ(assembler.frames.size(), 2u);
    EXPECT_EQ(identifiers(assembler.frames[0]), (std::vector<int>{1, 2}));
    EXPECT_FALSE(assembler.frames[0].complete);
    EXPECT_EQ(identifiers(assembler.frames[1]), (std::vector<int>{1}));
}

TEST(HIDFrameAssembly, OnTheReportPathALostReportIsWaitedForTwentyMilliseconds) {
    OVServicesGuard guard;
    const OVHIDDigitizerLayout layout = screenLayout(2);
    OVTouchBridge bridge;
    bridge.setHIDLayout(layout);
    bridge.setCompatibilityTestMode(true);  // the frames reach the compatibility windows only
    std::vector<qsizetype> frames;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVCompatibilityReportNotification, nullptr, [&](const OVNotification& note) {
        frames.push_back(note.userInfo.value("contacts").toList().size());
    });
    OVVirtualScheduler& clock = *guard.virtualScheduler();
    const auto sendAt = [&](double seconds, const QByteArray& report) {
        clock.advance(seconds - clock.now());
        bridge.handleInputReport(data(report), report.size());
    };

    // Three contacts over two reports: one frame.
    sendAt(0.0, frameReports(layout, 3, true)[0]);
    sendAt(0.001, frameReports(layout, 3, true)[1]);
    EXPECT_EQ(frames, (std::vector<qsizetype>{3}));

    // Five contacts, the third report lost: four go on 20 ms after the last report.
    const std::vector<QByteArray> five = frameReports(layout, 5, false);
    sendAt(1.0, five[0]);
    sendAt(1.015, five[1]);
    clock.advance(1.0349 - clock.now());
    EXPECT_EQ(frames.size(), 1u);
    clock.advance(0.0002);
    EXPECT_EQ(frames, (std::vector<qsizetype>{3, 4}));
}
