#include "platform/linux/input_translation.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/virtual_keys.h"

namespace {

enum class ButtonChange { Press, Release, None };

struct MouseAction {
    bool known = false;
    int code = 0;  // 0: the event moves only
    ButtonChange change = ButtonChange::None;
};

int buttonCodeForNumber(int button) {
    switch (button) {
        case 0:
            return BTN_LEFT;
        case 1:
            return BTN_RIGHT;
        case 2:
            return BTN_MIDDLE;
        default:
            return 0;  // the pointer has three buttons
    }
}

// Event type numbers: 1/2/6 left down/up/dragged, 3/4/7 right, 25/26/27 other, 5 moved.
MouseAction mouseActionFor(int type, int button) {
    switch (type) {
        case 1:
            return {true, BTN_LEFT, ButtonChange::Press};
        case 2:
            return {true, BTN_LEFT, ButtonChange::Release};
        case 6:
            return {true, BTN_LEFT, ButtonChange::None};
        case 3:
            return {true, BTN_RIGHT, ButtonChange::Press};
        case 4:
            return {true, BTN_RIGHT, ButtonChange::Release};
        case 7:
            return {true, BTN_RIGHT, ButtonChange::None};
        case 25:
            return {true, buttonCodeForNumber(button), ButtonChange::Press};
        case 26:
            return {true, buttonCodeForNumber(button), ButtonChange::Release};
        case 27:
            return {true, buttonCodeForNumber(button), ButtonChange::None};
        case 5:
            return {true, 0, ButtonChange::None};
        default:
            return {};
    }
}

unsigned bitOf(OVModifierKey modifier) {
    return 1u << unsigned(modifier);
}

unsigned buttonBit(int code) {
    return 1u << unsigned(code - BTN_LEFT);
}

const OVDisplayInfo* displayForPoint(QPointF point, const QList<OVDisplayInfo>& displays) {
    const OVDisplayInfo* nearest = nullptr;
    double nearestDistance = 0.0;
    for (const OVDisplayInfo& display : displays) {
        const QRectF& r = display.bounds;
        if (point.x() >= r.left() && point.x() < r.right() && point.y() >= r.top() &&
            point.y() < r.bottom()) {
            return &display;
        }
        const double dx = std::max({r.left() - point.x(), 0.0, point.x() - r.right()});
        const double dy = std::max({r.top() - point.y(), 0.0, point.y() - r.bottom()});
        const double distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = &display;
            nearestDistance = distance;
        }
    }
    return nearest;
}

int scaledOffset(double offset, double logicalLength, int pixelLength) {
    const double scale = logicalLength > 0.0 ? pixelLength / logicalLength : 1.0;
    const int pixels = int(std::floor(offset * scale));
    return std::clamp(pixels, 0, std::max(pixelLength - 1, 0));
}

}  // namespace

OVInputStep OVInputStep::move(QPoint position) {
    OVInputStep step;
    step.kind = Kind::Move;
    step.position = position;
    return step;
}

OVInputStep OVInputStep::button(int code, bool press) {
    OVInputStep step;
    step.kind = Kind::Button;
    step.code = code;
    step.press = press;
    return step;
}

OVInputStep OVInputStep::key(int code, bool press) {
    OVInputStep step;
    step.kind = Kind::Key;
    step.code = code;
    step.press = press;
    return step;
}

QPoint OVDevicePixelPoint(QPointF logical, const QList<OVDisplayInfo>& displays) {
    const OVDisplayInfo* display = displayForPoint(logical, displays);
    if (!display) {
        return QPoint(int(std::floor(logical.x())), int(std::floor(logical.y())));
    }
    // A display keeps its origin in device pixels; only its extent is scaled.
    const QRectF& bounds = display->bounds;
    const int x =
        scaledOffset(logical.x() - bounds.left(), bounds.width(), display->pixelSize.width());
    const int y =
        scaledOffset(logical.y() - bounds.top(), bounds.height(), display->pixelSize.height());
    return QPoint(int(std::floor(bounds.left())) + x, int(std::floor(bounds.top())) + y);
}

QRect OVDevicePixelBounds(const QList<OVDisplayInfo>& displays) {
    QRect united;
    for (const OVDisplayInfo& display : displays) {
        const QPoint origin(int(std::floor(display.bounds.left())),
                            int(std::floor(display.bounds.top())));
        united = united.united(QRect(origin, display.pixelSize));
    }
    return united;
}

