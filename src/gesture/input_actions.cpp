// What each input is configured to do, read from the active settings profile on every call,
// and the one-shot keyboard actions.

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "base/preferences.h"
#include "base/services.h"
#include "gesture/gesture_constants.h"
#include "gesture/gesture_math.h"
#include "hid/touch_bridge.h"
#include "settings/profiles.h"

std::int64_t OVTouchBridge::mouseActionForInput(const QString& input) const {
    return OVEffectiveMouseActionForInput(input);
}

std::int64_t OVTouchBridge::keyboardActionForInput(const QString& input) const {
    return OVEffectiveModifierActionForInput(input);
}

bool OVTouchBridge::inertiaEnabledForInput(const QString& input) const {
    return OVEffectiveInertiaEnabledForInput(input);
}

std::uint64_t OVTouchBridge::modifierFlagsForInput(const QString& input) const {
    return OVModifierFlagsForKeyboardAction(keyboardActionForInput(input));
}

double OVTouchBridge::scrollScale() const {
    return OVProfileDoubleForKey(QStringLiteral("scrollScale"));
}

bool OVTouchBridge::naturalScroll() const {
    return OVStandardPreferences().boolForKey(QStringLiteral("naturalScroll"));
}

double OVTouchBridge::inertiaDecay() const {
    return OVProfileDoubleForKey(QStringLiteral("inertiaDecay"));
}

double OVTouchBridge::inertiaBoost() const {
    return OVProfileDoubleForKey(QStringLiteral("inertiaBoost"));
}

double OVTouchBridge::touchDelay() const {
    return OVProfileDoubleForKey(QStringLiteral("touchDelay"));
}

double OVTouchBridge::scrollReleaseDelay() const {
    return OVProfileDoubleForKey(QStringLiteral("scrollReleaseDelay"));
}

bool OVTouchBridge::longPressRightClick() const {
    return OVProfileBoolForKey(OVLongPressRightClickKey);
}

void OVTouchBridge::triggerKeyboardActionForInputIfNeeded(const QString& input) {
    if (_keyboardActionInput == input) {
        return;  // fired already during this touch
    }
    triggerKeyboardAction(input, keyboardActionForInput(input));
}

void OVTouchBridge::triggerKeyboardAction(const QString& input, std::int64_t action) {
    if (_keyboardActionInput == input) {
        return;
    }
    switch (action) {
        case OVKeyboardActionEsc:
            postKeyCode(OVKeyCodeEscape, 0);
            break;
        case OVKeyboardActionMissionControl:
            openMissionControl();
            break;
        case OVKeyboardActionShowKeyboard:
            OVDefaultCenter().post(OVTouchKeyboardShowNotification, this);
            break;
        case OVKeyboardActionKeyCombo:
            postKeyComboForInput(input);
            break;
        case OVKeyboardActionScreenshot:
            openScreenshot();
            break;
        default:
            return;  // none, or a modifier that rides on the input's events
    }
    _keyboardActionInput = input;
    _lastKeyboardActionTime = currentTime();
}

double OVTouchBridge::keyboardActionMouseDelayRemaining() const {
    if (_lastKeyboardActionTime <= 0.0) {
        return 0.0;
    }
    const double elapsed = currentTime() - _lastKeyboardActionTime;
    return elapsed < OVKeyboardActionMouseHoldBack ? OVKeyboardActionMouseHoldBack - elapsed : 0.0;
}

void OVTouchBridge::postKeyComboForInput(const QString& input) {
    const std::int64_t keyCode = OVProfileIntegerForKey(OVKeyComboKeyCodeKey(input));
    const auto flags =
        static_cast<std::uint64_t>(OVProfileIntegerForKey(OVKeyComboFlagsKey(input)));
    if (keyCode < 1 && OVProfileStringForKey(OVKeyComboLabelKey(input)).isEmpty()) {
        return;  // nothing recorded (key code 0 with a label is the A key)
    }
    std::uint64_t held = 0;
    for (const OVModifierKey& modifier : OVModifierKeys()) {
        if (flags & modifier.mask) {
            held |= modifier.mask;
            postKeyCode(modifier.keyCode, true, held);
        }
    }
    const auto key = static_cast<std::uint16_t>(keyCode & 0xFFFF);
    postKeyCode(key, true, flags);
    postKeyCode(key, false, flags);
    const auto& modifiers = OVModifierKeys();
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
        if (flags & it->mask) {
            held &= ~it->mask;
            postKeyCode(it->keyCode, false, held);
        }
    }
}
