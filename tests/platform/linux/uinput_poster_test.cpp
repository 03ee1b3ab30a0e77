#include <gtest/gtest.h>
#include <linux/input.h>

#include <memory>

#include "base/services.h"
#include "platform/linux/linux_event_poster.h"
#include "platform/linux/linux_permissions.h"
#include "platform/linux/uinput_event_poster.h"
#include "platform/linux/fixed_displays_helpers.h"
#include "platform/linux/hid_testbed_helpers.h"

// The uinput poster against a fake /dev/uinput in a umockdev testbed: the same ioctls and
// writes as with the kernel's driver, which this machine does not have.

namespace {

using Written = std::vector<HIDTestbed::WrittenEvent>;

Written operator+(Written first, const Written& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The axis value of a pixel of a desktop `extent` pixels wide: its middle, on 0-65535.
int axis(int pixel, int extent) {
    return int((2 * std::int64_t(pixel) + 1) * 65536 / (2 * std::int64_t(extent)));
}

OVDisplayInfo display(std::uint32_t id, QRectF bounds, QSize pixels, bool main) {
    OVDisplayInfo info;
    info.displayID = id;
    info.bounds = bounds;
    info.pixelSize = pixels;
    info.isMain = main;
    return info;
}

class MutableDisplays : public OVDisplayServices {
  public:
    QList<OVDisplayInfo> displays;
    QList<OVDisplayInfo> activeDisplays() const override { return displays; }
    std::uint32_t mainDisplayID() const override { return 1; }
    void hideCursor() override {}
    void showCursor() override {}
    void setReconfigurationCallback(ReconfigurationCallback) override {}
};

class UInputPosterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HIDTestbed::available()) {
            ASSERT_FALSE(HIDTestbed::required()) << "umockdev's preload library is missing";
            GTEST_SKIP() << "needs umockdev-wrapper (ctest runs it so)";
        }
        // X11 text typing is another test's business: no display here.
        qunsetenv("DISPLAY");
        testbed = std::make_unique<HIDTestbed>();
        uinput = &testbed->addUInput();
        displays.displays = {display(1, QRectF(0, 0, 1280, 800), QSize(2560, 1600), true),
                             display(2, QRectF(2560, 0, 1920, 1080), QSize(1920, 1080), false)};
    }
    void TearDown() override { qputenv("DISPLAY", savedDisplay); }

    // A poster in an X session's device pixels, whose devices the desktop has opened.
    std::unique_ptr<OVUInputEventPoster> makePoster() {
        QString why;
        auto poster = OVUInputEventPoster::create(displays, "/dev/uinput", &why,
                                                  OVPointerSpace::DevicePixels);
        EXPECT_TRUE(poster) << why.toStdString();
        uinput->openReaders();
        return poster;
    }

    QByteArray savedDisplay = qgetenv("DISPLAY");
    OVServicesGuard services;
    std::unique_ptr<HIDTestbed> testbed;
    HIDTestbed::FakeUInput* uinput = nullptr;
    MutableDisplays displays;
};

}  // namespace

TEST_F(UInputPosterTest, MakesAnAbsolutePointerAndAKeyboard) {
    QString why;
    auto poster = OVUInputEventPoster::create(displays, "/dev/uinput", &why);
    ASSERT_TRUE(poster) << why.toStdString();
    const HIDTestbed::UInputState state = uinput->snapshot();
    ASSERT_EQ(state.devices.size(), 2u);

    const HIDTestbed::UInputDevice& pointer = state.devices[0];
    EXPECT_EQ(pointer.name, "Orvetta touch pointer");
    EXPECT_EQ(pointer.bustype, unsigned(BUS_VIRTUAL));
    EXPECT_TRUE(pointer.created);
    EXPECT_EQ(pointer.codes.at(EV_KEY), (std::set<unsigned>{BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}));
    EXPECT_EQ(pointer.codes.at(EV_REL),
              (std::set<unsigned>{REL_HWHEEL, REL_WHEEL, REL_WHEEL_HI_RES, REL_HWHEEL_HI_RES}));
    // The same range whatever the desktop: the mapping follows display changes, not the device.
    EXPECT_EQ(pointer.absoluteRanges.at(ABS_X), std::make_pair(0, 65535));
    EXPECT_EQ(pointer.absoluteRanges.at(ABS_Y), std::make_pair(0, 65535));
    EXPECT_TRUE(pointer.properties.empty());

    const HIDTestbed::UInputDevice& keyboard = state.devices[1];
    EXPECT_EQ(keyboard.name, "Orvetta touch keyboard");
    EXPECT_TRUE(keyboard.created);
    EXPECT_TRUE(keyboard.codes.at(EV_KEY).count(KEY_A));
    EXPECT_TRUE(keyboard.codes.at(EV_KEY).count(KEY_SYSRQ));
    EXPECT_FALSE(keyboard.eventTypes.count(EV_REP));
    EXPECT_TRUE(state.events.empty());
}

