#include "compat/contact_ripples.h"

#include <gtest/gtest.h>

#include "support/compat.h"

using compat_test::contact;

namespace {

class RippleModel : public ::testing::Test {
  protected:
    // Contacts placed at view points by their "screenX" and "screenY".
    void add(const QVariantList& list, double now) {
        model.addContacts(
            list,
            [](const QVariantMap& c) {
                return QPointF(c.value("screenX").toDouble(), c.value("screenY").toDouble());
            },
            now);
    }
    void finger(double x, double y, double now) {
        add(QVariantList{contact(OVContactKindFinger, 1, x, y)}, now);
    }

    OVContactRippleModel model;
};

}  // namespace

TEST_F(RippleModel, NewContactsRingAndMovesOfMoreThanOneAndAHalfPointsDrawStrokes) {
    add(QVariantList{contact(OVContactKindNone, 1, 50, 50)}, 0.0);  // no kind: nothing at all
    EXPECT_TRUE(model.lastPoints().isEmpty());
    // Same identifier, different kinds: two contacts, two rings.
    add(QVariantList{contact(OVContactKindPen, 4, 120, 80),
                     contact(OVContactKindFinger, 4, 30, 40)},
        0.0);
    EXPECT_TRUE(model.lastPoints().contains("1-4") && model.lastPoints().contains("2-4"));
    EXPECT_EQ(model.ripples().size(), 2);

    finger(100, 100, 1.0);  // the others are forgotten, this one rings
    EXPECT_EQ(model.lastPoints().size(), 1);
    finger(101.5, 100, 1.1);  // exactly 1.5 points: no stroke
    EXPECT_TRUE(model.trails().isEmpty());
    finger(104, 100, 1.2);
    ASSERT_EQ(model.trails().size(), 1);
    EXPECT_EQ(model.trails()[0].from, QPointF(101.5, 100));
    EXPECT_EQ(model.trails()[0].to, QPointF(104, 100));
    // Resting, it rings again only more than 0.22 s after its last ring.
    finger(104, 100, 1.22);
    EXPECT_EQ(model.ripples().size(), 3);
    finger(104, 100, 1.2201);
    EXPECT_EQ(model.ripples().size(), 4);
    // Seen again after more than 0.18 s, it starts afresh: a ring, no stroke.
    finger(160, 100, 1.45);
    EXPECT_EQ(model.ripples().size(), 5);
    EXPECT_EQ(model.trails().size(), 1);
}
