#include "compat/ui/compatibility_ripple_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "base/services.h"
#include "base/virtual_scheduler.h"
#include "hid/touch_contact.h"

namespace {

// A colour `alpha` of the way from the panel's 0.98 white to (red, green, blue), in 0-255.
QColor over(double red, double green, double blue, double alpha) {
    const double panel = 0.98 * 255.0;
    auto mix = [&](double channel) {
        return static_cast<int>(std::lround(panel * (1.0 - alpha) + channel * 255.0 * alpha));
    };
    return QColor(mix(red), mix(green), mix(blue));
}

constexpr double kFinger[] = {0.76, 0.16, 0.88};
constexpr double kPen[] = {0.12, 0.55, 1.0};
constexpr double kEraser[] = {1.0, 0.32, 0.55};

testing::AssertionResult near(const QImage& image, int x, int y, const QColor& expected,
                              int tolerance = 3) {
    const QColor actual = image.pixelColor(x, y);
    if (std::abs(actual.red() - expected.red()) <= tolerance &&
        std::abs(actual.green() - expected.green()) <= tolerance &&
        std::abs(actual.blue() - expected.blue()) <= tolerance && actual.alpha() == 255) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << actual.name(QColor::HexArgb).toStdString()
           << ", expected about " << expected.name().toStdString();
}

class RippleView : public ::testing::Test {
  protected:
    RippleView() { view.resize(430, 340); }

    QImage render() {
        QImage image(view.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    }
    void advance(double seconds) { services.virtualScheduler()->advance(seconds); }
    double now() const { return OVMainScheduler().now(); }

    OVServicesGuard services;
    OVCompatibilityRippleView view;
};

QVariantMap contactAt(std::int64_t kind, int id, int x, int y) {
    // Logical limits equal to the view's size: raw coordinates are view points.
    return QVariantMap{{"id", id},      {"kind", static_cast<qlonglong>(kind)},
                       {"x", x},        {"y", y},
                       {"xMinimum", 0}, {"xMaximum", 430},
                       {"yMinimum", 0}, {"yMaximum", 340}};
}

}  // namespace

TEST_F(RippleView, DrawsThePanelGridRingsDotsAndStrokes) {
    view.addContacts(QVariantList{contactAt(OVContactKindFinger, 1, 150, 280)});
    advance(0.05);
    view.addContacts(QVariantList{contactAt(OVContactKindFinger, 1, 250, 280)});
    // New rings, drawn as they are at birth.
    view.addRippleAtPoint(QPointF(120.5, 120.5), OVContactKindFinger, now());
    view.addRippleAtPoint(QPointF(300.5, 120.5), OVContactKindPen, now());
    view.addRippleAtPoint(QPointF(300.5, 200.5), OVContactKindEraser, now());
    const QImage image = render();

    // The panel, away from lines and effects.
    EXPECT_TRUE(near(image, 18, 18, over(0, 0, 0, 0), 1));
    EXPECT_TRUE(near(image, 200, 50, over(0, 0, 0, 0), 1));
    // The grid: faint lines every 36 points, both directions.
    EXPECT_LT(std::min(image.pixelColor(35, 18).red(), image.pixelColor(36, 18).red()), 250);
    EXPECT_GT(std::min(image.pixelColor(35, 18).red(), image.pixelColor(36, 18).red()), 235);
    EXPECT_LT(std::min(image.pixelColor(18, 71).red(), image.pixelColor(18, 72).red()), 250);

    // Dots at 0.8 and rings 8 points out at 0.65, in the colour of each kind.
    EXPECT_TRUE(near(image, 120, 120, over(kFinger[0], kFinger[1], kFinger[2], 0.8)));
    EXPECT_TRUE(near(image, 128, 120, over(kFinger[0], kFinger[1], kFinger[2], 0.65)));
    EXPECT_TRUE(near(image, 120, 112, over(kFinger[0], kFinger[1], kFinger[2], 0.65)));
    EXPECT_TRUE(near(image, 124, 120, over(0, 0, 0, 0), 1));  // between dot and ring
    EXPECT_TRUE(near(image, 300, 120, over(kPen[0], kPen[1], kPen[2], 0.8)));
    EXPECT_TRUE(near(image, 292, 120, over(kPen[0], kPen[1], kPen[2], 0.65)));
    // The eraser's dot is larger: 4 points out is still dot.
    EXPECT_TRUE(near(image, 304, 200, over(kEraser[0], kEraser[1], kEraser[2], 0.8)));
    EXPECT_TRUE(near(image, 304, 120, over(0, 0, 0, 0), 1));

    // The stroke from (150, 280) to (250, 280): 5 points wide at 0.56.
    EXPECT_TRUE(near(image, 200, 280, over(kFinger[0], kFinger[1], kFinger[2], 0.56)));
    EXPECT_TRUE(near(image, 200, 278, over(kFinger[0], kFinger[1], kFinger[2], 0.56)));
    EXPECT_TRUE(near(image, 200, 281, over(kFinger[0], kFinger[1], kFinger[2], 0.56)));
    EXPECT_TRUE(near(image, 200, 285, over(0, 0, 0, 0), 1));

    // Rounded corners: nothing drawn outside them.
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(429, 339).alpha(), 0);
}

