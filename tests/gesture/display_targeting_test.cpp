#include <QVariantMap>
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
    void select(const QString& selection) {
        OVStandardPreferences().setObject(QStringLiteral("displaySelection"), selection);
    }
    QStringList optionValues() {
        QStringList values;
        for (const QVariant& option : OVDisplaySelectionOptions()) {
            values << option.toMap().value(QStringLiteral("value")).toString();
        }
        return values;
    }
};

TEST_F(DisplayTargetingTest, OneDisplayAnswersEverySelection) {
    displays.setDisplays({display(7, 0, 0, 1440, 900, true)});
    for (const QString& selection :
         {QStringLiteral("auto"), QStringLiteral("primary"), QStringLiteral("secondary"),
          QStringLiteral("display:99"), QStringLiteral("display:7"), QStringLiteral("nonsense")}) {
        select(selection);
        EXPECT_EQ(OVSelectedTargetDisplayID(), 7u) << selection.toStdString();
    }
    const QVariantList options = OVDisplaySelectionOptions();
    ASSERT_EQ(options.size(), 2);
    EXPECT_EQ(options[0].toMap(), (QVariantMap{{"title", "Auto"}, {"value", "auto"}}));
    EXPECT_EQ(options[1].toMap(),
              (QVariantMap{{"title", "Primary display"}, {"value", "primary"}}));
}

TEST_F(DisplayTargetingTest, AutoPrefersTheLargestDisplayOtherThanTheMainOne) {
    // The external display smaller than the built-in main one is still chosen.
    displays.setDisplays({display(1, 0, 0, 2560, 1600, true), display(2, 2560, 0, 1280, 720)});
    EXPECT_EQ(OVCurrentDisplaySelection(), QStringLiteral("auto"));
    EXPECT_EQ(OVSelectedTargetDisplayID(), 2u);
    displays.setDisplays({display(1, 0, 0, 1280, 800, true), display(2, 1280, 0, 3840, 2160),
                          display(3, -1920, 0, 1920, 1080)});
    EXPECT_EQ(OVAutoTargetDisplayID(), 2u);
    EXPECT_EQ(optionValues(), (QStringList{"auto", "primary", "secondary"}));
}

TEST_F(DisplayTargetingTest, EqualAreasKeepTheDisplayThatSortsFirst) {
    displays.setDisplays({display(5, 0, 0, 1280, 800, true), display(9, 1280, 500, 1920, 1080),
                          display(4, 1280, 0, 1920, 1080), display(3, 3200, 0, 1080, 1920)});
    // Same origin x: the smaller y sorts first; 3 has the same area but a larger x.
    EXPECT_EQ(OVSortedActiveDisplayIDs(), (QList<std::uint32_t>{5, 4, 9, 3}));
    EXPECT_EQ(OVAutoTargetDisplayID(), 4u);
    displays.setDisplays({display(8, 0, 0, 1280, 800, true), display(6, 1280, 0, 1920, 1080),
                          display(2, 1280, 0, 1920, 1080)});
    EXPECT_EQ(OVSortedActiveDisplayIDs(), (QList<std::uint32_t>{8, 2, 6}));
    EXPECT_EQ(OVAutoTargetDisplayID(), 2u);
}

TEST_F(DisplayTargetingTest, SecondaryTakesTheFirstNonMainDisplayInSortedOrder) {
    displays.setDisplays({display(1, 0, 0, 1920, 1080, true), display(2, 1920, 0, 3840, 2160),
                          display(3, -1280, 0, 1280, 1024)});
    select(QStringLiteral("secondary"));
    EXPECT_EQ(OVSelectedTargetDisplayID(), 3u);  // left of the main display
    select(QStringLiteral("primary"));
    EXPECT_EQ(OVSelectedTargetDisplayID(), 1u);
    EXPECT_EQ(OVTargetDisplayBounds(), QRectF(0, 0, 1920, 1080));
}

TEST_F(DisplayTargetingTest, ADisplaySelectionThatIsNotActiveFallsBackToAuto) {
    displays.setDisplays({display(1, 0, 0, 1920, 1080, true), display(2, 1920, 0, 1280, 720),
                          display(3, 3200, 0, 800, 600)});
    select(QStringLiteral("display:3"));
    EXPECT_EQ(OVSelectedTargetDisplayID(), 3u);
    select(QStringLiteral("display:1"));
    EXPECT_EQ(OVSelectedTargetDisplayID(), 1u);
    for (const QString& selection :
         {QStringLiteral("display:4"), QStringLiteral("display:"), QStringLiteral("display:x2"),
          QStringLiteral("display:4294967299"), QStringLiteral("Display:3")}) {
        select(selection);
        EXPECT_EQ(OVSelectedTargetDisplayID(), 2u) << selection.toStdString();
    }
    EXPECT_EQ(OVStandardPreferences().stringForKey("displaySelection"), "Display:3");
    select(QString());
    EXPECT_EQ(OVCurrentDisplaySelection(), QStringLiteral("auto"));
}

