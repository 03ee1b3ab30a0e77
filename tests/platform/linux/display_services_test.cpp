#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "platform/linux/display_identity.h"
#include "platform/linux/linux_display_services.h"

namespace {

OVScreenDescription screen(const QString& name, const QString& model, const QString& serial,
                           QRect geometry, double ratio = 1.0, bool primary = false) {
    OVScreenDescription description;
    description.name = name;
    description.manufacturer = model.isEmpty() ? QString() : QStringLiteral("SAM");
    description.model = model;
    description.serialNumber = serial;
    description.geometry = geometry;
    description.devicePixelRatio = ratio;
    description.primary = primary;
    return description;
}

using Changes = QList<QPair<std::uint32_t, std::uint32_t>>;

}  // namespace

TEST(DisplayIdentity, StableIDsFromEDID) {
    const OVScreenDescription flip =
        screen("DP-1", "Flip 65", "H1AK500000", QRect(0, 0, 3840, 2160));
    // The same monitor on another output, elsewhere on the desktop, keeps its ID.
    const OVScreenDescription moved =
        screen("HDMI-2", "Flip 65", "H1AK500000", QRect(100, 0, 10, 10));
    EXPECT_EQ(OVDisplayIDForScreen(flip), OVDisplayIDForScreen(moved));
    EXPECT_NE(OVDisplayIDForScreen(flip),
              OVDisplayIDForScreen(screen("DP-1", "Flip 65", "H1AK500001", QRect())));
    // Without EDID the output names the display.
    const OVScreenDescription bare = screen("VGA-1", "", "", QRect());
    EXPECT_EQ(OVDisplayIDForScreen(bare),
              OVDisplayIDForScreen(screen("VGA-1", "", "", QRect(5, 5, 5, 5))));
    EXPECT_NE(OVDisplayIDForScreen(bare), OVDisplayIDForScreen(screen("VGA-2", "", "", QRect())));
    EXPECT_NE(OVDisplayIDForScreen(bare), 0u);
}

TEST(DisplayIdentity, DisplayListsMainFirstTwinsApart) {
    const QList<OVScreenDescription> screens{
        screen("DP-1", "Monitor", "", QRect(0, 0, 1280, 720), 1.5),
        screen("DP-2", "Monitor", "", QRect(1920, 0, 1280, 720), 1.5, true),
        screen("eDP-1", "Panel", "X1", QRect(0, 720, 1920, 1080))};
    const QList<OVDisplayInfo> displays = OVDisplayInfosForScreens(screens);
    ASSERT_EQ(displays.size(), 3);
    EXPECT_TRUE(displays[0].isMain);
    EXPECT_EQ(displays[0].bounds, QRectF(1920, 0, 1280, 720));
    EXPECT_EQ(displays[0].pixelSize, QSize(1920, 1080));
    EXPECT_EQ(displays[0].name, QStringLiteral("Monitor"));
    EXPECT_FALSE(displays[1].isMain);
    // Two identical monitors without serial numbers get different IDs, the same each time.
    EXPECT_NE(displays[0].displayID, displays[1].displayID);
    EXPECT_EQ(OVDisplayInfosForScreens(screens)[1].displayID, displays[1].displayID);
    EXPECT_EQ(displays[2].displayID, OVDisplayIDForScreen(screens[2]));
}

