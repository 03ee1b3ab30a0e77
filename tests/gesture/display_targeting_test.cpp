#include <limits>

#include "base/preferences.h"
#include "gesture/display_targeting.h"
#include "gesture_fixture.h"

namespace {

OVDisplayInfo display(std::uint32_t id, double x, double y, double width, double height,
                      bool isMain = false) {
    return OVSimDisplayServices::makeDisplay(id, QRectF(x, y, width, height), isMain);
}

class DisplayTargetingTest : public GestureTest {
  protected:
    std::uint32_t selected(const QString& selection) {
        OVStandardPreferences().setObject(QStringLiteral("displaySelection"), selection);
        return OVSelectedTargetDisplayID();
    }
};

TEST_F(DisplayTargetingTest, SelectionsPickTheirDisplayAndFallBackToAuto) {
    displays.setDisplays({display(7, 0, 0, 1440, 900, true)});
    for (const char* selection : {"auto", "primary", "secondary", "display:99", "nonsense"}) {
        EXPECT_EQ(selected(selection), 7u) << selection;
    }
    // Auto: the largest display other than the main one, even when smaller than the main one.
    displays.setDisplays({display(1, 0, 0, 2560, 1600, true), display(2, 2560, 0, 1280, 720),
                          display(3, 3840, 0, 800, 600)});
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"auto", 2},      {"primary", 1},   {"secondary", 2},         {"display:3", 3},
        {"display:1", 1}, {"display:4", 2}, {"display:", 2},          {"display:x2", 2},
        {"Display:3", 2}, {"", 2},          {"display:4294967299", 2}};
    for (const auto& [selection, id] : cases) {
        EXPECT_EQ(selected(selection), id) << selection;
    }
    EXPECT_EQ(OVDisplaySelectionOptions().size(), 3);
    // Secondary: the first display other than the main one in sorted order, left of it here.
    displays.setDisplays({display(1, 0, 0, 1920, 1080, true), display(2, 1920, 0, 3840, 2160),
                          display(3, -1280, 0, 1280, 1024)});
    EXPECT_EQ(selected("secondary"), 3u);
    EXPECT_EQ(OVAutoTargetDisplayID(), 2u);
}

TEST_F(DisplayTargetingTest, DisplaysSortByOriginAndEqualAreasKeepTheFirst) {
    displays.setDisplays({display(5, 0, 0, 1280, 800, true), display(9, 1280, 500, 1920, 1080),
                          display(4, 1280, 0, 1920, 1080), display(3, 3200, 0, 1080, 1920)});
    EXPECT_EQ(OVSortedActiveDisplayIDs(), (QList<std::uint32_t>{5, 4, 9, 3}));
    EXPECT_EQ(OVAutoTargetDisplayID(), 4u);
    // No active display: the main display stands in.
    displays.setDisplays({});
    OVDisplayIDBuffer buffer{};
    EXPECT_EQ(OVActiveDisplays(buffer), 1);
    EXPECT_EQ(buffer[0], displays.mainDisplayID());
}

TEST_F(DisplayTargetingTest, MappingScalesClampsAndUsesTheCachedBoundsUntilTheRefresh) {
    displays.setDisplays({display(1, 0, 0, 1440, 900, true), display(2, 1440, -200, 1920, 1080)});
    bridge->loadTargetDisplayBounds();
    const QPointF origin(1440, -200);
    EXPECT_EQ(bridge->mapRawX(0, 0, 0, 4095, 0, 4095), origin);
    EXPECT_EQ(bridge->mapRawX(4095, 4095, 0, 4095, 0, 4095), origin + QPointF(1920, 1080));
    EXPECT_EQ(bridge->mapRawX(9000, 9000, 0, 4095, 0, 4095), origin + QPointF(1920, 1080));
    EXPECT_EQ(bridge->mapRawX(50, 50, 100, 300, 100, 300), origin);
    EXPECT_EQ(bridge->mapRawX(200, 150, 100, 300, 100, 300), origin + QPointF(960, 270));
    // Raw values are unsigned: a value with the top bit set is large, not negative.
    EXPECT_EQ(bridge->mapRawX(0xFFFFFFF0u, 0, -100, 100, 0, 10).x(), 1440 + 1920);
    EXPECT_EQ(bridge->mapRawX(2400, 750), origin + QPointF(960, 270));  // limits 4800 x 3000
    OVStandardPreferences().setObject(QStringLiteral("displaySelection"), "primary");
    EXPECT_EQ(bridge->mapRawX(4800, 3000), origin + QPointF(1920, 1080));
    bridge->refreshDisplayMapping();
    EXPECT_EQ(bridge->mapRawX(4800, 3000), QPointF(1440, 900));
    // Degenerate ranges divide by one, and so does a span that overflows 32 bits.
    EXPECT_EQ(bridge->mapRawX(10, 10, 10, 10, 10, 5), QPointF(0, 0));
    EXPECT_EQ(bridge->mapRawX(11, 11, 10, 10, 10, 5), QPointF(1440, 900));
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    const std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(bridge->mapRawX(0, 0, lowest, highest, lowest, highest), QPointF(1440, 900));
}

}  // namespace
