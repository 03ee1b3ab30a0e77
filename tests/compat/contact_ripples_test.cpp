#include "compat/contact_ripples.h"

#include <gtest/gtest.h>

#include "support/compat.h"

using namespace compat_test;

namespace {

// A contact of `kind` and `id` that the view places at (x, y).
QVariantMap placed(std::int64_t kind, int id, double x, double y) {
    QVariantMap dictionary = contact(kind, id);
    dictionary.insert("viewX", x);
    dictionary.insert("viewY", y);
    return dictionary;
}

QPointF viewPoint(const QVariantMap& dictionary) {
    return {dictionary.value("viewX").toDouble(), dictionary.value("viewY").toDouble()};
}

class RippleModel : public ::testing::Test {
  protected:
    void add(const QVariantList& list, double now) { model.addContacts(list, viewPoint, now); }
    void finger(double x, double y, double now) {
        add(QVariantList{placed(OVContactKindFinger, 1, x, y)}, now);
    }

    OVContactRippleModel model;
};

}  // namespace

TEST_F(RippleModel, AContactOfNoKindDrawsNothingAndIsNotRemembered) {
    add(QVariantList{placed(OVContactKindNone, 1, 50, 50)}, 1.0);
    EXPECT_TRUE(model.ripples().isEmpty());
    EXPECT_TRUE(model.lastPoints().isEmpty());
}

TEST_F(RippleModel, ANewContactRingsOnceAtItsPoint) {
    add(QVariantList{placed(OVContactKindPen, 4, 120, 80), placed(OVContactKindFinger, 4, 30, 40)},
        2.0);
    ASSERT_EQ(model.ripples().size(), 2);
    EXPECT_EQ(model.ripples()[0].center, QPointF(120, 80));
    EXPECT_EQ(model.ripples()[0].kind, OVContactKindPen);
    EXPECT_DOUBLE_EQ(model.ripples()[0].start, 2.0);
    // Same identifier, different kinds: two contacts.
    EXPECT_EQ(model.lastPoints().keys().size(), 2);
    EXPECT_TRUE(model.lastPoints().contains("2-4"));
    EXPECT_TRUE(model.lastPoints().contains("1-4"));
    EXPECT_TRUE(model.trails().isEmpty());
}

TEST_F(RippleModel, OnlyMovesOfMoreThanOneAndAHalfPointsDrawAStroke) {
    finger(100, 100, 0.0);
    finger(101, 100, 0.05);
    EXPECT_TRUE(model.trails().isEmpty());
    finger(103, 100, 0.1);
    ASSERT_EQ(model.trails().size(), 1);
    EXPECT_EQ(model.trails()[0].from, QPointF(101, 100));
    EXPECT_EQ(model.trails()[0].to, QPointF(103, 100));
    EXPECT_DOUBLE_EQ(model.trails()[0].start, 0.1);
    EXPECT_EQ(model.trails()[0].kind, OVContactKindFinger);
    EXPECT_EQ(model.ripples().size(), 1);  // still within 0.22 s of its ring
}

TEST_F(RippleModel, ARestingContactRingsAboutEveryQuarterSecond) {
    for (int step = 0; step <= 20; ++step) {
        finger(200, 150, step * 0.05);
    }
    // Rings at 0, 0.25, 0.5, 0.75 and 1.0 s: the first report more than 0.22 s after the last.
    ASSERT_EQ(model.ripples().size(), 5);
    EXPECT_DOUBLE_EQ(model.ripples()[1].start, 0.25);
    EXPECT_DOUBLE_EQ(model.ripples()[4].start, 1.0);
    EXPECT_TRUE(model.trails().isEmpty());
}

TEST_F(RippleModel, TheThresholdsThemselvesDoNotCount) {
    finger(100, 100, 0.0);
    finger(101.5, 100, 0.1);  // exactly 1.5 points: no stroke
    EXPECT_TRUE(model.trails().isEmpty());
    finger(101.5, 100, 0.2);
    finger(101.5, 100, 0.22);  // exactly 0.22 s after the ring: no new ring
    EXPECT_EQ(model.ripples().size(), 1);
    finger(101.5, 100, 0.2201);
    EXPECT_EQ(model.ripples().size(), 2);
    finger(110, 100, 0.3901);  // 0.17 s since last seen: continues with a stroke
    EXPECT_EQ(model.trails().size(), 1);
}

TEST_F(RippleModel, AContactSeenAfterTheContinuationWindowStartsAgain) {
    finger(100, 100, 0.0);
    finger(160, 100, 0.19);
    EXPECT_TRUE(model.trails().isEmpty());
    EXPECT_EQ(model.ripples().size(), 2);
    EXPECT_EQ(model.lastPoints().value("1-1"), QPointF(160, 100));
}

