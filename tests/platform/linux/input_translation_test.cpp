#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <memory>
#include <utility>

#include "base/modifier_flags.h"
#include "base/services.h"
#include "keyboard/keyboard_test_helpers.h"
#include "keyboard/recording_event_poster.h"
#include "keyboard/touch_keyboard_model.h"
#include "platform/assembled_platform.h"
#include "platform/linux/input_translation.h"

namespace {

using Steps = OVInputSteps;

OVInputStep keyStep(int code, bool press) {
    return OVInputStep::key(code, press);
}

OVInputStep wheel(int vertical, int horizontal, int verticalDetents, int horizontalDetents) {
    OVInputStep step;
    step.kind = OVInputStep::Kind::Wheel;
    step.verticalUnits = vertical;
    step.horizontalUnits = horizontal;
    step.verticalDetents = verticalDetents;
    step.horizontalDetents = horizontalDetents;
    return step;
}

constexpr std::uint64_t kShift = 0x20000;
constexpr std::uint64_t kControl = 0x40000;
constexpr std::uint64_t kOption = 0x80000;
constexpr std::uint64_t kCommand = 0x100000;

// Two displays as Qt reports a mixed-density desktop: every display keeps its origin in device
// pixels, only its extent is in logical pixels. A: 1280×800 at a ratio of 2; B right of it.
QList<OVDisplayInfo> twoDisplays() {
    OVDisplayInfo a;
    a.displayID = 1;
    a.bounds = QRectF(0, 0, 1280, 800);
    a.pixelSize = QSize(2560, 1600);
    OVDisplayInfo b;
    b.displayID = 2;
    b.bounds = QRectF(2560, 0, 1920, 1080);
    b.pixelSize = QSize(1920, 1080);
    return {a, b};
}

}  // namespace

TEST(InputTranslation, ButtonsFollowTypesAndButtonNumbers) {
    OVInputTranslator translator;
    const QPoint p(10, 20);
    EXPECT_EQ(translator.mouseEvent(1, 0, p, 0),
              (Steps{OVInputStep::move(p), OVInputStep::button(BTN_LEFT, true)}));
    // A second press of a held button changes nothing but the position.
    EXPECT_EQ(translator.mouseEvent(1, 0, p, 0), (Steps{OVInputStep::move(p)}));
    EXPECT_EQ(translator.mouseEvent(6, 0, QPoint(11, 21), 0), (Steps{OVInputStep::move({11, 21})}));
    EXPECT_EQ(translator.mouseEvent(2, 0, p, 0),
              (Steps{OVInputStep::move(p), OVInputStep::button(BTN_LEFT, false)}));
    EXPECT_EQ(translator.mouseEvent(2, 0, p, 0), (Steps{OVInputStep::move(p)}));

    EXPECT_EQ(translator.mouseEvent(3, 1, p, 0).back(), OVInputStep::button(BTN_RIGHT, true));
    EXPECT_EQ(translator.mouseEvent(4, 1, p, 0).back(), OVInputStep::button(BTN_RIGHT, false));
    EXPECT_EQ(translator.mouseEvent(25, 2, p, 0).back(), OVInputStep::button(BTN_MIDDLE, true));
    EXPECT_TRUE(translator.isButtonHeld(BTN_MIDDLE));
    EXPECT_EQ(translator.mouseEvent(26, 2, p, 0).back(), OVInputStep::button(BTN_MIDDLE, false));
    // The pointer has three buttons; an unknown event type posts nothing.
    EXPECT_EQ(translator.mouseEvent(25, 4, p, 0), (Steps{OVInputStep::move(p)}));
    EXPECT_TRUE(translator.mouseEvent(29, 0, p, 0).empty());
}

