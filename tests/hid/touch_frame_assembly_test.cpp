// Frame assembly: the contacts of a frame that a device spreads over several reports reach the
// compatibility windows and the gestures together, once the frame is complete or its next report
// is 20 ms late.

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/report_encoding.h"
#include "hid/touch_bridge.h"
#include "hid/touch_frame_assembly.h"
#include "hid_test_support.h"

using namespace hidtest;

namespace {

OVHIDDigitizerLayout screenWithSlots(int slotCount) {
    OVHIDTouchScreenDescription description;
    description.fingers = slotCount;
    return OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
}

// The reports of one frame of `contacts` contacts (identifiers 1, 2, ...) on a screen of
// `layout.contactCount` slots: every report says the frame's Contact Count, or only the first
// does and the others say 0.
std::vector<QByteArray> frameReports(const OVHIDDigitizerLayout& layout, int contacts,
                                     bool countInFirstOnly) {
    std::vector<OVTouchContact> all(static_cast<size_t>(contacts));
    for (int i = 0; i < contacts; ++i) {
        all[static_cast<size_t>(i)].contactId = static_cast<std::uint8_t>(i + 1);
        all[static_cast<size_t>(i)].x = static_cast<std::uint32_t>(1000 * (i + 1));
    }
    std::vector<QByteArray> reports;
    int first = 0;
    do {
        const int carried = std::min(layout.contactCount, contacts - first);
        const std::uint32_t count = first > 0 && countInFirstOnly ? 0 : contacts;
        reports.push_back(OVTouchReport(layout, all.data() + first, carried, count));
        first += layout.contactCount;
    } while (first < contacts);
    return reports;
}

std::vector<int> identifiers(const OVTouchContactList& list) {
    std::vector<int> ids;
    for (int i = 0; i < list.count; ++i) {
        ids.push_back(list.contacts[static_cast<size_t>(i)].contactId);
    }
    return ids;
}

// Decodes reports and assembles their frames, keeping what was handed on.
struct Assembler {
    explicit Assembler(const OVHIDDigitizerLayout& layout) { decoder.setHIDLayout(layout); }

    bool take(const QByteArray& report) {
        const OVTouchContactList list = decoder.contactsFromReport(data(report), report.size());
        return assembly.take(list, [this](const OVTouchContactList& frame, bool holdsReport) {
            frames.push_back(frame);
            holdsReports.push_back(holdsReport);
        });
    }

    OVTouchBridge decoder;
    OVTouchFrameAssembly assembly;
    std::vector<OVTouchContactList> frames;
    std::vector<bool> holdsReports;
};

}  // namespace

TEST(HIDFrameAssembly, EveryFrameArrivesWholeOnceInBothConventions) {
    for (const bool countInFirstOnly : {false, true}) {
        for (int slotCount = 1; slotCount <= 5; ++slotCount) {
            const OVHIDDigitizerLayout layout = screenWithSlots(slotCount);
            Assembler assembler(layout);
            for (int contacts = 0; contacts <= 10; ++contacts) {
                SCOPED_TRACE(testing::Message()
                             << "first only " << countInFirstOnly << ", " << slotCount << " slots, "
                             << contacts << " contacts");
                const std::vector<QByteArray> reports =
                    frameReports(layout, contacts, countInFirstOnly);
                assembler.frames.clear();
                for (size_t i = 0; i < reports.size(); ++i) {
                    EXPECT_EQ(assembler.take(reports[i]), i + 1 < reports.size());
                }
                ASSERT_EQ(assembler.frames.size(), 1u);
                const OVTouchContactList& frame = assembler.frames[0];
                std::vector<int> expected;
                for (int id = 1; id <= std::min(contacts, 8); ++id) {
                    expected.push_back(id);
                }
                EXPECT_EQ(identifiers(frame), expected);
                EXPECT_TRUE(frame.complete);
            }
        }
    }
}

