#pragma once
#include <windows.h>

#include <cstdint>

#include "win32/high_contrast.h"

// A colour value: RGB as 0x00BBGGRR, or a platform system colour as 0xFF0000nn (nn the
// system-colour index), resolved when used.
using Color = std::uint32_t;

inline constexpr Color SystemColor(int index) { return 0xFF000000u | static_cast<Color>(index); }

inline COLORREF ResolveColor(Color color) {
    return (color >> 24) == 0xFF ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color & 0xFFFFFF);
}

inline constexpr Color kColorBlack = RGB(0, 0, 0);
inline constexpr Color kColorWhite = RGB(255, 255, 255);
inline constexpr Color kColorPurple = RGB(128, 0, 128);
inline constexpr Color kColorGreen = RGB(0, 128, 0);
inline constexpr Color kColorGreyBrown = RGB(160, 150, 131);  // the flat controls' frame
inline constexpr Color kColorCream = RGB(235, 234, 225);
inline constexpr Color kColorPressed = RGB(217, 214, 197);

// `normal`, or the system colour `index` while a high-contrast theme is on.
inline Color ContrastColor(Color normal, int index) { return HighContrast() ? SystemColor(index) : normal; }
