#include "keyboard/touch_keyboard_model.h"

#include "base/services.h"
#include "keyboard/key_codes.h"
#include "keyboard/keyboard_layouts.h"
#include "platform/event_poster.h"
#include "platform/platform.h"
#include "settings/profiles.h"

namespace {

using Model = OVTouchKeyboardModel;
using Key = OVKeyDescriptor;

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
    return OVKeyboardIconName(key, _state.keyboardMinimized);
}

// Keys that post with the armed modifiers disarm them afterwards. The clipboard and undo keys,
// escape and the character picker use fixed flags and leave the armed modifiers alone (escape and
// the picker still disarm them).
const QHash<QString, OVTouchKeyboardModel::Handler>& OVTouchKeyboardModel::dispatchTable() {
    namespace Code = OVKeyboardKeyCode;
    namespace Flags = OVKeyboardFlags;
    static const QHash<QString, Handler> table{
        {QStringLiteral("text"), [](Model& m, const Key& k) { m.postTextFromDescriptor(k); }},
        {QStringLiteral("shift"),
         [](Model& m, const Key&) { m.toggle(&OVTouchKeyboardState::shiftOn); }},
        {QStringLiteral("caps"),
         [](Model& m, const Key&) { m.toggle(&OVTouchKeyboardState::capsOn); }},
        {QStringLiteral("command"),
         [](Model& m, const Key&) { m.toggle(&OVTouchKeyboardState::commandOn); }},
        {QStringLiteral("option"),
         [](Model& m, const Key&) { m.toggle(&OVTouchKeyboardState::optionOn); }},
        {QStringLiteral("control"),
         [](Model& m, const Key&) { m.toggle(&OVTouchKeyboardState::controlOn); }},
        {QStringLiteral("holdToggle"), [](Model& m, const Key&) { m.toggleHoldMode(); }},
        {QStringLiteral("hide"), [](Model& m, const Key&) { m.hideKeyboard(); }},
        {QStringLiteral("position"), [](Model& m, const Key&) { m.cycleKeyboardPosition(); }},
        {QStringLiteral("keyboardSize"), [](Model& m, const Key&) { m.toggleMinimized(); }},
        {QStringLiteral("symbols"), [](Model& m, const Key&) { m.toggleSymbols(); }},
        {QStringLiteral("backspace"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Delete); }},
        {QStringLiteral("return"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Return); }},
        {QStringLiteral("tab"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Tab); }},
        {QStringLiteral("escape"),
         [](Model& m, const Key&) { m.postKeyThenClear(Code::Escape, 0); }},
        {QStringLiteral("emoji"),
         [](Model& m, const Key&) { m.postKeyThenClear(Code::Space, Flags::ControlCommand); }},
        {QStringLiteral("volumeDown"),
         [](Model& m, const Key&) {
             m.postSystemKey(OVKeyboardMediaKey::VolumeDown);
             m.clearOneShotModifiers();
         }},
        {QStringLiteral("volumeUp"),
         [](Model& m, const Key&) {
             m.postSystemKey(OVKeyboardMediaKey::VolumeUp);
             m.clearOneShotModifiers();
         }},
        {QStringLiteral("missionControl"),
         [](Model& m, const Key&) {
             m.openMissionControl();
             m.clearOneShotModifiers();
         }},
        {QStringLiteral("left"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Left); }},
        {QStringLiteral("right"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Right); }},
        {QStringLiteral("up"), [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Up); }},
        {QStringLiteral("down"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Down); }},
        {QStringLiteral("home"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::Home); }},
        {QStringLiteral("end"),
         [](Model& m, const Key&) { m.postKeyWithArmedModifiers(Code::End); }},
        {QStringLiteral("cut"),
         [](Model& m, const Key&) { m.postKeyCode(Code::X, Flags::Command); }},
        {QStringLiteral("copy"),
         [](Model& m, const Key&) { m.postKeyCode(Code::C, Flags::Command); }},
        {QStringLiteral("paste"),
         [](Model& m, const Key&) { m.postKeyCode(Code::V, Flags::Command); }},
        {QStringLiteral("undo"),
         [](Model& m, const Key&) { m.postKeyCode(Code::Z, Flags::Command); }},
        {QStringLiteral("redo"),
         [](Model& m, const Key&) { m.postKeyCode(Code::Z, Flags::CommandShift); }},
    };
    return table;
}