TEST(HIDFrameAssembly, AReportThatDoesNotContinueCutsTheWaitingFrameShort) {
    const OVHIDDigitizerLayout layout = screenWithSlots(2);
    Assembler assembler(layout);
    ASSERT_TRUE(assembler.take(frameReports(layout, 3, true)[0]));
    // A report that says 1 is a frame of its own: the waiting one goes on first, as it is.
    assembler.take(frameReports(layout, 1, true)[0]);
    ASSERT_EQ(assembler.frames.size(), 2u);
    EXPECT_EQ(identifiers(assembler.frames[0]), (std::vector<int>{1, 2}));
    EXPECT_FALSE(assembler.frames[0].complete);
    EXPECT_EQ(assembler.holdsReports, (std::vector<bool>{false, true}));
    EXPECT_EQ(identifiers(assembler.frames[1]), (std::vector<int>{1}));

    // One of another report ID goes on at once (it reads as every contact up) and leaves the
    // waiting frame waiting, as the decoder does.
    ASSERT_TRUE(assembler.take(frameReports(layout, 3, false)[0]));
    QByteArray other = frameReports(layout, 1, false)[0];
    other[0] = 7;
    EXPECT_TRUE(assembler.take(other));
    EXPECT_FALSE(assembler.take(frameReports(layout, 3, false)[1]));
    ASSERT_EQ(assembler.frames.size(), 4u);
    EXPECT_FALSE(assembler.frames[2].decoded);
    EXPECT_EQ(identifiers(assembler.frames[3]), (std::vector<int>{1, 2, 3}));
}

// --- On the report path of the bridge ----------------------------------------------------------

TEST(HIDFrameAssemblyOnTheReportPath, WholeFramesOneTextBlockPerReportAndATwentyMillisecondWait) {
    OVServicesGuard guard;
    const OVHIDDigitizerLayout layout = screenWithSlots(2);
    OVTouchBridge bridge;
    bridge.setHIDLayout(layout);
    bridge.setCompatibilityTestMode(true);  // the frames reach the compatibility windows only
    QStringList debugTexts;
    QStringList frameTexts;
    std::vector<qsizetype> frames;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVDebugReportNotification, nullptr, [&](const OVNotification& note) {
        debugTexts << note.userInfo.value("text").toString();
    });
    observers.add(OVCompatibilityReportNotification, nullptr, [&](const OVNotification& note) {
        frameTexts << note.userInfo.value("text").toString();
        frames.push_back(note.userInfo.value("contacts").toList().size());
    });
    OVVirtualScheduler& clock = *guard.virtualScheduler();
    const auto sendAt = [&](double seconds, const QByteArray& report) {
        clock.advance(seconds - clock.now());
        bridge.handleInputReport(data(report), report.size());
    };

    // Three contacts, the second report saying 0: one frame, whose text has both reports.
    sendAt(0.0, frameReports(layout, 3, true)[0]);
    EXPECT_TRUE(frames.empty());
    sendAt(0.001, frameReports(layout, 3, true)[1]);
    ASSERT_EQ(debugTexts.size(), 2);
    EXPECT_TRUE(debugTexts[1].contains("frame=1 reported=1 contacts=1"));
    EXPECT_EQ(frames, (std::vector<qsizetype>{3}));
    EXPECT_EQ(frameTexts[0], debugTexts[0] + "\n" + debugTexts[1]);
    // A report that completes on its own goes on at once, with its own text.
    sendAt(0.1, frameReports(layout, 2, true)[0]);
    EXPECT_EQ(frames, (std::vector<qsizetype>{3, 2}));
    EXPECT_EQ(frameTexts.last(), debugTexts.last());

    // Five contacts, each report saying 5, the third report lost: the frame goes on with four
    // 20 ms after its last report; the next frame starts afresh and waits again.
    const std::vector<QByteArray> five = frameReports(layout, 5, false);
    sendAt(1.0, five[0]);
    sendAt(1.015, five[1]);
    clock.advance(1.0349 - clock.now());
    EXPECT_EQ(frames.size(), 2u);
    clock.advance(0.0002);
    EXPECT_EQ(frames, (std::vector<qsizetype>{3, 2, 4}));
    sendAt(2.0, five[0]);
    clock.advance(0.0199);
    EXPECT_EQ(frames.size(), 3u);
    clock.advance(1.0);
    EXPECT_EQ(frames, (std::vector<qsizetype>{3, 2, 4, 2}));
}
