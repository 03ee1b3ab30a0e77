#pragma once

#include <QString>
#include <QUrl>

// What Help buttons open: by default the user guide, a local file wherever the program runs from,
// so that help works without a network.

// The help page: ORVETTA_HELP_URL, by default the user guide installed with the documentation.
// When that guide is missing (a moved install, a run from the build tree), the guide beside the
// program (../share/doc/orvetta) or in the source tree stands in.
QUrl OVHelpPageURL();

// The guide's section on the permission set-up (the udev rule): `section` names an anchor
// ("accessibility", "input-monitoring"); empty for the whole section.
QUrl OVPermissionHelpURL(const QString& section = QString());