int OVWheelAccumulator::addUnits(int units) {
    if ((units > 0 && _units < 0) || (units < 0 && _units > 0)) {
        _units = 0;
    }
    _units += units;
    const int detents = _units / OVWheelUnitsPerDetent;
    _units -= detents * OVWheelUnitsPerDetent;
    return detents;
}

OVInputTranslator::OVInputTranslator(double wheelUnitsPerPixel)
    : _wheelUnitsPerPixel(wheelUnitsPerPixel) {}

OVInputTranslator::ModifierSet OVInputTranslator::modifiersOfFlags(std::uint64_t flags) {
    ModifierSet set = 0;
    for (OVModifierKey modifier : OVModifierPressOrder) {
        if (flags & OVFlagMaskForModifier(modifier)) {
            set |= bitOf(modifier);
        }
    }
    return set;
}

OVInputTranslator::ModifierSet OVInputTranslator::explicitModifiers() const {
    ModifierSet set = 0;
    for (int code : _heldKeys) {
        if (const auto modifier = OVModifierForEvdevCode(code)) {
            set |= bitOf(*modifier);
        }
    }
    return set;
}

OVInputTranslator::ModifierSet OVInputTranslator::releasableModifiers() const {
    return _magnifyHoldsControl ? ~bitOf(OVModifierKey::Control) : ~0u;
}

void OVInputTranslator::pressModifiers(ModifierSet wanted, OVInputSteps& steps) {
    const ModifierSet held = explicitModifiers() | _syntheticModifiers;
    for (OVModifierKey modifier : OVModifierPressOrder) {
        if ((wanted & bitOf(modifier)) && !(held & bitOf(modifier))) {
            steps.push_back(OVInputStep::key(OVEvdevCodeForModifier(modifier), true));
            _syntheticModifiers |= bitOf(modifier);
        }
    }
}

void OVInputTranslator::releaseModifiers(ModifierSet unwanted, OVInputSteps& steps) {
    for (auto it = std::rbegin(OVModifierPressOrder); it != std::rend(OVModifierPressOrder); ++it) {
        if ((unwanted & bitOf(*it)) && (_syntheticModifiers & bitOf(*it))) {
            steps.push_back(OVInputStep::key(OVEvdevCodeForModifier(*it), false));
            _syntheticModifiers &= ~bitOf(*it);
        }
    }
}

bool OVInputTranslator::isButtonHeld(int code) const {
    return code >= BTN_LEFT && code <= BTN_MIDDLE && (_heldButtons & buttonBit(code));
}

OVInputSteps OVInputTranslator::mouseEvent(int type, int button, QPoint at, std::uint64_t flags) {
    const MouseAction action = mouseActionFor(type, button);
    OVInputSteps steps;
    if (!action.known) {
        return steps;
    }
    const ModifierSet wanted = modifiersOfFlags(flags);
    const ModifierSet releasable = releasableModifiers();
    const bool dragging = action.change == ButtonChange::None && _heldButtons != 0;
    if (action.change == ButtonChange::Press || dragging) {
        // Modifiers stay down from a press to its release, as the flags of each event say.
        releaseModifiers(_syntheticModifiers & ~wanted & releasable, steps);
        pressModifiers(wanted, steps);
    } else if (action.change == ButtonChange::None) {
        releaseModifiers(_syntheticModifiers & releasable, steps);  // a plain move holds nothing
    } else {
        pressModifiers(wanted, steps);
    }

    steps.push_back(OVInputStep::move(at));

    if (action.code != 0 && action.change == ButtonChange::Press && !isButtonHeld(action.code)) {
        steps.push_back(OVInputStep::button(action.code, true));
        _heldButtons |= buttonBit(action.code);
    } else if (action.code != 0 && action.change == ButtonChange::Release &&
               isButtonHeld(action.code)) {
        steps.push_back(OVInputStep::button(action.code, false));
        _heldButtons &= ~buttonBit(action.code);
    }
    if (action.change == ButtonChange::Release && _heldButtons == 0) {
        releaseModifiers(_syntheticModifiers & releasable, steps);
    }
    return steps;
}