TEST(InputTranslation, ModifierFlagsArePressedInOrderAroundKeys) {
    OVInputTranslator translator;
    EXPECT_EQ(
        translator.key(0, true, kShift | kControl | kOption | kCommand),
        (Steps{keyStep(KEY_LEFTSHIFT, true), keyStep(KEY_LEFTCTRL, true),
               keyStep(KEY_LEFTALT, true), keyStep(KEY_LEFTMETA, true), keyStep(KEY_A, true)}));
    EXPECT_EQ(
        translator.key(0, false, kOption),
        (Steps{keyStep(KEY_A, false), keyStep(KEY_LEFTMETA, false), keyStep(KEY_LEFTALT, false),
               keyStep(KEY_LEFTCTRL, false), keyStep(KEY_LEFTSHIFT, false)}));

    // A recorded combo (Command-Shift-4: Shift down, Command down, 4 down and up, Command up,
    // Shift up, each with the flags held so far) presses every key exactly once.
    Steps combo;
    for (const Steps& steps :
         {translator.key(56, true, kShift), translator.key(55, true, kShift | kCommand),
          translator.key(21, true, kShift | kCommand), translator.key(21, false, kShift | kCommand),
          translator.key(55, false, kShift), translator.key(56, false, 0)}) {
        combo.insert(combo.end(), steps.begin(), steps.end());
    }
    EXPECT_EQ(combo, (Steps{keyStep(KEY_LEFTSHIFT, true), keyStep(KEY_LEFTMETA, true),
                            keyStep(KEY_4, true), keyStep(KEY_4, false),
                            keyStep(KEY_LEFTMETA, false), keyStep(KEY_LEFTSHIFT, false)}));

    // A key pressed again while down is a fresh press; releasing a key that is up does nothing.
    EXPECT_EQ(translator.key(49, true, 0), (Steps{keyStep(KEY_SPACE, true)}));
    EXPECT_EQ(translator.key(49, true, 0),
              (Steps{keyStep(KEY_SPACE, false), keyStep(KEY_SPACE, true)}));
    EXPECT_EQ(translator.key(49, false, 0), (Steps{keyStep(KEY_SPACE, false)}));
    EXPECT_TRUE(translator.key(49, false, 0).empty());
    // Codes without a PC key post nothing, flags or not.
    EXPECT_TRUE(translator.key(52, true, kShift).empty());
    EXPECT_TRUE(translator.key(63, true, 0).empty());
    EXPECT_TRUE(translator.key(500, true, 0).empty());
}

TEST(InputTranslation, ModifiersStayDownFromPressToRelease) {
    OVInputTranslator translator;
    const QPoint a(5, 5);
    const QPoint b(50, 5);
    // A shift-drag: Shift goes down before the press, stays through the drag and comes up after
    // the release; moves without a button carry no modifiers.
    EXPECT_EQ(translator.mouseEvent(1, 0, a, kShift),
              (Steps{keyStep(KEY_LEFTSHIFT, true), OVInputStep::move(a),
                     OVInputStep::button(BTN_LEFT, true)}));
    EXPECT_EQ(translator.mouseEvent(6, 0, b, kShift), (Steps{OVInputStep::move(b)}));
    // The flags change during the drag: Shift up, Control down.
    EXPECT_EQ(
        translator.mouseEvent(6, 0, a, kControl),
        (Steps{keyStep(KEY_LEFTSHIFT, false), keyStep(KEY_LEFTCTRL, true), OVInputStep::move(a)}));
    EXPECT_EQ(translator.mouseEvent(2, 0, a, kControl),
              (Steps{OVInputStep::move(a), OVInputStep::button(BTN_LEFT, false),
                     keyStep(KEY_LEFTCTRL, false)}));
    EXPECT_EQ(translator.mouseEvent(5, 0, b, kShift), (Steps{OVInputStep::move(b)}));

    // A release without the flags of its press still lets go of the modifier.
    translator.mouseEvent(3, 1, a, kCommand);
    EXPECT_EQ(translator.mouseEvent(4, 1, a, 0),
              (Steps{OVInputStep::move(a), OVInputStep::button(BTN_RIGHT, false),
                     keyStep(KEY_LEFTMETA, false)}));

    // A modifier the caller holds as a key is not pressed again for the flags.
    translator.key(56, true, kShift);
    EXPECT_EQ(translator.mouseEvent(1, 0, a, kShift),
              (Steps{OVInputStep::move(a), OVInputStep::button(BTN_LEFT, true)}));
    EXPECT_EQ(translator.releaseEverything(),
              (Steps{OVInputStep::button(BTN_LEFT, false), keyStep(KEY_LEFTSHIFT, false)}));
    EXPECT_TRUE(translator.releaseEverything().empty());
}

