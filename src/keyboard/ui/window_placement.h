#pragma once

class QScreen;
class QWidget;

// The screen windows go to: the one with the largest available area (without panels and docks),
// the earlier one in the platform's list on a tie; the primary screen when the list is empty.
QScreen* OVPreferredWindowScreen();

// Centres `window` in the available area of OVPreferredWindowScreen(); without any screen the
// window stays where the platform put it.
void OVCenterWindowOnPreferredScreen(QWidget* window);