OVInputSteps OVInputTranslator::wheelStep(double verticalUnits, double horizontalUnits,
                                          bool forMagnify) {
    OVInputSteps steps;
    int vertical = 0;
    int horizontal = 0;
    if (forMagnify) {
        const double total = verticalUnits + _magnifyRemainder;
        vertical = int(std::lround(total));
        _magnifyRemainder = total - vertical;
    } else {
        const double totalV = verticalUnits + _verticalRemainder;
        const double totalH = horizontalUnits + _horizontalRemainder;
        vertical = int(std::lround(totalV));
        horizontal = int(std::lround(totalH));
        _verticalRemainder = totalV - vertical;
        _horizontalRemainder = totalH - horizontal;
    }
    if (vertical == 0 && horizontal == 0) {
        return steps;
    }
    OVInputStep step;
    step.kind = OVInputStep::Kind::Wheel;
    step.verticalUnits = vertical;
    step.horizontalUnits = horizontal;
    OVWheelAccumulator& verticalSum = forMagnify ? _magnifyDetents : _verticalDetents;
    step.verticalDetents = vertical != 0 ? verticalSum.addUnits(vertical) : 0;
    step.horizontalDetents = horizontal != 0 ? _horizontalDetents.addUnits(horizontal) : 0;
    steps.push_back(step);
    return steps;
}

OVInputSteps OVInputTranslator::scrollWheel(std::int32_t deltaY, std::int32_t deltaX,
                                            std::uint64_t flags) {
    // Pixel deltas count up and left as positive; the horizontal wheel counts right.
    OVInputSteps wheel =
        wheelStep(deltaY * _wheelUnitsPerPixel, -deltaX * _wheelUnitsPerPixel, false);
    if (wheel.empty()) {
        return wheel;
    }
    OVInputSteps steps;
    const ModifierSet around = modifiersOfFlags(flags) & ~_syntheticModifiers;
    pressModifiers(around, steps);
    steps.insert(steps.end(), wheel.begin(), wheel.end());
    releaseModifiers(around, steps);
    return steps;
}

OVInputSteps OVInputTranslator::magnify(double amount, std::int64_t phase, QPoint at) {
    constexpr std::int64_t kPhaseBegan = 1;
    constexpr std::int64_t kPhaseEnded = 4;
    constexpr std::int64_t kPhaseCancelled = 8;
    OVInputSteps steps;
    const bool ending = phase == kPhaseEnded || phase == kPhaseCancelled;
    if (phase == kPhaseBegan) {
        steps.push_back(OVInputStep::move(at));  // applications zoom around the pointer
        _magnifyRemainder = 0.0;
        _magnifyDetents.reset();
    }
    if (!_magnifyHoldsControl && !ending) {
        const ModifierSet held = explicitModifiers() | _syntheticModifiers;
        if (!(held & bitOf(OVModifierKey::Control))) {
            steps.push_back(OVInputStep::key(OVEvdevCodeForModifier(OVModifierKey::Control), true));
            _magnifyHoldsControl = true;
        }
    }
    if (amount != 0.0) {
        const OVInputSteps wheel = wheelStep(amount * OVWheelUnitsPerMagnification, 0.0, true);
        steps.insert(steps.end(), wheel.begin(), wheel.end());
    }
    if (ending) {
        if (_magnifyHoldsControl) {
            steps.push_back(
                OVInputStep::key(OVEvdevCodeForModifier(OVModifierKey::Control), false));
            _magnifyHoldsControl = false;
        }
        _magnifyRemainder = 0.0;
        _magnifyDetents.reset();
    }
    return steps;
}

int OVInputTranslator::evdevCodeForVirtualKey(std::uint16_t virtualKey) const {
    const int code = OVEvdevCodeForVirtualKey(virtualKey);
    const std::optional<char32_t> character = OVCharacterForVirtualKey(virtualKey);
    const OVKeymap* keymap = character && _keymap ? _keymap() : nullptr;
    return keymap ? keymap->shortcutKeyForCharacter(*character).value_or(code) : code;
}

OVInputSteps OVInputTranslator::key(std::uint16_t virtualKey, bool down, std::uint64_t flags) {
    if (!down) {
        return keyUp(virtualKey);
    }
    OVInputSteps steps;
    const int code = evdevCodeForVirtualKey(virtualKey);
    if (code < 0) {
        return steps;
    }
    const auto modifier = OVModifierForEvdevCode(code);
    if (modifier && code == OVEvdevCodeForModifier(*modifier) &&
        (_syntheticModifiers & bitOf(*modifier))) {
        // Already down for the flags of an earlier event: from now on the caller holds it.
        _syntheticModifiers &= ~bitOf(*modifier);
        _heldKeys.push_back(code);
        return steps;
    }
    // The flags' modifiers go down before the key and up after it.
    const ModifierSet before = _syntheticModifiers;
    pressModifiers(modifiersOfFlags(flags) & ~(modifier ? bitOf(*modifier) : 0u), steps);
    const auto held = std::find(_heldKeys.begin(), _heldKeys.end(), code);
    if (held != _heldKeys.end()) {
        steps.push_back(OVInputStep::key(code, false));  // a repeat is a fresh press
    } else {
        _heldKeys.push_back(code);
    }
    steps.push_back(OVInputStep::key(code, true));
    const auto record =
        std::find_if(_virtualKeysDown.begin(), _virtualKeysDown.end(),
                     [&](const VirtualKeyDown& key) { return key.virtualKey == virtualKey; });
    if (record != _virtualKeysDown.end()) {
        record->code = code;
        record->modifiers |= _syntheticModifiers & ~before;
    } else {
        _virtualKeysDown.push_back({virtualKey, code, _syntheticModifiers & ~before});
    }
    return steps;
}

