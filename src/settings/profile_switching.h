#pragma once

#include <QString>
#include <QVariant>
#include <optional>

#include "platform/workspace.h"

// Automatic profile switching: a profile whose name matches the frontmost application's name
// becomes active, and Default returns for applications without one.

// The first profile name, in the order of OVSettingsProfileNames() and skipping Default, that
// matches `applicationName`: both trimmed, they are equal ignoring case, or one contains the
// other ignoring case. The name is returned as stored (untrimmed). Nothing for a blank
// application name or when no profile matches.
std::optional<QString> OVSettingsProfileNameMatchingApplicationName(const QString& applicationName);

// The reaction to another application coming to the front, for the workspace callback. With
// automatic switching on, and unless the application is this program itself (`ownIdentifier`,
// when it is not empty), the matching profile or else Default becomes active. Only an actual
// change is stored and announced. Returns true when the active profile changed.
bool OVFrontmostApplicationChanged(const QString& bundleIdentifier, const QString& localizedName,
                                   const QString& ownIdentifier);
bool OVFrontmostApplicationChanged(const OVApplicationInfo& application,
                                   const QString& ownIdentifier);

// The "Automatic Switching" menu item: flips the preference (which announces the change).
void OVToggleAutomaticProfileSwitching();

// A profile menu item: its represented object, when it is a non-empty string, becomes the active
// profile. A manual choice lasts until the next application activation switches.
void OVSelectProfileFromMenu(const QVariant& representedObject);
