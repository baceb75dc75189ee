#pragma once
#include <windows.h>

// While a high-contrast theme is on, every control draws in the system's colours (window,
// window text, highlight, highlight text, button face and text, grey text) instead of its
// own; otherwise it keeps its own look exactly. The window reads the setting when it is made
// and again when the setting changes; a picture of that look can set it directly.
bool HighContrast();
void SetHighContrast(bool on);
// The system's setting now.
bool SystemHighContrast();

// What the black window, its pages and its pictures are painted on: black, or the system's
// window colour while high contrast is on. Not to be deleted.
HBRUSH BackgroundBrush();
