#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include "keyboard/key_descriptor.h"

// The keyboard panel's measures, in points (logical pixels).
namespace OVKeyboardMetrics {
inline constexpr double PanelWidth = 780.0;
inline constexpr double KeyHeight = 40.0;
inline constexpr double KeyGap = 6.0;        // between keys and between rows
inline constexpr double KeyViewInset = 8.0;  // of the key view inside the panel, each side
inline constexpr double PanelCornerRadius = 18.0;
inline constexpr double KeyCornerRadius = 8.0;
inline constexpr double ScreenMargin = 16.0;  // to the screen's available area when placing
}  // namespace OVKeyboardMetrics

// The panel for `rows` rows: 780 wide, rows × 40 + gaps + the insets tall (286 for six rows, 56
// for one).
QSizeF OVKeyboardPanelSizeForRowCount(unsigned rows);

// The width of one key unit in a key view `keyViewWidth` wide (49 in the 764-wide key view).
double OVKeyboardKeyUnit(double keyViewWidth);

// The frames of the keys, row by row and key by key, in key-view coordinates (y downwards). Rows
// are laid out independently from the left edge; a key taller than one row grows downwards into
// the rows below, and the rows are centred vertically in the key view.
QList<QList<QRect>> OVKeyboardKeyFrames(const OVKeyboardLayout& rows, const QSizeF& keyViewSize);

// The six saved positions, in cycling order.
const QStringList& OVKeyboardPositions();
// A stored position read leniently: "bottom", "top", "left" and "right" are short for
// "bottomCenter", "topCenter", "bottomLeft" and "bottomRight"; anything unknown is "bottomCenter".
QString OVNormalizedKeyboardPosition(const QString& stored);
// The position after `current` in cycling order (after the last comes the first).
QString OVNextKeyboardPosition(const QString& current);

// Where the panel's top-left corner goes for `position` inside a screen's available area, 16
// points from its edges. A panel larger than the area keeps its left and top edges at the margin
// and runs off the right or bottom.
QPoint OVKeyboardOriginForPosition(const QString& position, const QRectF& availableArea,
                                   const QSizeF& panelSize);
