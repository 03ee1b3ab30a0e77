#pragma once

class QWidget;

// Asks the window manager to show the top-level `window` on every desktop (workspace), also over
// full-screen windows. Call it before the window is shown. Does nothing outside an X11 session.
void OVShowWindowOnAllDesktops(QWidget* window);
