#pragma once

class OVDisplayServices;

// Hides the cursor once on every active display (at most 32; the main display when none is
// reported).
void OVHideCursorOnActiveDisplays(OVDisplayServices& displays);
// Shows the cursor eight times on every active display, so that nested hides are undone.
void OVShowCursorOnActiveDisplays(OVDisplayServices& displays);
