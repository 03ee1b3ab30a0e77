#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the status menu shows: its titles, states and the profile submenu, computed from the
// program's state by one pure function, so that the menu's rules are tested without a menu.

struct OVStatusMenuProfileItem {
    enum class Kind { Profile, Separator, AutomaticSwitching };
    Kind kind = Kind::Profile;
    QString title;
    // The profile a Profile item selects (its represented object).
    QString profileName;
    // Shown in the on state (the active profile; automatic switching when it is on).
    bool checked = false;

    bool operator==(const OVStatusMenuProfileItem&) const = default;
};

struct OVStatusMenuState {
    QString statusTitle;
    QString toggleTitle;
    bool toggleEnabled = true;
    QString keyboardTitle;
    bool keyboardEnabled = true;
    QString profileTitle;
    bool profileEnabled = true;
    bool settingsEnabled = true;
    QList<OVStatusMenuProfileItem> profileItems;
};

// Everything the menu depends on.
struct OVStatusMenuInputs {
    bool updateRequired = false;
    bool setupRequired = false;
    bool sessionRunning = false;
    QString sessionStatusText;
    bool keyboardVisible = false;
    QStringList profileNames;
    QString activeProfileName;
    bool automaticSwitching = false;
};

// The status line before the first refresh.
inline const QString OVStatusMenuStartingTitle = QStringLiteral("Starting...");

// The menu after a refresh: an update required or the first-run compatibility check still due
// block starting touch, the keyboard, the profiles and the settings.
OVStatusMenuState OVStatusMenuStateFor(const OVStatusMenuInputs& inputs);

// The profile submenu: one item per profile name (the active one checked), a separator, then
// "Automatic Switching: On" or "Off" (checked when on).
QList<OVStatusMenuProfileItem> OVStatusProfileMenuItems(const QStringList& profileNames,
                                                        const QString& activeProfileName,
                                                        bool automaticSwitching);
