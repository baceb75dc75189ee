#pragma once
#include <windows.h>

// Layout is given in pixels at 96 dpi; this is the one place that turns such a value into
// pixels at the window's dpi.
inline int Scale(int pixelsAt96, UINT dpi) { return MulDiv(pixelsAt96, static_cast<int>(dpi), 96); }

// The dpi of the monitor a window stands on (per-monitor aware), or the system dpi on
// systems that predate per-monitor awareness.
UINT DpiOfWindow(HWND window);

// A font of the given face whose size is in points (scaled through the dpi by definition).
HFONT CreatePointFont(const wchar_t* face, int points, bool bold, UINT dpi);

// A font of the given face whose character height is given in pixels at 96 dpi.
HFONT CreatePixelFont(const wchar_t* face, int pixelsAt96, bool bold, UINT dpi);
