#pragma once

#include <QList>
#include <QPoint>
#include <QRectF>
#include <QSizeF>
#include <optional>

// The screen a window should go to, by the screens' available areas in the platform's order: the
// largest area (width × height), the earlier screen on a tie; nothing when there are no screens.
std::optional<qsizetype> OVPreferredScreenIndex(const QList<QRectF>& availableAreas);

// The top-left corner that centres a window of `windowSize` in `availableArea`, rounded.
QPoint OVCenteredWindowOrigin(const QRectF& availableArea, const QSizeF& windowSize);
