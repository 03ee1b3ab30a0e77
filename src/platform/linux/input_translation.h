#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/display_services.h"
#include "platform/linux/key_codes.h"
#include "platform/linux/xkb_keymap.h"

// One thing a synthetic input device does, in evdev's vocabulary. Each step is one input frame.
struct OVInputStep {
    enum class Kind { Move, Button, Key, Wheel };
    Kind kind = Kind::Move;
    QPoint position;  // Move: device pixels of the whole desktop
    int code = 0;     // Button: BTN_*; Key: KEY_*
    bool press = false;
    // Wheel: high-resolution units (120 a detent; positive is up and right, as REL_WHEEL_HI_RES
    // and REL_HWHEEL_HI_RES count) and the whole detents that became due (REL_WHEEL, REL_HWHEEL).
    int verticalUnits = 0;
    int horizontalUnits = 0;
    int verticalDetents = 0;
    int horizontalDetents = 0;

    static OVInputStep move(QPoint position);
    static OVInputStep button(int code, bool press);
    static OVInputStep key(int code, bool press);
    bool operator==(const OVInputStep&) const = default;
};
using OVInputSteps = std::vector<OVInputStep>;

// High-resolution wheel units of one detent.
inline constexpr int OVWheelUnitsPerDetent = 120;
// Pixels of scrolling → wheel units: 60 pixels a detent unless tuned.
inline constexpr double OVDefaultWheelUnitsPerPixel = 2.0;
// Magnification → Control + wheel: a tenth of magnification a detent.
inline constexpr double OVWheelUnitsPerMagnification = 1200.0;

// Where a point of the global desktop (logical pixels) lies in device pixels: its display's origin
// plus the offset scaled by that display's pixel ratio. Points outside every display count for
// the nearest one and land on its edge.
QPoint OVDevicePixelPoint(QPointF logical, const QList<OVDisplayInfo>& displays);
// The bounding box of all displays in device pixels.
QRect OVDevicePixelBounds(const QList<OVDisplayInfo>& displays);

// Turns wheel units into whole detents: units add up, and a detent is due each time the sum
// passes ±120. Turning the other way starts the sum again.
class OVWheelAccumulator {
  public:
    int addUnits(int units);
    void reset() { _units = 0; }
    int pendingUnits() const { return _units; }

  private:
    int _units = 0;
};

// Turns the event poster's calls (event types, button numbers, flag masks, virtual key codes)
// into input steps. Keeps what the devices hold: buttons, modifier keys, the wheel sums.
// Modifier flags become key presses of the modifiers, in the order Shift, Control, Option,
// Command, released in reverse: from a key's press until its release, around a scroll step, and
// from a button press until its release for mouse events. With a keymap, a virtual key that types a
// character is sent as the key that types that character in the active layout (undo presses the key
// that types "z").
class OVInputTranslator {
  public:
    using KeymapSource = std::function<const OVKeymap*()>;

    explicit OVInputTranslator(double wheelUnitsPerPixel = OVDefaultWheelUnitsPerPixel);
    void setKeymapSource(KeymapSource source) { _keymap = std::move(source); }

    OVInputSteps mouseEvent(int type, int button, QPoint at, std::uint64_t flags);
    OVInputSteps scrollWheel(std::int32_t deltaY, std::int32_t deltaX, std::uint64_t flags);
    OVInputSteps magnify(double amount, std::int64_t phase, QPoint at);
    OVInputSteps key(std::uint16_t virtualKey, bool down, std::uint64_t flags);
    // Types strokes: each key with what it needs held (Shift, the third-level key) and the
    // modifiers of `flags`.
    OVInputSteps keyStrokes(const std::vector<OVKeyStroke>& strokes, std::uint64_t flags);
    OVInputSteps systemKey(int key, bool down);
    OVInputSteps warp(QPoint to);
    // "missionControl" taps Super, "screenshot" taps Print; other names do nothing.
    OVInputSteps systemApplication(const QString& name);
    // Lets go of every button and key this translator holds.
    OVInputSteps releaseEverything();

    double wheelUnitsPerPixel() const { return _wheelUnitsPerPixel; }
    void setWheelUnitsPerPixel(double unitsPerPixel) { _wheelUnitsPerPixel = unitsPerPixel; }
    bool isButtonHeld(int code) const;

  private:
    using ModifierSet = unsigned;

    static ModifierSet modifiersOfFlags(std::uint64_t flags);
    ModifierSet explicitModifiers() const;
    void pressModifiers(ModifierSet wanted, OVInputSteps& steps);
    void releaseModifiers(ModifierSet unwanted, OVInputSteps& steps);
    ModifierSet releasableModifiers() const;
    void tapKey(int code, OVInputSteps& steps);
    int evdevCodeForVirtualKey(std::uint16_t virtualKey) const;
    OVInputSteps keyUp(std::uint16_t virtualKey);
    OVInputSteps wheelStep(double verticalUnits, double horizontalUnits, bool forMagnify);

    double _wheelUnitsPerPixel;
    KeymapSource _keymap;
    // Virtual keys down: the evdev key each was sent as and the modifiers pressed for its flags,
    // which go up after it.
    struct VirtualKeyDown {
        std::uint16_t virtualKey;
        int code;
        unsigned modifiers;
    };
    std::vector<VirtualKeyDown> _virtualKeysDown;
    unsigned _heldButtons = 0;            // bit i: button code BTN_LEFT + i
    std::vector<int> _heldKeys;           // keys the caller pressed, modifiers included
    ModifierSet _syntheticModifiers = 0;  // modifiers pressed here for flags
    bool _magnifyHoldsControl = false;
    double _verticalRemainder = 0.0;
    double _horizontalRemainder = 0.0;
    double _magnifyRemainder = 0.0;
    OVWheelAccumulator _verticalDetents;
    OVWheelAccumulator _horizontalDetents;
    OVWheelAccumulator _magnifyDetents;
};
