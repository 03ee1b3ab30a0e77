#include <gtest/gtest.h>

#include "platform/linux/display_identity.h"
#include "platform/linux/linux_display_services.h"

namespace {

OVScreenDescription screen(const QString& name, const QString& serial, QRect geometry,
                           bool primary = false) {
    const bool edid = !name.startsWith("VGA");
    return {name, edid ? "SAM" : "", edid ? "Flip" : "", serial, geometry, 1.0, primary};
}

using Changes = QList<QPair<std::uint32_t, std::uint32_t>>;

}  // namespace

TEST(LinuxDisplayServices, ScreenChangesBecomeReconfigurationFlags) {
    // IDs come from the EDID: the same monitor on another output keeps its ID.
    const OVScreenDescription a = screen("DP-1", "1", QRect(0, 0, 1920, 1080), true);
    const OVScreenDescription b = screen("DP-2", "2", QRect(1920, 0, 1280, 1024));
    EXPECT_EQ(OVDisplayIDForScreen(screen("HDMI-1", "1", {})), OVDisplayIDForScreen(a));
    const std::uint32_t idA = OVDisplayIDForScreen(a);
    const std::uint32_t idB = OVDisplayIDForScreen(b);
    QList<OVScreenDescription> screens{a};
    OVLinuxDisplayServices services([&] { return screens; });
    Changes reported;
    services.setReconfigurationCallback([&](std::uint32_t id, std::uint32_t flags) {
        reported.append({id, flags});
    });

    OVScreenDescription aSecond = a;
    aSecond.primary = false;
    OVScreenDescription bMain = b;
    bMain.primary = true;
    OVScreenDescription bLeft = b;
    bLeft.geometry.moveLeft(-1280);
    OVScreenDescription aDense = a;
    aDense.devicePixelRatio = 2.0;
    const std::uint32_t shape = OVDisplayDesktopShapeChangedFlag;
    const struct {
        QList<OVScreenDescription> screens;
        Changes changes;
    } steps[] = {
        {{aSecond, bMain},
         {{idB, OVDisplayAddFlag | OVDisplayEnabledFlag | OVDisplaySetMainFlag | shape}}},
        {{a, b}, {{idA, OVDisplaySetMainFlag}}},
        {{a, bLeft}, {{idB, OVDisplayMovedFlag | shape}}},
        {{aDense, bLeft}, {{idA, OVDisplaySetModeFlag}}},  // a density alone keeps the shape
        {{aDense}, {{idB, OVDisplayRemoveFlag | OVDisplayDisabledFlag | shape}}},
    };
    for (const auto& step : steps) {
        screens = step.screens;
        reported.clear();
        services.screensChanged();
        EXPECT_EQ(reported, step.changes);
        EXPECT_EQ(services.mainDisplayID(), services.activeDisplays()[0].displayID);
    }
    EXPECT_EQ(services.mainDisplayID(), idA);
    EXPECT_EQ(services.activeDisplays()[0].pixelSize, QSize(3840, 2160));
}
