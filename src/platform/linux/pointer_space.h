#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRect>

#include "platform/display_services.h"

// The coordinate space in which the desktop spreads an absolute pointer device over all screens.
// An X server does it over its screen in device pixels, where each display keeps its origin and
// only its size is scaled. A Wayland compositor does it over its logical layout, the space Qt's
// global coordinates are in when Qt speaks Wayland.
enum class OVPointerSpace { DevicePixels, Logical };

// The space of this session: logical when Qt runs on Wayland (or, without a GUI, the session is
// a Wayland one), else device pixels. An X client of a Wayland desktop counts in XWayland's
// pixels, which are the compositor's logical layout unless X clients are left to scale
// themselves.
OVPointerSpace OVSessionPointerSpace();

// The bounding box of all displays in `space`; a 1 × 1 box when there is no display.
QRect OVPointerArea(const QList<OVDisplayInfo>& displays, OVPointerSpace space);
// Where a point of the global desktop (logical pixels) lies in `space`.
QPoint OVPointerPosition(QPointF at, const QList<OVDisplayInfo>& displays, OVPointerSpace space);
