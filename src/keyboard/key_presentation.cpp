#include "keyboard/key_presentation.h"

#include <QHash>

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

const QHash<QString, QString>& iconNames() {
    static const QHash<QString, QString> names{
        {QStringLiteral("emoji"), QStringLiteral("emoji")},
        {QStringLiteral("cut"), QStringLiteral("cut")},
        {QStringLiteral("copy"), QStringLiteral("copy")},
        {QStringLiteral("paste"), QStringLiteral("paste")},
        {QStringLiteral("redo"), QStringLiteral("redo")},
        {QStringLiteral("undo"), QStringLiteral("undo")},
        {QStringLiteral("volumeDown"), QStringLiteral("volume-down")},
        {QStringLiteral("volumeUp"), QStringLiteral("volume-up")},
        {QStringLiteral("missionControl"), QStringLiteral("mission-control")},
        {QStringLiteral("position"), QStringLiteral("place")},
        {QStringLiteral("hide"), QStringLiteral("hide")},
        {QStringLiteral("backspace"), QStringLiteral("backspace")},
        {QStringLiteral("tab"), QStringLiteral("tab")},
        {QStringLiteral("caps"), QStringLiteral("caps-lock")},
        {QStringLiteral("return"), QStringLiteral("return")},
        {QStringLiteral("shift"), QStringLiteral("shift")},
        {QStringLiteral("up"), QStringLiteral("arrow-up")},
        {QStringLiteral("down"), QStringLiteral("arrow-down")},
        {QStringLiteral("left"), QStringLiteral("arrow-left")},
        {QStringLiteral("right"), QStringLiteral("arrow-right")},
        {QStringLiteral("home"), QStringLiteral("home")},
        {QStringLiteral("end"), QStringLiteral("end")},
        {QStringLiteral("control"), QStringLiteral("control")},
        {QStringLiteral("option"), QStringLiteral("option")},
        {QStringLiteral("command"), QStringLiteral("command")},
    };
    return names;
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

QString OVKeyboardIconName(const OVKeyDescriptor& key, bool keyboardMinimized) {
    const QString action = OVKeyAction(key);
    if (action == QLatin1String("keyboardSize")) {
        return keyboardMinimized ? QStringLiteral("keyboard-maximize")
                                 : QStringLiteral("keyboard-minimize");
    }
    return iconNames().value(action);
}

OVKeyFont OVKeyboardFont(const OVKeyDescriptor& key) {
    if (OVKeyAction(key) == OVKeyActionText) {
        return {15.0, OVKeyFontWeight::Medium};
    }
    return {10.5, OVKeyFontWeight::Regular};
}

bool OVKeyboardKeyIsActive(const QString& action, const OVTouchKeyboardState& state) {
    return (action == QLatin1String("shift") && state.shiftOn) ||
           (action == QLatin1String("caps") && state.capsOn) ||
           (action == QLatin1String("command") && state.commandOn) ||
           (action == QLatin1String("option") && state.optionOn) ||
           (action == QLatin1String("control") && state.controlOn) ||
           (action == QLatin1String("holdToggle") && state.holdMode);
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
