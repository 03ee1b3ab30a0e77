#include <gtest/gtest.h>

#include "keyboard/keyboard_geometry.h"
#include "keyboard/keyboard_layouts.h"
#include "keyboard/screen_geometry.h"

namespace {

const QSizeF kFullKeyView(764, 270);

// Every frame inside the key view and no two frames overlapping.
void expectTiledWithoutOverlap(const QList<QList<QRect>>& frames, const QSizeF& keyView) {
    QList<QRect> all;
    for (const QList<QRect>& row : frames) {
        all += row;
    }
    const QRect bounds(0, 0, static_cast<int>(keyView.width()), static_cast<int>(keyView.height()));
    for (qsizetype i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(bounds.contains(all[i])) << i;
        for (qsizetype j = i + 1; j < all.size(); ++j) {
            EXPECT_FALSE(all[i].intersects(all[j])) << i << " and " << j;
        }
    }
}

}  // namespace

TEST(KeyboardGeometry, PanelSizesAndTheKeyUnit) {
    EXPECT_EQ(OVKeyboardPanelSizeForRowCount(6), QSizeF(780, 286));
    EXPECT_EQ(OVKeyboardPanelSizeForRowCount(1), QSizeF(780, 56));
    EXPECT_EQ(OVKeyboardPanelSizeForRowCount(0), QSizeF(780, 16));
    EXPECT_DOUBLE_EQ(OVKeyboardKeyUnit(764), 49.0);
}

// The widget tests check every button's frame against the grid; here, what holds for any layout.
TEST(KeyboardGeometry, FramesTileTheKeyViewWithTheTallKeyInTheGap) {
    for (const OVKeyboardLayout& layout : {OVKeyboardABCRows(), OVKeyboardSymbolRows()}) {
        const QList<QList<QRect>> frames = OVKeyboardKeyFrames(layout, kFullKeyView);
        ASSERT_EQ(frames.size(), 6);
        expectTiledWithoutOverlap(frames, kFullKeyView);
        // Full rows end at the right edge; the row under the return key leaves it its unit.
        for (int r : {0, 1, 2, 5}) {
            EXPECT_EQ(frames[r].last().right() + 1, 764) << r;
        }
        EXPECT_EQ(frames[3].last(), QRect(715, 138, 49, 86));
        EXPECT_EQ(frames[4].last().right() + 1 + 6, 715);
    }

    const QSizeF minimizedView(764, 40);
    const QList<QList<QRect>> row =
        OVKeyboardKeyFrames(OVKeyboardRowsFor(false, true), minimizedView);
    ASSERT_EQ(row.size(), 1);
    expectTiledWithoutOverlap(row, minimizedView);
    EXPECT_EQ(row[0].last(), QRect(715, 0, 49, 40));

    // Rows are centred in a taller key view; a wider one widens the unit.
    const QList<QList<QRect>> centred =
        OVKeyboardKeyFrames(OVKeyboardRowsFor(false, true), QSizeF(764, 100));
    EXPECT_EQ(centred[0][0], QRect(0, 30, 49, 40));
    const QList<QList<QRect>> wide =
        OVKeyboardKeyFrames(OVKeyboardRowsFor(false, true), QSizeF(778, 40));
    EXPECT_EQ(wide[0][1], QRect(56, 0, 50, 40));
}

TEST(KeyboardPositions, NormalisingAndCycling) {
    EXPECT_EQ(OVKeyboardPositions(), QStringList({"bottomLeft", "bottomCenter", "bottomRight",
                                                  "topLeft", "topCenter", "topRight"}));
    EXPECT_EQ(OVNormalizedKeyboardPosition("bottom"), "bottomCenter");
    EXPECT_EQ(OVNormalizedKeyboardPosition("top"), "topCenter");
    EXPECT_EQ(OVNormalizedKeyboardPosition("left"), "bottomLeft");
    EXPECT_EQ(OVNormalizedKeyboardPosition("right"), "bottomRight");
    EXPECT_EQ(OVNormalizedKeyboardPosition("topRight"), "topRight");
    EXPECT_EQ(OVNormalizedKeyboardPosition("middle"), "bottomCenter");
    EXPECT_EQ(OVNormalizedKeyboardPosition("TopRight"), "bottomCenter");
    EXPECT_EQ(OVNormalizedKeyboardPosition(QString()), "bottomCenter");

    EXPECT_EQ(OVNextKeyboardPosition("topRight"), "bottomLeft");
    EXPECT_EQ(OVNextKeyboardPosition(OVNormalizedKeyboardPosition("nonsense")), "bottomRight");
    EXPECT_EQ(OVNextKeyboardPosition(OVNormalizedKeyboardPosition("left")), "bottomCenter");
    EXPECT_EQ(OVNextKeyboardPosition("nowhere"), "bottomLeft");
    QString position = "bottomLeft";
    for (int i = 0; i < 6; ++i) {
        position = OVNextKeyboardPosition(position);
    }
    EXPECT_EQ(position, "bottomLeft");
}

