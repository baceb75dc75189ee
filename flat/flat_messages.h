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

// Whether a flat control may act on input now: shown, enabled, and its top-level window
// enabled. A modal dialog (the folder browser) disables that window, not its controls, and a
// click or key posted to one meanwhile would act under the dialog. The mouse, the keyboard,
// accelerators and a screen reader's default action all ask this. A button's accelerator
// does not consult the button's own visibility (`hiddenToo`): the pages ignore what a hidden
// button raises.
bool ControlMayAct(HWND control, bool hiddenToo = false);

// Offers a typed character to the flat controls below `root` whose container shows. The one
// shown, enabled control whose accelerator it is takes it; when several are, the focus moves
// to the next of them after the focused control instead; when none is, it is offered to
// each control in child order until one takes it. True when it was taken.
bool OfferCharToControls(HWND root, wchar_t character);

// kFlatAccessibleName: the name a screen reader hears for a control whose caption is none;
// returns it as a const wchar_t* valid until the control changes (in its own process), or 0.
inline constexpr UINT kFlatAccessibleName = WM_APP + 0x202;
