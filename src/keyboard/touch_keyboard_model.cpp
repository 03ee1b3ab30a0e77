#include "keyboard/touch_keyboard_model.h"

#include "base/modifier_flags.h"
#include "base/services.h"
#include "keyboard/key_codes.h"
#include "keyboard/keyboard_layouts.h"
#include "platform/event_poster.h"
#include "platform/platform.h"
#include "settings/profiles.h"

namespace {

// Text carries its own case and symbol; of the armed modifiers only these travel with it.
constexpr std::uint64_t kFlagsTextCarries = OVEventFlagControl | OVEventFlagCommand;
// The armed modifiers that turn a typed character into a shortcut.
constexpr std::uint64_t kShortcutFlags =
    OVEventFlagCommand | OVEventFlagOption | OVEventFlagControl;

}  // namespace

OVKeyboardLayout OVTouchKeyboardModel::keyboardRows() const {
    return OVKeyboardRowsFor(_state.symbolsOn, _state.keyboardMinimized);
}

QString OVTouchKeyboardModel::displayTitleForDescriptor(const OVKeyDescriptor& key) const {
    return OVKeyboardDisplayTitle(key, _state);
}

QString OVTouchKeyboardModel::outputTextForDescriptor(const OVKeyDescriptor& key) const {
    return OVKeyboardOutputText(key, _state);
}

QString OVTouchKeyboardModel::shiftedTextForText(const QString& text) const {
    return OVKeyboardShiftedText(text, _state);
}

QString OVTouchKeyboardModel::iconNameForDescriptor(const OVKeyDescriptor& key) const {
    return OVKeyboardIconName(key, _state.keyboardMinimized,
                              OVCurrentPlatform().shortcutModifier());
}

void OVTouchKeyboardModel::keyPressed(const OVKeyDescriptor& key, const QString& identifier) {
    const OVKeyboardAction* action = OVKeyboardActionNamed(OVKeyDispatchAction(key, identifier));
    if (!action) {
        return;
    }
    switch (action->kind) {
        case OVKeyActionKind::Text:
            postTextFromDescriptor(key);
            break;
        case OVKeyActionKind::Modifier:
            toggle(action->highlight);
            break;
        case OVKeyActionKind::HoldToggle:
            toggleHoldMode();
            break;
        case OVKeyActionKind::Hide:
            hideKeyboard();
            break;
        case OVKeyActionKind::Position:
            cycleKeyboardPosition();
            break;
        case OVKeyActionKind::KeyboardSize:
            toggleMinimized();
            break;
        case OVKeyActionKind::Symbols:
            toggleSymbols();
            break;
        case OVKeyActionKind::Key: {
            const OVKeyChord chord = chordFor(*action);
            postKeyCode(chord.keyCode, chord.flags);
            clearOneShotModifiers();
            break;
        }
        case OVKeyActionKind::SystemKey:
            postSystemKey(action->code);
            clearOneShotModifiers();
            break;
        case OVKeyActionKind::Overview:
            openMissionControl();
            clearOneShotModifiers();
            break;
    }
}

std::uint64_t OVTouchKeyboardModel::currentModifierFlags() const {
    std::uint64_t flags = 0;
    if (_state.shiftOn) {
        flags |= OVEventFlagShift;
    }
    if (_state.commandOn) {
        flags |= OVEventFlagCommand;
    }
    if (_state.optionOn) {
        flags |= OVEventFlagOption;
    }
    if (_state.controlOn) {
        flags |= OVEventFlagControl;
    }
    return flags;
}

void OVTouchKeyboardModel::clearOneShotModifiers() {
    _state.shiftOn = false;
    _state.commandOn = false;
    _state.optionOn = false;
    _state.controlOn = false;
    refreshModifierButtons();
}

void OVTouchKeyboardModel::postKeyCode(std::uint16_t keyCode, std::uint64_t flags) {
    OVEventPoster& events = poster();
    events.postKey(keyCode, true, flags);
    events.postKey(keyCode, false, flags);
}

void OVTouchKeyboardModel::postSystemKey(int mediaKey) {
    OVEventPoster& events = poster();
    events.postSystemKey(mediaKey, true);
    events.postSystemKey(mediaKey, false);
}

void OVTouchKeyboardModel::openMissionControl() {
    poster().openSystemApplication(QStringLiteral("missionControl"));
}

void OVTouchKeyboardModel::postTextFromDescriptor(const OVKeyDescriptor& key) {
    postOutputText(outputTextForDescriptor(key), OVKeyText(key));
}

void OVTouchKeyboardModel::postOutputText(const QString& text,
                                          const std::optional<QString>& keyCodeHint) {
    if (postText(text, keyCodeHint, currentModifierFlags())) {
        clearOneShotModifiers();
    }
}

