#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

// What the settings window's pop-ups hold and what its controls do, as functions over the
// preference store, so that the window itself only lays out controls and forwards events.

// What an item of the profile pop-up does when chosen besides selecting the profile it names.
enum class OVProfilePopupCommand { None, SaveCurrent, RemoveCurrent, ToggleAutomatic };

struct OVPopupItem {
    QString title;
    // Device, display and profile items carry their meaning here.
    QVariant representedObject;
    // Mapping items carry their action value here.
    int tag = 0;
    bool separator = false;
    bool enabled = true;
    // Shown with a check mark.
    bool checked = false;
    // The profile pop-up's commands are told apart from profile names by this, never by text.
    OVProfilePopupCommand command = OVProfilePopupCommand::None;

    static OVPopupItem separatorItem() {
        OVPopupItem item;
        item.separator = true;
        return item;
    }
};

struct OVPopupModel {
    QList<OVPopupItem> items;
    // The selected item; -1 for none.
    int selectedIndex = -1;
};

// "Auto", then (after a separator) one item per candidate device record ("title", "supported",
// "signature"); a selected signature that no candidate has is kept as a disabled "Selected device
// not connected" item at the end.
OVPopupModel OVDevicePopupModel(const QVariantList& candidates, const QString& selection);
// One item per display option ("title", "value"); the selected value, else the first item.
OVPopupModel OVDisplayPopupModel(const QVariantList& options, const QString& selection);
// The profile names (the active one selected, each name its item's represented object), then the
// commands Save, Remove (only for a named profile) and the automatic switching toggle.
OVPopupModel OVProfilePopupModel(const QStringList& names, const QString& activeName,
                                 bool automaticSwitching);
// The profile pop-up from the store.
OVPopupModel OVProfilePopupModel();
// None, Left, Right, Middle, Scroll, and Scroll and pinch for finger2 only.
OVPopupModel OVMousePopupModelForInput(const QString& input);
// The keyboard actions, and last the input's recorded combo label or "Key combo...".
OVPopupModel OVModifierPopupModelForInput(const QString& input);

struct OVInertiaControlState {
    bool enabled = false;
    bool checked = false;
};
// Enabled only for a scrolling mouse action; unchecked while disabled.
OVInertiaControlState OVInertiaControlStateForInput(const QString& input);

// The stored device or display selection for a chosen item: its represented object, "auto" when
// that is empty.
QString OVSelectionValueForRepresentedObject(const QVariant& representedObject);

enum class OVMappingChange {
    Stored,
    // The "Key combo..." item: the recorder takes over; nothing was stored.
    RecordKeyCombo,
    // The identifier names no mapping.
    Ignored,
};
// A mapping pop-up chose `tag`: stores it under `identifier`; a mouse action also switches the
// input's inertia on for scrolling actions and off for the others.
OVMappingChange OVApplyMappingChange(const QString& identifier, int tag);
// The inertia check box of `input`.
void OVApplyInertiaEnabled(const QString& input, bool on);