TEST(InputTranslation, WheelUnitsAccumulateIntoDetents) {
    OVInputTranslator translator(2.0);
    // 30 pixels up → 60 units, half a detent; the next 30 complete it.
    EXPECT_EQ(translator.scrollWheel(30, 0, 0), (Steps{wheel(60, 0, 0, 0)}));
    EXPECT_EQ(translator.scrollWheel(30, 0, 0), (Steps{wheel(60, 0, 1, 0)}));
    EXPECT_EQ(translator.scrollWheel(150, 0, 0), (Steps{wheel(300, 0, 2, 0)}));
    // 60 units are left over; turning back starts again rather than spending them.
    EXPECT_EQ(translator.scrollWheel(-40, 0, 0), (Steps{wheel(-80, 0, 0, 0)}));
    EXPECT_EQ(translator.scrollWheel(-20, 0, 0), (Steps{wheel(-40, 0, -1, 0)}));
    // Pixels to the left count as positive; the horizontal wheel counts to the right.
    EXPECT_EQ(translator.scrollWheel(0, 60, 0), (Steps{wheel(0, -120, 0, -1)}));
    EXPECT_EQ(translator.scrollWheel(0, -90, 0), (Steps{wheel(0, 180, 0, 1)}));
    EXPECT_TRUE(translator.scrollWheel(0, 0, 0).empty());

    // Fractions of a unit are carried, so that many small steps add up exactly.
    OVInputTranslator fine(1.5);
    int units = 0;
    int detents = 0;
    for (int i = 0; i < 160; ++i) {
        for (const OVInputStep& step : fine.scrollWheel(1, 0, 0)) {
            units += step.verticalUnits;
            detents += step.verticalDetents;
        }
    }
    EXPECT_EQ(units, 240);
    EXPECT_EQ(detents, 2);

    // Modifier flags are pressed around the wheel step.
    EXPECT_EQ(
        translator.scrollWheel(60, 0, kControl),
        (Steps{keyStep(KEY_LEFTCTRL, true), wheel(120, 0, 1, 0), keyStep(KEY_LEFTCTRL, false)}));
}

TEST(InputTranslation, MagnifyIsControlAndTheWheel) {
    OVInputTranslator translator;
    const QPoint centre(400, 300);
    EXPECT_EQ(translator.magnify(0.0, 1, centre),
              (Steps{OVInputStep::move(centre), keyStep(KEY_LEFTCTRL, true)}));
    EXPECT_EQ(translator.magnify(0.05, 2, centre), (Steps{wheel(60, 0, 0, 0)}));
    EXPECT_EQ(translator.magnify(0.05, 2, centre), (Steps{wheel(60, 0, 1, 0)}));
    EXPECT_EQ(translator.magnify(-0.02, 2, centre), (Steps{wheel(-24, 0, 0, 0)}));
    EXPECT_EQ(translator.magnify(0.0, 8, centre), (Steps{keyStep(KEY_LEFTCTRL, false)}));
    EXPECT_TRUE(translator.magnify(0.0, 8, centre).empty());

    // Scrolling keeps its own sums: the pinch did not leave half a detent behind.
    EXPECT_EQ(translator.scrollWheel(30, 0, 0), (Steps{wheel(60, 0, 0, 0)}));

    // A change without a beginning still holds Control; with Control held as a key, the pinch
    // neither presses nor releases it.
    EXPECT_EQ(translator.magnify(0.1, 2, centre),
              (Steps{keyStep(KEY_LEFTCTRL, true), wheel(120, 0, 1, 0)}));
    EXPECT_EQ(translator.releaseEverything(), (Steps{keyStep(KEY_LEFTCTRL, false)}));
    translator.key(59, true, 0);
    EXPECT_EQ(translator.magnify(0.0, 1, centre), (Steps{OVInputStep::move(centre)}));
    EXPECT_TRUE(translator.magnify(0.0, 8, centre).empty());
}