TEST(DisplayIdentity, ChangesBecomeReconfigurationFlags) {
    const OVScreenDescription a = screen("DP-1", "A", "1", QRect(0, 0, 1920, 1080), 1.0, true);
    const OVScreenDescription b = screen("DP-2", "B", "2", QRect(1920, 0, 1920, 1080));
    const QList<OVDisplayInfo> one = OVDisplayInfosForScreens({a});
    const QList<OVDisplayInfo> two = OVDisplayInfosForScreens({a, b});
    const std::uint32_t idA = one[0].displayID;
    const std::uint32_t idB = two[1].displayID;

    EXPECT_TRUE(OVDisplayChanges(two, two).isEmpty());
    EXPECT_EQ(OVDisplayChanges(one, two), (Changes{{idB, OVDisplayAddFlag | OVDisplayEnabledFlag |
                                                             OVDisplayDesktopShapeChangedFlag}}));
    EXPECT_EQ(OVDisplayChanges(two, one),
              (Changes{{idB, OVDisplayRemoveFlag | OVDisplayDisabledFlag |
                                 OVDisplayDesktopShapeChangedFlag}}));

    OVScreenDescription bLeft = b;
    bLeft.geometry.moveLeft(-1920);
    EXPECT_EQ(OVDisplayChanges(two, OVDisplayInfosForScreens({a, bLeft})),
              (Changes{{idB, OVDisplayMovedFlag | OVDisplayDesktopShapeChangedFlag}}));
    // A new density alone: a new mode, the desktop keeps its shape.
    OVScreenDescription aDense = a;
    aDense.devicePixelRatio = 2.0;
    EXPECT_EQ(OVDisplayChanges(two, OVDisplayInfosForScreens({aDense, b})),
              (Changes{{idA, OVDisplaySetModeFlag}}));
    OVScreenDescription aSecond = a;
    aSecond.primary = false;
    OVScreenDescription bMain = b;
    bMain.primary = true;
    EXPECT_EQ(OVDisplayChanges(two, OVDisplayInfosForScreens({aSecond, bMain})),
              (Changes{{idB, OVDisplaySetMainFlag}}));
}

TEST(LinuxDisplayServices, FollowsScreensAndReportsChanges) {
    QList<OVScreenDescription> screens{screen("DP-1", "A", "1", QRect(0, 0, 1920, 1080), 1, true)};
    OVLinuxDisplayServices services([&] { return screens; });
    ASSERT_EQ(services.activeDisplays().size(), 1);
    const std::uint32_t idA = services.activeDisplays()[0].displayID;
    EXPECT_EQ(services.mainDisplayID(), idA);

    Changes reported;
    services.setReconfigurationCallback([&](std::uint32_t id, std::uint32_t flags) {
        reported.append({id, flags});
    });
    screens.append(screen("DP-2", "B", "2", QRect(1920, 0, 1280, 1024)));
    screens[0].primary = false;
    screens[1].primary = true;
    services.screensChanged();
    // The new display is added and becomes the main one; A did not change.
    ASSERT_EQ(reported.size(), 1);
    EXPECT_NE(reported[0].first, idA);
    EXPECT_EQ(reported[0].second, OVDisplayAddFlag | OVDisplayEnabledFlag | OVDisplaySetMainFlag |
                                      OVDisplayDesktopShapeChangedFlag);
    EXPECT_EQ(services.mainDisplayID(), reported[0].first);
    EXPECT_EQ(services.activeDisplays()[0].displayID, reported[0].first);

    screens.removeFirst();
    reported.clear();
    services.screensChanged();
    EXPECT_EQ(reported, (Changes{{idA, OVDisplayRemoveFlag | OVDisplayDisabledFlag |
                                           OVDisplayDesktopShapeChangedFlag}}));
}

TEST(LinuxDisplayServices, QtScreens) {
    OVLinuxDisplayServices services;
    const QList<OVDisplayInfo> displays = services.activeDisplays();
    ASSERT_EQ(displays.size(), QGuiApplication::screens().size());
    ASSERT_FALSE(displays.isEmpty());
    const QScreen* primary = QGuiApplication::primaryScreen();
    EXPECT_TRUE(displays[0].isMain);
    EXPECT_EQ(displays[0].bounds, QRectF(primary->geometry()));
    EXPECT_EQ(displays[0].pixelSize, primary->geometry().size() * primary->devicePixelRatio());
    EXPECT_EQ(services.mainDisplayID(), displays[0].displayID);
}