TEST(KeyboardPositions, SixPlacesSixteenPointsInsideTheAvailableArea) {
    // A 1920 × 1080 screen with a 25-point bar at the top and a 40-point dock on the left.
    const QRectF area(40, 25, 1880, 1055);
    const QSizeF panel(780, 286);
    const struct {
        const char* position;
        QPoint origin;
    } expected[] = {
        {"bottomLeft", {56, 778}}, {"bottomCenter", {590, 778}}, {"bottomRight", {1124, 778}},
        {"topLeft", {56, 41}},     {"topCenter", {590, 41}},     {"topRight", {1124, 41}},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(OVKeyboardOriginForPosition(e.position, area, panel), e.origin) << e.position;
    }
    // Minimized in the top right corner: still 16 points from both edges.
    EXPECT_EQ(OVKeyboardOriginForPosition("topRight", area, QSizeF(780, 56)), QPoint(1124, 41));
    EXPECT_EQ(OVKeyboardOriginForPosition("bottomRight", area, QSizeF(780, 56)),
              QPoint(1124, 1008));
    // Centres round half away from zero.
    EXPECT_EQ(OVKeyboardOriginForPosition("bottomCenter", QRectF(0, 0, 1001, 600), panel).x(), 111);
}

TEST(KeyboardPositions, APanelLargerThanTheScreenKeepsItsLeftAndTopEdgesAtTheMargin) {
    const QRectF small(0, 0, 700, 200);
    const QSizeF panel(780, 286);
    for (const QString& position : OVKeyboardPositions()) {
        // The right bound wins over the left one and the top bound over the bottom one.
        EXPECT_EQ(OVKeyboardOriginForPosition(position, small, panel), QPoint(-96, 16))
            << position.toStdString();
    }
    // Just wide enough: the panel is pushed inside the margin on each side.
    const QRectF narrow(0, 0, 800, 600);
    EXPECT_EQ(OVKeyboardOriginForPosition("bottomLeft", narrow, panel), QPoint(4, 298));
    EXPECT_EQ(OVKeyboardOriginForPosition("topRight", narrow, panel), QPoint(4, 16));
}

TEST(ScreenGeometry, TheLargestScreenWinsAndTheFirstOnATie) {
    EXPECT_EQ(OVPreferredScreenIndex({QRectF(0, 25, 1920, 1055), QRectF(1920, 25, 2560, 1415)}), 1);
    EXPECT_EQ(OVPreferredScreenIndex({QRectF(1920, 25, 2560, 1415), QRectF(0, 25, 1920, 1055)}), 0);
    EXPECT_EQ(OVPreferredScreenIndex({QRectF(0, 0, 1920, 1080), QRectF(1920, 0, 1920, 1080)}), 0);
    EXPECT_EQ(OVPreferredScreenIndex(
                  {QRectF(0, 0, 100, 100), QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1080, 1920)}),
              1);
    // Area decides, not width: a tall narrow screen beats a wide short one.
    EXPECT_EQ(OVPreferredScreenIndex({QRectF(0, 0, 2000, 100), QRectF(0, 0, 1000, 1000)}), 1);
    EXPECT_FALSE(OVPreferredScreenIndex({}).has_value());
    EXPECT_EQ(OVPreferredScreenIndex({QRectF()}), 0);
}

TEST(ScreenGeometry, CentringRoundsHalfAwayFromZero) {
    EXPECT_EQ(OVCenteredWindowOrigin(QRectF(0, 0, 1920, 1080), QSizeF(400, 300)), QPoint(760, 390));
    EXPECT_EQ(OVCenteredWindowOrigin(QRectF(0, 0, 1920, 1080), QSizeF(401, 301)), QPoint(760, 390));
    EXPECT_EQ(OVCenteredWindowOrigin(QRectF(1920, 25, 2560, 1415), QSizeF(780, 286)),
              QPoint(2810, 590));
    EXPECT_EQ(OVCenteredWindowOrigin(QRectF(-1000, 0, 999, 100), QSizeF(0, 0)), QPoint(-501, 50));
}
