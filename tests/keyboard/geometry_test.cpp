#include <gtest/gtest.h>

#include "keyboard/keyboard_geometry.h"
#include "keyboard/keyboard_layouts.h"
#include "keyboard/screen_geometry.h"

// What holds for any layout: every key inside the key view, no two overlapping, full rows ending
// at the right edge and the tall return key in the gap of the row under it. The widget tests
// check the buttons against the same frames.
TEST(KeyboardGeometry, FramesTileTheKeyViewWithTheTallKeyInTheGap) {
    const QSizeF view(764, 270);
    for (const OVKeyboardLayout& layout : {OVKeyboardABCRows(), OVKeyboardSymbolRows()}) {
        const QList<QList<QRect>> frames = OVKeyboardKeyFrames(layout, view);
        ASSERT_EQ(frames.size(), 6);
        QList<QRect> all;
        for (int r = 0; r < 6; ++r) {
            ASSERT_EQ(frames[r].size(), layout[r].size());
            all += frames[r];
            EXPECT_EQ(frames[r].last().right() + 1, r == 4 ? 715 - 6 : 764) << r;
        }
        EXPECT_EQ(frames[3].last(), QRect(715, 138, 49, 86));
        for (qsizetype i = 0; i < all.size(); ++i) {
            EXPECT_TRUE(QRect(0, 0, 764, 270).contains(all[i])) << i;
            for (qsizetype j = i + 1; j < all.size(); ++j) {
                EXPECT_FALSE(all[i].intersects(all[j])) << i << " and " << j;
            }
        }
    }
    // The minimized row is centred in a taller view; a wider view widens the unit.
    const OVKeyboardLayout minimized = OVKeyboardRowsFor(false, true);
    EXPECT_EQ(OVKeyboardKeyFrames(minimized, QSizeF(764, 100))[0][0], QRect(0, 30, 49, 40));
    EXPECT_EQ(OVKeyboardKeyFrames(minimized, QSizeF(778, 40))[0][1], QRect(56, 0, 50, 40));
}

TEST(KeyboardPositions, SixPlacesSixteenPointsInsideTheAreaInCyclingOrder) {
    // A 1920 × 1080 screen with a 25-point bar at the top and a 40-point dock on the left.
    const QRectF area(40, 25, 1880, 1055);
    const QPoint expected[] = {{56, 778}, {590, 778}, {1124, 778}, {56, 41}, {590, 41}, {1124, 41}};
    QString position = OVNormalizedKeyboardPosition("left");
    for (const QPoint& origin : expected) {
        EXPECT_EQ(OVKeyboardOriginForPosition(position, area, QSizeF(780, 286)), origin);
        position = OVNextKeyboardPosition(position);
    }
    EXPECT_EQ(position, "bottomLeft");
    EXPECT_EQ(OVNormalizedKeyboardPosition("top"), "topCenter");
    // A panel larger than the area keeps its left and top edges at the margin.
    EXPECT_EQ(OVKeyboardOriginForPosition("bottomRight", QRectF(0, 0, 700, 200), QSizeF(780, 286)),
              QPoint(-96, 16));
}

TEST(ScreenGeometry, TheLargestScreenWinsAndCentringRoundsHalfAwayFromZero) {
    EXPECT_EQ(OVPreferredScreenIndex({QRectF(0, 25, 1920, 1055), QRectF(1920, 25, 2560, 1415)}), 1);
    EXPECT_EQ(OVPreferredScreenIndex({QRectF(0, 0, 1920, 1080), QRectF(1920, 0, 1920, 1080)}), 0);
    EXPECT_EQ(OVPreferredScreenIndex({QRectF(0, 0, 2000, 100), QRectF(0, 0, 1000, 1000)}), 1);
    EXPECT_FALSE(OVPreferredScreenIndex({}).has_value());
    EXPECT_EQ(OVCenteredWindowOrigin(QRectF(0, 0, 1920, 1080), QSizeF(401, 301)), QPoint(760, 390));
    EXPECT_EQ(OVCenteredWindowOrigin(QRectF(-1000, 0, 999, 100), QSizeF(0, 0)), QPoint(-501, 50));
}