TEST_F(RippleView, RingsGrowAndFadeThenGo) {
    view.show();
    view.addRippleAtPoint(QPointF(120.5, 120.5), OVContactKindFinger, now());
    advance(0.425);
    QImage image = render();
    EXPECT_TRUE(near(image, 149, 120, over(kFinger[0], kFinger[1], kFinger[2], 0.325)));
    EXPECT_TRUE(near(image, 120, 120, over(kFinger[0], kFinger[1], kFinger[2], 0.4)));
    EXPECT_TRUE(near(image, 128, 120, over(0, 0, 0, 0), 1));

    advance(0.5);  // past 0.85 s: the tick dropped it
    EXPECT_TRUE(view.effects().ripples().isEmpty());
    image = render();
    EXPECT_TRUE(near(image, 120, 120, over(0, 0, 0, 0), 1));
    EXPECT_TRUE(near(image, 149, 120, over(0, 0, 0, 0), 1));
}

TEST_F(RippleView, ScreenPointsMapIntoTheViewInsideAWindow) {
    QWidget window;
    window.setFixedSize(680, 520);
    window.move(300, 200);
    OVCompatibilityRippleView inside(&window);
    inside.setGeometry(24, 80, 430, 340);
    window.show();
    const QPoint origin = inside.mapToGlobal(QPoint(0, 0));

    QVariantMap contact = contactAt(OVContactKindPen, 2, 0, 0);
    contact["screenX"] = origin.x() + 50.0;
    contact["screenY"] = origin.y() + 60.0;
    EXPECT_EQ(inside.viewPointForContact(contact), QPointF(50, 60));
    // Outside the view: onto the nearest edge.
    contact["screenX"] = origin.x() - 30.0;
    contact["screenY"] = origin.y() + 400.0;
    EXPECT_EQ(inside.viewPointForContact(contact), QPointF(0, 340));
    // Without screen coordinates: the raw coordinates spread over the view.
    contact.remove("screenY");
    contact["x"] = 215;
    contact["y"] = 34;
    EXPECT_EQ(inside.viewPointForContact(contact), QPointF(215, 34));

    // A view that is a window of its own uses the raw coordinates.
    QVariantMap unlimited = contactAt(OVContactKindFinger, 1, 2400, 1500);
    unlimited["xMaximum"] = 0;
    unlimited["yMaximum"] = 0;
    unlimited["screenX"] = 5.0;
    unlimited["screenY"] = 5.0;
    EXPECT_EQ(view.viewPointForContact(unlimited), QPointF(215, 170));
}

TEST_F(RippleView, ItTicksOnlyWhileShownAndSomethingFades) {
    OVVirtualScheduler& scheduler = *services.virtualScheduler();
    const int before = scheduler.pendingCount();
    view.addContacts(QVariantList{contactAt(OVContactKindEraser, 3, 10, 10)});
    EXPECT_FALSE(view.animating()) << "hidden";
    view.show();
    EXPECT_TRUE(view.animating());
    EXPECT_EQ(scheduler.pendingCount(), before + 1);
    // The ring fades out; then nothing ticks until the next contact.
    advance(1.0);
    EXPECT_TRUE(view.effects().ripples().isEmpty());
    EXPECT_FALSE(view.animating());
    EXPECT_EQ(scheduler.pendingCount(), before);

    view.addContacts(QVariantList{contactAt(OVContactKindEraser, 3, 40, 10)});
    EXPECT_TRUE(view.animating());
    view.hide();
    EXPECT_FALSE(view.animating());
    view.show();
    EXPECT_TRUE(view.animating()) << "the ring is still fading";
    view.resetEffects();
    EXPECT_FALSE(view.animating());
    EXPECT_TRUE(view.effects().ripples().isEmpty());
    EXPECT_TRUE(view.effects().lastPoints().isEmpty());
    {
        OVCompatibilityRippleView another;
        another.show();
        another.addRippleAtPoint(QPointF(5, 5), OVContactKindPen, now());
        EXPECT_EQ(scheduler.pendingCount(), before + 1);
    }
    EXPECT_EQ(scheduler.pendingCount(), before) << "its timer goes with it";
}