void OVTouchKeyboardModel::keyPressed(const OVKeyDescriptor& key, const QString& identifier) {
    const Handler handler = dispatchTable().value(OVKeyDispatchAction(key, identifier));
    if (handler) {
        handler(*this, key);
    }
}

std::uint64_t OVTouchKeyboardModel::currentModifierFlags() const {
    std::uint64_t flags = 0;
    if (_state.shiftOn) {
        flags |= OVKeyboardFlags::Shift;
    }
    if (_state.commandOn) {
        flags |= OVKeyboardFlags::Command;
    }
    if (_state.optionOn) {
        flags |= OVKeyboardFlags::Option;
    }
    if (_state.controlOn) {
        flags |= OVKeyboardFlags::Control;
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
    const std::uint64_t flags = currentModifierFlags();
    const std::optional<std::uint16_t> keyCode =
        OVKeyboardKeyCodeForText(keyCodeHint.value_or(text));
    if ((flags & OVKeyboardFlags::ShortcutMask) != 0 && keyCode) {
        postKeyCode(*keyCode, flags);
        clearOneShotModifiers();
        return;
    }
    const QString units = OVTruncatedUTF16(text, maximumTextUnits);
    if (units.isEmpty()) {
        // A key event without text would type whatever key it names; post nothing instead.
        return;
    }
    poster().postText(units, flags);
    clearOneShotModifiers();
}

bool OVTouchKeyboardModel::keyButtonShouldUseHold(const OVKeyDescriptor& key) {
    if (!_state.holdMode) {
        return false;
    }
    if (OVKeyAction(key) == OVKeyActionText && !OVKeyText(key).isEmpty()) {
        return true;
    }
    return holdKeyCodeForDescriptor(key).has_value();
}

void OVTouchKeyboardModel::keyButtonHoldBegan(const OVKeyDescriptor& key) {
    if (_held.heldKeyActive) {
        return;
    }
    if (OVKeyAction(key) == OVKeyActionText) {
        const QString output = outputTextForDescriptor(key);
        if (output.isEmpty()) {
            return;
        }
        _held.heldUsesText = true;
        _held.heldOutputText = output;
        _held.heldKeyCodeHint = OVKeyText(key);
        _held.heldKeyActive = true;
        postHeldInput();
        return;
    }
    if (const std::optional<std::uint16_t> keyCode = holdKeyCodeForDescriptor(key)) {
        _held.heldUsesText = false;
        _held.heldKeyCode = *keyCode;
        _held.heldKeyFlags = currentModifierFlags();
        _held.heldKeyActive = true;
        postHeldInput();
    }
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

std::optional<std::uint16_t> OVTouchKeyboardModel::holdKeyCodeForDescriptor(
    const OVKeyDescriptor& key) const {
    return OVKeyboardHoldKeyCodeForDescriptor(key);
}

void OVTouchKeyboardModel::postHeldInput() {
    if (!_held.heldKeyActive) {
        return;
    }
    if (_held.heldUsesText) {
        // The text keeps the case it had when the hold began; the one-shot modifiers went out
        // with the first post.
        postOutputText(_held.heldOutputText, _held.heldKeyCodeHint);
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

void OVTouchKeyboardModel::postKeyWithArmedModifiers(std::uint16_t keyCode) {
    postKeyThenClear(keyCode, currentModifierFlags());
}

void OVTouchKeyboardModel::postKeyThenClear(std::uint16_t keyCode, std::uint64_t flags) {
    postKeyCode(keyCode, flags);
    clearOneShotModifiers();
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
