#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <QVariantList>
#include <array>
#include <cstdint>

// Choosing the display that touches map onto, by the "displaySelection" preference:
// "auto", "primary", "secondary" or "display:<ID>".

inline constexpr int OVMaxActiveDisplays = 32;
using OVDisplayIDBuffer = std::array<std::uint32_t, OVMaxActiveDisplays>;

// Fills `buffer` with the active display IDs (at most 32) and returns their count, at least 1:
// with no active display the main display stands in.
int OVActiveDisplays(OVDisplayIDBuffer& buffer);
// The active displays by origin x, then origin y, then ID.
QList<std::uint32_t> OVSortedActiveDisplayIDs();
// {"title", "value"} dictionaries for the display popups: Auto, Primary display and, with more
// than one active display, Secondary display.
QVariantList OVDisplaySelectionOptions();
// The stored selection, or "auto" when it is empty or absent.
QString OVCurrentDisplaySelection();
std::uint32_t OVSelectedTargetDisplayID();
// The largest display other than the main one; the main display when it is the only one.
std::uint32_t OVAutoTargetDisplayID();
// The candidate with the largest area; equal areas keep the earlier one.
std::uint32_t OVLargestDisplayFromIDs(const QList<std::uint32_t>& candidates);
std::uint32_t OVMainDisplayID();
// The bounds of a display in global coordinates; an empty rectangle for a display that is not
// active.
QRectF OVDisplayBounds(std::uint32_t displayID);
QRectF OVTargetDisplayBounds();
