#pragma once

#include <QList>
#include <QPair>
#include <QRect>
#include <QString>
#include <cstdint>

#include "platform/display_services.h"

// A screen as Qt describes it: its output name, the identity its EDID gives, its geometry in
// logical pixels and its device pixel ratio.
struct OVScreenDescription {
    QString name;
    QString manufacturer;
    QString model;
    QString serialNumber;
    QRect geometry;
    double devicePixelRatio = 1.0;
    bool primary = false;
};

// A display's ID: a stable hash of its EDID identity (manufacturer, model, serial number), or of
// its output name when the EDID says nothing; never 0.
std::uint32_t OVDisplayIDForScreen(const OVScreenDescription& screen);

// The displays of a set of screens, the main one first. Screens that share an EDID identity
// (identical monitors without serial numbers) have their output names added to it, so that each
// keeps an ID of its own.
QList<OVDisplayInfo> OVDisplayInfosForScreens(const QList<OVScreenDescription>& screens);

// What changed from one display list to the next, display by display, as reconfiguration flags:
// added, removed, moved, a new mode (size or density), a new main display; the desktop's shape
// when the displays' union changed.
QList<QPair<std::uint32_t, std::uint32_t>> OVDisplayChanges(const QList<OVDisplayInfo>& before,
                                                            const QList<OVDisplayInfo>& after);
