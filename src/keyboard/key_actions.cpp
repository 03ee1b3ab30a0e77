#include "keyboard/key_actions.h"

#include "base/modifier_flags.h"
#include "keyboard/key_codes.h"

namespace {

using Kind = OVKeyActionKind;
using Flags = OVKeyFlagPolicy;
using State = OVTouchKeyboardState;
namespace Code = OVKeyboardKeyCode;

constexpr QLatin1String kNoIcon{""};

const OVKeyboardAction kActions[] = {
    {QLatin1String("text"), Kind::Text, 0, Flags::Armed, kNoIcon, true, nullptr},
    {QLatin1String("shift"), Kind::Modifier, 0, Flags::None, QLatin1String("shift"), false,
     &State::shiftOn},
    {QLatin1String("caps"), Kind::Modifier, 0, Flags::None, QLatin1String("caps-lock"), false,
     &State::capsOn},
    {QLatin1String("command"), Kind::Modifier, 0, Flags::None, QLatin1String("command"), false,
     &State::commandOn},
    {QLatin1String("option"), Kind::Modifier, 0, Flags::None, QLatin1String("option"), false,
     &State::optionOn},
    {QLatin1String("control"), Kind::Modifier, 0, Flags::None, QLatin1String("control"), false,
     &State::controlOn},
    {QLatin1String("holdToggle"), Kind::HoldToggle, 0, Flags::None, kNoIcon, false,
     &State::holdMode},
    {QLatin1String("hide"), Kind::Hide, 0, Flags::None, QLatin1String("hide"), false, nullptr},
    {QLatin1String("position"), Kind::Position, 0, Flags::None, QLatin1String("place"), false,
     nullptr},
    {QLatin1String("keyboardSize"), Kind::KeyboardSize, 0, Flags::None,
     QLatin1String("keyboard-minimize"), false, nullptr},
    {QLatin1String("symbols"), Kind::Symbols, 0, Flags::None, kNoIcon, false, nullptr},
    {QLatin1String("backspace"), Kind::Key, Code::Delete, Flags::Armed, QLatin1String("backspace"),
     true, nullptr},
    {QLatin1String("return"), Kind::Key, Code::Return, Flags::Armed, QLatin1String("return"), true,
     nullptr},
    {QLatin1String("tab"), Kind::Key, Code::Tab, Flags::Armed, QLatin1String("tab"), true, nullptr},
    {QLatin1String("escape"), Kind::Key, Code::Escape, Flags::None, kNoIcon, true, nullptr},
    {QLatin1String("left"), Kind::Key, Code::Left, Flags::Armed, QLatin1String("arrow-left"), true,
     nullptr},
    {QLatin1String("right"), Kind::Key, Code::Right, Flags::Armed, QLatin1String("arrow-right"),
     true, nullptr},
    {QLatin1String("up"), Kind::Key, Code::Up, Flags::Armed, QLatin1String("arrow-up"), true,
     nullptr},
    {QLatin1String("down"), Kind::Key, Code::Down, Flags::Armed, QLatin1String("arrow-down"), true,
     nullptr},
    {QLatin1String("home"), Kind::Key, Code::Home, Flags::Armed, QLatin1String("home"), true,
     nullptr},
    {QLatin1String("end"), Kind::Key, Code::End, Flags::Armed, QLatin1String("end"), true, nullptr},
    {QLatin1String("cut"), Kind::Key, Code::X, Flags::Shortcut, QLatin1String("cut"), false,
     nullptr},
    {QLatin1String("copy"), Kind::Key, Code::C, Flags::Shortcut, QLatin1String("copy"), false,
     nullptr},
    {QLatin1String("paste"), Kind::Key, Code::V, Flags::Shortcut, QLatin1String("paste"), false,
     nullptr},
    {QLatin1String("undo"), Kind::Key, Code::Z, Flags::Shortcut, QLatin1String("undo"), false,
     nullptr},
    {QLatin1String("redo"), Kind::Key, Code::Z, Flags::ShortcutShift, QLatin1String("redo"), false,
     nullptr},
    {QLatin1String("emoji"), Kind::Key, Code::Period, Flags::EmojiChooser, QLatin1String("emoji"),
     false, nullptr},
    {QLatin1String("volumeDown"), Kind::SystemKey, OVKeyboardMediaKey::VolumeDown, Flags::None,
     QLatin1String("volume-down"), false, nullptr},
    {QLatin1String("volumeUp"), Kind::SystemKey, OVKeyboardMediaKey::VolumeUp, Flags::None,
     QLatin1String("volume-up"), false, nullptr},
    {QLatin1String("missionControl"), Kind::Overview, 0, Flags::None,
     QLatin1String("mission-control"), false, nullptr},
};

}  // namespace

const OVKeyboardAction* OVKeyboardActionNamed(const QString& name) {
    for (const OVKeyboardAction& action : kActions) {
        if (action.name == name) {
            return &action;
        }
    }
    return nullptr;
}

OVKeyChord OVKeyboardChordFor(const OVKeyboardAction& action, std::uint64_t armedFlags,
                              std::uint64_t shortcutModifier) {
    switch (action.flags) {
        case Flags::None:
            return {action.code, 0};
        case Flags::Armed:
            return {action.code, armedFlags};
        case Flags::Shortcut:
            return {action.code, shortcutModifier};
        case Flags::ShortcutShift:
            return {action.code, shortcutModifier | OVEventFlagShift};
        case Flags::EmojiChooser:
            if (shortcutModifier == OVEventFlagCommand) {
                return {Code::Space, OVEventFlagControl | OVEventFlagCommand};
            }
            return {action.code, shortcutModifier};
    }
    return {action.code, 0};
}
