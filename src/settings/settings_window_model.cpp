#include "settings/settings_window_model.h"

#include <QVariantMap>

#include "settings/profiles.h"

namespace {

const QString kAuto = QStringLiteral("auto");

bool isScrollingAction(std::int64_t action) {
    return action == OVMouseActionScroll || action == OVMouseActionScrollAndPinch;
}

OVPopupItem taggedItem(const QString& title, int tag) {
    OVPopupItem item;
    item.title = title;
    item.tag = tag;
    return item;
}

OVPopupItem representedItem(const QString& title, const QVariant& represented) {
    OVPopupItem item;
    item.title = title;
    item.representedObject = represented;
    return item;
}

OVPopupItem commandItem(const QString& title, OVProfilePopupCommand command) {
    OVPopupItem item;
    item.title = title;
    item.command = command;
    return item;
}

int indexOfTag(const QList<OVPopupItem>& items, std::int64_t tag) {
    for (qsizetype index = 0; index < items.size(); ++index) {
        if (!items.at(index).separator && items.at(index).tag == tag) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

}  // namespace

OVPopupModel OVDevicePopupModel(const QVariantList& candidates, const QString& selection) {
    OVPopupModel model;
    model.items.append(representedItem(QStringLiteral("Auto"), kAuto));
    if (!candidates.isEmpty()) {
        model.items.append(OVPopupItem::separatorItem());
    }
    for (const QVariant& candidate : candidates) {
        const QVariantMap record = candidate.toMap();
        QString title = record.value(QStringLiteral("title")).toString();
        if (!record.value(QStringLiteral("supported")).toBool()) {
            title += QStringLiteral(" - possible");
        }
        const QString signature = record.value(QStringLiteral("signature")).toString();
        model.items.append(representedItem(title, signature));
        if (model.selectedIndex < 0 && selection != kAuto && signature == selection) {
            model.selectedIndex = static_cast<int>(model.items.size() - 1);
        }
    }
    if (selection == kAuto || selection.isEmpty()) {
        model.selectedIndex = 0;
    } else if (model.selectedIndex < 0) {
        model.items.append(OVPopupItem::separatorItem());
        OVPopupItem missing =
            representedItem(QStringLiteral("Selected device not connected"), selection);
        missing.enabled = false;
        model.items.append(missing);
        model.selectedIndex = static_cast<int>(model.items.size() - 1);
    }
    return model;
}

OVPopupModel OVDisplayPopupModel(const QVariantList& options, const QString& selection) {
    OVPopupModel model;
    for (const QVariant& option : options) {
        const QVariantMap entry = option.toMap();
        const QString value = entry.value(QStringLiteral("value")).toString();
        model.items.append(representedItem(entry.value(QStringLiteral("title")).toString(), value));
        if (model.selectedIndex < 0 && value == selection) {
            model.selectedIndex = static_cast<int>(model.items.size() - 1);
        }
    }
    if (model.selectedIndex < 0 && !model.items.isEmpty()) {
        model.selectedIndex = 0;
    }
    return model;
}

OVPopupModel OVProfilePopupModel(const QStringList& names, const QString& activeName,
                                 bool automaticSwitching) {
    OVPopupModel model;
    for (const QString& name : names) {
        model.items.append(representedItem(name, name));
        if (name == activeName) {
            model.selectedIndex = static_cast<int>(model.items.size() - 1);
        }
    }
    model.items.append(OVPopupItem::separatorItem());
    model.items.append(
        commandItem(QStringLiteral("Save Current as..."), OVProfilePopupCommand::SaveCurrent));
    OVPopupItem remove =
        commandItem(QStringLiteral("Remove Current"), OVProfilePopupCommand::RemoveCurrent);
    remove.enabled = activeName != OVDefaultProfileName;
    model.items.append(remove);
    model.items.append(OVPopupItem::separatorItem());
    OVPopupItem automatic =
        commandItem(QStringLiteral("Automatic Switching: %1")
                        .arg(automaticSwitching ? QStringLiteral("On") : QStringLiteral("Off")),
                    OVProfilePopupCommand::ToggleAutomatic);
    automatic.checked = automaticSwitching;
    model.items.append(automatic);
    return model;
}

OVPopupModel OVProfilePopupModel() {
    return OVProfilePopupModel(OVSettingsProfileNames(), OVActiveSettingsProfileName(),
                               OVAutomaticProfileSwitchingEnabled());
}

OVPopupModel OVMousePopupModelForInput(const QString& input) {
    OVPopupModel model;
    model.items = {
        taggedItem(QStringLiteral("None"), OVMouseActionNone),
        taggedItem(QStringLiteral("Left"), OVMouseActionLeft),
        taggedItem(QStringLiteral("Right"), OVMouseActionRight),
        taggedItem(QStringLiteral("Middle"), OVMouseActionMiddle),
        taggedItem(QStringLiteral("Scroll"), OVMouseActionScroll),
    };
    if (input == QLatin1String("finger2")) {
        model.items.append(
            taggedItem(QStringLiteral("Scroll and pinch"), OVMouseActionScrollAndPinch));
    }
    model.selectedIndex = indexOfTag(model.items, OVEffectiveMouseActionForInput(input));
    return model;
}

OVPopupModel OVModifierPopupModelForInput(const QString& input) {
    OVPopupModel model;
    model.items = {
        taggedItem(QStringLiteral("None"), OVKeyboardActionNone),
        taggedItem(QStringLiteral("Shift"), OVKeyboardActionShift),
        taggedItem(QStringLiteral("Control"), OVKeyboardActionControl),
        taggedItem(QStringLiteral("Option"), OVKeyboardActionOption),
        taggedItem(QStringLiteral("Command"), OVKeyboardActionCommand),
        taggedItem(QStringLiteral("Esc"), OVKeyboardActionEsc),
        taggedItem(QStringLiteral("Mission Control"), OVKeyboardActionMissionControl),
        taggedItem(QStringLiteral("Show Keyboard"), OVKeyboardActionShowKeyboard),
        taggedItem(QStringLiteral("Screenshot"), OVKeyboardActionScreenshot),
    };
    const QString label = OVProfileStringForKey(OVKeyComboLabelKey(input));
    model.items.append(taggedItem(label.isEmpty() ? QStringLiteral("Key combo...") : label,
                                  OVKeyboardActionKeyCombo));
    model.selectedIndex = indexOfTag(model.items, OVEffectiveModifierActionForInput(input));
    return model;
}

OVInertiaControlState OVInertiaControlStateForInput(const QString& input) {
    OVInertiaControlState state;
    state.enabled = isScrollingAction(OVEffectiveMouseActionForInput(input));
    state.checked = state.enabled && OVEffectiveInertiaEnabledForInput(input);
    return state;
}

QString OVSelectionValueForRepresentedObject(const QVariant& representedObject) {
    const QString value = representedObject.toString();
    return value.isEmpty() ? kAuto : value;
}

OVMappingChange OVApplyMappingChange(const QString& identifier, int tag) {
    const std::optional<QString> keyboardInput = OVInputFromModifierActionKey(identifier);
    const std::optional<QString> mouseInput = OVInputFromMouseActionKey(identifier);
    if (!keyboardInput && !mouseInput) {
        return OVMappingChange::Ignored;
    }
    if (keyboardInput && tag == OVKeyboardActionKeyCombo) {
        return OVMappingChange::RecordKeyCombo;
    }
    OVSetProfileValueForKey(identifier, QVariant::fromValue<qlonglong>(tag));
    if (mouseInput) {
        OVSetProfileValueForKey(OVInertiaEnabledKey(*mouseInput), isScrollingAction(tag));
    }
    return OVMappingChange::Stored;
}

void OVApplyInertiaEnabled(const QString& input, bool on) {
    OVSetProfileValueForKey(OVInertiaEnabledKey(input), QVariant::fromValue<qlonglong>(on ? 1 : 0));
}