TEST_F(RippleModel, AContactMissingFromAReportIsForgotten) {
    finger(100, 100, 0.0);
    add(QVariantList{placed(OVContactKindPen, 2, 10, 10)}, 0.01);
    EXPECT_FALSE(model.lastPoints().contains("1-1"));
    finger(140, 100, 0.02);
    EXPECT_EQ(model.ripples().size(), 3);
    EXPECT_TRUE(model.trails().isEmpty());

    // An empty report forgets everything while the effects keep fading.
    add(QVariantList(), 0.03);
    EXPECT_TRUE(model.lastPoints().isEmpty());
    EXPECT_EQ(model.ripples().size(), 3);
}

TEST_F(RippleModel, EffectsExpireAfterTheirLifetimes) {
    finger(100, 100, 0.0);
    finger(110, 100, 0.1);
    ASSERT_EQ(model.trails().size(), 1);
    EXPECT_TRUE(model.prune(0.85));
    EXPECT_EQ(model.ripples().size(), 1);
    EXPECT_TRUE(model.prune(0.86));
    EXPECT_TRUE(model.ripples().isEmpty());
    EXPECT_EQ(model.trails().size(), 1);
    EXPECT_TRUE(model.prune(1.2));
    EXPECT_FALSE(model.prune(1.21));  // nothing left to animate
    EXPECT_TRUE(model.trails().isEmpty());
}

TEST_F(RippleModel, ResetEmptiesEverything) {
    finger(100, 100, 0.0);
    finger(110, 100, 0.1);
    model.resetEffects();
    EXPECT_TRUE(model.ripples().isEmpty());
    EXPECT_TRUE(model.trails().isEmpty());
    EXPECT_TRUE(model.lastPoints().isEmpty());
    finger(111, 100, 0.15);  // a fresh contact: ring, no stroke
    EXPECT_EQ(model.ripples().size(), 1);
    EXPECT_TRUE(model.trails().isEmpty());
}

TEST(RippleGeometry, RawCoordinatesSpreadOverTheViewByTheirLimits) {
    const QSizeF size(430, 340);
    QVariantMap dictionary = contact(OVContactKindFinger, 1);
    dictionary["x"] = 2400;
    dictionary["y"] = 750;
    EXPECT_EQ(OVRawContactViewPoint(dictionary, size), QPointF(215, 85));

    // Unusable limits count as 0-4800 and 0-3000.
    dictionary["xMaximum"] = 0;
    dictionary["yMaximum"] = -5;
    EXPECT_EQ(OVRawContactViewPoint(dictionary, size), QPointF(215, 85));
    dictionary.remove("xMinimum");
    dictionary.remove("xMaximum");
    EXPECT_EQ(OVRawContactViewPoint(dictionary, size).x(), 215);

    dictionary["xMinimum"] = 1000;
    dictionary["xMaximum"] = 2000;
    dictionary["x"] = 2500;  // beyond the maximum: not clamped
    EXPECT_EQ(OVRawContactViewPoint(dictionary, size).x(), 645);

    EXPECT_EQ(OVClampedViewPoint(QPointF(-20, 400), size), QPointF(0, 340));
    EXPECT_EQ(OVClampedViewPoint(QPointF(500, 17), size), QPointF(430, 17));
}

TEST(RippleLook, RingsGrowAndFadeAndStrokesWidenByKind) {
    const OVRippleAppearance born = OVRippleAppearanceAt({QPointF(), 1.0, OVContactKindPen}, 1.0);
    EXPECT_DOUBLE_EQ(born.radius, 8.0);
    EXPECT_DOUBLE_EQ(born.ringAlpha, 0.65);
    EXPECT_DOUBLE_EQ(born.ringWidth, 2.0);
    EXPECT_DOUBLE_EQ(born.dotRadius, 3.5);
    EXPECT_DOUBLE_EQ(born.dotAlpha, 0.8);

    const OVRippleAppearance half =
        OVRippleAppearanceAt({QPointF(), 0.0, OVContactKindEraser}, 0.425);
    EXPECT_DOUBLE_EQ(half.radius, 29.0);
    EXPECT_DOUBLE_EQ(half.ringAlpha, 0.325);
    EXPECT_DOUBLE_EQ(half.ringWidth, 3.0);
    EXPECT_DOUBLE_EQ(half.dotRadius, 5.0);

    const OVRippleAppearance late =
        OVRippleAppearanceAt({QPointF(), 0.0, OVContactKindFinger}, 2.0);
    EXPECT_DOUBLE_EQ(late.radius, 50.0);
    EXPECT_DOUBLE_EQ(late.ringAlpha, 0.0);

    EXPECT_DOUBLE_EQ(OVTrailAppearanceAt({{}, {}, 0.0, OVContactKindEraser}, 0.0).width, 8.0);
    EXPECT_DOUBLE_EQ(OVTrailAppearanceAt({{}, {}, 0.0, OVContactKindPen}, 0.0).width, 3.0);
    const OVTrailAppearance fading = OVTrailAppearanceAt({{}, {}, 0.0, OVContactKindFinger}, 0.55);
    EXPECT_DOUBLE_EQ(fading.width, 5.0);
    EXPECT_DOUBLE_EQ(fading.alpha, 0.28);
    EXPECT_DOUBLE_EQ(OVTrailAppearanceAt({{}, {}, 0.0, OVContactKindFinger}, 3.0).alpha, 0.0);
}
