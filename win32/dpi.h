#pragma once
#include <windows.h>

// value * numerator / denominator, halves rounded away from zero as MulDiv rounds them, for the
// small values of layout and font sizes, whose product cannot overflow.
constexpr int ScaledRounded(int value, UINT numerator, int denominator) {
    const int product = value * static_cast<int>(numerator);
    return (product + (product < 0 ? -denominator : denominator) / 2) / denominator;
}

// Layout is given in pixels at 96 dpi; this is the one place that turns such a value into
// pixels at the window's dpi.
inline int Scale(int pixelsAt96, UINT dpi) { return ScaledRounded(pixelsAt96, dpi, 96); }

// The dpi of the monitor a window stands on (per-monitor aware), or the system dpi on
// systems that predate per-monitor awareness.
UINT DpiOfWindow(HWND window);

// A font of the given face whose size is in points (scaled through the dpi by definition).
HFONT CreatePointFont(const wchar_t* face, int points, bool bold, UINT dpi);

// A font of the given face whose character height is given in pixels at 96 dpi.
HFONT CreatePixelFont(const wchar_t* face, int pixelsAt96, bool bold, UINT dpi);