TEST(InputTranslation, TextSystemKeysAndSystemApplications) {
    OVInputTranslator translator;
    const std::vector<OVKeyStroke> strokes{
        {KEY_H, true}, {KEY_I, false}, {KEY_Q, false, KEY_RIGHTALT}};
    EXPECT_EQ(translator.keyStrokes(strokes, 0),
              (Steps{keyStep(KEY_LEFTSHIFT, true), keyStep(KEY_H, true), keyStep(KEY_H, false),
                     keyStep(KEY_LEFTSHIFT, false), keyStep(KEY_I, true), keyStep(KEY_I, false),
                     keyStep(KEY_RIGHTALT, true), keyStep(KEY_Q, true), keyStep(KEY_Q, false),
                     keyStep(KEY_RIGHTALT, false)}));

    EXPECT_EQ(translator.systemKey(0, true), (Steps{keyStep(KEY_VOLUMEUP, true)}));
    EXPECT_EQ(translator.systemKey(0, false), (Steps{keyStep(KEY_VOLUMEUP, false)}));
    EXPECT_EQ(translator.systemKey(1, true), (Steps{keyStep(KEY_VOLUMEDOWN, true)}));
    EXPECT_TRUE(translator.systemKey(11, true).empty());
    EXPECT_EQ(translator.releaseEverything(), (Steps{keyStep(KEY_VOLUMEDOWN, false)}));

    EXPECT_EQ(translator.systemApplication("missionControl"),
              (Steps{keyStep(KEY_LEFTMETA, true), keyStep(KEY_LEFTMETA, false)}));
    EXPECT_EQ(translator.systemApplication("screenshot"),
              (Steps{keyStep(KEY_SYSRQ, true), keyStep(KEY_SYSRQ, false)}));
    EXPECT_TRUE(translator.systemApplication("calculator").empty());
}

TEST(InputTranslation, AbsolutePointsOverTwoDisplays) {
    const QList<OVDisplayInfo> displays = twoDisplays();
    EXPECT_EQ(OVDevicePixelPoint({0, 0}, displays), QPoint(0, 0));
    EXPECT_EQ(OVDevicePixelPoint({640, 400}, displays), QPoint(1280, 800));
    EXPECT_EQ(OVDevicePixelPoint({640.7, 400.2}, displays), QPoint(1281, 800));
    EXPECT_EQ(OVDevicePixelPoint({1279.9, 799.9}, displays), QPoint(2559, 1599));
    EXPECT_EQ(OVDevicePixelPoint({2560 + 100, 50}, displays), QPoint(2660, 50));
    // Off every display: onto the nearest one's edge.
    EXPECT_EQ(OVDevicePixelPoint({5000, 500}, displays), QPoint(2560 + 1919, 500));
    EXPECT_EQ(OVDevicePixelPoint({-10, -10}, displays), QPoint(0, 0));
    EXPECT_EQ(OVDevicePixelBounds(displays), QRect(0, 0, 4480, 1600));

    // A display left of the main one moves the desktop's origin.
    OVDisplayInfo left;
    left.bounds = QRectF(-1920, 200, 1920, 1080);
    left.pixelSize = QSize(1920, 1080);
    const QList<OVDisplayInfo> three = displays + QList<OVDisplayInfo>{left};
    EXPECT_EQ(OVDevicePixelBounds(three), QRect(-1920, 0, 6400, 1600));
    EXPECT_EQ(OVDevicePixelPoint({-1, 300}, three), QPoint(-1, 300));
    EXPECT_EQ(OVDevicePixelPoint({10.5, 10.5}, {}), QPoint(10, 10));
}

