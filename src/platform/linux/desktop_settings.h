#pragma once

#include <QByteArray>

// The user's double-click interval in seconds, from the desktop's settings as Qt reads them;
// 0.5 seconds when there is no desktop to ask.
double OVDesktopDoubleClickInterval();

// Wheel units per pixel of scrolling: ORVETTA_WHEEL_UNITS_PER_PIXEL when it holds a positive
// number (so that users can tune how far a swipe scrolls), else the default.
double OVWheelUnitsPerPixelSetting();
double OVWheelUnitsPerPixelFromText(const QByteArray& text);
