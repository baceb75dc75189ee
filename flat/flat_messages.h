#pragma once
#include <windows.h>

// Messages between the window and its flat controls.
//
// kFlatOfferChar: a typed character (wParam) offered to a control as an accelerator;
// returns 1 when the control took it.
// kFlatReflectColor: a WM_CTLCOLOR* message reflected from the parent to the control
// (wParam the DC); returns the brush, or 0 to leave it to the parent.
inline constexpr UINT kFlatOfferChar = WM_APP + 0x200;
inline constexpr UINT kFlatReflectColor = WM_APP + 0x201;

// Offers a typed character to every flat control below `root`, in child order, until one
// takes it. True when one did.
bool OfferCharToControls(HWND root, wchar_t character);