namespace {

// Sends the keyboard's keys and text through the translator with a compiled keymap, as the
// Linux backends do, and keeps the steps.
class TranslatingPoster : public OVRecordingEventPoster {
  public:
    explicit TranslatingPoster(const OVKeymap& keymap) : _keymap(keymap) {
        _translator.setKeymapSource([this] { return &_keymap; });
    }
    void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override {
        append(_translator.key(keyCode, down, flags));
    }
    void postText(const QString& text, std::uint64_t flags) override {
        std::vector<OVKeyStroke> strokes;
        EXPECT_TRUE(OVStrokesForText(_keymap, text, strokes)) << text.toStdString();
        append(_translator.keyStrokes(strokes, flags));
    }
    Steps take() { return std::exchange(_steps, {}); }

  private:
    void append(const Steps& steps) { _steps.insert(_steps.end(), steps.begin(), steps.end()); }
    const OVKeymap& _keymap;
    OVInputTranslator _translator;
    Steps _steps;
};

class KeyboardThroughTheTranslator : public ::testing::Test {
  protected:
    void useLayout(const QString& layout) {
        keymap = OVKeymap::compile({{}, layout, {}, {}});
        ASSERT_TRUE(keymap);
        poster = std::make_unique<TranslatingPoster>(*keymap);
        platform.poster = poster.get();
        platform.shortcutModifierFlag = OVEventFlagControl;  // as on Linux
        services.setPlatform(&platform);
    }
    void press(const QString& action) { model.keyPressed(OVTestKeyWithAction(model, action)); }
    void type(const QString& text) { model.keyPressed(OVTestKeyWithText(model, text)); }

    OVServicesGuard services;
    OVAssembledPlatform platform;
    std::unique_ptr<OVKeymap> keymap;
    std::unique_ptr<TranslatingPoster> poster;
    OVTouchKeyboardModel model;
};

}  // namespace

TEST_F(KeyboardThroughTheTranslator, ShortcutsTextAndCaseOnUSAndFrench) {
    useLayout("us");
    press("copy");
    EXPECT_EQ(poster->take(), (Steps{keyStep(KEY_LEFTCTRL, true), keyStep(KEY_C, true),
                                     keyStep(KEY_C, false), keyStep(KEY_LEFTCTRL, false)}));
    // Caps lock and shift cancel: a lower-case a, and no Shift around it.
    press("caps");
    press("shift");
    type("a");
    EXPECT_EQ(poster->take(), (Steps{keyStep(KEY_A, true), keyStep(KEY_A, false)}));

    useLayout("fr");
    press("undo");  // the key that types z
    EXPECT_EQ(poster->take(), (Steps{keyStep(KEY_LEFTCTRL, true), keyStep(KEY_W, true),
                                     keyStep(KEY_W, false), keyStep(KEY_LEFTCTRL, false)}));
    press("control");
    type("a");
    EXPECT_EQ(poster->take(), (Steps{keyStep(KEY_LEFTCTRL, true), keyStep(KEY_Q, true),
                                     keyStep(KEY_Q, false), keyStep(KEY_LEFTCTRL, false)}));
    // "opt" then "é": the character alone, without Alt that would fire a menu mnemonic.
    press("symbols");
    press("option");
    type(QString::fromUtf8("é"));
    EXPECT_EQ(poster->take(), (Steps{keyStep(KEY_2, true), keyStep(KEY_2, false)}));
}