TEST_F(UInputPosterTest, WritesTheTranslatedEvents) {
    auto poster = makePoster();
    poster->postMouseEvent(1, 0, QPointF(640, 400), 0x20000, 1);  // shift-click on the first
    poster->postMouseEvent(2, 0, QPointF(2560 + 10, 20), 0x20000, 1);
    EXPECT_EQ(uinput->takeEvents(), (Written{{EV_KEY, KEY_LEFTSHIFT, 1},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_ABS, ABS_X, axis(1280, 4480)},
                                             {EV_ABS, ABS_Y, axis(800, 1600)},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, BTN_LEFT, 1},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_ABS, ABS_X, axis(2570, 4480)},
                                             {EV_ABS, ABS_Y, axis(20, 1600)},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, BTN_LEFT, 0},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_LEFTSHIFT, 0},
                                             {EV_SYN, SYN_REPORT, 0}}));

    poster->postScrollWheel(45, 0, 0);
    poster->postScrollWheel(15, -30, 0);
    EXPECT_EQ(uinput->takeEvents(), (Written{{EV_REL, REL_WHEEL_HI_RES, 90},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_REL, REL_WHEEL_HI_RES, 30},
                                             {EV_REL, REL_HWHEEL_HI_RES, 60},
                                             {EV_REL, REL_WHEEL, 1},
                                             {EV_SYN, SYN_REPORT, 0}}));

    poster->postText(QStringLiteral("Hi"), 0);
    poster->openSystemApplication(QStringLiteral("screenshot"));
    EXPECT_EQ(uinput->takeEvents(), (Written{{EV_KEY, KEY_LEFTSHIFT, 1},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_H, 1},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_H, 0},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_LEFTSHIFT, 0},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_I, 1},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_I, 0},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_SYSRQ, 1},
                                             {EV_SYN, SYN_REPORT, 0},
                                             {EV_KEY, KEY_SYSRQ, 0},
                                             {EV_SYN, SYN_REPORT, 0}}));
    // Outside X the keys of a US layout are all there is: é is left out.
    poster->postText(QStringLiteral("é"), 0);
    EXPECT_TRUE(uinput->takeEvents().empty());
}

TEST_F(UInputPosterTest, ADisplayChangeKeepsThePointerAndItsMoves) {
    auto poster = makePoster();
    poster->postMouseEvent(5, 0, QPointF(10, 10), 0, 0);
    // A third display arrives left of the others: the desktop grows, the device stays.
    displays.displays.append(display(3, QRectF(-1920, 0, 1920, 1080), QSize(1920, 1080), false));
    uinput->takeEvents();
    poster->postMouseEvent(1, 0, QPointF(-1920 + 100, 50), 0, 1);
    poster->postMouseEvent(2, 0, QPointF(-1920 + 100, 50), 0, 1);
    const HIDTestbed::UInputState state = uinput->snapshot();
    EXPECT_EQ(state.devices.size(), 2u);
    EXPECT_EQ(state.destroyed, 0);
    EXPECT_EQ(state.devices[0].discarded, 0);
    // The move reaches the desktop, counted over the new desktop (6400 device pixels wide).
    EXPECT_EQ(state.events, (Written{{EV_ABS, ABS_X, axis(100, 6400)},
                                     {EV_ABS, ABS_Y, axis(50, 1600)},
                                     {EV_SYN, SYN_REPORT, 0},
                                     {EV_KEY, BTN_LEFT, 1},
                                     {EV_SYN, SYN_REPORT, 0},
                                     {EV_KEY, BTN_LEFT, 0},
                                     {EV_SYN, SYN_REPORT, 0}}));
    poster.reset();
    EXPECT_EQ(uinput->snapshot().destroyed, 2);
}

TEST_F(UInputPosterTest, ATapWhereThePointerWasLastSentStillMovesIt) {
    auto poster = makePoster();
    auto tap = [&] {
        poster->postMouseEvent(1, 0, QPointF(300, 200), 0, 1);
        poster->postMouseEvent(2, 0, QPointF(300, 200), 0, 1);
        return uinput->takeEvents();
    };
    const int x = axis(600, 4480);
    const int y = axis(400, 1600);
    const Written press{{EV_SYN, SYN_REPORT, 0},
                        {EV_KEY, BTN_LEFT, 1},
                        {EV_SYN, SYN_REPORT, 0},
                        {EV_KEY, BTN_LEFT, 0},
                        {EV_SYN, SYN_REPORT, 0}};
    EXPECT_EQ(tap(), (Written{{EV_ABS, ABS_X, x}, {EV_ABS, ABS_Y, y}}) + press);
    // The mouse moved the cursor in between; the same position again arrives one unit aside on
    // x (the same pixel), and the kernel passes it on. Then the position itself again.
    EXPECT_EQ(tap(), (Written{{EV_ABS, ABS_X, x + 1}}) + press);
    EXPECT_EQ(tap(), (Written{{EV_ABS, ABS_X, x}}) + press);
    EXPECT_EQ((x + 1) * 4480 / 65536, 600);
}

TEST_F(UInputPosterTest, TheChooserPrefersUInputAndAccessibilityFollowsIt) {
    OVLinuxEventPoster poster(displays);
    EXPECT_TRUE(poster.canPost());
    EXPECT_EQ(poster.backendName(), QStringLiteral("uinput"));
    OVLinuxPermissions permissions(poster);
    EXPECT_TRUE(permissions.canPostEvents());
}

TEST_F(UInputPosterTest, NoUInputNode) {
    QString why;
    EXPECT_FALSE(OVUInputEventPoster::create(displays, "/dev/uinput-missing", &why));
    EXPECT_TRUE(why.contains("/dev/uinput-missing")) << why.toStdString();
}
