#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

class LongPressTest : public GestureTest {
  protected:
    LongPressTest() { set(OVLongPressRightClickKey, true); }
    // One finger touches at (500, 300) at `start`, is `drift` points to the right halfway and
    // lifts `lift` seconds after it touched.
    void hold(double start, double drift, double lift) {
        report(start, {{500, 300}});
        report(start + lift / 2, {{500 + drift, 300}});
        report(start + lift, {});
    }
};

TEST_F(LongPressTest, HoldingStillRightClicksThereAndTheRestOfTheTouchPostsNothing) {
    report(0.0, {{500, 300}});
    report(0.4, {{512, 300}});  // within 12 points: still waiting
    report(0.9, {{700, 300}});  // after the right click
    report(0.95, {{700, 300}, {800, 300}});
    report(1.0, {});
    hold(1.5, 13, 1.2);  // 13 points away: a drag from where the touch began, no right click
    EXPECT_EQ(log(), (QStringList{
                         "0.800 mouse type=3 button=1 x=512.00 y=300.00 flags=0x0",
                         "0.800 mouse type=4 button=1 x=512.00 y=300.00 flags=0x0",
                         "2.100 mouse type=1 button=0 x=500.00 y=300.00 flags=0x0 clicks=1",
                         "2.100 mouse type=6 button=0 x=513.00 y=300.00 flags=0x0 clicks=1",
                         "2.700 mouse type=2 button=0 x=513.00 y=300.00 flags=0x0 clicks=1",
                     }));
    EXPECT_EQ(clock().pendingCount(), 0);
}

TEST_F(LongPressTest, LiftingEarlierClicksAsUsualAndOffChangesNothing) {
    set(OVModifierActionKey("finger1"), OVKeyboardActionShift);
    hold(0.0, 12, 0.79);
    hold(0.9, 0, 0.1);  // a double click
    set(OVLongPressRightClickKey, false);
    hold(2.0, 0, 1.0);
    EXPECT_EQ(log(), (QStringList{
                         "0.790 mouse type=1 button=0 x=512.00 y=300.00 flags=0x20000 clicks=1",
                         "0.790 mouse type=2 button=0 x=512.00 y=300.00 flags=0x20000 clicks=1",
                         "1.000 mouse type=1 button=0 x=500.00 y=300.00 flags=0x20000 clicks=2",
                         "1.000 mouse type=2 button=0 x=500.00 y=300.00 flags=0x20000 clicks=2",
                         "2.100 mouse type=1 button=0 x=500.00 y=300.00 flags=0x20000 clicks=1",
                         "3.000 mouse type=2 button=0 x=500.00 y=300.00 flags=0x20000 clicks=1",
                     }));
}

}  // namespace