OVInputSteps OVInputTranslator::keyUp(std::uint16_t virtualKey) {
    OVInputSteps steps;
    int code = OVEvdevCodeForVirtualKey(virtualKey);
    ModifierSet modifiers = 0;
    const auto down =
        std::find_if(_virtualKeysDown.begin(), _virtualKeysDown.end(),
                     [&](const VirtualKeyDown& key) { return key.virtualKey == virtualKey; });
    if (down != _virtualKeysDown.end()) {
        code = down->code;  // as it went down, even when the layout changed since
        modifiers = down->modifiers;
        _virtualKeysDown.erase(down);
    }
    const auto held = std::find(_heldKeys.begin(), _heldKeys.end(), code);
    if (held != _heldKeys.end()) {
        _heldKeys.erase(held);
        steps.push_back(OVInputStep::key(code, false));
    }
    releaseModifiers(modifiers, steps);
    return steps;
}

void OVInputTranslator::tapKey(int code, OVInputSteps& steps) {
    steps.push_back(OVInputStep::key(code, true));
    steps.push_back(OVInputStep::key(code, false));
}

OVInputSteps OVInputTranslator::keyStrokes(const std::vector<OVKeyStroke>& strokes,
                                           std::uint64_t flags) {
    OVInputSteps steps;
    for (const OVKeyStroke& stroke : strokes) {
        const ModifierSet wanted =
            modifiersOfFlags(flags) | (stroke.shift ? bitOf(OVModifierKey::Shift) : 0u);
        const ModifierSet around = wanted & ~_syntheticModifiers;
        pressModifiers(around, steps);
        if (stroke.levelKey != 0) {
            steps.push_back(OVInputStep::key(stroke.levelKey, true));
        }
        tapKey(stroke.code, steps);
        if (stroke.levelKey != 0) {
            steps.push_back(OVInputStep::key(stroke.levelKey, false));
        }
        releaseModifiers(around, steps);
    }
    return steps;
}

OVInputSteps OVInputTranslator::systemKey(int key, bool down) {
    OVInputSteps steps;
    const int code = OVEvdevCodeForSystemKey(key);
    if (code < 0) {
        return steps;
    }
    const auto held = std::find(_heldKeys.begin(), _heldKeys.end(), code);
    if (down) {
        if (held != _heldKeys.end()) {
            steps.push_back(OVInputStep::key(code, false));
        } else {
            _heldKeys.push_back(code);
        }
        steps.push_back(OVInputStep::key(code, true));
    } else if (held != _heldKeys.end()) {
        _heldKeys.erase(held);
        steps.push_back(OVInputStep::key(code, false));
    }
    return steps;
}

OVInputSteps OVInputTranslator::warp(QPoint to) {
    return {OVInputStep::move(to)};
}

OVInputSteps OVInputTranslator::systemApplication(const QString& name) {
    OVInputSteps steps;
    if (name == QLatin1String("missionControl")) {
        tapKey(KEY_LEFTMETA, steps);  // the activities overview or launcher
    } else if (name == QLatin1String("screenshot")) {
        tapKey(KEY_SYSRQ, steps);  // the Print key opens the screenshot tool
    }
    return steps;
}

OVInputSteps OVInputTranslator::releaseEverything() {
    OVInputSteps steps;
    for (int code = BTN_LEFT; code <= BTN_MIDDLE; ++code) {
        if (isButtonHeld(code)) {
            steps.push_back(OVInputStep::button(code, false));
        }
    }
    _heldButtons = 0;
    for (auto it = _heldKeys.rbegin(); it != _heldKeys.rend(); ++it) {
        steps.push_back(OVInputStep::key(*it, false));
    }
    _heldKeys.clear();
    _virtualKeysDown.clear();
    if (_magnifyHoldsControl) {
        steps.push_back(OVInputStep::key(OVEvdevCodeForModifier(OVModifierKey::Control), false));
        _magnifyHoldsControl = false;
    }
    releaseModifiers(~0u, steps);
    return steps;
}