TEST_F(DisplayTargetingTest, NoActiveDisplayLetsTheMainDisplayStandIn) {
    displays.setDisplays({});
    OVDisplayIDBuffer buffer{};
    EXPECT_EQ(OVActiveDisplays(buffer), 1);
    EXPECT_EQ(buffer[0], displays.mainDisplayID());
    EXPECT_EQ(OVSortedActiveDisplayIDs().size(), 1);

    QList<OVDisplayInfo> many;
    for (std::uint32_t id = 1; id <= 40; ++id) {
        many << display(id, id * 100.0, 0, 100, 100, id == 1);
    }
    displays.setDisplays(many);
    EXPECT_EQ(OVActiveDisplays(buffer), 32);
    EXPECT_EQ(buffer[31], 32u);
    EXPECT_FALSE(OVSortedActiveDisplayIDs().contains(33u));
}

TEST_F(DisplayTargetingTest, MappingScalesClampsAndNeverFlips) {
    displays.setDisplays({display(1, 0, 0, 1440, 900, true), display(2, 1440, -200, 1920, 1080)});
    bridge->loadTargetDisplayBounds();
    EXPECT_EQ(bridge->bounds(), QRectF(1440, -200, 1920, 1080));
    EXPECT_EQ(bridge->mapRawX(0, 0, 0, 4095, 0, 4095), QPointF(1440, -200));
    EXPECT_EQ(bridge->mapRawX(4095, 4095, 0, 4095, 0, 4095), QPointF(1440 + 1920, -200 + 1080));
    EXPECT_EQ(bridge->mapRawX(9000, 9000, 0, 4095, 0, 4095), QPointF(1440 + 1920, -200 + 1080));
    EXPECT_EQ(bridge->mapRawX(50, 50, 100, 300, 100, 300), QPointF(1440, -200));
    EXPECT_EQ(bridge->mapRawX(200, 150, 100, 300, 100, 300), QPointF(1440 + 960, -200 + 270));
    // Raw values are unsigned: a value with the top bit set is large, not negative.
    EXPECT_EQ(bridge->mapRawX(0xFFFFFFF0u, 0, -100, 100, 0, 10).x(), 1440 + 1920);
    // The fixed limits 4800 x 3000.
    EXPECT_EQ(bridge->mapRawX(2400, 750), QPointF(1440 + 960, -200 + 270));
}

TEST_F(DisplayTargetingTest, DegenerateRangesDivideByOne) {
    displays.setDisplays({display(1, 0, 0, 1000, 1000, true)});
    bridge->loadTargetDisplayBounds();
    EXPECT_EQ(bridge->mapRawX(10, 10, 10, 10, 10, 5), QPointF(0, 0));
    EXPECT_EQ(bridge->mapRawX(11, 11, 10, 10, 10, 5), QPointF(1000, 1000));
    // A span that overflows 32 bits wraps below 1 and divides by 1 as well.
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    const std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(bridge->mapRawX(0, 0, lowest, highest, lowest, highest), QPointF(1000, 1000));
    OVTouchContact contact = makeContact({0, 0});
    contact.x = 30;
    contact.y = 60;
    contact.xMinimum = 0;
    contact.xMaximum = 120;
    contact.yMinimum = 0;
    contact.yMaximum = 120;
    EXPECT_EQ(bridge->mapContact(contact), QPointF(250, 500));
}

TEST_F(DisplayTargetingTest, MappingUsesTheCachedBoundsUntilTheRefresh) {
    displays.setDisplays({display(1, 0, 0, 1920, 1080, true), display(2, 1920, 0, 1280, 720)});
    bridge->loadTargetDisplayBounds();
    select(QStringLiteral("primary"));
    EXPECT_EQ(bridge->mapRawX(4800, 3000), QPointF(1920 + 1280, 720));
    bridge->refreshDisplayMapping();
    EXPECT_EQ(bridge->mapRawX(4800, 3000), QPointF(1920, 1080));
    EXPECT_EQ(bridge->statusText(), QStringLiteral("Stopped"));  // no session runs
}

}  // namespace