bool OVTouchKeyboardModel::postText(const QString& text, const std::optional<QString>& keyCodeHint,
                                    std::uint64_t flags) {
    const std::optional<std::uint16_t> keyCode =
        OVKeyboardKeyCodeForText(keyCodeHint.value_or(text));
    if ((flags & kShortcutFlags) != 0 && keyCode) {
        postKeyCode(*keyCode, flags);
        return true;
    }
    const QString units = OVTruncatedUTF16(text, maximumTextUnits);
    if (units.isEmpty()) {
        // A key event without text would type whatever key it names; post nothing instead.
        return false;
    }
    poster().postText(units, flags & kFlagsTextCarries);
    return true;
}

bool OVTouchKeyboardModel::keyButtonShouldUseHold(const OVKeyDescriptor& key) {
    const OVKeyboardAction* action = OVKeyboardActionNamed(OVKeyAction(key));
    if (!_state.holdMode || !action || !action->holdable) {
        return false;
    }
    return action->kind != OVKeyActionKind::Text || !OVKeyText(key).isEmpty();
}

// A held key posts what its tap posts, at once and on every repeat; the armed modifiers stay
// armed until it is released.
void OVTouchKeyboardModel::keyButtonHoldBegan(const OVKeyDescriptor& key) {
    if (_held.heldKeyActive || !keyButtonShouldUseHold(key)) {
        return;
    }
    const OVKeyboardAction& action = *OVKeyboardActionNamed(OVKeyAction(key));
    OVHeldKey held;
    held.heldKeyActive = true;
    if (action.kind == OVKeyActionKind::Text) {
        held.heldUsesText = true;
        held.heldOutputText = outputTextForDescriptor(key);
        held.heldKeyCodeHint = OVKeyText(key);
        held.heldKeyFlags = currentModifierFlags();
        if (held.heldOutputText.isEmpty()) {
            return;
        }
    } else {
        const OVKeyChord chord = chordFor(action);
        held.heldKeyCode = chord.keyCode;
        held.heldKeyFlags = chord.flags;
    }
    _held = held;
    postHeldInput();
}

void OVTouchKeyboardModel::keyButtonHoldRepeat(const OVKeyDescriptor&) {
    postHeldInput();
}

void OVTouchKeyboardModel::keyButtonHoldEnded(const OVKeyDescriptor&) {
    if (!_held.heldKeyActive) {
        return;
    }
    forgetHeldKey();
    clearOneShotModifiers();
}

double OVTouchKeyboardModel::keyButtonHoldRepeatInterval() {
    return OVProfileDoubleForKey(QStringLiteral("holdRepeatInterval"));
}

void OVTouchKeyboardModel::postHeldInput() {
    if (!_held.heldKeyActive) {
        return;
    }
    if (_held.heldUsesText) {
        postText(_held.heldOutputText, _held.heldKeyCodeHint, _held.heldKeyFlags);
    } else {
        postKeyCode(_held.heldKeyCode, _held.heldKeyFlags);
    }
}

void OVTouchKeyboardModel::releaseHeldKeyIfNeeded() {
    if (_held.heldKeyActive) {
        forgetHeldKey();
    }
}

void OVTouchKeyboardModel::resetForHiding() {
    _state.holdMode = false;
    _state.shiftOn = false;
    _state.commandOn = false;
    _state.optionOn = false;
    _state.controlOn = false;
    _state.keyboardMinimized = false;
}

void OVTouchKeyboardModel::toggle(bool OVTouchKeyboardState::*flag) {
    _state.*flag = !(_state.*flag);
    refreshModifierButtons();
}

OVKeyChord OVTouchKeyboardModel::chordFor(const OVKeyboardAction& action) const {
    return OVKeyboardChordFor(action, currentModifierFlags(),
                              OVCurrentPlatform().shortcutModifier());
}

void OVTouchKeyboardModel::hideKeyboard() {
    if (_panel) {
        _panel->hideKeyboard();
    }
}

void OVTouchKeyboardModel::cycleKeyboardPosition() {
    if (_panel) {
        _panel->cycleKeyboardPosition();
    }
}

void OVTouchKeyboardModel::toggleMinimized() {
    _state.keyboardMinimized = !_state.keyboardMinimized;
    releaseHeldKeyIfNeeded();
    if (_panel) {
        _panel->buildKeys();
        _panel->positionKeyboardAtSavedPosition();
    }
}

void OVTouchKeyboardModel::toggleSymbols() {
    _state.symbolsOn = !_state.symbolsOn;
    _state.shiftOn = false;
    _state.capsOn = false;
    if (_panel) {
        _panel->buildKeys();
    }
}

void OVTouchKeyboardModel::toggleHoldMode() {
    _state.holdMode = !_state.holdMode;
    releaseHeldKeyIfNeeded();
    refreshModifierButtons();
}

void OVTouchKeyboardModel::forgetHeldKey() {
    _held = OVHeldKey{};
}

void OVTouchKeyboardModel::refreshModifierButtons() {
    if (_panel) {
        _panel->refreshModifierButtons();
    }
}

OVEventPoster& OVTouchKeyboardModel::poster() {
    return OVCurrentPlatform().eventPoster();
}
