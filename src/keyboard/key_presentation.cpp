#include "keyboard/key_presentation.h"

#include "base/modifier_flags.h"
#include "keyboard/key_actions.h"
#include "keyboard/key_codes.h"

namespace {

char32_t firstCodePoint(const QString& text) {
    if (text.size() >= 2 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate()) {
        return QChar::surrogateToUcs4(text.at(0), text.at(1));
    }
    return text.at(0).unicode();
}

bool isSingleCharacter(const QString& text) {
    return text.size() == 1 ||
           (text.size() == 2 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate());
}

}  // namespace

QString OVKeyboardShiftedText(const QString& text, const OVTouchKeyboardState& state) {
    if (text.isEmpty()) {
        return text;
    }
    if (QChar::isLower(firstCodePoint(text))) {
        return state.capsOn != state.shiftOn ? text.toUpper() : text.toLower();
    }
    if (state.shiftOn) {
        if (const std::optional<QString> shifted = OVKeyboardShiftTableEntry(text)) {
            return *shifted;
        }
    }
    return text;
}

QString OVKeyboardDisplayTitle(const OVKeyDescriptor& key, const OVTouchKeyboardState& state) {
    const QString action = OVKeyAction(key);
    if (action == QLatin1String("symbols")) {
        return state.symbolsOn ? QStringLiteral("abc") : QStringLiteral("#+=");
    }
    if (action != OVKeyActionText) {
        return OVKeyTitle(key);
    }
    const QString shiftText = OVKeyShiftText(key);
    if (state.shiftOn && !shiftText.isEmpty()) {
        return shiftText;
    }
    if (state.symbolsOn) {
        return OVKeyTitle(key);
    }
    const QString text = OVKeyText(key);
    if (isSingleCharacter(text) && text != QLatin1String(" ")) {
        return OVKeyboardShiftedText(text, state);
    }
    return OVKeyTitle(key);
}

QString OVKeyboardOutputText(const OVKeyDescriptor& key, const OVTouchKeyboardState& state) {
    const QString shiftText = OVKeyShiftText(key);
    if (state.shiftOn && !shiftText.isEmpty()) {
        return shiftText;
    }
    if (state.symbolsOn) {
        return OVKeyText(key);
    }
    return OVKeyboardShiftedText(OVKeyText(key), state);
}

QString OVKeyboardIconName(const OVKeyDescriptor& key, bool keyboardMinimized,
                           std::uint64_t shortcutModifier) {
    const QString name = OVKeyAction(key);
    const OVKeyboardAction* action = OVKeyboardActionNamed(name);
    if (!action) {
        return QString();
    }
    if (action->kind == OVKeyActionKind::KeyboardSize && keyboardMinimized) {
        return QStringLiteral("keyboard-maximize");
    }
    // Where Control makes the shortcuts, the Command key is the Super key.
    if (name == QLatin1String("command") && shortcutModifier != OVEventFlagCommand) {
        return QStringLiteral("super");
    }
    return action->icon;
}

OVKeyFont OVKeyboardFont(const OVKeyDescriptor& key) {
    if (OVKeyAction(key) == OVKeyActionText) {
        return {15.0, OVKeyFontWeight::Medium};
    }
    return {10.5, OVKeyFontWeight::Regular};
}

bool OVKeyboardKeyIsActive(const QString& action, const OVTouchKeyboardState& state) {
    const OVKeyboardAction* row = OVKeyboardActionNamed(action);
    return row && row->highlight && state.*(row->highlight);
}

OVKeyDressing OVKeyboardDressing(const OVKeyDescriptor& key, const OVTouchKeyboardState& state,
                                 bool hasIcon, bool active) {
    OVKeyDressing dressing;
    dressing.tintWhite = active;
    if (hasIcon) {
        dressing.showsIcon = true;
        dressing.title = QStringLiteral("");
        // The key's title, else its action, else nothing to say.
        const QString title = OVKeyTitle(key);
        dressing.toolTip =
            !title.isEmpty() ? title : key.value(QStringLiteral("action")).toString();
        return dressing;
    }
    dressing.title = OVKeyboardDisplayTitle(key, state);
    return dressing;
}

QString OVTruncatedUTF16(const QString& text, qsizetype maxUnits) {
    if (maxUnits <= 0) {
        return QStringLiteral("");
    }
    if (text.size() <= maxUnits) {
        return text;
    }
    qsizetype length = maxUnits;
    // Cutting between the halves of a surrogate pair would leave half a character.
    if (text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate()) {
        --length;
    }
    return text.left(length);
}
