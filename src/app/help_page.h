#pragma once

#include <QString>
#include <QUrl>

// The pages that Help buttons open. Both are local files when the program is installed or runs
// from its build tree, so that help works without a network.

// The help page: ORVETTA_HELP_URL, by default the user guide installed with the documentation.
// When that guide is missing (a moved install, a run from the build tree), the guide beside the
// program (../share/doc/orvetta) or in the source tree stands in.
QUrl OVHelpPageURL();

// The page that explains the permission set-up (the udev rule): the guide installed with the
// program, else the one in the source tree, else the help page. `section` names an anchor
// ("accessibility", "input-monitoring") or is empty.
QUrl OVPermissionHelpURL(const QString& section = QString());
